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
    explicit Record(const QStringList& args)
    {
        p.setProcessEnvironment(headless());
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

// A record row of a two-display %RH and Deg C meter: number, readings, time, date. The first
// sample may come before the first packet, with no readings yet.
void checkRow(const QByteArray& line, int number)
{
    if (number == 1 && line.startsWith(" 1 ,,,,,"))
        return;
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
        QVERIFY(r.err.startsWith("recording " + file.toLocal8Bit() + " from "));
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
        const QList<QByteArray> lines = fileLines(file);
        for (int i = 0; i < lines.size() - 2; ++i) {
            if (mode == u"--dual")
                checkRow(lines[i], i + 1);
            else
                QVERIFY(lines[i].startsWith(" " + QByteArray::number(i + 1) + " ,"));
        }
        checkClosing(lines, 7); // both displays' rows, whatever the mode
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
        QTest::addColumn<QString>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("told");
        QTest::newRow("interval 0") << "--dual --interval 0" << 2
                                    << "quorvane-record: --interval takes 1 to 3600 seconds, not "
                                       "\"0\"\nUsage: quorvane-record --port DEVICE";
        QTest::newRow("no mode") << "" << 2 << "quorvane-record: --single or --dual is required";
        QTest::newRow("start only")
            << "--dual --start 08:00:00" << 2
            << "You Must Enter Both A Start Time & A Stop Time\nStop Time Is Not Valid (Use 24 "
               "Hour Format)\n";
        QTest::newRow("no such port") << "--dual" << 1 << "Cannot open the port: ";
    }
    void refusedBeforeTheFile()
    {
        QFETCH(QString, args);
        QTemporaryDir dir;
        const QString file = dir.filePath(u"NOT.CSV"_s);
        QStringList a{u"--port"_s, dir.filePath(u"nothing"_s)};
        if (!args.isEmpty())
            a << args.split(u' ');
        Record r(a << file);
        QVERIFY(r.p.waitForFinished(30000));
        r.read();
        QTEST(r.p.exitCode(), "code");
        QFETCH(QString, told);
        QVERIFY2(r.err.startsWith(told.toLocal8Bit()), r.err.constData());
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
