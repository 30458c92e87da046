// quorvane-record as it runs: the built program on a pseudo-terminal that the meter simulator
// feeds, with no display anywhere.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString kRecord = QStringLiteral(QUORVANE_RECORD_PATH);
const QString kSim = QStringLiteral(QUORVANE_SIM_PATH);

QList<QByteArray> fileLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = f.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// No window system at all: the program must not need one.
QProcessEnvironment headless()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QLatin1String(name));
    return env;
}

// A meter on a pseudo-terminal reached through `link`.
struct Meter
{
    QProcess p;
    Meter(const QString& link, const char* kind = "dual")
    {
        p.start(kSim, {u"--link"_s, link, u"--meter"_s, QLatin1String(kind), u"--rate"_s, u"10"_s});
        if (p.waitForStarted())
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(link), 10000);
    }
    ~Meter() { stop(); }
    void stop()
    {
        if (p.state() == QProcess::NotRunning)
            return;
        p.terminate(); // it takes its link away
        p.waitForFinished(10000);
    }
};

struct Record
{
    QProcess p;
    QByteArray out, err;
    explicit Record(const QStringList& args, QProcessEnvironment env = headless())
    {
        p.setProcessEnvironment(env);
        p.start(kRecord, args);
    }
    ~Record()
    {
        if (p.state() != QProcess::NotRunning) {
            p.kill();
            p.waitForFinished(10000);
        }
    }
    void read() { out += p.readAllStandardOutput(), err += p.readAllStandardError(); }
    bool said(const char* text)
    {
        read();
        return err.contains(text);
    }
    int rowsTold()
    {
        read();
        return int(out.count('\n'));
    }
};

// Standard error without the time that begins each event's line.
QByteArray untimed(const QByteArray& err)
{
    static const QRegularExpression stamp(u"^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d "_s,
                                          QRegularExpression::MultilineOption);
    return QString::fromLocal8Bit(err).remove(stamp).toLocal8Bit();
}

// A record row of a two-display %RH and Deg C meter: number, readings, time, date.
void checkRow(const QByteArray& line, int number)
{
    QVERIFY2(line.endsWith('\r'), line.constData());
    const QList<QByteArray> f = line.chopped(1).split(',');
    QCOMPARE(f.size(), 7);
    QCOMPARE(f[0], " " + QByteArray::number(number) + " ");
    static const QRegularExpression value(u"^[+-]\\d+\\.\\d+$"_s);
    QVERIFY2(value.match(QString::fromLatin1(f[1])).hasMatch(), f[1].constData());
    QCOMPARE(f[2], "%RH");
    QVERIFY2(value.match(QString::fromLatin1(f[3])).hasMatch(), f[3].constData());
    QCOMPARE(f[4], " Deg C");
    QVERIFY(QTime::fromString(QString::fromLatin1(f[5]), u"hh:mm:ss"_s).isValid());
    QVERIFY(QDate::fromString(QString::fromLatin1(f[6]), u"MM-dd-yyyy"_s).isValid());
}

// "High" and "Lo" rows with `fields` fields each, ending the file.
void checkClosing(const QList<QByteArray>& lines, int fields)
{
    QVERIFY(lines.size() >= 2);
    const QList<QByteArray> high = lines[lines.size() - 2].chopped(1).split(',');
    const QList<QByteArray> lo = lines.last().chopped(1).split(',');
    QCOMPARE(high.first(), "High");
    QCOMPARE(lo.first(), "Lo");
    QCOMPARE(high.size(), fields);
    QCOMPARE(lo.size(), fields);
}

} // namespace

class TestRecordTool : public QObject
{
    Q_OBJECT
  private slots:
    void limitOfFive()
    {
        QTemporaryDir dir;
        Meter meter(dir.filePath(u"meter"_s));
        const QString file = dir.filePath(u"FIVE.CSV"_s);
        Record r(
            {u"--port"_s, dir.filePath(u"meter"_s), u"--dual"_s, u"--samples"_s, u"5"_s, file});
        QVERIFY(r.p.waitForFinished(60000));
        r.read();
        QCOMPARE(r.p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(r.p.exitCode(), 0);
        const QList<QByteArray> lines = fileLines(file);
        QCOMPARE(lines.size(), 7);
        for (int i = 0; i < 5; ++i)
            checkRow(lines[i], i + 1);
        checkClosing(lines, 7);
        // Every row on standard output as the file has it.
        QByteArray told;
        for (const QByteArray& l : lines)
            told += l.chopped(1) + '\n';
        QCOMPARE(r.out, told);
        QVERIFY2(untimed(r.err).startsWith("file-opened: " + file.toLocal8Bit() +
                                           " is open\nstart: "
                                           "recording " +
                                           file.toLocal8Bit() + " from "),
                 r.err.constData());
    }

    // Ended as a shutdown, Ctrl+C or a logout end it: the closing rows as at the program's exit.
    void endedBySignal_data()
    {
        QTest::addColumn<int>("sig");
        QTest::addColumn<QString>("mode");
        QTest::newRow("SIGTERM, dual") << SIGTERM << "--dual";
        QTest::newRow("SIGINT, single") << SIGINT << "--single";
        QTest::newRow("SIGHUP, dual") << SIGHUP << "--dual";
    }
    void endedBySignal()
    {
        QFETCH(int, sig);
        QFETCH(QString, mode);
        QTemporaryDir dir;
        Meter meter(dir.filePath(u"meter"_s), mode == u"--dual" ? "dual" : "single");
        const QString file = dir.filePath(u"NIGHT.CSV"_s);
        Record r({u"--port"_s, dir.filePath(u"meter"_s), mode, u"--quiet"_s, file});
        QTRY_VERIFY_WITH_TIMEOUT(fileLines(file).size() >= 2, 30000);
        ::kill(pid_t(r.p.processId()), sig);
        QVERIFY(r.p.waitForFinished(30000));
        r.read();
        QCOMPARE(r.p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(r.p.exitCode(), 0);
        QVERIFY(r.out.isEmpty()); // --quiet
        QVERIFY2(r.err.endsWith("Stopped by a signal; " + file.toLocal8Bit() + " is closed\n"),
                 r.err.constData());
        const QList<QByteArray> lines = fileLines(file);
        for (int i = 0; i < lines.size() - 2; ++i) {
            if (mode == u"--dual")
                checkRow(lines[i], i + 1);
            else
                QVERIFY(lines[i].startsWith(" " + QByteArray::number(i + 1) + " ,"));
        }
        checkClosing(lines, 7); // both displays' rows, whatever the mode
    }

    // A meter that starts sending 3 s after the recorder: no row goes out before its first
    // reading, and the wait is told.
    void meterStartsLate()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(u"meter"_s);
        Meter meter(link);
        ::kill(pid_t(meter.p.processId()), SIGSTOP);
        const QString file = dir.filePath(u"LATE.CSV"_s);
        Record r({u"--port"_s, link, u"--dual"_s, file});
        QTRY_VERIFY_WITH_TIMEOUT(r.said("Waiting for the meter on " + link.toLocal8Bit()), 30000);
        QTest::qWait(3000);
        QCOMPARE(r.rowsTold(), 0);
        ::kill(pid_t(meter.p.processId()), SIGCONT);
        QTRY_VERIFY_WITH_TIMEOUT(r.rowsTold() >= 2, 30000);
        ::kill(pid_t(r.p.processId()), SIGTERM);
        QVERIFY(r.p.waitForFinished(30000));
        const QList<QByteArray> lines = fileLines(file);
        QVERIFY(lines.size() >= 4);
        for (int i = 0; i < lines.size() - 2; ++i)
            checkRow(lines[i], i + 1); // readings in every row, the first one too
    }

    // Every write-out to the disk takes 3 s: the rows still come one a second, none missing.
    void slowDiskCostsNoRow()
    {
        QTemporaryDir dir;
        Meter meter(dir.filePath(u"meter"_s));
        const QString file = dir.filePath(u"SLOW.CSV"_s);
        QProcessEnvironment env = headless();
        env.insert(u"LD_PRELOAD"_s, QStringLiteral(QUORVANE_SLOW_SYNC));
        env.insert(u"QV_SYNC_LOG"_s, dir.filePath(u"syncs"_s));
        Record r({u"--port"_s, dir.filePath(u"meter"_s), u"--dual"_s, u"--quiet"_s, file}, env);
        // Eight rows, and two write-outs of 3 s each ended meanwhile.
        QTRY_VERIFY_WITH_TIMEOUT(fileLines(file).size() >= 8, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(fileLines(dir.filePath(u"syncs"_s)).size() >= 2, 60000);
        ::kill(pid_t(r.p.processId()), SIGTERM);
        QVERIFY(r.p.waitForFinished(60000));
        QCOMPARE(r.p.exitCode(), 0);
        const QList<QByteArray> lines = fileLines(file);
        QVERIFY(lines.size() >= 10);
        QTime last;
        for (int i = 0; i < lines.size() - 2; ++i) {
            checkRow(lines[i], i + 1);
            const QTime at = QTime::fromString(QString::fromLatin1(lines[i].split(',')[5]));
            if (i > 0)
                QCOMPARE(last.secsTo(at), 1);
            last = at;
        }
    }

    // An alarm's command end to end: a --high below every reading, a script that writes the
    // variables it was given and then hangs; the rows keep their one-second spacing meanwhile,
    // and what the command started ends with the recorder.
    void alarmCommand()
    {
        QTemporaryDir dir;
        Meter meter(dir.filePath(u"meter"_s));
        // A name no shell text could carry whole: the variables carry it as it is.
        const QString file = dir.filePath(u"it's $(id).CSV"_s);
        QFile script(dir.filePath(u"on-event.sh"_s));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("env | grep '^QUORVANE_' | LC_ALL=C sort > \"$QV_DIR/env.$QUORVANE_EVENT\"\n"
                     "[ \"$QUORVANE_EVENT\" = high ] || exit 0\n"
                     "echo $$ > \"$QV_DIR/hung\"\n"
                     "exec sleep 120\n");
        script.close();
        qputenv("QV_DIR", dir.path().toLocal8Bit());
        Record r({u"--port"_s, dir.filePath(u"meter"_s), u"--dual"_s, u"--high"_s, u"1=10"_s,
                  u"--on-event"_s, u"sh \"$QV_DIR/on-event.sh\""_s, file});
        qunsetenv("QV_DIR");
        const QString env = dir.filePath(u"env.high"_s);
        QTRY_VERIFY_WITH_TIMEOUT(fileLines(env).size() == 8, 30000);
        QMap<QByteArray, QByteArray> vars;
        for (const QByteArray& line : fileLines(env))
            vars.insert(line.left(line.indexOf('=')), line.mid(line.indexOf('=') + 1));
        QCOMPARE(vars.value("QUORVANE_EVENT"), "high");
        QCOMPARE(vars.value("QUORVANE_DISPLAY"), "1");
        QCOMPARE(vars.value("QUORVANE_LIMIT"), "10");
        QCOMPARE(vars.value("QUORVANE_UNIT"), "%RH");
        QCOMPARE(vars.value("QUORVANE_FILE"), file.toLocal8Bit());
        const QByteArray value = vars.value("QUORVANE_VALUE");
        QVERIFY2(QRegularExpression(u"^\\+\\d\\d\\.\\d\\d$"_s)
                     .match(QString::fromLatin1(value))
                     .hasMatch(),
                 value.constData());
        QVERIFY(QDateTime::fromString(QString::fromLatin1(vars.value("QUORVANE_TIME")), Qt::ISODate)
                    .isValid());
        QCOMPARE(vars.value("QUORVANE_TEXT"),
                 "Display 1 is above its high limit: " + value + " %RH (limit 10)");
        QVERIFY(r.said("high display=1 value=" + value + " unit=%RH limit=10: "));

        // Rows go on, one a second, while the command hangs.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(u"hung"_s)), 30000);
        const qint64 hung = fileLines(dir.filePath(u"hung"_s)).value(0).toLongLong();
        const int before = fileLines(file).size();
        QTRY_VERIFY_WITH_TIMEOUT(fileLines(file).size() >= before + 6, 30000);
        QVERIFY(hung > 0 && ::kill(pid_t(hung), 0) == 0); // still hanging
        QTime last;
        for (const QByteArray& line : fileLines(file)) {
            const QTime at =
                QTime::fromString(QString::fromLatin1(line.split(',').value(5)), u"hh:mm:ss"_s);
            if (last.isValid()) // a second apart (a busy machine may skip one)
                QVERIFY2(last.secsTo(at) >= 1 && last.secsTo(at) <= 3, line.constData());
            last = at;
        }

        ::kill(pid_t(r.p.processId()), SIGTERM);
        QVERIFY(r.p.waitForFinished(60000));
        QCOMPARE(r.p.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(hung), 0) != 0, 30000); // ended with the recorder
    }

    // The cable pulled and plugged in again: told, the port reopened, the rows go on.
    void deviceGoesAndComesBack()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(u"meter"_s);
        auto meter = std::make_unique<Meter>(link);
        const QString file = dir.filePath(u"CABLE.CSV"_s);
        Record r({u"--port"_s, link, u"--dual"_s, file});
        QTRY_VERIFY_WITH_TIMEOUT(r.rowsTold() >= 2, 30000);
        meter->stop();
        QTRY_VERIFY_WITH_TIMEOUT(r.said("was disconnected"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(r.said("No reading from the meter since "), 10000);
        const int during = r.rowsTold();
        meter = std::make_unique<Meter>(link);
        QTRY_VERIFY_WITH_TIMEOUT(r.said("is connected again"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(r.said("The meter is sending readings again"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(r.rowsTold() >= during + 2, 30000);
        ::kill(pid_t(r.p.processId()), SIGTERM);
        QVERIFY(r.p.waitForFinished(30000));
        QCOMPARE(r.p.exitCode(), 0);
        QVERIFY2(!r.err.contains(QByteArray("Com Port")), r.err.constData()); // named as given
        const QList<QByteArray> lines = fileLines(file);
        for (int i = 0; i < lines.size() - 2; ++i)
            checkRow(lines[i], i + 1); // rows went on while the meter was away
        checkClosing(lines, 7);
    }

    // Bad arguments and a port that cannot be opened leave the file untouched.
    void refusedBeforeTheFile_data()
    {
        QTest::addColumn<QString>("port"); // %1: the test's folder
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("told");
        const QString none = u"%1/nothing"_s;
        QTest::newRow("interval 0") << none << "--dual --interval 0" << 2
                                    << "quorvane-record: --interval takes 1 to 3600 seconds, not "
                                       "\"0\"\nUsage: quorvane-record --port DEVICE";
        QTest::newRow("no mode") << none << "" << 2
                                 << "quorvane-record: --single or --dual is required";
        QTest::newRow("start only")
            << none << "--dual --start 08:00:00" << 2
            << "You Must Enter Both A Start Time & A Stop Time\nStop Time Is Not Valid (Use 24 "
               "Hour Format)\n";
        QTest::newRow("no such port")
            << none << "--dual" << 1 << "message: Cannot open the port: %1/nothing: no such port\n";
        QTest::newRow("/dev/null")
            << "/dev/null"
            << "--dual" << 1 << "message: Cannot open the port: /dev/null is not a serial device\n";
        QTest::newRow("a regular file")
            << "%1/plain"
            << "--dual" << 1 << "message: Cannot open the port: %1/plain is not a serial device\n";
        QTest::newRow("a folder") << "%1"
                                  << "--dual" << 1
                                  << "message: Cannot open the port: %1 is not a serial device\n";
        QTest::newRow("tty, under /dev")
            << "tty"
            << "--dual" << 1 << "message: Cannot open the port: /dev/tty is not a serial device\n";
        QTest::newRow("an empty window")
            << none << "--dual --start 06:00:00 --stop 06:00:00" << 1
            << "quorvane-record: the window from 06:00:00 to 06:00:00 is empty";
    }
    void refusedBeforeTheFile()
    {
        QFETCH(QString, port);
        QFETCH(QString, args);
        QTemporaryDir dir;
        QFile plain(dir.filePath(u"plain"_s));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        const QString file = dir.filePath(u"NOT.CSV"_s);
        QStringList a{u"--port"_s, QString(port).replace(u"%1"_s, dir.path())};
        if (!args.isEmpty())
            a << args.split(u' ');
        Record r(a << file);
        QVERIFY(r.p.waitForFinished(30000));
        r.read();
        QTEST(r.p.exitCode(), "code");
        QFETCH(QString, told);
        QVERIFY2(untimed(r.err).startsWith(told.replace(u"%1"_s, dir.path()).toLocal8Bit()),
                 r.err.constData());
        QVERIFY(!QFile::exists(file));
    }

    void helpAndVersion()
    {
        Record help({u"--help"_s});
        Record version({u"--version"_s});
        QVERIFY(help.p.waitForFinished(30000) && version.p.waitForFinished(30000));
        help.read(), version.read();
        QCOMPARE(help.p.exitCode(), 0);
        QVERIFY(help.out.startsWith("Usage: quorvane-record --port DEVICE (--single | --dual)"));
        QVERIFY(help.out.contains("--samples N"));
        QCOMPARE(version.out, "quorvane-record " QUORVANE_VERSION "\n");
    }

    // The program needs no window system: no Qt Gui or Widgets among the libraries it loads.
    void needsNoGuiLibrary()
    {
        QProcess readelf;
        readelf.start(u"readelf"_s, {u"-d"_s, kRecord});
        QVERIFY(readelf.waitForFinished(30000));
        QCOMPARE(readelf.exitCode(), 0);
        QStringList needed;
        for (const QByteArray& line : readelf.readAllStandardOutput().split('\n'))
            if (line.contains("(NEEDED)"))
                needed << QString::fromLatin1(line.mid(line.indexOf('[') + 1)).chopped(1);
        QVERIFY2(needed.contains(u"libQt6Core.so.6"_s), qPrintable(needed.join(u' ')));
        QVERIFY(needed.contains(u"libQt6SerialPort.so.6"_s));
        for (const QString& lib : needed)
            QVERIFY2(!lib.startsWith(u"libQt6Gui") && !lib.startsWith(u"libQt6Widgets") &&
                         !lib.startsWith(u"libQt6PrintSupport") && !lib.startsWith(u"libX") &&
                         !lib.startsWith(u"libGL"),
                     qPrintable(lib));
    }
};

QTEST_GUILESS_MAIN(TestRecordTool)
#include "test_record_tool.moc"
