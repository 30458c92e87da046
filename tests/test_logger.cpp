// The datalogger download driven through the main window with a fake line and a fake clock.

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "data_display.h"
#include "datalog_window.h"
#include "test_main_window.h"

namespace {

// Display 1 in %RH with `d1` (two decimal places unless told), display 2 +023.5 Deg C.
QByteArray rh(const QByteArray& d1, const char* dp1 = "2")
{
    return "\x02"
           "01041" +
           QByteArray(dp1) + "0235" + d1 + "\r";
}

const QByteArray kEnd("\x02"
                      "000000\x1b\x1b\x1b\x1b"
                      "0000\r");
const QByteArray p1 = rh("4512"), p2 = rh("4613"), p3 = rh("4714"), p4 = rh("4815");
const QByteArray kBad = rh("4916", "7"); // seven decimal places: the decoder rejects it

// The meter: piece k arrives (k + 1) * 100 ms after the download starts. Time passes only while
// the download waits on the line; a download that never ends is cut off.
struct Meter
{
    MainWithFakes& m;
    QList<QByteArray> pieces;
    qint64 start = m.clock->m_mono;
    int delivered = 0;
    qint64 lastPacketAt = 0; // the last whole packet's arrival
    void install()
    {
        m.comm->onWait = [this](int ms) {
            m.clock->advance(ms);
            const qint64 now = m.clock->m_mono - start;
            while (!pieces.isEmpty() && now >= 100 * (delivered + 1)) {
                if (pieces.first().size() == 16)
                    lastPacketAt = 100 * (delivered + 1);
                m.comm->push(pieces.takeFirst());
                ++delivered;
            }
            if (now > 60000)
                m.comm->setPortOpen(false);
        };
    }
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
    void failureLeavesTheProgramUsable_data();
    void failureLeavesTheProgramUsable();
    void recordingStaysOpenAndUntouched();
    void menuCommandNamesTheFileFirst();
    void everyDownloadStartsAfresh_data();
    void everyDownloadStartsAfresh();
};

void TestLogger::download_data()
{
    using Sent = QList<QByteArray>;
    QTest::addColumn<Sent>("sent");
    QTest::addColumn<int>("shortRead"); // the Input() call that loses a character; 1 is the purge
    QTest::addColumn<QStringList>("records");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("listed");
    QTest::addColumn<bool>("timedOut");
    QTest::addColumn<QTime>("startAt");
    const QString r1 = QStringLiteral(" 1 ,+47.14,%RH,+023.5, Deg C");
    const QString r4 = QStringLiteral(" 1 ,+48.15,%RH,+023.5, Deg C");
    const QTime day(14, 3, 9);
    // clang-format off
    QTest::newRow("nothing sent") << Sent{} << 0 << QStringList{} << "" << 0 << true << day;
    QTest::newRow("two packets") << Sent{p1, p2} << 0 << QStringList{} << "-1 0" << 2 << true << day;
    QTest::newRow("three packets") << Sent{p1, p2, p3} << 0 << QStringList{r1} << "-1 0 1" << 3 << true << day;
    QTest::newRow("end of data first") << Sent{kEnd, p1} << 0 << QStringList{} << "-1" << 1 << false << day;
    QTest::newRow("end of data second") << Sent{p1, kEnd, p2} << 0 << QStringList{} << "-1 0" << 2 << false << day;
    QTest::newRow("end of data later") << Sent{p1, p2, p3, kEnd, p4} << 0
        << QStringList{r1, " 2 ,+0000.,uW/cm2,+\x1b\x1b\x1b\x1b.,"} << "-1 0 1 2" << 4 << false << day;
    QTest::newRow("15 characters left") << Sent{p1, p2, p3, p4.left(15)} << 0 << QStringList{r1}
        << "-1 0 1" << 3 << true << day;
    QTest::newRow("read of the wrong length") << Sent{p1, p2, p3, p4} << 4
        << QStringList{"Error, Data Lost", r4} << "-1 0 1" << 3 << true << day;
    QTest::newRow("rejected packet skipped") << Sent{p1, p2, p3, kBad, p4} << 0
        << QStringList{r1, " 3 " + r4.mid(3)} << "-1 0 1 2 3" << 4 << true << day;
    QTest::newRow("silence across midnight") << Sent{p1} << 0 << QStringList{} << "-1" << 1 << true
        << QTime(23, 59, 57, 900);
    QTest::newRow("packet at midnight") << Sent{p1} << 0 << QStringList{} << "-1" << 1 << true
        << QTime(23, 59, 59, 900);
    // clang-format on
}

void TestLogger::download()
{
    QFETCH(QList<QByteArray>, sent);
    QFETCH(int, shortRead);
    QFETCH(QStringList, records);
    QFETCH(QString, shown);
    QFETCH(int, listed);
    QFETCH(bool, timedOut);
    QFETCH(QTime, startAt);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("LOGGER.CSV"));
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    m.clock->set(QDate(2026, 12, 31), startAt);
    m->session().Save_Data = 1; // a collection armed: the decoder lists nothing of its own
    m->St->setChecked(true);
    m.boxes->shown.clear();
    m.boxes->shownFlags.clear();
    Painted painted;
    m->datalogDownload()->Label3->installEventFilter(&painted);
    m.comm->push("left over from before");
    m.comm->shortRead = shortRead;
    QVERIFY(m->Timer1->isActive()); // saving declined: the clock runs
    Meter meter{m, sent};
    meter.install();

    m->downloadDatalogger([&] { m->session().Save_File_Name = path; });

    QStringList boxes{
        "To Download All Data\r\nSet Data Logger To OUT and\r\nTurn Data Logger ON\r\n",
        "Press 'RESET>' On Datalogger To Send Data\r\nAfter Pressing 'OK'"};
    if (timedOut)
        boxes << QStringLiteral("Datalogger Time Out");
    boxes << QStringLiteral("Finished Downloading Data");
    QCOMPARE(m.boxes->shown, boxes);
    QCOMPARE(m.boxes->shownFlags, QList<int>(boxes.size(), Mb::OkOnly));
    const QStringList lines = QStringList{"Data 1,Data Unit,Data 2,Data Unit"} + records;
    QCOMPARE(readAll(path),
             (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    QCOMPARE(painted.shown.join(u' '), shown);
    // Newest on top: the first packet at the bottom as -1, the second above it as 0.
    FrmDataDisplay* list = m->dataDisplay();
    QCOMPARE(list->lineCount(), listed);
    if (listed >= 1)
        QCOMPARE(list->line(listed - 1), "-1" + QString::fromLatin1(sent[0]));
    if (listed >= 2)
        QCOMPARE(list->line(listed - 2), " 0" + QString::fromLatin1(sent[1]));
    QVERIFY(!list->isVisible());
    QVERIFY(!m->datalogDownload()->isVisible());
    QVERIFY(!m.files->isOpen(3));
    QVERIFY(m->Timer1->isActive()); // and runs again afterwards
    QCOMPARE(m->session().Save_File_Name, path);
    // Silence ends the download after more than 5 s, within one wait of it, midnight or not.
    const qint64 quiet = m.clock->m_mono - meter.start - meter.lastPacketAt;
    QVERIFY2(!timedOut || (quiet > 5000 && quiet <= 5005), qPrintable(QString::number(quiet)));
}

void TestLogger::failureLeavesTheProgramUsable_data()
{
    QTest::addColumn<QString>("name"); // "%1": the temporary folder; "recording": file 1's
    QTest::addColumn<bool>("portOpen");
    QTest::addColumn<QString>("said");
    QTest::newRow("folder missing") << "%1/no/such/D.CSV" << true << "Cannot open %1/no/such/D.CSV";
    QTest::newRow("the file being recorded") << "recording" << true << "is the file being recorded";
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
    m.comm->setPortOpen(portOpen);
    Meter meter{m, {p1, p2, p3}};
    meter.install();
    name = name == QLatin1String("recording") ? recording : name.arg(dir.path());
    m->downloadDatalogger([&] { m->session().Save_File_Name = name; });
    const QString shown = m.boxes->shown.last();
    QVERIFY2(shown.startsWith(QStringLiteral("Datalogger Download Stopped\r\n")) &&
                 shown.contains(said.contains(u'%') ? said.arg(dir.path()) : said),
             qPrintable(shown));
    QVERIFY(!m.boxes->shown.contains(QStringLiteral("Finished Downloading Data")));
    QVERIFY(!m.files->isOpen(3));
    QVERIFY(m.files->isOpen(1));
    QVERIFY(!m->datalogDownloadLoaded() || !m->datalogDownload()->isVisible());
    QVERIFY(m->Timer1->isActive()); // stopped or not, the clock runs as before
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
    QVERIFY(m->Timer1->isActive());
    QCOMPARE(m->session().Save_File_Name, path);
}

void TestLogger::menuCommandNamesTheFileFirst()
{
    // The save dialog cancelled on 7 December 2026: the proposed name, in the current folder.
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    m.clock->set(QDate(2026, 12, 7), QTime(10, 0, 0));
    m.boxes->shown.clear();
    m.dialog->choices = {QString()};
    Meter meter{m, {p1, p2, p3, kEnd}};
    meter.install();
    m->Download_Datalogger_Click();
    const QByteArray written = readAll(dir.filePath(QStringLiteral("TMP12076.CSV")));
    QDir::setCurrent(before);
    QCOMPARE(m.dialog->shown, QStringList{"save"});
    QCOMPARE(m.boxes->shown.value(0), QStringLiteral("The File Is Saved As \rTMP12076.CSV"));
    QVERIFY(m.boxes->shown.value(1).startsWith(QStringLiteral("To Download All Data")));
    QCOMPARE(m.boxes->shown.last(), QStringLiteral("Finished Downloading Data"));
    QCOMPARE(written, QByteArray("Data 1,Data Unit,Data 2,Data Unit\r\n"
                                 " 1 ,+47.14,%RH,+023.5, Deg C\r\n"
                                 " 2 ,+0000.,uW/cm2,+\x1b\x1b\x1b\x1b.,\r\n"));
    QCOMPARE(m->session().Save_File_Name, QStringLiteral("TMP12076.CSV"));
}

// Whatever ended the last download, or an end of data the live line passed, the next download
// waits for its own end.
void TestLogger::everyDownloadStartsAfresh_data()
{
    QTest::addColumn<bool>("endSeenLive");
    QTest::newRow("a second download in the session") << false;
    QTest::newRow("after an end of data seen live") << true;
}

void TestLogger::everyDownloadStartsAfresh()
{
    QFETCH(bool, endSeenLive);
    QTemporaryDir dir;
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    const QByteArray expected = "Data 1,Data Unit,Data 2,Data Unit\r\n"
                                " 1 ,+47.14,%RH,+023.5, Deg C\r\n"
                                " 2 ,+0000.,uW/cm2,+\x1b\x1b\x1b\x1b.,\r\n";
    const int downloads = endSeenLive ? 1 : 2;
    if (endSeenLive) {
        m.comm->fire(p1);
        m.comm->fire(kEnd);
        QCOMPARE(m->session().Download_End, 1);
    }
    for (int n = 1; n <= downloads; ++n) {
        const QString path = dir.filePath(QStringLiteral("D%1.CSV").arg(n));
        m.boxes->shown.clear();
        Meter meter{m, {p1, p2, p3, kEnd}};
        meter.install();
        m->downloadDatalogger([&] { m->session().Save_File_Name = path; });
        QCOMPARE(readAll(path), expected);
        QCOMPARE(m.boxes->shown.last(), QStringLiteral("Finished Downloading Data"));
        QVERIFY(!m.boxes->shown.contains(QStringLiteral("Datalogger Time Out")));
    }
}

QTEST_MAIN(TestLogger)
#include "test_logger.moc"
