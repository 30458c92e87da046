// What the program's own commands and ordinary accidents do to the files users trust it with: a
// download over a file, a second copy of the program, a save file deleted while it is recorded,
// a collection window whose file failed to open.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "data_collect.h"
#include "datalog_window.h"
#include "test_main_window.h"

using namespace Qt::StringLiterals;

namespace {

const QDate kDay(2026, 12, 7);
const QByteArray kPacket("\00201041202354512\r"); // +45.12 %RH, +023.5 Deg C
const QByteArray kEnd("\x02"
                      "000000\x1b\x1b\x1b\x1b"
                      "0000\r");
const QByteArray kDownload("Data 1,Data Unit,Data 2,Data Unit\r\n"
                           " 1 ,+45.12,%RH,+023.5, Deg C\r\n"
                           " 2 ,+0000.,uW/cm2,+\x1b\x1b\x1b\x1b.,\r\n");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// A main window recording into `path` ("" takes the proposed name), started and armed with the
// collection window's settings (every second, no limit).
struct Recording : MainWithFakes
{
    explicit Recording(const QString& path, bool arm = true)
    {
        clock->set(kDay, QTime(9, 59, 59));
        dialog->choices.push_back(path);
        startLinked(1, false, Mb::Yes);
        comm->fire(kPacket);
        if (arm && files->isOpen(1))
            w->dataCollect()->Command1_Click();
    }
    // Two checks in each second, as the 100 ms timer makes them.
    void seconds(int n)
    {
        for (int i = 0; i < n; ++i) {
            clock->advance(500);
            w->Timer1_Timer();
            clock->advance(500);
            w->Timer1_Timer();
        }
    }
};

// The meter at a download: one piece each time the download waits, then silence; time passes
// only while it waits. `during` runs at every wait.
void meterSends(MainWithFakes& m, QList<QByteArray> pieces, std::function<void()> during = {})
{
    m.comm->onWait = [&m, pieces, during](int ms) mutable {
        m.clock->advance(ms);
        if (!pieces.isEmpty())
            m.comm->push(pieces.takeFirst());
        if (during)
            during();
    };
}

// The times of the record rows of a save file, as seconds of the day.
QList<int> rowSeconds(const QString& path)
{
    QList<int> out;
    for (const QByteArray& line : readAll(path).split('\n')) {
        const QList<QByteArray> f = line.trimmed().split(',');
        if (f.size() == 7 && f[0] != "High" && f[0] != "Lo")
            out << QTime::fromString(QString::fromLatin1(f[5])).msecsSinceStartOfDay() / 1000;
    }
    return out;
}

QList<int> steps(const QList<int>& times)
{
    QList<int> out;
    for (qsizetype i = 1; i < times.size(); ++i)
        out << times[i] - times[i - 1];
    return out;
}

// Show events of every collection window, wherever it is created.
struct CollectionShows : QObject
{
    int shows = 0;
    CollectionShows() { qApp->installEventFilter(this); }
    ~CollectionShows() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        shows += e->type() == QEvent::Show && qobject_cast<FrmDataCollect*>(o);
        return false;
    }
};

} // namespace

class TestFileSafety : public QObject
{
    Q_OBJECT
  private slots:
    void downloadOverAFile_data();
    void downloadOverAFile();
    void downloadAfterADaysRecording_data();
    void downloadAfterADaysRecording();
    void downloadWithThePortClosed_data();
    void downloadWithThePortClosed();
    void closeBoxEndsADownload();
    void rowsKeepTheirIntervalAfterADownload();
    void secondCopyRefused_data();
    void secondCopyRefused();
    void deletedSaveFileComesBack_data();
    void deletedSaveFileComesBack();
    void deletedBeforeStartComesBackEachTime();
    void collectionWindowOnlyForAnOpenFile_data();
    void collectionWindowOnlyForAnOpenFile();
};

void TestFileSafety::downloadOverAFile_data()
{
    QTest::addColumn<QByteArray>("before"); // "(missing)": no file
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("replaced");
    QByteArray recording;
    for (int n = 1; n <= 19; ++n)
        recording += " " + QByteArray::number(n) +
                     " ,+45.12,%RH,+023.5, Deg C,10:00:" + QByteArray::number(10 + n) +
                     ",12-07-2026\r\n";
    QTest::newRow("a recording, No") << recording << int(Mb::No) << true << false;
    QTest::newRow("a recording, Yes") << recording << int(Mb::Yes) << true << true;
    QTest::newRow("an empty file") << QByteArray() << int(Mb::No) << false << true;
    QTest::newRow("no file") << QByteArray("(missing)") << int(Mb::No) << false << true;
}

void TestFileSafety::downloadOverAFile()
{
    QFETCH(QByteArray, before);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, replaced);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"TMP12076.CSV"_s);
    if (before != "(missing)")
        writeFile(path, before);
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    m.boxes->shown.clear();
    m.boxes->shownFlags.clear();
    m.boxes->answers = {answer};
    meterSends(m, {kPacket, kPacket, kPacket, kEnd});
    m->downloadDatalogger([&] { m->session().Save_File_Name = path; });
    const QString question = path + u" already exists and holds data.\r\n"
                                    "Replace it with the download? No keeps it as it is."_s;
    QCOMPARE(m.boxes->shown.contains(question), asked);
    if (asked)
        QCOMPARE(m.boxes->shownFlags.first(),
                 int(Mb::YesNo) | int(Mb::Question) | int(Mb::DefaultButton2));
    QCOMPARE(readAll(path), replaced ? kDownload : before);
    // No: nothing else happened at all.
    QCOMPARE(m.boxes->shown.size(), replaced ? 3 + asked : 1);
    QCOMPARE(m->datalogDownloadLoaded(), replaced);
    QVERIFY(m->Timer1->isActive());
    QVERIFY(!m.files->isOpen(3));
}

// The issue's own way in: a day's recording in the start folder, then "Download Datalogger" with
// the proposed name accepted, once the recording is closed and once while it goes on.
void TestFileSafety::downloadAfterADaysRecording_data()
{
    QTest::addColumn<bool>("closedFirst");
    QTest::newRow("recording closed") << true;
    QTest::newRow("still recording") << false;
}

void TestFileSafety::downloadAfterADaysRecording()
{
    QFETCH(bool, closedFirst);
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const QString path = dir.filePath(u"TMP12076.CSV"_s);
    Recording m{QString()}; // the save dialog cancelled: the proposed name
    m.seconds(5);
    if (closedFirst)
        m->File_Close_Click();
    const QByteArray recorded = readAll(path);
    m.boxes->shown.clear();
    m.dialog->choices = {QString()};
    meterSends(m, {kPacket, kPacket, kPacket, kEnd});
    m->Download_Datalogger_Click();
    m.seconds(3);
    QDir::setCurrent(before);
    QCOMPARE(m.boxes->shown.value(0), u"The File Is Saved As \rTMP12076.CSV"_s);
    if (closedFirst) {
        QCOMPARE(m.boxes->shown.value(1), u"TMP12076.CSV already exists and holds data.\r\n"
                                          "Replace it with the download? No keeps it as it is."_s);
        QCOMPARE(m.boxes->shown.size(), 2);
        QCOMPARE(readAll(path), recorded);
        return;
    }
    QCOMPARE(m.boxes->shown.value(1),
             u"Datalogger Download Stopped\r\nTMP12076.CSV is the file being recorded: a "
             "download is never written into it. The recording goes on."_s);
    QCOMPARE(m.boxes->shown.size(), 2);
    // Three more rows, numbered on, and nothing else in between.
    const QByteArray after = readAll(path);
    const qsizetype rows = recorded.count('\n');
    QVERIFY(rows >= 4);
    QVERIFY(after.startsWith(recorded));
    QCOMPARE(after.count('\n'), rows + 3);
    QVERIFY(after.mid(recorded.size()).startsWith(" " + QByteArray::number(rows + 1) + " ,"));
    QVERIFY(m.files->isOpen(1) && m->St->isChecked());
}

void TestFileSafety::downloadWithThePortClosed_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::newRow("no file") << QByteArray("(missing)");
    QTest::newRow("a file") << QByteArray("kept\r\n");
    QTest::newRow("an empty file") << QByteArray();
}

void TestFileSafety::downloadWithThePortClosed()
{
    QFETCH(QByteArray, before);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"D.CSV"_s);
    if (before != "(missing)")
        writeFile(path, before);
    const QDateTime modified = QFileInfo(path).lastModified();
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    m.comm->setPortOpen(false);
    m.boxes->shown.clear();
    m->downloadDatalogger([&] { m->session().Save_File_Name = path; });
    QCOMPARE(m.boxes->shown,
             QStringList{u"Datalogger Download Stopped\r\nNothing can be received: the port is "
                         "not open. No file was created or changed."_s});
    QCOMPARE(readAll(path), before);
    QCOMPARE(QFileInfo(path).lastModified(), modified);
    QVERIFY(!m.files->isOpen(3));
}

// A meter that keeps sending live readings never falls silent: the close box ends the download.
void TestFileSafety::closeBoxEndsADownload()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"D.CSV"_s);
    MainWithFakes m;
    m.startLinked(1, false, Mb::No);
    m.boxes->shown.clear();
    int waits = 0;
    bool modal = true;
    m.comm->onWait = [&](int ms) {
        m.clock->advance(ms);
        m.comm->push(kPacket);
        FrmDatalogDownload* w = m->datalogDownload();
        modal = modal && QApplication::activeModalWidget() == w;
        if (++waits == 6)
            w->close();
    };
    m->downloadDatalogger([&] { m->session().Save_File_Name = path; });
    QCOMPARE(m.boxes->shown.mid(2), QStringList{u"Finished Downloading Data"_s});
    QByteArray expected("Data 1,Data Unit,Data 2,Data Unit\r\n");
    for (int n = 1; n <= 3; ++n) // five packets taken, the first two not written
        expected += " " + QByteArray::number(n) + " ,+45.12,%RH,+023.5, Deg C\r\n";
    QCOMPARE(readAll(path), expected);
    QVERIFY(modal); // no other window took the user's input meanwhile
    QVERIFY(m->datalogDownloadLoaded());
    QVERIFY(!m->datalogDownload()->isVisible());
    QVERIFY(!m.files->isOpen(3));
    QVERIFY(m->Timer1->isActive());
    m->datalogDownload()->close(); // outside a download the close box closes it
    QTRY_VERIFY(!m->datalogDownloadLoaded());
}

// An armed collection writes a row a second before a download and after it, on the program's own
// timer: the download leaves the sampling clock running as it found it.
void TestFileSafety::rowsKeepTheirIntervalAfterADownload()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"REC.CSV"_s);
    Recording m(path);
    QVERIFY(m->Timer1->isActive());
    // Each tick of the real timer is 100 ms on the test's clock.
    QObject::connect(m->Timer1, &QTimer::timeout, [&] { m.clock->advance(100); });
    QTRY_VERIFY_WITH_TIMEOUT(rowSeconds(path).size() >= 4, 30000);
    const QList<int> before = rowSeconds(path);
    meterSends(m, {kPacket, kPacket, kPacket, kEnd});
    m->downloadDatalogger([&] { m->session().Save_File_Name = dir.filePath(u"D.CSV"_s); });
    QCOMPARE(readAll(dir.filePath(u"D.CSV"_s)), kDownload);
    QVERIFY(m->Timer1->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(rowSeconds(path).size() >= before.size() + 4, 30000);
    const QList<int> after = rowSeconds(path).mid(before.size());
    QCOMPARE(steps(before), QList<int>(before.size() - 1, 1));
    QCOMPARE(steps(after), QList<int>(after.size() - 1, 1));
}

// A real second copy records into the file; this one may neither append to it nor download into
// it, and any program may still read it.
void TestFileSafety::secondCopyRefused_data()
{
    QTest::addColumn<bool>("download");
    QTest::newRow("save file") << false;
    QTest::newRow("download file") << true;
}

void TestFileSafety::secondCopyRefused()
{
    QFETCH(bool, download);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"NIGHT.CSV"_s);
    QProcess other;
    other.start(QStringLiteral(QUORVANE_RECORD_CHILD), {path});
    QVERIFY(other.waitForStarted());
    QByteArray told;
    QTRY_VERIFY_WITH_TIMEOUT((told += other.readAllStandardOutput()).count('\n') >= 2, 60000);
    const QByteArray seen = readAll(path);
    QVERIFY(seen.startsWith(" 1 ,"));
    const QString refused = path + u" is being written by another copy of Quorvane"_s;
    MainWithFakes m;
    if (download) {
        m.startLinked(1, false, Mb::No);
        meterSends(m, {kPacket, kPacket, kPacket, kEnd});
        m->downloadDatalogger([&] { m->session().Save_File_Name = path; });
        QVERIFY(m.boxes->shown.last().startsWith(u"Datalogger Download Stopped\r\n"_s + refused));
        QVERIFY(!m->datalogDownloadLoaded());
    } else {
        m.dialog->choices.push_back(path);
        m.startLinked(1, false, Mb::Yes);
        QVERIFY(m.boxes->shown.last().startsWith(refused));
        QCOMPARE(m->session().Save_Data, 0);
        QVERIFY(!m->dataCollectLoaded() || !m->dataCollect()->isVisible());
    }
    QVERIFY(!m.files->isOpen(1) && !m.files->isOpen(3));
    QTRY_VERIFY_WITH_TIMEOUT((told += other.readAllStandardOutput()).count('\n') >= 4, 60000);
    ::kill(pid_t(other.processId()), SIGTERM);
    QVERIFY(other.waitForFinished(60000));
    // Only the other copy's rows, in one numbering, ending in its closing rows.
    QList<QByteArray> lines = readAll(path).split('\n');
    QVERIFY(lines.takeLast().isEmpty());
    QVERIFY(lines.size() >= 6);
    for (qsizetype i = 0; i + 2 < lines.size(); ++i)
        QVERIFY(lines[i].startsWith(" " + QByteArray::number(i + 1) + " ,"));
    QVERIFY(lines[lines.size() - 2].startsWith("High,"));
    // Once that copy has closed it, the file is free.
    const auto opens = [&] {
        try {
            m.files->open(1, path, SeqFiles::Mode::Append);
            return true;
        } catch (const RuntimeError&) {
            return false;
        }
    };
    QVERIFY(opens());
}

// The save file, or its folder, removed mid-recording: within 5 s every row is back, and the
// recording goes on into that file.
void TestFileSafety::deletedSaveFileComesBack_data()
{
    QTest::addColumn<QString>("accident");
    QTest::addColumn<QString>("restoredAt"); // "home": the home folder
    QTest::addColumn<QString>("name");
    QTest::newRow("file deleted") << "rm"
                                  << "folder"
                                  << "REC.CSV";
    QTest::newRow("folder removed") << "rm -rf"
                                    << "folder"
                                    << "REC.CSV";
    QTest::newRow("a file where the folder was") << "replaced"
                                                 << "home"
                                                 << "REC.CSV";
    QTest::newRow("home holds the name") << "replaced, taken"
                                         << "home"
                                         << "REC-2.CSV";
}

void TestFileSafety::deletedSaveFileComesBack()
{
    QFETCH(QString, accident);
    QFETCH(QString, restoredAt);
    QFETCH(QString, name);
    QTemporaryDir dir, home;
    const QString folder = dir.filePath(u"day"_s);
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + u"/REC.CSV"_s;
    const QByteArray oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toLocal8Bit());
    if (accident.endsWith(u"taken"))
        writeFile(home.filePath(u"REC.CSV"_s), "someone else's\r\n");
    Recording m(path);
    m.seconds(6);
    const QByteArray written = readAll(path);
    const qsizetype rows = written.count('\n');
    QVERIFY(rows >= 5);
    if (accident == u"rm")
        QVERIFY(QFile::remove(path));
    else
        QVERIFY(QDir(folder).removeRecursively());
    if (accident.startsWith(u"replaced"))
        writeFile(folder, "in the way");
    const QString back = restoredAt == u"home" ? home.filePath(name) : path;
    QTRY_VERIFY_WITH_TIMEOUT(readAll(back) == written, 5000);
    m.seconds(2);
    qputenv("HOME", oldHome);
    const QByteArray now = readAll(back);
    QVERIFY(now.startsWith(written));
    QVERIFY(now.mid(written.size()).startsWith(" " + QByteArray::number(rows + 1) + " ,"));
    QCOMPARE(now.count('\n'), rows + 2);
    // Saving asked for, the name confirmed, and one message about the file.
    QTRY_COMPARE(m.boxes->shown.size(), 3);
    QVERIFY(m.boxes->shown.last().contains(u"\n"_s + back + u"\n"_s));
    QVERIFY(m.files->isOpen(1) && m->St->isChecked());
    if (accident.endsWith(u"taken"))
        QCOMPARE(readAll(home.filePath(u"REC.CSV"_s)), "someone else's\r\n");
}

// Before Start no row looks at the file: the watch alone brings it back, and keeps looking.
void TestFileSafety::deletedBeforeStartComesBackEachTime()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"REC.CSV"_s);
    Recording m(path, false);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(QFile::remove(path));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 10000);
    }
}

// A save file that cannot be opened never shows the collection window, not even for a moment.
void TestFileSafety::collectionWindowOnlyForAnOpenFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("shows");
    QTest::newRow("missing folder") << "none/REC.CSV" << 0;
    QTest::newRow("a folder") << "." << 0;
    QTest::newRow("a file that opens") << "REC.CSV" << 1; // shown once, then stays up
}

void TestFileSafety::collectionWindowOnlyForAnOpenFile()
{
    QFETCH(QString, name);
    QFETCH(int, shows);
    QTemporaryDir dir;
    CollectionShows seen;
    Recording m(QDir(dir.path()).absoluteFilePath(name), false);
    m.dialog->choices.push_back(QDir(dir.path()).absoluteFilePath(name));
    m->File_Save_Click(); // and again from the menu
    QCOMPARE(seen.shows, shows);
    QCOMPARE(m->dataCollectLoaded() && m->dataCollect()->isVisible(), shows > 0);
    QCOMPARE(m.files->isOpen(1), shows > 0);
}

QTEST_MAIN(TestFileSafety)
#include "test_file_safety.moc"
