#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "data_collect.h"
#include "data_display.h"
#include "record_texts.h"
#include "sample_count.h"
#include "small_windows.h"
#include "test_main_window.h"

using namespace Qt::StringLiterals;
Q_DECLARE_METATYPE(Schedule)

namespace {

const QDate kDay(2026, 12, 7);

// Display 1 +45.12 %RH, display 2 +023.5 " Deg C"; on a one-display meter 45.12 %RH.
const QByteArray kTwo("\x02"
                      "01041202354512\r");
const QByteArray kOne("\x02"
                      "00040200004512\r");

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QByteArray crlf(const QStringList& rows)
{
    return rows.isEmpty() ? QByteArray() : (rows.join(QStringLiteral("\r\n")) + "\r\n").toLatin1();
}

// A main window that answered Yes and chose `path`, then took one packet at `at`.
struct Recording : MainWithFakes
{
    Recording(const QString& path, bool oneDisplay, const QString& at = QStringLiteral("09:59:59"))
    {
        clock->set(kDay, QTime::fromString(at));
        dialog->choices.push_back(path);
        startLinked(1, oneDisplay, Mb::Yes);
        comm->fire(oneDisplay ? kOne : kTwo);
    }
    // Two checks in each second given ("+" for the next day), as the 100 ms timer makes them.
    void tick(const QString& at)
    {
        const bool next = at.startsWith(u'+');
        clock->set(kDay.addDays(next), QTime::fromString(at.mid(next)));
        w->Timer1_Timer();
        w->Timer1_Timer();
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
    void texts_data()
    {
        QTest::addColumn<QString>("got");
        QTest::addColumn<QString>("want");
        QTest::newRow("5 s") << intervalText(5) << "Every  5 Seconds";
        QTest::newRow("61 s") << intervalText(61) << "Every  1 Minute and  1 Seconds";
        QTest::newRow("90 s") << intervalText(90) << "Every  1 Minute and  30 Seconds";
        QTest::newRow("3600 s") << intervalText(3600) << "Every  60 Minute and  0 Seconds";
        QTest::newRow("250") << samplesText(250) << "Total Samples Is  250";
        QTest::newRow("0") << samplesText(0) << "Total Samples Is  0";
        QTest::newRow("name") << saveNameProposal(kDay) << "TMP12076.CSV";
        QTest::newRow("name 2030") << saveNameProposal(QDate(2030, 1, 5)) << "TMP01050.CSV";
        QTest::newRow("wide number")
            << recordRow(40000, true, "+1.5", "mV", {}, {}, "01:02:03", "01-05-2030")
            << " 40000 ,+1.5,mV,01:02:03,01-05-2030";
    }
    void texts()
    {
        QFETCH(QString, got);
        QTEST(got, "want");
    }

    void checkTimes_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QStringList>("messages");
        const QString both("You Must Enter Both A Start Time & A Stop Time");
        const QString badStart("Start Time Is Not Valid (Use 24 Hour Format)");
        const QString badStop("Stop Time Is Not Valid (Use 24 Hour Format)");
        QTest::newRow("no window") << ""
                                   << "" << QStringList{};
        QTest::newRow("start only") << "08:00:00"
                                    << "" << QStringList{both, badStop};
        QTest::newRow("stop only") << ""
                                   << "17:00:00" << QStringList{both, badStart};
        QTest::newRow("00:00:00") << "00:00:00"
                                  << "06:00:00" << QStringList{badStart};
        QTest::newRow("24:00:00") << "24:00:00"
                                  << "23:59:59" << QStringList{badStart};
        QTest::newRow("8:00:00") << "8:00:00"
                                 << "17:00:00" << QStringList{badStart};
        QTest::newRow("12:00 as text") << "12:00"
                                       << "00:00:01" << QStringList{};
        QTest::newRow("both bad") << "25:00:00"
                                  << "99" << QStringList{badStart, badStop};
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
            QCOMPARE(w.Start_Time->text(), start); // kept for the next showing
        }
    }

    void collectionWindow()
    {
        FakeMessageBoxes boxes;
        FrmDataCollect w(boxes);
        QCOMPARE(w.windowTitle(), u"   Data Collection Window"_s);
        QCOMPARE(w.Label4->text(), u""_s);
        QCOMPARE(w.Label27->text(), u"Number Of Samples"_s);
        QCOMPARE(w.schedule().interval, 1);
        QCOMPARE(w.HScroll1->maximum(), 3600);
        QCOMPARE(w.HScroll2->maximum(), 10000);
        QCOMPARE(w.Start_Time->maxLength(), 8);
        QList<QWidget*> order{w.HScroll1, w.Command1, w.HScroll2, w.Start_Time, w.Stop_Time};
        for (int i = 0; i + 1 < order.size(); ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (next->focusPolicy() == Qt::NoFocus)
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
        w.HScroll1->setValue(61);
        w.HScroll2->setValue(250);
        QCOMPARE(w.Label4->text(), u"Every  1 Minute and  1 Seconds"_s);
        QCOMPARE(w.Label27->text(), u"Total Samples Is  250"_s);
    }

    void saveNameDialog()
    {
        QTemporaryDir dir;
        const QString keep = QDir::currentPath();
        QDir::setCurrent(dir.path());
        {
            MainWithFakes m;
            m.clock->set(kDay, QTime(9, 0));
            m.dialog->choices.push_back(QString()); // Cancel
            m.startLinked(1, true, Mb::Yes);
            QCOMPARE(m.boxes->shown.value(1), u"The File Is Saved As \rTMP12076.CSV"_s);
            QCOMPARE(m.dialog->flags(), 0x80000);
            QCOMPARE(m.dialog->filter(), u"CSV|*.CSV"_s);
            QCOMPARE(m.dialog->defaultExt(), u"CSV"_s);
            QCOMPARE(m.dialog->dialogTitle(), u"Select File For Saving"_s);
            QVERIFY(m->dataCollect()->isVisible());
            QVERIFY(m.files->isOpen(1));
        }
        QDir::setCurrent(keep);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("TMP12076.CSV"))));
    }

    // Ticks are times of day; "close" and "new" are the menu commands (the new file armed).
    void collection_data()
    {
        QTest::addColumn<bool>("one");
        QTest::addColumn<Schedule>("schedule");
        QTest::addColumn<QString>("packetAt");
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("listed"); // Rec_Count of the raw-list lines since Start
        const QString d = QStringLiteral(",12-07-2026");
        const QStringList fiveTicks{"10:00:00", "10:00:01", "10:00:02", "10:00:03", "10:00:04"};
        QTest::newRow("limit 3, one display")
            << true << Schedule{1, 3, {}, {}} << "09:59:59" << fiveTicks
            << QStringList{" 1 ,45.12,%RH,10:00:00" + d, " 2 ,45.12,%RH,10:00:01" + d,
                           " 3 ,45.12,%RH,10:00:02" + d, "High,45.12,%RH,12-07-2026-09:59:59",
                           "Lo,45.12,%RH,12-07-2026-09:59:59"}
            << "1"
            << "2,3,4,0";
        QTest::newRow("limit 3, two displays")
            << false << Schedule{1, 3, {}, {}} << "09:59:59" << fiveTicks
            << QStringList{" 1 ,+45.12,%RH,+023.5, Deg C,10:00:00" + d,
                           " 2 ,+45.12,%RH,+023.5, Deg C,10:00:01" + d,
                           " 3 ,+45.12,%RH,+023.5, Deg C,10:00:02" + d,
                           "High,+45.12,%RH,12-07-2026-09:59:59,+023.5, Deg C,12-07-2026-09:59:59",
                           "Lo,+45.12,%RH,12-07-2026-09:59:59,+023.5, Deg C,12-07-2026-09:59:59"}
            << "1"
            << "2,3,4,0";
        QTest::newRow("08:00:00 to 17:00:00")
            << true << Schedule{1, 0, "08:00:00", "17:00:00"} << "07:59:58"
            << QStringList{"07:59:59", "08:00:00", "08:00:01", "08:00:02", "16:59:59", "17:00:00"}
            << QStringList{" 1 ,45.12,%RH,08:00:01" + d, " 2 ,45.12,%RH,08:00:02" + d,
                           " 3 ,45.12,%RH,16:59:59" + d, "High,-99999,%RH,12-07-2026-08:00:01",
                           "Lo,99999,%RH,12-07-2026-08:00:01"}
            << "1"
            << "2,3,0,1,2,0";
        QTest::newRow("22:00:00 to 06:00:00")
            << false << Schedule{1, 0, "22:00:00", "06:00:00"} << "21:59:58"
            << QStringList{"21:59:59",  "22:00:00",  "22:00:01", "23:59:59",
                           "+00:00:00", "+05:59:59", "+06:00:00"}
            << QStringList{" 1 ,+45.12,%RH,+023.5, Deg C,22:00:01" + d,
                           " 2 ,+45.12,%RH,+023.5, Deg C,23:59:59" + d,
                           " 3 ,+45.12,%RH,+023.5, Deg C,00:00:00,12-08-2026",
                           " 4 ,+45.12,%RH,+023.5, Deg C,05:59:59,12-08-2026",
                           "High,-99999,%RH,12-07-2026-22:00:01,-99999, Deg C,12-07-2026-22:00:01",
                           "Lo,99999,%RH,12-07-2026-22:00:01,99999, Deg C,12-07-2026-22:00:01"}
            << "1"
            << "2,3,0,1,2,3,0";
        QTest::newRow("equal start and stop")
            << true << Schedule{1, 0, "12:00:00", "12:00:00"} << "11:59:58"
            << QStringList{"11:59:59", "12:00:00", "12:00:01"} << QStringList{} << "3"
            << "2,3,4";
        QTest::newRow("empty start, a stop")
            << true << Schedule{1, 2, "", "17:00:00"} << "17:59:59"
            << QStringList{"18:00:00", "18:00:01", "18:00:02"}
            << QStringList{" 1 ,45.12,%RH,18:00:00" + d, " 2 ,45.12,%RH,18:00:01" + d,
                           "High,45.12,%RH,12-07-2026-17:59:59", "Lo,45.12,%RH,12-07-2026-17:59:59"}
            << "1"
            << "2,3,0";
        QTest::newRow("reference hours old")
            << true << Schedule{60, 0, {}, {}} << "09:00:00"
            << QStringList{"15:00:00", "15:00:30", "15:00:59", "15:01:00"}
            << QStringList{" 1 ,45.12,%RH,15:00:00" + d, " 2 ,45.12,%RH,15:01:00" + d} << "2"
            << "2,3";
        QTest::newRow("midnight reference")
            << true << Schedule{60, 0, {}, {}} << "23:59:50"
            << QStringList{"23:59:55", "+00:00:00", "+00:00:59", "+00:01:00"}
            << QStringList{" 1 ,45.12,%RH,00:00:00,12-08-2026", " 2 ,45.12,%RH,00:01:00,12-08-2026"}
            << "2"
            << "2,3";
        QTest::newRow("limit before the window")
            << true << Schedule{1, 3, "11:00:00", "12:00:00"} << "09:59:59" << fiveTicks.mid(0, 4)
            << QStringList{"High,45.12,%RH,12-07-2026-09:59:59", "Lo,45.12,%RH,12-07-2026-09:59:59"}
            << "1"
            << "2,3,4,0";
        QTest::newRow("closed by hand, window again")
            << true << Schedule{1, 0, "08:00:00", "17:00:00"} << "08:00:00"
            << QStringList{"08:00:01", "close", "new", "18:00:00", "18:00:01", "+08:00:01"}
            << QStringList{" 1 ,45.12,%RH,08:00:01" + d, "High,-99999,%RH,12-07-2026-08:00:01",
                           "Lo,99999,%RH,12-07-2026-08:00:01", " 1 ,45.12,%RH,08:00:01,12-08-2026"}
            << "1"
            << "0,1,2,0";
    }
    void collection()
    {
        QFETCH(Schedule, schedule);
        QFETCH(QStringList, ticks);
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
        w->Stop_Time->setText(schedule.stopTime);
        m->St->setChecked(true); // past the checks: the clock takes what the window holds
        const int listedBefore = m->dataDisplay()->lineCount();
        for (const QString& t : ticks) {
            if (t == u"close")
                m->File_Close_Click();
            else if (t == u"new")
                m.dialog->choices.push_back(path), m->File_Save_Click(), m->St->setChecked(true);
            else
                m.tick(t);
        }
        QFETCH(QStringList, rows);
        QCOMPARE(readAll(path), "earlier,rows\r\n" + crlf(rows));
        QTEST(m->sampleCount()->Label2->text(), "count");
        QStringList listed;
        for (int i = m->dataDisplay()->lineCount() - listedBefore - 1; i >= 0; --i)
            listed << m->dataDisplay()->line(i).section(u',', 0, 0).trimmed();
        QTEST(listed.join(u','), "listed");
    }

    // Every way a file is closed, with the rows each way writes.
    void closing_data()
    {
        QTest::addColumn<bool>("one");
        QTest::addColumn<bool>("atExit");
        QTest::addColumn<QString>("high");
        QTest::newRow("menu, one display") << true << false << "High,45.12,%RH,12-07-2026-09:59:59";
        QTest::newRow("menu, two displays")
            << false << false
            << "High,+45.12,%RH,12-07-2026-09:59:59,+023.5, Deg C,12-07-2026-09:59:59";
        QTest::newRow("exit, one display")
            << true << true << "High,45.12,%RH,12-07-2026-09:59:59,+0000.,,12-07-2026-09:59:59";
    }
    void closing()
    {
        QFETCH(bool, one);
        QFETCH(bool, atExit);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("REC.CSV"));
        Recording m(path, one);
        m->St->setChecked(true);
        m.tick(QStringLiteral("10:00:00"));
        atExit ? void(m->close()) : m->File_Close_Click();
        const QList<QByteArray> lines = readAll(path).split('\n');
        QCOMPARE(lines.size(), 4);
        QTEST(QString::fromLatin1(lines[1].chopped(1)), "high");
        QVERIFY(lines[2].startsWith("Lo,"));
        QCOMPARE(m->session().Save_Data, atExit ? 1 : 0);
        QCOMPARE(m->session().Rec_Num, 0);
        QVERIFY(!m->St->isChecked());
        QVERIFY(!m.files->isOpen(1));
        QCOMPARE(m->msgBox()->Msg->text(), u"File Closed"_s);
        m->File_Close_Click(); // nothing open: nothing more
        QCOMPARE(readAll(path).count('\n'), 3);
    }

    void closingOldFile_data()
    {
        QTest::addColumn<bool>("armed");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("armed, OK") << true << int(Mb::Ok) << true << true;
        QTest::newRow("armed, Cancel") << true << int(Mb::Cancel) << true << false;
        QTest::newRow("open, not armed") << false << int(Mb::Ok) << false << true;
    }
    void closingOldFile()
    {
        QFETCH(bool, armed);
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString first = dir.filePath(QStringLiteral("A.CSV"));
        const QString second = dir.filePath(QStringLiteral("B.CSV"));
        Recording m(first, true);
        m->St->setChecked(armed);
        m.tick(QStringLiteral("10:00:00"));
        const int boxesBefore = m.boxes->shown.size();
        m.boxes->answers.push_back(answer);
        m.dialog->choices.push_back(second);
        m->File_Save_Click();
        QTEST(m.boxes->shown.mid(boxesBefore).contains(u"Closing Old File"_s), "asked");
        m->St->setChecked(true);
        m.tick(QStringLiteral("10:00:01"));
        // The old file never gets closing rows on this road.
        QCOMPARE(readAll(first).count('\n'), armed ? (replaced ? 1 : 2) : 0);
        QCOMPARE(readAll(second),
                 QByteArray(replaced ? " 1 ,45.12,%RH,10:00:01,12-07-2026\r\n" : "(missing)"));
    }

    // The save file meets a folder that does not exist, one it may not write, a full disk.
    void fileErrors_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("opens");
        QTest::newRow("missing folder") << "none/REC.CSV"
                                        << "No such file or directory" << false;
        QTest::newRow("read-only folder") << "ro/REC.CSV"
                                          << "Permission denied" << false;
        QTest::newRow("full disk") << "/dev/full"
                                   << "No space left on device" << true;
    }
    void fileErrors()
    {
        QFETCH(QString, name);
        QFETCH(QString, reason);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ro")));
        QFile::setPermissions(dir.filePath(QStringLiteral("ro")),
                              QFile::ReadOwner | QFile::ExeOwner);
        const QString path = QDir(dir.path()).absoluteFilePath(name);
        NoDacOverride asUser;
        Recording m(path, true);
        QCOMPARE(m.files->isOpen(1), opens);
        QCOMPARE(m->dataCollect()->isVisible(), opens);
        m->St->setChecked(opens);
        m.tick(QStringLiteral("10:00:00"));
        QTRY_COMPARE(m.boxes->shown.size(), 3);
        QVERIFY(m.boxes->shown[2].startsWith(
            QStringLiteral("Cannot %1 %2: %3\n").arg(opens ? "write" : "open", path, reason)));
        QCOMPARE(m->session().Save_Data, 0);
        QVERIFY(!m->St->isChecked());
        QVERIFY(!m.files->isOpen(1));
        m.tick(QStringLiteral("10:00:01"));
        QTest::qWait(10);
        QCOMPARE(m.boxes->shown.size(), 3);
    }

    // Armed after "Close Current File": rows fall due with no file to take them.
    void noRowToAClosedFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("REC.CSV"));
        Recording m(path, true);
        FrmDataCollect* w = m->dataCollect();
        w->Start_Time->setText(QStringLiteral("8:00"));
        w->Command1_Click();
        QVERIFY(w->isVisible() && !m->St->isChecked());
        m->File_Close_Click();
        const QByteArray closed = readAll(path);
        w->Start_Time->clear();
        w->HScroll2->setValue(2);
        w->Command1_Click();
        QVERIFY(m->St->isChecked());
        for (const char* t : {"10:00:00", "10:00:01", "10:00:02", "10:00:03"})
            m.tick(QString::fromLatin1(t));
        QCOMPARE(readAll(path), closed);
        QTest::qWait(10);
        QCOMPARE(m.boxes->shown.size(), 5); // save question, file name, three time messages
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
        const QString path = dir.filePath(QStringLiteral("NIGHT.CSV"));
        QProcess child;
        child.start(QStringLiteral(QUORVANE_RECORD_CHILD), {path});
        QVERIFY(child.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(readAll(path).count('\n') >= 8, 60000);
        ::kill(pid_t(child.processId()), sig);
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus() == QProcess::NormalExit, sig != SIGKILL);

        const QByteArray data = readAll(path);
        QVERIFY(data.endsWith("\r\n"));
        QList<QByteArray> lines = data.split('\n');
        lines.removeLast();
        const qsizetype rows = lines.size() - (sig == SIGKILL ? 0 : 2);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QList<QByteArray> f = lines[i].chopped(1).split(',');
            QCOMPARE(f.size(), 7);
            QCOMPARE(lines[i].back(), '\r');
            const QByteArray head = i < rows ? " " + QByteArray::number(i + 1) + " "
                                             : QByteArray(i == rows ? "High" : "Lo");
            QCOMPARE(f[0], head);
        }
    }
};

QTEST_MAIN(TestRecord)
#include "test_record.moc"
