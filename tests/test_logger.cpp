// The datalogger download driven through the main window with a fake line and a fake clock.

#include <QCheckBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "data_display.h"
#include "datalog_window.h"
#include "test_main_window.h"

namespace {

// Display 1 in %RH (two decimal places) with `d1`, display 2 +023.5 Deg C.
QByteArray rh(const QByteArray& d1, const char* dp1 = "2")
{
    return "\x02"
           "01041" +
           QByteArray(dp1) + "0235" + d1 + "\r";
}

const QByteArray kEnd = QByteArray("\x02"
                                   "000000\x1b\x1b\x1b\x1b"
                                   "0000\r");
const QByteArray p1 = rh("4512"), p2 = rh("4613"), p3 = rh("4714"), p4 = rh("4815");
const QByteArray kBad = rh("4916", "7"); // seven decimal places: the decoder rejects it

QString item(const char* number, const QByteArray& packet)
{
    return QLatin1String(number) + QString::fromLatin1(packet);
}

const QString kFirst =
    QStringLiteral("To Download All Data\r\nSet Data Logger To OUT and\r\nTurn Data Logger ON\r\n");
const QString kSecond =
    QStringLiteral("Press 'RESET>' On Datalogger To Send Data\r\nAfter Pressing 'OK'");

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// The meter: each piece arrives `stepMs` after the one before, counted from the download's start;
// time passes only while the download waits on the line. Far too long a download is cut off.
struct Meter
{
    MainWithFakes& m;
    QList<QByteArray> pieces;
    qint64 start = m.clock->m_mono;
    int delivered = 0;
    void install()
    {
        m.comm->onWait = [this](int ms) {
            m.clock->advance(ms);
            const qint64 now = m.clock->m_mono - start;
            while (!pieces.isEmpty() && now >= kStepMs * (delivered + 1)) {
                m.comm->push(pieces.takeFirst());
                ++delivered;
            }
            if (now > 60000)
                m.comm->setPortOpen(false);
        };
    }
    static constexpr int kStepMs = 100;
};

// Label3's captions as they were painted.
struct Painted : QObject
{
    QStringList shown;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        const QString t = static_cast<QLabel*>(o)->text();
        if (e->type() == QEvent::Paint && !t.isEmpty() && (shown.isEmpty() || shown.last() != t))
            shown << t;
        return false;
    }
};

} // namespace

class TestLogger : public QObject
{
    Q_OBJECT
  private slots:
    void download_data();
    void download();
    void silenceIsMeasuredOnTheMonotonicClock_data();
    void silenceIsMeasuredOnTheMonotonicClock();
    void failureLeavesTheProgramUsable_data();
    void failureLeavesTheProgramUsable();
    void recordingStaysOpenAndUntouched();
};

void TestLogger::download_data()
{
    QTest::addColumn<QList<QByteArray>>("sent");
    QTest::addColumn<int>("shortRead"); // the Input() call that loses a character; 1 is the purge
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("listed"); // top first
    QTest::addColumn<bool>("timedOut");
    const QString r1 = QStringLiteral(" 1 ,+47.14,%RH,+023.5, Deg C");
    QTest::newRow("nothing sent") << QList<QByteArray>{} << 0 << QStringList{} << QStringList{}
                                  << QStringList{} << true;
    QTest::newRow("two packets") << QList<QByteArray>{p1, p2} << 0 << QStringList{}
                                 << QStringList{"-1", "0"}
                                 << QStringList{item(" 0", p2), item("-1", p1)} << true;
    QTest::newRow("three packets")
        << QList<QByteArray>{p1, p2, p3} << 0 << QStringList{r1} << QStringList{"-1", "0", "1"}
        << QStringList{item(" 1", p3), item(" 0", p2), item("-1", p1)} << true;
    QTest::newRow("end of data first")
        << QList<QByteArray>{kEnd, p1} << 0 << QStringList{} << QStringList{"-1"}
        << QStringList{item("-1", kEnd)} << false;
    QTest::newRow("end of data second")
        << QList<QByteArray>{p1, kEnd, p2} << 0 << QStringList{} << QStringList{"-1", "0"}
        << QStringList{item(" 0", kEnd), item("-1", p1)} << false;
    QTest::newRow("end of data later")
        << QList<QByteArray>{p1, p2, p3, kEnd, p4} << 0
        << QStringList{r1, QStringLiteral(" 2 ,+0000.,uW/cm2,+\x1b\x1b\x1b\x1b.,")}
        << QStringList{"-1", "0", "1", "2"}
        << QStringList{item(" 2", kEnd), item(" 1", p3), item(" 0", p2), item("-1", p1)} << false;
    QTest::newRow("15 characters left")
        << QList<QByteArray>{p1, p2, p3, p4.left(15)} << 0 << QStringList{r1}
        << QStringList{"-1", "0", "1"}
        << QStringList{item(" 1", p3), item(" 0", p2), item("-1", p1)} << true;
    QTest::newRow("read of the wrong length")
        << QList<QByteArray>{p1, p2, p3, p4} << 4
        << QStringList{"Error, Data Lost", " 1 ,+48.15,%RH,+023.5, Deg C"}
        << QStringList{"-1", "0", "1"}
        << QStringList{item(" 1", p4), item(" 0", p2), item("-1", p1)} << true;
    QTest::newRow("rejected packet skipped")
        << QList<QByteArray>{p1, p2, p3, kBad, p4} << 0
        << QStringList{r1, " 3 ,+48.15,%RH,+023.5, Deg C"} << QStringList{"-1", "0", "1", "2", "3"}
        << QStringList{item(" 3", p4), item(" 1", p3), item(" 0", p2), item("-1", p1)} << true;
}

void TestLogger::download()
{
    QFETCH(QList<QByteArray>, sent);
    QFETCH(int, shortRead);
    QFETCH(QStringList, records);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, listed);
    QFETCH(bool, timedOut);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LOGGER.CSV"));
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    m->session().Save_Data = 1; // a collection armed: the decoder lists nothing of its own
    m->St->setChecked(true);
    m.boxes->shown.clear();
    m.boxes->shownFlags.clear();
    Painted painted;
    m->datalogDownload()->Label3->installEventFilter(&painted);
    m.comm->push("left over from before");
    m.comm->shortRead = shortRead;
    Meter meter{m, sent};
    meter.install();

    m->downloadDatalogger([&] { m->session().Save_File_Name = path; });

    QStringList boxes{kFirst, kSecond};
    if (timedOut)
        boxes << QStringLiteral("Datalogger Time Out");
    boxes << QStringLiteral("Finished Downloading Data");
    QCOMPARE(m.boxes->shown, boxes);
    QCOMPARE(m.boxes->shownFlags, QList<int>(boxes.size(), Mb::OkOnly));
    QStringList lines{QStringLiteral("Data 1,Data Unit,Data 2,Data Unit")};
    lines << records;
    QCOMPARE(readAll(path),
             (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    QCOMPARE(painted.shown, shown);
    QStringList got;
    for (int i = 0; i < m->dataDisplay()->lineCount(); ++i)
        got << m->dataDisplay()->line(i);
    QCOMPARE(got, listed);
    QVERIFY(!m->dataDisplay()->isVisible());
    QVERIFY(!m->datalogDownload()->isVisible());
    QVERIFY(!m.files->isOpen(3));
    QVERIFY(!m->Timer1->isActive());
    QCOMPARE(m->session().Save_File_Name, path);
}

void TestLogger::silenceIsMeasuredOnTheMonotonicClock_data()
{
    QTest::addColumn<QTime>("startAt");
    QTest::newRow("afternoon") << QTime(14, 3, 9);
    QTest::newRow("across midnight") << QTime(23, 59, 57, 900);
    QTest::newRow("packet at midnight") << QTime(23, 59, 59, 900);
}

void TestLogger::silenceIsMeasuredOnTheMonotonicClock()
{
    QFETCH(QTime, startAt);
    QTemporaryDir dir;
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    m.clock->set(QDate(2026, 12, 31), startAt);
    Meter meter{m, {p1}};
    meter.install();
    m->downloadDatalogger(
        [&] { m->session().Save_File_Name = dir.filePath(QStringLiteral("M.CSV")); });
    // More than 5 s after the one packet (at 100 ms), and within one wait of it.
    const qint64 quiet = m.clock->m_mono - meter.start - 100;
    QVERIFY2(quiet > 5000 && quiet <= 5000 + 5, qPrintable(QString::number(quiet)));
    QVERIFY(m.boxes->shown.contains(QStringLiteral("Datalogger Time Out")));
}

void TestLogger::failureLeavesTheProgramUsable_data()
{
    QTest::addColumn<QString>("name"); // "%1": the temporary folder; "recording": file 1's
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QString>("said");
    QTest::newRow("folder missing") << "%1/no/such/D.CSV" << true << "Cannot open %1/no/such/D.CSV";
    QTest::newRow("the file being recorded") << "recording" << true << "File already open";
    QTest::newRow("port not open") << "%1/D.CSV" << false << "the port is not open";
    QTest::newRow("disk full") << "/dev/full" << true << "Cannot write /dev/full";
}

void TestLogger::failureLeavesTheProgramUsable()
{
    QFETCH(QString, name);
    QFETCH(bool, portOpen);
    QFETCH(QString, said);
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("REC.CSV"));
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    m.files->open(1, recording, SeqFiles::Mode::Append);
    if (!portOpen)
        m.comm->setPortOpen(false);
    Meter meter{m, {p1, p2, p3}};
    meter.install();
    name = name == QLatin1String("recording") ? recording : name.arg(dir.path());
    m->downloadDatalogger([&] { m->session().Save_File_Name = name; });
    QVERIFY(!m.boxes->shown.isEmpty());
    const QString shown = m.boxes->shown.last();
    QVERIFY2(shown.startsWith(QStringLiteral("Datalogger Download Stopped\r\n")) &&
                 shown.contains(said.contains(u'%') ? said.arg(dir.path()) : said),
             qPrintable(shown));
    QVERIFY(!m.boxes->shown.contains(QStringLiteral("Finished Downloading Data")));
    QVERIFY(!m.files->isOpen(3));
    QVERIFY(m.files->isOpen(1));
    QVERIFY(!m->datalogDownloadLoaded() || !m->datalogDownload()->isVisible());
    // And the next download goes through.
    m.comm->setPortOpen(true);
    m.boxes->shown.clear();
    const QString good = dir.filePath(QStringLiteral("GOOD.CSV"));
    Meter again{m, {p1, p2, p3, kEnd}};
    again.install();
    m->downloadDatalogger([&] { m->session().Save_File_Name = good; });
    QCOMPARE(m.boxes->shown.last(), QStringLiteral("Finished Downloading Data"));
    QCOMPARE(readAll(good).count('\n'), 3);
}

void TestLogger::recordingStaysOpenAndUntouched()
{
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("REC.CSV"));
    const QString path = dir.filePath(QStringLiteral("D.CSV"));
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    QVERIFY(m->Timer1->isActive());
    m.files->open(1, recording, SeqFiles::Mode::Append);
    m.files->printLine(1, QStringLiteral(" 1 ,+45.12,%RH,09:30:12,12-07-2026"));
    m->session().Save_Data = 1;
    m->St->setChecked(true);
    Meter meter{m, {p1, p2, p3, p4, kEnd}};
    meter.install();
    // Each line is in the file the moment it is written, while the download is still running.
    QByteArray seenMidway;
    const auto deliver = m.comm->onWait;
    m.comm->onWait = [&](int ms) {
        if (meter.pieces.size() == 1 && seenMidway.isEmpty())
            seenMidway = readAll(path);
        deliver(ms);
    };
    m->downloadDatalogger([&] { m->session().Save_File_Name = path; });
    QCOMPARE(seenMidway, QByteArray("Data 1,Data Unit,Data 2,Data Unit\r\n"
                                    " 1 ,+47.14,%RH,+023.5, Deg C\r\n"
                                    " 2 ,+48.15,%RH,+023.5, Deg C\r\n"));
    QVERIFY(m.files->isOpen(1));
    QCOMPARE(readAll(recording), QByteArray(" 1 ,+45.12,%RH,09:30:12,12-07-2026\r\n"));
    QVERIFY(!m->Timer1->isActive());
    QCOMPARE(m->session().Save_File_Name, path);
    QCOMPARE(m->session().Download_End, 1);
}

QTEST_MAIN(TestLogger)
#include "test_logger.moc"
