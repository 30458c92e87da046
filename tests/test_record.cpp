#include <QCheckBox>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

#include "data_collect.h"
#include "data_display.h"
#include "sample_count.h"
#include "small_windows.h"
#include "test_main_window.h"

using namespace Qt::StringLiterals;
Q_DECLARE_METATYPE(Schedule)

namespace {

const QDate kDay(2026, 12, 7);

// A main window that answered Yes and chose `path`, then took one packet at `at`: display 1
// +45.12 %RH, display 2 +023.5 " Deg C"; on a one-display meter 45.12 %RH.
struct Recording : MainWithFakes
{
    Recording(const QString& path, bool one, const QString& at = u"09:59:59"_s)
    {
        clock->set(kDay, QTime::fromString(at));
        dialog->choices.push_back(path);
        startLinked(1, one, Mb::Yes);
        comm->fire(one ? "\00200040200004512\r" : "\00201041202354512\r");
    }
    // Two checks in the second given ("+" for the next day), as the 100 ms timer makes them.
    void tick(const QString& at)
    {
        const bool next = at.startsWith(u'+');
        clock->set(kDay.addDays(next), QTime::fromString(at.mid(next)));
        w->Timer1_Timer(), w->Timer1_Timer();
    }
};

// Root passes permission checks; a read-only folder must refuse this test all the same.
struct NoDacOverride
{
    __user_cap_header_struct head{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct caps[2]{};
    NoDacOverride()
    {
        syscall(SYS_capget, &head, caps);
        __user_cap_data_struct off[2] = {caps[0], caps[1]};
        off[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        syscall(SYS_capset, &head, off);
    }
    ~NoDacOverride() { syscall(SYS_capset, &head, caps); }
};

} // namespace

class TestRecord : public QObject
{
    Q_OBJECT
  private slots:
    void collectionWindow()
    {
        FakeMessageBoxes boxes;
        FrmDataCollect w(boxes);
        QCOMPARE((QStringList{w.windowTitle(), w.Label1->text(), w.Label4->text(),
                              w.Label27->text(), w.Label28->text(), w.Label29->text()}),
                 (QStringList{"   Data Collection Window", "Select Sample Interval", "",
                              "Number Of Samples", "Start Time", "Stop Time"}));
        QVERIFY(w.schedule().interval == 1 && w.Start_Time->maxLength() == 8);
        QList<QWidget*> order{w.HScroll1, w.Command1, w.HScroll2, w.Start_Time, w.Stop_Time};
        for (int i = 0; i + 1 < order.size(); ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (next->focusPolicy() == Qt::NoFocus)
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
        QStringList shown;
        for (const int seconds : {5, 61, 90, 3600})
            w.HScroll1->setValue(seconds), shown << w.Label4->text();
        QCOMPARE(shown, (QStringList{"Every  5 Seconds", "Every  1 Minute and  1 Seconds",
                                     "Every  1 Minute and  30 Seconds",
                                     "Every  60 Minute and  0 Seconds"}));
        w.HScroll2->setValue(250);
        QCOMPARE(w.Label27->text(), u"Total Samples Is  250"_s);
    }

    void checkTimes_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QStringList>("messages");
        const QString both("You Must Enter Both A Start Time & A Stop Time");
        const QString badStart("Start Time Is Not Valid (Use 24 Hour Format)");
        const QString badStop("Stop Time Is Not Valid (Use 24 Hour Format)");
        auto row = [](const char* tag, const char* start, const char* stop, QStringList m) {
            QTest::newRow(tag) << QString(start) << QString(stop) << m;
        };
        row("no window", "", "", {});
        row("start only", "08:00:00", "", {both, badStop});
        row("stop only", "", "17:00:00", {both, badStart});
        row("00:00:00", "00:00:00", "06:00:00", {badStart});
        row("24:00:00", "24:00:00", "23:59:59", {badStart});
        row("8:00:00", "8:00:00", "17:00:00", {badStart});
        row("12:00 as text", "12:00", "00:00:01", {});
        row("both bad", "25:00:00", "99", {badStart, badStop});
    }
    void checkTimes()
    {
        QFETCH(QString, start);
        QFETCH(QString, stop);
        QFETCH(QStringList, messages);
        for (const bool byCloseBox : {false, true}) {
            FakeMessageBoxes boxes;
            FrmDataCollect w(boxes);
            w.show();
            w.Start_Time->setText(start);
            w.Stop_Time->setText(stop);
            QSignalSpy armed(&w, &FrmDataCollect::armed);
            byCloseBox ? void(w.close()) : w.Command1_Click();
            QCOMPARE(boxes.shown, messages);
            QCOMPARE(armed.size(), int(messages.isEmpty()));
            QCOMPARE(w.isVisible(), !messages.isEmpty() && !byCloseBox);
        }
    }

    void saveNameDialog()
    {
        QTemporaryDir dir;
        const QString keep = QDir::currentPath();
        QDir::setCurrent(dir.path());
        {
            Recording m(QString(), true); // Cancel: the proposed name stays
            QCOMPARE(m.boxes->shown.value(1), u"The File Is Saved As \rTMP12076.CSV"_s);
            QCOMPARE(m.dialog->flags(), 0x80000);
            QCOMPARE(m.dialog->filter() + m.dialog->defaultExt(), u"CSV|*.CSVCSV"_s);
            QCOMPARE(m.dialog->dialogTitle(), u"Select File For Saving"_s);
            QVERIFY(m->dataCollect()->isVisible() && m.files->isOpen(1));
        }
        QDir::setCurrent(keep);
        QVERIFY(QFile::exists(dir.filePath(u"TMP12076.CSV"_s)));
    }

    // Steps: times of day ("+" the next day); "arm" (St); "close" and "new" (the menu commands,
    // "new" answered OK, the same file, then armed); "keep" ("Create Save File", Cancel).
    // Rows: record number@time, or the closing row's head:value.
    void collection_data()
    {
        QTest::addColumn<bool>("one");
        QTest::addColumn<Schedule>("schedule");
        QTest::addColumn<QString>("packetAt");
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("listed"); // the raw-list lines' counts since the first step
        auto row = [](const char* tag, bool one, Schedule s, const char* at, const char* steps,
                      const char* rows, const char* count, const char* listed) {
            QTest::newRow(tag) << one << s << at << steps << rows << count << listed;
        };
        row("limit 3", true, {1, 3, {}, {}}, "09:59:59",
            "arm 10:00:00 10:00:01 10:00:02 10:00:03 10:00:04",
            "1@10:00:00 2@10:00:01 3@10:00:02 High:45.12 Lo:45.12", "1", "2,3,4,0");
        row("08:00:00 to 17:00:00", true, {1, 0, "08:00:00", "17:00:00"}, "07:59:58",
            "arm 07:59:59 08:00:00 08:00:01 08:00:02 16:59:59 17:00:00",
            "1@08:00:01 2@08:00:02 3@16:59:59 High:-99999 Lo:99999", "1", "2,3,0,1,2,0");
        row("22:00:00 to 06:00:00", false, {1, 0, "22:00:00", "06:00:00"}, "21:59:58",
            "arm 21:59:59 22:00:00 22:00:01 23:59:59 +00:00:00 +05:59:59 +06:00:00",
            "1@22:00:01 2@23:59:59 3@+00:00:00 4@+05:59:59 High:-99999 Lo:99999", "1",
            "2,3,0,1,2,3,0");
        row("equal start and stop", true, {1, 0, "12:00:00", "12:00:00"}, "11:59:58",
            "arm 11:59:59 12:00:00 12:00:01", "", "3", "2,3,4");
        row("empty start, a stop", true, {1, 2, "", "17:00:00"}, "17:59:59",
            "arm 18:00:00 18:00:01 18:00:02", "1@18:00:00 2@18:00:01 High:45.12 Lo:45.12", "1",
            "2,3,0");
        row("reference hours old", true, {60, 0, {}, {}}, "09:00:00",
            "arm 15:00:00 15:00:30 15:00:59 15:01:00", "1@15:00:00 2@15:01:00", "2", "2,3");
        row("midnight reference", true, {60, 0, {}, {}}, "23:59:50",
            "arm 23:59:55 +00:00:00 +00:00:59 +00:01:00", "1@+00:00:00 2@+00:01:00", "2", "2,3");
        row("limit before the window", true, {1, 3, "11:00:00", "12:00:00"}, "09:59:59",
            "arm 10:00:00 10:00:01 10:00:02 10:00:03", "High:45.12 Lo:45.12", "1", "2,3,4,0");
        row("closed by hand, window again", true, {1, 0, "08:00:00", "17:00:00"}, "08:00:00",
            "arm 08:00:01 close new 18:00:00 18:00:01 +08:00:01",
            "1@08:00:01 High:-99999 Lo:99999 1@+08:00:01", "1", "0,1,2,0");
        row("Closing Old File, OK", true, {1, 0, {}, {}}, "09:59:59",
            "arm 10:00:00 10:00:01 new 10:00:02", "1@10:00:00 2@10:00:01 1@10:00:02", "1", "2,3,1");
        row("Closing Old File, Cancel", true, {1, 0, {}, {}}, "09:59:59",
            "arm 10:00:00 keep 10:00:01", "1@10:00:00 2@10:00:01", "2", "2,3");
        row("second file, not armed", true, {1, 0, {}, {}}, "09:59:59", "new 10:00:00",
            "1@10:00:00", "1", "1");
        row("armed with no file", true, {1, 2, {}, {}}, "09:59:59",
            "arm close arm 10:00:00 10:00:01 10:00:02 10:00:03", "High:45.12 Lo:45.12", "4",
            "1,2,3,4");
    }
    void collection()
    {
        QFETCH(Schedule, schedule);
        QFETCH(QString, steps);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"REC.CSV"_s);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("earlier,rows\r\n") > 0);
        old.close(); // appended to, never replaced
        QFETCH(bool, one);
        QFETCH(QString, packetAt);
        Recording m(path, one, packetAt);
        FrmDataCollect* w = m->dataCollect();
        w->HScroll1->setValue(schedule.interval);
        w->HScroll2->setValue(schedule.limit);
        w->Start_Time->setText(schedule.startTime);
        w->Stop_Time->setText(schedule.stopTime); // the clock takes what the window holds
        const int listedBefore = m->dataDisplay()->lineCount();
        for (const QString& s : steps.split(u' ')) {
            if (s == u"close")
                m->File_Close_Click();
            else if (s == u"new")
                m.dialog->choices.push_back(path), m->File_Save_Click();
            else if (s == u"keep")
                m.boxes->answers.push_back(Mb::Cancel), m->File_Save_Click();
            else if (s != u"arm")
                m.tick(s);
            if (s == u"arm" || s == u"new")
                m->St->setChecked(true);
        }
        QStringList rows;
        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.first(), "earlier,rows\r");
        for (const QByteArray& line : lines.mid(1, lines.size() - 2)) {
            const QList<QByteArray> f = line.chopped(1).split(',');
            const bool closing = f[0] == "High" || f[0] == "Lo";
            rows << QString::fromLatin1(closing ? f[0] + ':' + f[1]
                                                : f[0].trimmed() + '@' +
                                                      (f.back() == "12-08-2026" ? "+" : "") +
                                                      f[f.size() - 2]);
        }
        QTEST(rows.join(u' '), "rows");
        QTEST(m->sampleCount()->Label2->text(), "count");
        QStringList listed;
        for (int i = m->dataDisplay()->lineCount() - listedBefore - 1; i >= 0; --i)
            listed << m->dataDisplay()->line(i).section(u',', 0, 0).trimmed();
        QTEST(listed.join(u','), "listed");
        QTest::qWait(1);
        QVERIFY(!m.boxes->shownFlags.contains(int(Mb::OkOnly) | int(Mb::Critical)));
    }

    // Both row forms, both closing-row forms, each way of closing; byte for byte.
    void closing_data()
    {
        QTest::addColumn<bool>("one");
        QTest::addColumn<bool>("atExit");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("menu, one display") << true << false
                                           << QByteArray(" 1 ,45.12,%RH,10:00:00,12-07-2026\r\n"
                                                         "High,45.12,%RH,12-07-2026-09:59:59\r\n"
                                                         "Lo,45.12,%RH,12-07-2026-09:59:59\r\n");
        QTest::newRow("menu, two displays")
            << false << false
            << QByteArray(
                   " 1 ,+45.12,%RH,+023.5, Deg C,10:00:00,12-07-2026\r\n"
                   "High,+45.12,%RH,12-07-2026-09:59:59,+023.5, Deg C,12-07-2026-09:59:59\r\n"
                   "Lo,+45.12,%RH,12-07-2026-09:59:59,+023.5, Deg C,12-07-2026-09:59:59\r\n");
        QTest::newRow("exit, one display")
            << true << true
            << QByteArray(" 1 ,45.12,%RH,10:00:00,12-07-2026\r\n"
                          "High,45.12,%RH,12-07-2026-09:59:59,+0000.,,12-07-2026-09:59:59\r\n"
                          "Lo,45.12,%RH,12-07-2026-09:59:59,+0000.,,12-07-2026-09:59:59\r\n");
    }
    void closing()
    {
        QFETCH(bool, one);
        QFETCH(bool, atExit);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"REC.CSV"_s);
        Recording m(path, one);
        m->St->setChecked(true);
        m.tick(u"10:00:00"_s);
        atExit ? void(m->close()) : m->File_Close_Click();
        QCOMPARE(m->session().Save_Data, atExit ? 1 : 0);
        m->File_Close_Click(); // nothing open: nothing more
        QTEST(readAll(path), "file");
        QVERIFY(!m->St->isChecked() && !m.files->isOpen(1) && m->session().Rec_Num == 0);
        QCOMPARE(m->msgBox()->Msg->text(), u"File Closed"_s);
    }

    // The save file meets a folder that does not exist, one it may not write, a pipe, a full
    // disk.
    void fileErrors_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("opens");
        QTest::newRow("missing folder") << "none/REC.CSV"
                                        << "Cannot open %1: No such file or directory\n"
                                        << false;
        QTest::newRow("read-only folder") << "ro/REC.CSV"
                                          << "Cannot open %1: Permission denied\n"
                                          << false;
        QTest::newRow("a pipe") << "fifo"
                                << "Cannot record into %1: it is not a regular file" << false;
        QTest::newRow("full disk")
            << "REC.CSV"
            << "Cannot write %1: File too large.\nThe recording has stopped." << true;
    }
    void fileErrors()
    {
        QFETCH(QString, name);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"ro"_s));
        QFile::setPermissions(dir.filePath(u"ro"_s), QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(::mkfifo(qPrintable(dir.filePath(u"fifo"_s)), 0600) == 0);
        const QString path = QDir(dir.path()).absoluteFilePath(name);
        NoDacOverride asUser;
        Recording m(path, true);
        QCOMPARE(m.files->isOpen(1), opens);
        QCOMPARE(m->dataCollect()->isVisible(), opens); // nothing to arm without a file
        m->St->setChecked(opens);
        {
            const FileSizeLimit full(0);
            m.tick(u"10:00:00"_s);
        }
        QTRY_COMPARE(m.boxes->shown.size(), 3);
        QFETCH(QString, message);
        QVERIFY2(m.boxes->shown[2].startsWith(message.arg(path)), qPrintable(m.boxes->shown[2]));
        QVERIFY(m->session().Save_Data == 0 && !m->St->isChecked() && !m.files->isOpen(1));
        m.tick(u"10:00:01"_s);
        QTest::qWait(1);
        QCOMPARE(m.boxes->shown.size(), 3);
    }

    // A recording in another process, ended as a crash, a shutdown, Ctrl+C and a logout end it.
    void endedMidRecording_data()
    {
        QTest::addColumn<int>("sig");
        QTest::newRow("SIGKILL") << SIGKILL;
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGHUP") << SIGHUP;
    }
    void endedMidRecording()
    {
        QFETCH(int, sig);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"NIGHT.CSV"_s);
        QProcess child;
        child.start(QStringLiteral(QUORVANE_RECORD_CHILD), {path});
        QVERIFY(child.waitForStarted());
        QByteArray told;
        QTRY_VERIFY_WITH_TIMEOUT((told += child.readAllStandardOutput()).count('\n') >= 8, 60000);
        ::kill(pid_t(child.processId()), sig);
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus() == QProcess::NormalExit, sig != SIGKILL);
        long long written = 0;
        for (const QByteArray& n : (told + child.readAllStandardOutput()).split('\n'))
            written = std::max(written, n.toLongLong());
        QList<QByteArray> lines = readAll(path).split('\n');
        QVERIFY(lines.takeLast().isEmpty()); // the last line is whole
        const qsizetype rows = lines.size() - (sig == SIGKILL ? 0 : 2);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            QVERIFY(lines[i].endsWith('\r'));
            const QList<QByteArray> f = lines[i].chopped(1).split(',');
            QCOMPARE(f.size(), 7);
            QCOMPARE(f[0], i < rows ? " " + QByteArray::number(i + 1) + " "
                                    : QByteArray(i == rows ? "High" : "Lo"));
        }
        QVERIFY(rows >= written); // every row the program had written
    }

    // ---- what the clock and the file must do besides the rows ----

    // Each row is forced onto the disk soon after it is written. That write-out is seen here
    // through the file's descriptor, made unusable after the row: only a write-out can notice,
    // and the recording stops with a message.
    void rowIsFollowedByAWriteOut()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SYNC.CSV"_s);
        Recording m(path, true);
        m->St->setChecked(true);
        m.tick(u"10:00:00"_s);
        QCOMPARE(readAll(path), " 1 ,45.12,%RH,10:00:00,12-07-2026\r\n");
        int fd = -1;
        QDirIterator fds(u"/proc/self/fd"_s);
        while (fds.hasNext()) {
            const QString entry = fds.next();
            if (QFileInfo(entry).symLinkTarget() == QFileInfo(path).absoluteFilePath())
                fd = QFileInfo(entry).fileName().toInt();
        }
        QVERIFY(fd >= 0);
        // In its place a descriptor that refuses everything, so that no other file takes it.
        const int refusing = ::open(QFile::encodeName(path).constData(), O_PATH);
        QVERIFY(refusing >= 0 && ::dup2(refusing, fd) == fd);
        ::close(refusing);
        QTRY_VERIFY_WITH_TIMEOUT(!m.boxes->shown.isEmpty() &&
                                     m.boxes->shown.last().contains(u"The recording has stopped"_s),
                                 10000);
        QVERIFY(!m->St->isChecked() && m->session().Save_Data == 0);
    }

    // A disk that takes seconds over a write-out holds up no row: the rows of those seconds are
    // written while it runs. Here the write-out waits until the test lets it go.
    void slowDiskCostsNoRow()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SLOW.CSV"_s);
        std::atomic<int> underWay{0};
        std::atomic<bool> letGo{false};
        const SyncStandIn slow([&](int fd) {
            ++underWay;
            for (int i = 0; i < 600 && !letGo; ++i) // a minute at most, should the test fail
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            --underWay;
            return ::fdatasync(fd) == 0 ? 0 : errno;
        });
        Recording m(path, true);
        m->St->setChecked(true);
        m.tick(u"10:00:00"_s);
        QTRY_COMPARE_WITH_TIMEOUT(underWay.load(), 1, 20000);
        for (const QString& at : {u"10:00:01"_s, u"10:00:02"_s, u"10:00:03"_s})
            m.tick(at);
        QCOMPARE(underWay.load(), 1); // the three rows went out while it ran
        letGo = true;
        QTRY_COMPARE_WITH_TIMEOUT(underWay.load(), 0, 20000);
        m->close(); // syncs once more, at once
        const QByteArray file = readAll(path);
        QCOMPARE(file.left(file.indexOf("High")), " 1 ,45.12,%RH,10:00:00,12-07-2026\r\n"
                                                  " 2 ,45.12,%RH,10:00:01,12-07-2026\r\n"
                                                  " 3 ,45.12,%RH,10:00:02,12-07-2026\r\n"
                                                  " 4 ,45.12,%RH,10:00:03,12-07-2026\r\n");
        QVERIFY(m.boxes->shown.size() == 2); // no failure told
    }

    // Closing writes the file out to the disk before it lets it go, and a write-out that fails
    // then is told, not lost with the descriptor.
    void closingWritesOut_data()
    {
        QTest::addColumn<int>("error");
        QTest::newRow("written out") << 0;
        QTest::newRow("write-out fails") << EIO;
    }
    void closingWritesOut()
    {
        QFETCH(int, error);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"CLOSE.CSV"_s);
        Recording m(path, true);
        m->St->setChecked(true);
        m.tick(u"10:00:00"_s);
        QStringList seen; // what the file held at each write-out, and whether it was open
        const SyncStandIn standIn([&](int fd) {
            seen << QString::number(QFileInfo(u"/proc/self/fd/%1"_s.arg(fd)).size());
            return error;
        });
        m->File_Close_Click();
        QCOMPARE(seen, QStringList{QString::number(QFileInfo(path).size())}); // closing rows too
        QCOMPARE(m.files->isOpen(1), false);
        QTest::qWait(1); // the message is shown from the event loop
        const QString told = m.boxes->shown.value(2);
        QVERIFY2(told.startsWith(u"Cannot write %1: Input/output error."_s.arg(path)) ==
                     (error != 0),
                 qPrintable(m.boxes->shown.join(u'|')));
    }

    // Start on the collection window arms the clock's own timer: with the meter silent, its ticks
    // alone write the rows.
    void startRunsTheTimerThatWritesRows()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"SILENT.CSV"_s);
        Recording m(path, true);
        QVERIFY(!m->Timer1->isActive()); // saving was asked for: the timer waits for Start
        m->dataCollect()->Command1->click();
        QVERIFY(m->St->isChecked());
        m.clock->set(kDay, QTime(10, 0, 1));
        QTRY_COMPARE_WITH_TIMEOUT(readAll(path), " 1 ,45.12,%RH,10:00:01,12-07-2026\r\n", 10000);
        // The next tick takes the new reference; a second later the next row is due.
        QTRY_COMPARE_WITH_TIMEOUT(m->session().Sample_Armed, 1, 10000);
        m.clock->set(kDay, QTime(10, 0, 2));
        QTRY_COMPARE_WITH_TIMEOUT(readAll(path),
                                  " 1 ,45.12,%RH,10:00:01,12-07-2026\r\n"
                                  " 2 ,45.12,%RH,10:00:02,12-07-2026\r\n",
                                  10000);
    }

    // A collection whose time window opens after the readings began: every field of the closing
    // rows comes from the opening, none from before it.
    void timedCollectionClosesWithItsOwnExtremes_data()
    {
        QTest::addColumn<bool>("one");
        QTest::addColumn<QByteArray>("closing");
        QTest::newRow("one display") << true
                                     << QByteArray("High,-99999,%RH,12-07-2026-10:00:01\r\n"
                                                   "Lo,99999,%RH,12-07-2026-10:00:01\r\n");
        QTest::newRow("two displays")
            << false
            << QByteArray(
                   "High,-99999,%RH,12-07-2026-10:00:01,-99999, Deg C,12-07-2026-10:00:01\r\n"
                   "Lo,99999,%RH,12-07-2026-10:00:01,99999, Deg C,12-07-2026-10:00:01\r\n");
    }
    void timedCollectionClosesWithItsOwnExtremes()
    {
        QFETCH(bool, one);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"WINDOW.CSV"_s);
        Recording m(path, one); // the reading and its extremes stamped 09:59:59
        FrmDataCollect* w = m->dataCollect();
        w->Start_Time->setText(u"10:00:00"_s);
        w->Stop_Time->setText(u"10:00:03"_s);
        m->St->setChecked(true);
        for (const char* at : {"10:00:00", "10:00:01", "10:00:02", "10:00:03"})
            m.tick(QString::fromLatin1(at));
        QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.size(), 5); // two rows, two closing rows, nothing after the last break
        QVERIFY(lines[0].startsWith(" 1 ,") && lines[0].contains(",10:00:01,"));
        QVERIFY(lines[1].startsWith(" 2 ,") && lines[1].contains(",10:00:02,"));
        QFETCH(QByteArray, closing);
        QCOMPARE(lines[2] + '\n' + lines[3] + '\n', closing);
    }

    // A packet that comes first in a new second takes the sample before it is shown: the row
    // holds the reading before it, and a window it opens counts it among its extremes.
    void packetTakesTheSampleBeforeItIsShown_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("no window") << ""
                                   << QByteArray(" 1 ,45.12,%RH,10:00:00,12-07-2026\r\n"
                                                 " 2 ,45.12,%RH,10:00:01,12-07-2026\r\n"
                                                 "High,46.13,%RH,12-07-2026-10:00:01\r\n"
                                                 "Lo,45.12,%RH,12-07-2026-09:59:59\r\n");
        QTest::newRow("opens a window") << "10:00:00"
                                        << QByteArray(" 1 ,45.12,%RH,10:00:01,12-07-2026\r\n"
                                                      "High,46.13,%RH,12-07-2026-10:00:01\r\n"
                                                      "Lo,46.13,%RH,12-07-2026-10:00:01\r\n");
    }
    void packetTakesTheSampleBeforeItIsShown()
    {
        QFETCH(QString, start);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"FIRST.CSV"_s);
        Recording m(path, true); // 45.12 at 09:59:59
        m->dataCollect()->Start_Time->setText(start);
        m->dataCollect()->Stop_Time->setText(start.isEmpty() ? u""_s : u"11:00:00"_s);
        m->St->setChecked(true);
        m.tick(u"10:00:00"_s);
        m.clock->set(kDay, QTime(10, 0, 1));
        m.comm->fire("\00200040200004613\r"); // before the timer sees 10:00:01
        m->File_Close_Click();
        QTEST(readAll(path), "file");
    }
};

QTEST_MAIN(TestRecord)
#include "test_record.moc"
