// The recording engine seen from its two faces: the main window as a user drives it, and
// quorvane-record's recorder. The same packets at the same times must give the same file.

#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

#include "data_collect.h"
#include "record_command.h"
#include "test_main_window.h"

using namespace Qt::StringLiterals;
Q_DECLARE_METATYPE(Schedule)

namespace {

const QDate kDay(2026, 12, 7);

// The n-th packet: a two-display meter sends %RH and Deg C, a one-display meter one reading;
// `unit1` "04" is %RH, "02" Deg F.
QByteArray packet(bool one, int n, const char* unit1 = "04")
{
    const QByteArray d1 = QByteArray::number(4000 + (n * 373) % 2000);
    const QByteArray d2 = QByteArray::number(1200 + (n * 97) % 600);
    return "\x02" + QByteArray(one ? "00" : "01") + unit1 + (one ? "02" : "12") +
           (one ? QByteArray("0000") : "0" + d2.left(3)) + d1 + '\r';
}

// One face of the recording, driven by a script.
class Face
{
  public:
    virtual ~Face() = default;
    virtual void packet(const QByteArray& bytes) = 0;
    virtual void tick() = 0;
    virtual void end() = 0; // the program is ended as a signal ends it
    std::shared_ptr<FakeClock> clock = std::make_shared<FakeClock>();
};

// The main window: saving answered Yes, the file chosen, the schedule set, Start pressed.
class DesktopFace : public Face
{
  public:
    DesktopFace(const QString& path, bool one, const Schedule& s, QTime at)
    {
        clock = m.clock;
        clock->set(kDay, at);
        m.dialog->choices.push_back(path);
        m.startLinked(1, one, Mb::Yes);
        FrmDataCollect* w = m->dataCollect();
        w->HScroll1->setValue(s.interval);
        w->HScroll2->setValue(s.limit);
        w->Start_Time->setText(s.startTime);
        w->Stop_Time->setText(s.stopTime);
        w->Command1_Click();
    }
    void packet(const QByteArray& bytes) override { m.comm->fire(bytes); }
    void tick() override { m->Timer1_Timer(); }
    void end() override { m->close(); }
    MainWithFakes m;
};

// quorvane-record's recorder on a fake line.
class CommandFace : public Face
{
  public:
    CommandFace(const QString& path, bool one, const Schedule& s, QTime at, bool daily = false,
                const AlarmSettings& alarms = RecordOptions::noScreenAlarms())
    {
        clock->set(kDay, at);
        RecordOptions o;
        o.device = u"/dev/ttyUSB0"_s;
        o.single = one;
        o.schedule = s;
        o.file = path;
        o.daily = daily;
        o.alarms = alarms;
        recorder = std::make_unique<Recorder>(
            o, comm, *clock, files, [this](const QString& row) { rows << row; },
            [this](const QString& line) { messages << line.section(u' ', 1); }); // no time
        started = recorder->start();
    }
    void packet(const QByteArray& bytes) override { comm.fire(bytes); }
    void tick() override { recorder->Timer1_Timer(); }
    void end() override { recorder->close(); }
    FakeSerialControl comm;
    SeqFiles files;
    std::unique_ptr<Recorder> recorder;
    QStringList rows, messages; // messages: each line's kind, fields and text
    bool started = false;
};

// Script: times of day ("+" the next day) in which the timer checks `ticks` times, evenly spread
// over the second; "p" a packet, "u" a packet with display 1 in another unit; "end" a signal.
void run(Face& f, bool one, const QString& script, int ticks = 2)
{
    int n = 0;
    for (const QString& step : script.split(u' ')) {
        if (step == u"p" || step == u"u")
            f.packet(packet(one, n++, step == u"u" ? "02" : "04"));
        else if (step == u"end")
            f.end();
        else {
            const bool next = step.startsWith(u'+');
            const QTime at = QTime::fromString(step.mid(next));
            for (int i = 0; i < ticks; ++i) {
                f.clock->set(kDay.addDays(next), at.addMSecs(i * 1000 / ticks));
                f.tick();
            }
        }
    }
}

// Rows as "number@time" ("+" the next day), closing rows as "head/fields/display 1's unit".
QString shape(const QByteArray& file)
{
    QStringList rows;
    const QList<QByteArray> lines = file.split('\n');
    for (const QByteArray& line : lines.mid(0, lines.size() - 1)) {
        const QList<QByteArray> f = line.chopped(1).split(',');
        if (f[0] == "High" || f[0] == "Lo")
            rows << QString::fromLatin1(f[0] + '/' + QByteArray::number(f.size()) + '/' + f[2]);
        else
            rows << QString::fromLatin1(f[0].trimmed() + '@' +
                                        (f.back() == "12-08-2026" ? "+" : "") + f[f.size() - 2]);
    }
    return rows.join(u' ');
}

} // namespace

class TestRecordCore : public QObject
{
    Q_OBJECT
  private slots:
    void sameFileFromBothFaces_data()
    {
        QTest::addColumn<bool>("one");
        QTest::addColumn<Schedule>("schedule");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("recorderRows"); // where they differ: it waits for a reading
        auto row = [](const char* tag, bool one, Schedule s, const char* script, const char* rows,
                      const char* recorderRows = "") {
            QTest::newRow(tag) << one << s << script << rows << recorderRows;
        };
        row("limit 3, dual", false, {1, 3, {}, {}},
            "09:59:59 p 10:00:00 p 10:00:01 p 10:00:02 p 10:00:03 p 10:00:04",
            "1@10:00:00 2@10:00:01 3@10:00:02 High/7/%RH Lo/7/%RH");
        row("limit 3, single, interval 2", true, {2, 3, {}, {}},
            "09:59:59 p 10:00:00 p 10:00:01 p 10:00:02 p 10:00:03 p 10:00:04 p 10:00:05 p "
            "10:00:06 p 10:00:07",
            "1@10:00:01 2@10:00:03 3@10:00:05 High/4/%RH Lo/4/%RH");
        row("08:00:00 to 17:00:00, single", true, {1, 0, "08:00:00", "17:00:00"},
            "07:59:58 p 07:59:59 p 08:00:00 p 08:00:01 p 08:00:02 p 16:59:59 p 17:00:00 p "
            "17:00:01",
            "1@08:00:01 2@08:00:02 3@16:59:59 High/4/%RH Lo/4/%RH");
        row("22:00:00 to 06:00:00, dual", false, {1, 0, "22:00:00", "06:00:00"},
            "21:59:59 p 22:00:00 p 22:00:01 p 23:59:59 p +00:00:00 p +05:59:59 p +06:00:00",
            "1@22:00:01 2@23:59:59 3@+00:00:00 4@+05:59:59 High/7/%RH Lo/7/%RH");
        row("unit change mid-collection, single", true, {1, 0, {}, {}},
            "10:00:00 p 10:00:01 p 10:00:02 u 10:00:03 u 10:00:04 u 10:00:05 end",
            "1@10:00:01 2@10:00:02 3@10:00:03 4@10:00:04 5@10:00:05 High/7/Deg F Lo/7/Deg F");
        row("unit change mid-collection, dual", false, {1, 0, {}, {}},
            "10:00:00 p 10:00:01 u 10:00:02 u 10:00:03 end",
            "1@10:00:01 2@10:00:02 3@10:00:03 High/7/Deg F Lo/7/Deg F");
        row("no packet before the first rows, dual", false, {1, 0, {}, {}},
            "10:00:00 10:00:01 10:00:02 p 10:00:03 p 10:00:04 end",
            "1@10:00:01 2@10:00:02 3@10:00:03 4@10:00:04 High/7/%RH Lo/7/%RH",
            "1@10:00:03 2@10:00:04 High/7/%RH Lo/7/%RH");
        row("ended by a signal, single", true, {1, 0, {}, {}}, "10:00:00 p 10:00:01 p 10:00:02 end",
            "1@10:00:01 2@10:00:02 High/7/%RH Lo/7/%RH");
        row("ended by a signal before the window, dual", false, {1, 0, "11:00:00", "12:00:00"},
            "10:00:00 p 10:00:01 p 10:00:02 end", "High/7/%RH Lo/7/%RH");
    }
    void sameFileFromBothFaces()
    {
        QFETCH(bool, one);
        QFETCH(Schedule, schedule);
        QFETCH(QString, script);
        QTemporaryDir dir;
        // The window's timer checks ten times a second; the recorder's wakes once and checks
        // twice, and extra checks change nothing.
        const int ticks[] = {10, 1, 10};
        QByteArray files[3];
        for (int i = 0; i < 3; ++i) {
            const QString path = dir.filePath(u"F%1.CSV"_s.arg(i));
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("earlier,rows\r\n") > 0);
            old.close(); // appended to by both
            const QTime start = QTime::fromString(script.section(u' ', 0, 0));
            std::unique_ptr<Face> face;
            if (i == 0) {
                face = std::make_unique<DesktopFace>(path, one, schedule, start);
            } else {
                auto c = std::make_unique<CommandFace>(path, one, schedule, start);
                QVERIFY(c->started);
                face = std::move(c);
            }
            run(*face, one, script, ticks[i]);
            files[i] = readAll(path);
            if (i > 0) {
                // Every row is told as it is written, as the file has it.
                const auto& c = static_cast<CommandFace&>(*face);
                QCOMPARE(c.rows.join(u"\r\n"_s) + u"\r\n"_s, QString::fromLatin1(files[i].mid(14)));
            }
        }
        QFETCH(QString, recorderRows);
        if (recorderRows.isEmpty())
            QCOMPARE(files[1], files[0]);
        else
            QCOMPARE(shape(files[1].mid(14)), recorderRows);
        QCOMPARE(files[2], files[1]);
        QVERIFY(files[0].startsWith("earlier,rows\r\n"));
        QTEST(shape(files[0].mid(14)), "rows");
    }

    // The command line: what runs, and the message that names a bad argument.
    void arguments_data()
    {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("outcome"); // "ok", "help", "version" or the message
        QTest::addColumn<Schedule>("schedule");
        const Schedule plain;
        auto row = [](const char* tag, const char* args, const char* outcome, Schedule s = {}) {
            QTest::newRow(tag) << QString(args) << QString(outcome) << s;
        };
        row("fewest", "--port /dev/ttyUSB0 --dual", "ok");
        row("all",
            "--port=/dev/ttyS1 --single --dtr --interval 60 --samples=10000 --start "
            "22:00:00 --stop 06:00:00 --quiet NIGHT.CSV",
            "ok", {60, 10000, "22:00:00", "06:00:00"});
        row("every night", "--port p --dual --start 22:00:00 --stop 06:00:00 --daily", "ok",
            {1, 0, "22:00:00", "06:00:00"});
        row("empty window", "--port p --dual --start 06:00:00 --stop 06:00:00", "ok",
            {1, 0, "06:00:00", "06:00:00"});
        row("daily without a window", "--port p --dual --daily",
            "--daily needs --start and --stop");
        row("help wins", "--dual --bogus --help", "help");
        row("version", "--version", "version");
        row("no mode", "--port /dev/ttyUSB0",
            "--single or --dual is required: a dual meter read as single gives believable, false "
            "numbers");
        row("both modes", "--port /dev/ttyUSB0 --single --dual",
            "--single and --dual exclude each other");
        row("no port", "--dual", "--port DEVICE is required");
        row("port without device", "--dual --port", "--port needs a value");
        row("interval 0", "--port p --dual --interval 0",
            "--interval takes 1 to 3600 seconds, not \"0\"");
        row("interval 3601", "--port p --dual --interval 3601",
            "--interval takes 1 to 3600 seconds, not \"3601\"");
        row("interval text", "--port p --dual --interval=1s",
            "--interval takes 1 to 3600 seconds, not \"1s\"");
        row("samples 10001", "--port p --dual --samples 10001",
            "--samples takes 0 to 10000, not \"10001\"");
        row("unknown", "--port p --dual --rate 5", "unknown option \"--rate\"");
        row("flag with value", "--port p --dual=yes", "--dual takes no value");
        row("two files", "--port p --dual A.CSV B.CSV", "one FILE only, not also \"B.CSV\"");
        row("start only", "--port p --dual --start 08:00:00",
            "You Must Enter Both A Start Time & A Stop Time|Stop Time Is Not Valid (Use 24 Hour "
            "Format)");
        row("8:00:00", "--port p --dual --start 8:00:00 --stop 17:00:00",
            "Start Time Is Not Valid (Use 24 Hour Format)");
        row("stop 24:00:00", "--port p --dual --start 23:00:00 --stop 24:00:00",
            "Stop Time Is Not Valid (Use 24 Hour Format)");
    }
    void arguments()
    {
        QFETCH(QString, args);
        QFETCH(QString, outcome);
        const RecordArguments r = parseRecordArguments(args.split(u' '));
        using A = RecordArguments::Action;
        const QString got = r.action == A::Help      ? u"help"_s
                            : r.action == A::Version ? u"version"_s
                            : r.action == A::Record  ? u"ok"_s
                            : r.error.isEmpty()      ? r.timeMessages.join(u'|')
                                                     : r.error;
        QCOMPARE(got, outcome);
        if (outcome == u"ok") {
            QFETCH(Schedule, schedule);
            const Schedule& s = r.options.schedule;
            QCOMPARE(
                (QStringList{QString::number(s.interval), QString::number(s.limit), s.startTime,
                             s.stopTime}),
                (QStringList{QString::number(schedule.interval), QString::number(schedule.limit),
                             schedule.startTime, schedule.stopTime}));
            QCOMPARE(r.options.single, args.contains(u"--single"));
            QCOMPARE(r.options.quiet && r.options.dtr, args.contains(u"--quiet"));
            QCOMPARE(r.options.file, args.contains(u"NIGHT") ? u"NIGHT.CSV"_s : QString());
            QCOMPARE(r.options.daily, args.contains(u"--daily"));
            // A window that never opens is accepted, with a word on standard error.
            QCOMPARE(
                r.warnings.join(u'|').contains(u"the window from 06:00:00 to 06:00:00 is empty"),
                s.startTime == u"06:00:00" && s.stopTime == s.startTime);
        }
    }

    // The alarm options: what the engine is given, and the message that names a bad one.
    void alarmArguments_data()
    {
        QTest::addColumn<QString>("args"); // separated by "|"
        QTest::addColumn<QString>("outcome");
        const auto row = [](const char* tag, const char* args, const char* outcome) {
            QTest::newRow(tag) << QString::fromUtf8(args) << QString::fromUtf8(outcome);
        };
        row("none", "", "-/-/ -/-/ hold=0 silent=5");
        row("a high limit", "--high|1=40", "40/-/ -/-/ hold=0 silent=5");
        row("with units", "--high|1=75%RH|--low=1=20|--low|2=-5.5 Deg C",
            "75/20/%RH -/-5.5/Deg C hold=0 silent=5");
        row("a command", "--on-event|mail -s \"$QUORVANE_EVENT\" me",
            "-/-/ -/-/ hold=0 silent=5 run=mail -s \"$QUORVANE_EVENT\" me");
        row("no number", "--low|1=low",
            "--low takes D=VALUE, D 1 or 2 and VALUE a number, not "
            "\"1=low\"");
        row("high under low", "--high|1=10|--low|1=20", "--high 1 must be above --low 1");
        row("two units", "--high|1=40%RH|--low|1=10 Deg C",
            "the limits of display 1 are in two units, \"%RH\" and \"Deg C\"");
        row("hold too long", "--hold|3601", "--hold takes 0 to 3600 seconds, not \"3601\"");
        row("no command", "--on-event| ", "--on-event needs a command");
        row("display 2 of a single", "--single|--high|2=30",
            "--single: a meter with one display has no display 2 to limit");
    }
    void alarmArguments()
    {
        QFETCH(QString, args);
        QStringList a{u"--port"_s, u"p"_s};
        if (!args.contains(u"--single"))
            a << u"--dual"_s;
        if (!args.isEmpty())
            a << args.split(u'|');
        const RecordArguments r = parseRecordArguments(a);
        QString got = r.error;
        if (r.action == RecordArguments::Action::Record) {
            const AlarmSettings& s = r.options.alarms;
            const auto limit = [](const std::optional<double>& x) {
                return x ? limitText(*x) : u"-"_s;
            };
            for (const DisplayLimits& l : s.limits)
                got += limit(l.high) + u'/' + limit(l.low) + u'/' + l.unit + u' ';
            got += u"hold=%1 silent=%2"_s.arg(s.holdSeconds).arg(s.silentSeconds);
            if (s.runCommand)
                got += u" run="_s + s.command;
            QVERIFY(!s.notify && !s.sound); // no screen, no bell
        }
        QTEST(got, "outcome");
    }

    // The recorder's alarms: each event one line on standard error, in the one format.
    void recorderAlarms()
    {
        QTemporaryDir dir;
        AlarmSettings alarms = RecordOptions::noScreenAlarms();
        alarms.limits[0].high = 40;
        CommandFace c(dir.filePath(u"A.CSV"_s), false, {1, 0, {}, {}}, QTime(10, 0, 0), false,
                      alarms);
        QVERIFY(c.started);
        run(c, false, u"10:00:00 p 10:00:01 p 10:00:02 p"_s); // +40.00, +43.73, +47.46 %RH
        c.comm.loseDevice();
        c.comm.bringDeviceBack();
        QStringList events;
        for (const QString& m : c.messages)
            if (!m.startsWith(u"message") && !m.startsWith(u"start"))
                events << m;
        QCOMPARE(events,
                 (QStringList{u"file-opened: %1 is open"_s.arg(dir.filePath(u"A.CSV"_s)),
                              u"high display=1 value=+43.73 unit=%RH limit=40: Display 1 is "
                              "above its high limit: +43.73 %RH (limit 40)"_s,
                              u"device-lost: Com Port 1 was disconnected."_s,
                              u"device-back: Com Port 1 is connected again."_s}));
        QCOMPARE(c.recorder->alarms().events().back().file, dir.filePath(u"A.CSV"_s));
    }

    // What the recorder tells: how it starts, why it cannot, how the collection ends.
    void recorderMessages()
    {
        QTemporaryDir dir;
        const QString keep = QDir::currentPath();
        QDir::setCurrent(dir.path());
        CommandFace c(QString(), false, {1, 2, {}, {}}, QTime(10, 0, 0)); // the day's name
        QDir::setCurrent(keep);
        QVERIFY(c.started);
        QCOMPARE(c.comm.log, (QStringList{"DTREnable=0", "CommPort=1", "Settings=9600,N,8,1",
                                          "PortOpen=1", "InBufferCount=0"}));
        const QString file = dir.filePath(u"TMP12076.CSV"_s);
        // No row before the meter's first reading, and a word about it every minute.
        c.clock->advance(59000), c.tick();
        c.clock->advance(1000), c.tick();
        QSignalSpy finished(c.recorder.get(), &Recorder::finished);
        run(c, false, u"10:01:00 p 10:01:01 p 10:01:02 10:01:03"_s);
        QCOMPARE(
            c.messages,
            (QStringList{
                u"file-opened: %1 is open"_s.arg(file),
                u"start: recording %1 from /dev/ttyUSB0, every 1 s, 2 samples, dual display"_s.arg(
                    file),
                u"message: Waiting for the meter on /dev/ttyUSB0: the recording starts with its "
                "first reading"_s,
                u"message: Still waiting for the meter on /dev/ttyUSB0"_s,
                u"message: The meter is sending readings"_s,
                u"file-closed: The collection has ended; %1 is closed"_s.arg(file)}));
        QVERIFY(finished.wait(1000));
        QCOMPARE(finished.takeFirst().value(0).toInt(), 0);
        QCOMPARE(shape(readAll(file)), u"1@10:01:01 2@10:01:02 High/7/%RH Lo/7/%RH"_s);
        // A signal afterwards writes nothing more.
        c.end();
        QCOMPARE(shape(readAll(file)), u"1@10:01:01 2@10:01:02 High/7/%RH Lo/7/%RH"_s);
        QCOMPARE(c.messages.size(), 6);
    }

    // --daily across two nights: each window in the file named on its first day, each with its
    // closing rows; a limit reached inside a window waits for the next one.
    void recorderEveryNight_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("night1");
        QTest::addColumn<QString>("night2");
        QTest::newRow("no limit") << 0 << "1@22:00:01 2@23:59:59 3@+00:00:00 4@+05:59:59"
                                  << "1@+22:00:01 2@+22:00:02";
        QTest::newRow("limit 2") << 2 << "1@22:00:01 2@23:59:59"
                                 << "1@+22:00:01 2@+22:00:02";
    }
    void recorderEveryNight()
    {
        QFETCH(int, limit);
        QTemporaryDir dir;
        const QString keep = QDir::currentPath();
        QDir::setCurrent(dir.path());
        CommandFace c(QString(), false, {1, limit, u"22:00:00"_s, u"06:00:00"_s}, QTime(21, 59, 58),
                      true);
        QVERIFY(c.started && !c.files.isOpen(1)); // outside the window: no file yet
        QSignalSpy finished(c.recorder.get(), &Recorder::finished);
        run(c, false,
            u"21:59:58 p 21:59:59 p 22:00:00 p 22:00:01 p 23:59:59 p +00:00:00 p +05:59:59 p "
            "+06:00:00 p +06:00:01 p +12:00:00 p +22:00:00 p +22:00:01 p +22:00:02 end"_s);
        QDir::setCurrent(keep);
        QFETCH(QString, night1);
        QFETCH(QString, night2);
        QCOMPARE(shape(readAll(dir.filePath(u"TMP12076.CSV"_s))),
                 night1 + u" High/7/%RH Lo/7/%RH"_s);
        QCOMPARE(shape(readAll(dir.filePath(u"TMP12086.CSV"_s))),
                 night2 + u" High/7/%RH Lo/7/%RH"_s);
        QCOMPARE(finished.size(), 0); // it ran on until the signal
        QVERIFY(c.messages.contains(
            u"message: Waiting for the next window, from 22:00:00 to 06:00:00"_s));
    }

    // Neither the port nor the file opens: told, and nothing armed.
    void recorderCannotStart_data()
    {
        QTest::addColumn<bool>("portFails");
        QTest::addColumn<QString>("message");
        QTest::newRow("port") << true << "Cannot open the port: /dev/ttyUSB0: no such port";
        QTest::newRow("file") << false << "Cannot open %1/none/REC.CSV: No such file or directory";
        QTest::newRow("a pipe") << false
                                << "Cannot record into %1/fifo: it is not a regular file (a pipe, "
                                   "a device, a socket or a folder), which would keep none of "
                                   "the rows";
    }
    void recorderCannotStart()
    {
        QFETCH(bool, portFails);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(::mkfifo(qPrintable(dir.filePath(u"fifo"_s)), 0600) == 0);
        FakeSerialControl comm;
        comm.failOpen = portFails ? u"Com Port 1 (/dev/ttyUSB0): no such port"_s : QString();
        FakeClock clock;
        SeqFiles files;
        RecordOptions o;
        o.device = u"/dev/ttyUSB0"_s;
        o.file =
            dir.filePath(QTest::currentDataTag() == "a pipe"_L1 ? u"fifo"_s : u"none/REC.CSV"_s);
        QStringList told;
        Recorder r(o, comm, clock, files, {}, [&](const QString& l) { told << l; });
        QVERIFY(!r.start());
        QCOMPARE(told, QStringList{u"2026-05-31T14:03:09 message: "_s + message.arg(dir.path())});
        QVERIFY(!files.isOpen(1) && !comm.PortOpen());
        QVERIFY(!r.timer1().isActive());
    }

    // A disk that refuses a row stops the recording with exit 1; the rows before stay.
    void recorderWriteFails()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"FULL.CSV"_s);
        CommandFace c(path, true, {1, 0, {}, {}}, QTime(10, 0, 0));
        QVERIFY(c.started);
        QSignalSpy finished(c.recorder.get(), &Recorder::finished);
        run(c, true, u"10:00:00 p 10:00:01"_s);
        {
            const FileSizeLimit full(QFileInfo(path).size() + 10);
            run(c, true, u"10:00:02"_s);
        }
        QCOMPARE(c.messages.value(4), u"file-error: Cannot write %1: File too large. The recording "
                                      "has stopped. The rows written before are kept."_s.arg(path));
        QVERIFY(finished.wait(1000));
        QCOMPARE(finished.takeFirst().value(0).toInt(), 1);
        QCOMPARE(c.rows.size(), 1);
        QCOMPARE(readAll(path), c.rows[0].toLatin1() + "\r\n"); // no part of the failed row
        QVERIFY(!c.files.isOpen(1));
    }
};

QTEST_MAIN(TestRecordCore)
#include "test_record_core.moc"
