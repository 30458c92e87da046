// The real serial layer over a real pseudo-terminal: what a meter writes on the far end must
// reach the receive handler as whole packets, whatever pieces and pauses the line brings.

#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "dig_display.h"
#include "fakes.h"
#include "framing.h"
#include "frm_main.h"
#include "port_dialogs.h"
#include "qt_serial_control.h"

namespace {

// The far end of the line, where the meter sits.
class Pty
{
  public:
    Pty()
    {
        int slave = -1;
        char name[256] = {};
        if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
            qFatal("openpty failed");
        termios t{};
        tcgetattr(slave, &t);
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
        ::close(slave);
        m_path = QString::fromLocal8Bit(name);
    }
    ~Pty() { pullAway(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const QString& path() const { return m_path; }

    void write(const QByteArray& bytes)
    {
        const char* p = bytes.constData();
        qsizetype n = bytes.size();
        while (n > 0) {
            const ssize_t w = ::write(m_master, p, size_t(n));
            if (w < 0 && errno == EINTR)
                continue;
            QVERIFY2(w > 0, "write to the pseudo-terminal failed");
            p += w;
            n -= w;
        }
    }

    // Like pulling a USB adapter: the device goes away under the open port.
    void pullAway()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

  private:
    int m_master = -1;
    QString m_path;
};

QByteArray packet(int n)
{
    // Humidity on display 1, temperature on display 2; n varies the digits.
    return QByteArray("\x02"
                      "010412") +
           QByteArray::number(1000 + n % 9000).rightJustified(4, '0') +
           QByteArray::number(4000 + n % 5000).rightJustified(4, '0') + "\r";
}

// The receive handler of the main window, reduced to what the line delivers: every read, and
// the ones that pass the framing test.
class Intake : public QObject
{
  public:
    explicit Intake(SerialControl& c) : m_c(c)
    {
        connect(&c, &SerialControl::OnComm, this, [this] {
            m_c.setInputLen(0);
            if (m_c.InBufferCount() != 0) {
                const QString s = m_c.Input();
                reads << s;
                if (isWholePacket(s))
                    accepted << s;
            }
        });
    }
    QStringList reads;
    QStringList accepted;

  private:
    SerialControl& m_c;
};

QString latin1(const QByteArray& b)
{
    return QString::fromLatin1(b);
}

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Points `link` at `target`, replacing what was there in one step.
bool pointLink(const QString& link, const QString& target)
{
    const QString tmp = link + QStringLiteral(".new");
    QFile::remove(tmp);
    if (!QFile::link(target, tmp))
        return false;
    return ::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(link).constData()) == 0;
}

std::unique_ptr<QtSerialControl> openOn(const QString& device, bool dtr = false)
{
    PortMap ports;
    ports.setDevice(1, device);
    auto c = std::make_unique<QtSerialControl>(ports);
    c->setDTREnable(dtr);
    c->setCommPort(1);
    c->setSettings(QStringLiteral("9600,N,8,1"));
    c->setInputLen(16);
    c->setPortOpen(true);
    return c;
}

} // namespace

class TestE2ePty : public QObject
{
    Q_OBJECT
  private slots:
    void packetsWithPausesArriveOneReadEach();
    void streamStartingMidPacketIsInStepByTheNextPacket_data();
    void streamStartingMidPacketIsInStepByTheNextPacket();
    void packetInPiecesTwentyMsApartIsAcceptedWhole();
    void everyPieceRestartsTheStaleTime();
    void pairWithoutPauseIsDroppedWholeAndNextIsAccepted();
    void lineThatNeverPausesKeepsTheBufferBounded();
    void framingHoldsPerRead_data();
    void framingHoldsPerRead();
    void exactlyOnePacketNeedsNoPause_data();
    void exactlyOnePacketNeedsNoPause();
    void pollingWithoutEventLoopSeesPackets();
    void pollThatFallsBehindLosesNothing_data();
    void pollThatFallsBehindLosesNothing();
    void waitingServesTheEventLoop_data();
    void waitingServesTheEventLoop();
    void dtrOnLineWithoutModemSignalsStillWorks();
    void pulledDeviceIsReportedOnceAndReopened();
    void mainWindowDecodesPacketsFromTheLine();
};

void TestE2ePty::packetsWithPausesArriveOneReadEach()
{
    Pty pty;
    auto c = openOn(pty.path());
    Intake in(*c);
    for (int i = 0; i < 5; ++i) {
        pty.write(packet(i));
        QTRY_COMPARE_WITH_TIMEOUT(in.accepted.size(), i + 1, 5000);
    }
    QCOMPARE(in.reads, in.accepted);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(in.accepted[i], latin1(packet(i)));
}

void TestE2ePty::streamStartingMidPacketIsInStepByTheNextPacket_data()
{
    QTest::addColumn<int>("gapMs");   // from the tail piece to the next packet
    QTest::addColumn<int>("dropped"); // whole packets lost while getting in step
    // A meter sending about once a second: the tail goes stale before the next packet.
    QTest::newRow("slow meter") << 400 << 0;
    // The tail and the next packet close together: that one read is lost whole.
    QTest::newRow("tail joined to a packet") << 0 << 1;
}

void TestE2ePty::streamStartingMidPacketIsInStepByTheNextPacket()
{
    QFETCH(int, gapMs);
    QFETCH(int, dropped);
    Pty pty;
    auto c = openOn(pty.path());
    Intake in(*c);
    const QByteArray tail = packet(99).mid(9);
    if (gapMs == 0) {
        pty.write(tail + packet(1));
    } else {
        pty.write(tail);
        QTest::qWait(gapMs);
        pty.write(packet(1));
    }
    if (dropped == 0)
        QTRY_COMPARE_WITH_TIMEOUT(in.accepted.size(), 1, 5000);
    else
        QTRY_COMPARE_WITH_TIMEOUT(in.reads.size(), 1, 5000);
    pty.write(packet(2));
    QTRY_COMPARE_WITH_TIMEOUT(in.accepted.size(), 2 - dropped, 5000);
    QCOMPARE(in.accepted.last(), latin1(packet(2)));
    if (dropped == 0) {
        QCOMPARE(in.accepted.first(), latin1(packet(1)));
        QCOMPARE(in.reads, in.accepted); // the stale tail was never handed out
    } else {
        QCOMPARE(in.reads.first(), latin1(tail + packet(1)));
    }
}

void TestE2ePty::packetInPiecesTwentyMsApartIsAcceptedWhole()
{
    Pty pty;
    auto c = openOn(pty.path());
    Intake in(*c);
    for (int i = 0; i < 4; ++i) {
        const QByteArray p = packet(i);
        pty.write(p.left(5));
        QTest::qWait(20);
        pty.write(p.mid(5, 6));
        QTest::qWait(20);
        pty.write(p.mid(11));
        QTRY_COMPARE_WITH_TIMEOUT(in.accepted.size(), i + 1, 5000);
        QCOMPARE(in.accepted.last(), latin1(p));
    }
    QCOMPARE(in.reads, in.accepted);
}

// A slow adapter: pieces each well within the stale time of the one before, all of them over
// more than it. Times are scaled up so that a busy machine keeps their order: a piece is stale
// 2.5 s after its last byte, and the second piece comes after the first has been found short.
void TestE2ePty::everyPieceRestartsTheStaleTime()
{
    Pty pty;
    auto c = openOn(pty.path());
    c->setPauseMs(1250);
    c->setStaleMs(2500);
    Intake in(*c);
    const QByteArray p = packet(7);
    pty.write(p.left(5));
    QTest::qWait(1500);
    pty.write(p.mid(5, 6));
    QTest::qWait(1500);
    pty.write(p.mid(11));
    QTRY_COMPARE_WITH_TIMEOUT(in.accepted, QStringList{latin1(p)}, 5000);
}

void TestE2ePty::pairWithoutPauseIsDroppedWholeAndNextIsAccepted()
{
    Pty pty;
    auto c = openOn(pty.path());
    Intake in(*c);
    pty.write(packet(1) + packet(2));
    QTRY_COMPARE_WITH_TIMEOUT(in.reads.size(), 1, 5000);
    QCOMPARE(in.reads.first().size(), 32);
    QVERIFY(in.accepted.isEmpty());
    pty.write(packet(3));
    QTRY_COMPARE_WITH_TIMEOUT(in.accepted.size(), 1, 5000);
    QCOMPARE(in.accepted.first(), latin1(packet(3)));
}

void TestE2ePty::lineThatNeverPausesKeepsTheBufferBounded()
{
    Pty pty;
    auto c = openOn(pty.path());
    Intake in(*c);
    QByteArray flood;
    for (int i = 0; i < 250; ++i)
        flood += packet(i);
    pty.write(flood);
    QTRY_VERIFY_WITH_TIMEOUT(!in.reads.isEmpty(), 5000);
    pty.write(packet(500));
    QTRY_COMPARE_WITH_TIMEOUT(in.accepted.size(), 1, 5000);
    QCOMPARE(in.accepted.first(), latin1(packet(500)));
    qsizetype got = 0;
    for (const QString& r : in.reads) {
        QVERIFY(r.size() <= 1024);
        got += r.size();
    }
    QVERIFY(got < flood.size() + 16);
}

void TestE2ePty::pollThatFallsBehindLosesNothing_data()
{
    QTest::addColumn<bool>("eventsMeanwhile");
    QTest::newRow("polled only") << false;
    QTest::newRow("events handled, the receive event blocked") << true;
}

void TestE2ePty::pollThatFallsBehindLosesNothing()
{
    // A download reads in packet steps; when it falls behind, four times what the receive buffer
    // holds is waiting, and every packet must still come, in order.
    QFETCH(bool, eventsMeanwhile);
    Pty pty;
    auto c = openOn(pty.path());
    QByteArray sent;
    for (int i = 0; i < 256; ++i)
        sent += packet(i);
    {
        const QSignalBlocker quiet(c.get());
        pty.write(sent);
        if (eventsMeanwhile)
            QTest::qWait(200);
    }
    QByteArray got;
    QElapsedTimer cutOff;
    cutOff.start();
    while (got.size() < sent.size() && cutOff.elapsed() < 20000) {
        if (c->InBufferCount() > 15)
            got += c->Input().toLatin1();
        else
            c->waitForInput(5);
    }
    QCOMPARE(got.size(), sent.size());
    QCOMPARE(got, sent);
}

void TestE2ePty::framingHoldsPerRead_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("16 starting with code 2") << packet(7) << true;
    QTest::newRow("17 characters") << packet(7) + "0" << false;
    QTest::newRow("16 not starting with code 2") << QByteArray("0") + packet(7).mid(1) << false;
    QTest::newRow("code 2 later inside") << QByteArray("9") + packet(7).left(15) << false;
}

void TestE2ePty::framingHoldsPerRead()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, accepted);
    Pty pty;
    auto c = openOn(pty.path());
    Intake in(*c);
    pty.write(bytes);
    QTRY_COMPARE_WITH_TIMEOUT(in.reads.size(), 1, 5000);
    QCOMPARE(in.reads.first(), latin1(bytes));
    QCOMPARE(in.accepted.size(), accepted ? 1 : 0);
    // Whatever happened, the next packet after a pause is taken.
    pty.write(packet(8));
    QTRY_COMPARE_WITH_TIMEOUT(in.reads.size(), 2, 5000);
    QCOMPARE(in.accepted.last(), latin1(packet(8)));
}

void TestE2ePty::exactlyOnePacketNeedsNoPause_data()
{
    QTest::addColumn<QByteArrayList>("pieces"); // written 20 ms apart
    QTest::addColumn<bool>("atOnce");
    QTest::newRow("one packet") << QByteArrayList{packet(7)} << true;
    QTest::newRow("one packet in two pieces")
        << QByteArrayList{packet(7).left(6), packet(7).mid(6)} << true;
    QTest::newRow("16 without the closing return")
        << QByteArrayList{packet(7).left(15) + "0"} << false;
    QTest::newRow("16 not starting with code 2")
        << QByteArrayList{QByteArray("0") + packet(7).mid(1)} << false;
    QTest::newRow("a packet and one more") << QByteArrayList{packet(7) + "0"} << false;
    QTest::newRow("a tail, then a packet") << QByteArrayList{packet(3).mid(10), packet(7)} << false;
}

void TestE2ePty::exactlyOnePacketNeedsNoPause()
{
    QFETCH(QByteArrayList, pieces);
    QFETCH(bool, atOnce);
    Pty pty;
    auto c = openOn(pty.path());
    c->setPauseMs(3'600'000); // a pause that never ends while the test runs
    Intake in(*c);
    for (const QByteArray& piece : pieces) {
        pty.write(piece);
        QTest::qWait(20);
    }
    if (atOnce) {
        QTRY_COMPARE_WITH_TIMEOUT(in.reads.size(), 1, 5000);
        QCOMPARE(in.accepted, QStringList{latin1(packet(7))});
    } else {
        QTest::qWait(300);
        QVERIFY(in.reads.isEmpty()); // left for the pause to delimit
    }
}

void TestE2ePty::pollingWithoutEventLoopSeesPackets()
{
    // The datalogger download polls the control in a loop that never returns to the event loop.
    Pty pty;
    auto c = openOn(pty.path());
    c->setInputLen(16);
    pty.write(packet(1) + packet(2) + packet(3));
    QStringList got;
    QElapsedTimer t;
    t.start();
    while (got.size() < 3 && t.elapsed() < 10000) {
        if (c->InBufferCount() > 15)
            got << c->Input();
    }
    QCOMPARE(got, QStringList({latin1(packet(1)), latin1(packet(2)), latin1(packet(3))}));
    QCOMPARE(c->InBufferCount(), 0);
}

// The download waits on the line in an event loop: timers and painting go on meanwhile, and
// characters that arrive end the wait. Its receive events are the caller's to hold back.
void TestE2ePty::waitingServesTheEventLoop_data()
{
    QTest::addColumn<bool>("meterSends");
    QTest::newRow("characters arrive") << true;
    QTest::newRow("silence") << false;
}

void TestE2ePty::waitingServesTheEventLoop()
{
    QFETCH(bool, meterSends);
    Pty pty;
    auto c = openOn(pty.path());
    QSignalSpy received(c.get(), &SerialControl::OnComm);
    const QSignalBlocker quiet(c.get());
    bool served = false;
    QTimer::singleShot(0, [&] {
        served = true;
        if (meterSends)
            pty.write(packet(1));
    });
    for (int i = 0; i < 200 && c->InBufferCount() < 16 && (meterSends || !served); ++i)
        c->waitForInput(50);
    QVERIFY(served);
    if (meterSends)
        QCOMPARE(c->Input(), latin1(packet(1)));
    else
        QCOMPARE(c->InBufferCount(), 0);
    QCOMPARE(received.count(), 0);
}

void TestE2ePty::dtrOnLineWithoutModemSignalsStillWorks()
{
    Pty pty;
    std::unique_ptr<QtSerialControl> c;
    try {
        c = openOn(pty.path(), true);
    } catch (const RuntimeError& e) {
        QFAIL(qPrintable(QStringLiteral("opening with DTR failed: ") + e.description()));
    }
    QVERIFY(c->PortOpen());
    QVERIFY(c->deviceConnected());
    Intake in(*c);
    pty.write(packet(1));
    QTRY_COMPARE_WITH_TIMEOUT(in.accepted.size(), 1, 5000);
    c->setDTREnable(false);
    c->setDTREnable(true);
    QVERIFY(c->deviceConnected());
    pty.write(packet(2));
    QTRY_COMPARE_WITH_TIMEOUT(in.accepted.size(), 2, 5000);
}

void TestE2ePty::pulledDeviceIsReportedOnceAndReopened()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("meter"));
    auto first = std::make_unique<Pty>();
    QVERIFY(pointLink(link, first->path()));

    auto c = openOn(link);
    c->setReconnectMs(100);
    Intake in(*c);
    QSignalSpy notices(c.get(), &SerialControl::notice);
    first->write(packet(1));
    QTRY_COMPARE_WITH_TIMEOUT(in.accepted.size(), 1, 5000);

    // The adapter goes, and with it its device path (the pseudo-terminal's number is soon
    // handed to someone else, so the link must not lead there).
    first->pullAway();
    QVERIFY(QFile::remove(link));
    QTRY_COMPARE_WITH_TIMEOUT(notices.size(), 1, 5000);
    QVERIFY(notices.first().first().toString().contains(QStringLiteral("Com Port 1")));
    QTRY_VERIFY_WITH_TIMEOUT(!c->deviceConnected(), 5000);

    // While the device is gone: the program carries on, quietly and without burning a core.
    const double cpu0 = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    int ticks = 0;
    QTimer tick;
    connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(50);
    QTest::qWait(1500);
    tick.stop();
    const double cpu = processCpuSeconds() - cpu0;
    const double secs = wall.elapsed() / 1000.0;
    qInfo("device gone: %.3f s CPU in %.3f s", cpu, secs);
    QVERIFY2(cpu < 0.5 * secs, "the event loop spins while the device is gone");
    QVERIFY(ticks > 0);
    QCOMPARE(notices.size(), 1);
    QVERIFY(c->PortOpen());
    QCOMPARE(c->InBufferCount(), 0);
    QCOMPARE(c->Input(), QString());

    // The same path comes back, now leading to another device.
    Pty second;
    QVERIFY(pointLink(link, second.path()));
    QTRY_VERIFY_WITH_TIMEOUT(c->deviceConnected(), 10000);
    QCOMPARE(notices.size(), 2);
    QVERIFY(notices.last().first().toString().contains(QStringLiteral("Com Port 1")));
    second.write(packet(2));
    QTRY_COMPARE_WITH_TIMEOUT(in.accepted.size(), 2, 5000);
    QCOMPARE(in.accepted.last(), latin1(packet(2)));
}

void TestE2ePty::mainWindowDecodesPacketsFromTheLine()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("meter"));
    Pty pty;
    QVERIFY(pointLink(link, pty.path()));
    PortMap ports;
    QVERIFY(
        ports.applyArguments({QStringLiteral("--port"), QStringLiteral("1=") + link}).isEmpty());

    auto boxes = std::make_shared<FakeMessageBoxes>();
    Platform p;
    p.comm = std::make_unique<QtSerialControl>(ports);
    p.clock = std::make_shared<FakeClock>();
    p.boxes = boxes;
    p.dialog = std::make_shared<FakeCommonDialog>();
    p.files = std::make_shared<SeqFiles>();
    FrmMain w(std::move(p), ports);
    w.Form_Load();
    FrmComSelect* cs = w.comSelect();
    cs->Option1->setChecked(true);
    cs->Enable_DTR->setChecked(true);
    cs->Command2_Click();
    w.displayType()->DisplayTwo->setChecked(true);
    boxes->answers.push_back(Mb::No);
    w.displayType()->Command2_Click();
    QVERIFY2(w.Comm1->PortOpen(), qPrintable(boxes->shown.join(u'|')));

    // The worked example of the packet layout, then a pair without a pause, then one more.
    const QByteArray example("\x02"
                             "01041202354512\r");
    pty.write(example);
    QTRY_COMPARE_WITH_TIMEOUT(w.session().Disp1_Value, QStringLiteral("+45.12"), 5000);
    QCOMPARE(w.session().Disp1_Unit, QStringLiteral("%RH"));
    QCOMPARE(w.session().Disp2_Value, QStringLiteral("+023.5"));
    QCOMPARE(w.session().Disp2_Unit, QStringLiteral(" Deg C"));
    QCOMPARE(w.digDisplay()->Label2->text(), QStringLiteral("+45.12"));
    const long long count = w.session().Rec_Count;

    pty.write(packet(1) + packet(2));
    QTRY_COMPARE_WITH_TIMEOUT(w.session().Sig_Str.size(), 32, 5000);
    QCOMPARE(w.session().Rec_Count, count);
    QCOMPARE(w.session().Disp1_Value, QStringLiteral("+45.12"));

    const QByteArray next("\x02"
                          "21041202354613\r");
    pty.write(next);
    QTRY_COMPARE_WITH_TIMEOUT(w.session().Disp1_Value, QStringLiteral("+46.13"), 5000);
    QCOMPARE(w.session().Disp2_Value, QStringLiteral("-023.5"));
    QCOMPARE(w.session().Rec_Count, count + 1);
    w.Form_Unload();
}

QTEST_MAIN(TestE2ePty)
#include "test_e2e_pty.moc"
