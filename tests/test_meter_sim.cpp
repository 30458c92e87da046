// The meter simulator on a pseudo-terminal, read back through the real serial layer and then
// decoded: every kind of meter must give the readings that kind of meter shows.

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <ctime>

#include "framing.h"
#include "qt_serial_control.h"

namespace {

struct Reading
{
    QString v1, u1, v2, u2;
};

QByteArray fromHex(const QByteArray& line)
{
    QByteArray out;
    for (const QByteArray& h : line.split(' '))
        if (!h.isEmpty())
            out += char(h.toInt(nullptr, 16));
    return out;
}

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

class TestMeterSim : public QObject
{
    Q_OBJECT
  private slots:
    void kinds_data();
    void kinds();
    void charPacedPacketsAreAcceptedWhole();
    void datalogger();
    void linkFollowsTheSimulator();
    void informs_data();
    void informs();
};

void TestMeterSim::kinds_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("single");
    const QStringList none;
    QTest::newRow("dual") << "dual" << none << 8 << false;
    QTest::newRow("dual from mid-packet, in pieces")
        << "dual" << QStringList{"--start-mid-packet", "--split", "20", "--rate", "4"} << 4
        << false;
    QTest::newRow("single") << "single" << none << 8 << true;
    QTest::newRow("light") << "light" << none << 30 << false;
    QTest::newRow("uv") << "uv" << none << 16 << false;
    QTest::newRow("sound") << "sound" << none << 8 << false;
    QTest::newRow("vib") << "vib" << none << 6 << false;
    QTest::newRow("overrange") << "overrange" << none << 8 << false;
    QTest::newRow("overrange single") << "overrange" << none << 8 << true;
    QTest::newRow("error") << "error" << none << 5 << false;
    QTest::newRow("alternate") << "alternate" << none << 8 << false;
}

void TestMeterSim::kinds()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, extra);
    QFETCH(int, count);
    QFETCH(bool, single);

    QProcess sim;
    QStringList args{"--meter", kind, "--rate",   "10", "--count", QString::number(count),
                     "--seed",  "7",  "--verbose"};
    sim.start(QStringLiteral(QUORVANE_SIM_PATH), args + extra);
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QVERIFY(device.startsWith(QStringLiteral("/dev/")));

    PortMap ports;
    ports.setDevice(1, device);
    QtSerialControl c(ports);
    c.setCommPort(1);
    c.setSettings(QStringLiteral("9600,N,8,1"));
    c.setInputLen(16);
    c.setPortOpen(true);
    QStringList reads, accepted;
    connect(&c, &SerialControl::OnComm, this, [&] {
        c.setInputLen(0);
        if (c.InBufferCount() != 0) {
            reads << c.Input();
            if (isWholePacket(reads.last()))
                accepted << reads.last();
        }
    });
    QTRY_VERIFY_WITH_TIMEOUT(sim.state() == QProcess::NotRunning, 60000);
    QCOMPARE(sim.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(accepted.size(), count, 5000);

    // What arrived is exactly what the meter sent, packet by packet.
    QStringList sent;
    bool sentTail = false;
    for (const QByteArray& line : sim.readAllStandardError().split('\n')) {
        if (line.startsWith("packet:"))
            sent << QString::fromLatin1(fromHex(line.mid(7)));
        sentTail |= line.startsWith("tail:");
    }
    QCOMPARE(accepted, sent);
    QCOMPARE(reads, accepted);
    QCOMPARE(sentTail, extra.contains(QStringLiteral("--start-mid-packet")));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("packets.bin"));
    {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        for (const QString& p : accepted)
            f.write(p.toLatin1());
    }
    QProcess dec;
    dec.start(QStringLiteral(QUORVANE_DECODE_PATH),
              single ? QStringList{"--single", file} : QStringList{file});
    QVERIFY2(dec.waitForFinished(60000), "quorvane-decode did not run");
    QCOMPARE(dec.exitCode(), 0);
    QList<Reading> r;
    for (const QByteArray& line : dec.readAllStandardOutput().split('\n')) {
        if (line.isEmpty())
            continue;
        const QStringList f = QString::fromLatin1(line).split(u'\t');
        QVERIFY2(f.size() == 4 && f[0] != QLatin1String("error"), line.constData());
        r.append({f[0], f[1], f[2], f[3]});
    }
    QCOMPARE(r.size(), count);

    auto all = [&](auto pred) {
        for (const Reading& x : r)
            if (!pred(x))
                return false;
        return true;
    };
    auto number = [](const QString& s) { return s.toDouble(); };
    const QRegularExpression dualValue1(QStringLiteral("^\\+\\d\\d\\.\\d\\d$"));
    const QRegularExpression dualValue2(QStringLiteral("^[+-]\\d\\d\\d\\.\\d$"));

    if (kind == QLatin1String("dual")) {
        QVERIFY(all([&](const Reading& x) {
            return x.u1 == QLatin1String("%RH") && x.u2 == QLatin1String(" Deg C") &&
                   dualValue1.match(x.v1).hasMatch() && dualValue2.match(x.v2).hasMatch() &&
                   number(x.v1) >= 20 && number(x.v1) <= 90;
        }));
    } else if (kind == QLatin1String("single")) {
        // The eight-digit reading: a plain number, beyond what four digits can show.
        const QRegularExpression plain(QStringLiteral("^\\d+(\\.\\d)?$"));
        QVERIFY(all([&](const Reading& x) {
            return x.u1 == QLatin1String("Ft/min") && plain.match(x.v1).hasMatch() &&
                   number(x.v1) >= 800;
        }));
        QVERIFY(!all([&](const Reading& x) { return number(x.v1) < 10000; }));
    } else if (kind == QLatin1String("light")) {
        QSet<QString> letters, ranges;
        for (const Reading& x : r) {
            letters << x.u1.left(1);
            ranges << x.u1.mid(1);
            QCOMPARE(x.v2, QStringLiteral("+."));
        }
        QCOMPARE(letters, (QSet<QString>{"L", "F", "S", "C"}));
        QCOMPARE(ranges,
                 (QSet<QString>{" 2K LUX", " 20K LUX", " 50K LUX", " 200 fc", " 2K fc", " 5K fc"}));
    } else if (kind == QLatin1String("uv")) {
        QSet<QString> units;
        for (const Reading& x : r) {
            units << x.u1;
            QVERIFY2(!x.v1.contains(u'?'), qPrintable(x.v1));
        }
        QCOMPARE(units, (QSet<QString>{"uW/cm2", "mW/cm2"}));
    } else if (kind == QLatin1String("sound")) {
        QVERIFY(all([&](const Reading& x) {
            return x.u1 == QLatin1String("dB") && number(x.v1) >= 35 && number(x.v1) <= 130;
        }));
    } else if (kind == QLatin1String("vib")) {
        QVERIFY(all([](const Reading& x) { return x.u1 == QLatin1String("Vib"); }));
    } else if (kind == QLatin1String("overrange")) {
        QVERIFY(all([](const Reading& x) { return x.u1 == QLatin1String("PSI"); }));
        if (single) {
            // Over-range high digits read as zeros; a display 1 over range stays visible.
            const QRegularExpression plain(QStringLiteral("^\\d*\\.?\\d*$"));
            int readings = 0;
            for (const Reading& x : r) {
                QVERIFY2(plain.match(x.v1).hasMatch(), qPrintable(x.v1));
                readings += number(x.v1) > 0 && number(x.v1) < 100;
            }
            QCOMPARE(readings, 6);
        } else {
            QVERIFY(!all([](const Reading& x) { return !x.v1.contains(QLatin1String("??")); }));
            QVERIFY(!all([](const Reading& x) { return !x.v2.contains(QLatin1String("??")); }));
        }
    } else if (kind == QLatin1String("error")) {
        QVERIFY(all([](const Reading& x) { return x.v1 == QLatin1String("ERROR"); }));
    } else if (kind == QLatin1String("alternate")) {
        // Each packet refreshes one display; the other keeps its last reading.
        for (int i = 1; i < r.size(); ++i) {
            QCOMPARE(r[i].u1, QStringLiteral("PSI"));
            QCOMPARE(r[i].u2, QStringLiteral("Deg C"));
            QVERIFY(number(r[i].v1) > 0 && number(r[i].v2) > 0);
            if (i % 2 == 0)
                QCOMPARE(r[i].v2, r[i - 1].v2);
            else
                QCOMPARE(r[i].v1, r[i - 1].v1);
        }
    }
}

void TestMeterSim::charPacedPacketsAreAcceptedWhole()
{
    // A real line delivers a packet one character at a time, about a millisecond apart, and a
    // meter at 20 packets a second leaves only 33 ms between packets: the intake must wait out
    // the characters of a packet, and still find the pause between two.
    //
    // On a busy machine this process may not run at all for longer than that pause; then two
    // packets are waiting when it runs again, and no intake could tell them apart. A tick every
    // 2 ms tells when that was so: two packets in one read are only excused by such a stall.
    std::vector<qint64> ticks;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    connect(&ticker, &QTimer::timeout, this, [&] { ticks.push_back(monotonicNs()); });
    ticker.start(2);
    QProcess sim;
    sim.start(QStringLiteral(QUORVANE_SIM_PATH),
              {"--meter", "dual", "--rate", "20", "--count", "30", "--char-time",
               "--start-mid-packet", "--verbose"});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
    PortMap ports;
    ports.setDevice(1, QString::fromLocal8Bit(sim.readLine()).trimmed());
    QtSerialControl c(ports);
    c.setCommPort(1);
    c.setSettings(QStringLiteral("9600,N,8,1"));
    c.setPortOpen(true);
    struct Read
    {
        QByteArray bytes;
        qint64 at;
    };
    std::vector<Read> reads;
    connect(&c, &SerialControl::OnComm, this, [&] {
        c.setInputLen(0);
        reads.push_back({c.Input().toLatin1(), monotonicNs()});
    });
    QTRY_VERIFY_WITH_TIMEOUT(sim.state() == QProcess::NotRunning, 60000);
    QList<QByteArray> sent;
    QByteArray tail;
    qsizetype heldUp = -1; // the first packet whose characters the simulator sent late
    for (const QByteArray& line : sim.readAllStandardError().split('\n')) {
        if (line.startsWith("packet:"))
            sent << fromHex(line.mid(7));
        else if (line.startsWith("tail:"))
            tail = fromHex(line.mid(5));
        else if (line.startsWith("late:") &&
                 line.mid(5).trimmed().split(' ').value(0).toInt() >= 90 && heldUp < 0)
            heldUp = std::max<qsizetype>(0, sent.size() - 1);
    }
    QCOMPARE(sent.size(), 30);
    QCOMPARE(tail.size(), 7);

    // Whether this process stood still for 15 ms or more in the 100 ms before `at`.
    const auto stalledBefore = [&](qint64 at) {
        qint64 last = 0;
        for (const qint64 t : ticks) {
            if (t > at)
                break;
            if (t >= at - 100'000'000 && last > 0 && t - last >= 15'000'000)
                return true;
            last = t;
        }
        return last > 0 && at - last >= 15'000'000;
    };
    qsizetype next = 0;
    for (size_t i = 0; i < reads.size(); ++i) {
        const QByteArray& b = reads[i].bytes;
        // The tail the line opened on comes too close to the first packet to be told apart from
        // it (a piece is kept for 100 ms); from there on every packet is taken.
        if (i == 0 && b == tail + sent.first()) {
            next = 1;
            continue;
        }
        // A packet that the line itself broke by a pause longer than the intake keeps a piece
        // for cannot come whole; from there on nothing is certain.
        if (heldUp >= 0 && next + b.size() / 16 >= heldUp &&
            b != sent.mid(next, b.size() / 16).join())
            return;
        // Every read is whole packets, in order, none lost: never a piece of one.
        QVERIFY2(b.size() % 16 == 0 && !b.isEmpty(), qPrintable(QString::number(b.size())));
        const qsizetype n = b.size() / 16;
        QVERIFY(next + n <= sent.size());
        QCOMPARE(b, sent.mid(next, n).join());
        QVERIFY2(n == 1 || stalledBefore(reads[i].at),
                 qPrintable(QStringLiteral("packets %1 to %2 in one read, with the intake running")
                                .arg(next + 1)
                                .arg(next + n)));
        next += n;
    }
    QCOMPARE(next, sent.size());
}

void TestMeterSim::datalogger()
{
    // After its trigger the meter sends its records back to back and then the end of data;
    // the download reads them in sixteen-character steps.
    QProcess sim;
    sim.start(QStringLiteral(QUORVANE_SIM_PATH),
              {"--meter", "sound", "--rate", "0", "--datalogger", "25"});
    QVERIFY(sim.waitForStarted());
    sim.closeWriteChannel();
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
    PortMap ports;
    ports.setDevice(1, QString::fromLocal8Bit(sim.readLine()).trimmed());
    QtSerialControl c(ports);
    c.setCommPort(1);
    c.setPortOpen(true);
    c.setInputLen(16);
    QTest::qWait(200); // the simulator sends only to a listener
    QCOMPARE(c.InBufferCount(), 0);
    ::kill(pid_t(sim.processId()), SIGUSR1);
    QStringList got;
    QElapsedTimer t;
    t.start();
    while (got.size() < 26 && t.elapsed() < 30000) {
        if (c.InBufferCount() > 15)
            got << c.Input();
    }
    QCOMPARE(got.size(), 26);
    for (int i = 0; i < 25; ++i) {
        QVERIFY(isWholePacket(got[i]));
        QCOMPARE(got[i].mid(3, 2), QStringLiteral("17"));
    }
    const QString end = got.last();
    QCOMPARE(end.left(7), QStringLiteral("\x02"
                                         "000000"));
    QCOMPARE(end.mid(7, 4), QString(4, QChar(27)));
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
}

void TestMeterSim::linkFollowsTheSimulator()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("meter"));
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), link)); // an old link is replaced
    QProcess sim;
    sim.start(QStringLiteral(QUORVANE_SIM_PATH), {"--link", link, "--rate", "5"});
    QVERIFY(sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(sim.canReadLine(), 10000);
    const QString device = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);
    sim.terminate();
    QVERIFY(sim.waitForFinished(10000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestMeterSim::informs_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("help") << QStringList{"--help"} << 0
                          << QByteArray("Usage: quorvane-meter-sim [options]\n");
    QTest::newRow("version") << QStringList{"--version"} << 0
                             << QByteArray("quorvane-meter-sim " QUORVANE_VERSION "\n");
    // Options are read in order: a bad one before --version is still reported.
    QTest::newRow("bad option first")
        << QStringList{"--rate", "99", "--version"} << 2 << QByteArray();
}

// Both answer without opening a pseudo-terminal, whose path would come first on stdout.
void TestMeterSim::informs()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, start);
    QProcess p;
    p.start(QStringLiteral(QUORVANE_SIM_PATH), args);
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), exitCode);
    const QByteArray out = p.readAllStandardOutput();
    if (start.isEmpty())
        QCOMPARE(out, QByteArray());
    else
        QVERIFY2(out.startsWith(start), out.constData());
    QCOMPARE(p.readAllStandardError().isEmpty(), exitCode == 0);
}

QTEST_MAIN(TestMeterSim)
#include "test_meter_sim.moc"
