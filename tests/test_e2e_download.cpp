// A whole datalogger download from the meter simulator, over a real pseudo-terminal and the real
// serial layer, at the line's own pace and as fast as the line takes it: every record arrives, in
// order, in the file.

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "test_main_window.h"

namespace {

// What the meter's dual display sends for humidity and temperature, as a row of the file.
QString expectedRow(long record, const QByteArray& p)
{
    const QString d2 = QString::fromLatin1(p.mid(7, 4));
    const QString d1 = QString::fromLatin1(p.mid(11, 4));
    const QChar sign2 = p[1] == '2' ? u'-' : u'+';
    return QStringLiteral(" %1 ,+%2.%3,%RH,%4%5.%6, Deg C")
        .arg(record)
        .arg(d1.left(2), d1.mid(2), QString(sign2), d2.left(3), d2.mid(3));
}

} // namespace

class TestE2eDownload : public QObject
{
    Q_OBJECT
  private slots:
    void recordsArriveInOrder_data();
    void recordsArriveInOrder();
};

void TestE2eDownload::recordsArriveInOrder_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<bool>("fast");
    QTest::newRow("300 at the line's pace") << 300 << false;
    // Far faster than any meter: a download that falls behind must still lose nothing.
    QTest::newRow("10000 as fast as the line takes them") << 10000 << true;
}

void TestE2eDownload::recordsArriveInOrder()
{
    // Two packets before the first record, and the end-of-data packet after the last.
    QFETCH(int, records);
    QFETCH(bool, fast);
    QTemporaryDir dir;
    // The download reads no pipe while it runs: what the simulator reports goes to a file.
    const QString report = dir.filePath(QStringLiteral("sent.txt"));
    QProcess sim;
    sim.setStandardErrorFile(report);
    QStringList args{QStringLiteral("--meter"),      QStringLiteral("dual"),
                     QStringLiteral("--rate"),       QStringLiteral("0"),
                     QStringLiteral("--datalogger"), QString::number(records + 2),
                     QStringLiteral("--verbose")};
    if (fast)
        args << QStringLiteral("--fast-dump");
    sim.start(QStringLiteral(QUORVANE_SIM_PATH), args);
    QVERIFY(sim.waitForStarted());
    sim.closeWriteChannel();
    QVERIFY(sim.waitForReadyRead(10000));
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();

    auto user = std::make_shared<DownloadUser>();
    user->meter = sim.processId();
    const std::unique_ptr<FrmMain> main = mainOnDevice(device, user);
    FrmMain& w = *main;
    QVERIFY(w.Comm1->PortOpen());
    user->shown.clear();

    const QString path = dir.filePath(QStringLiteral("DOWNLOAD.CSV"));
    w.downloadDatalogger([&] { w.session().Save_File_Name = path; });

    QCOMPARE(user->shown.size(), 3);
    QCOMPARE(user->shown.last(), QStringLiteral("Finished Downloading Data"));
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QList<QByteArray> sent;
    QFile reported(report);
    QVERIFY(reported.open(QIODevice::ReadOnly));
    for (const QByteArray& line : reported.readAll().split('\n'))
        if (line.startsWith("record:"))
            sent << QByteArray::fromHex(line.mid(7).replace(' ', ""));
    QCOMPARE(sent.size(), int(records) + 3);

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    QCOMPARE(lines.size(), int(records) + 3); // header, records, end row, and after the last end
    QCOMPARE(lines.first(), QByteArray("Data 1,Data Unit,Data 2,Data Unit\r"));
    for (long n = 1; n <= records; ++n)
        QCOMPARE(QString::fromLatin1(lines[n].chopped(1)), expectedRow(n, sent[n + 1]));
    QVERIFY(lines[records + 1].startsWith(QByteArray::number(qlonglong(records + 1)).prepend(' ')));
}

QTEST_MAIN(TestE2eDownload)
#include "test_e2e_download.moc"
