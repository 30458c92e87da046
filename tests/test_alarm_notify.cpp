// The desktop notification of an alarm, on a private session bus that this test starts for
// itself (dbus-run-session with a bus of no services), where the test also stands in for the
// notification service; then with no service, and with no bus at all.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "alarm_engine.h"
#include "desktop_notifier.h"
#include "fakes.h"

using namespace Qt::StringLiterals;

namespace {

const QString kService = u"org.freedesktop.Notifications"_s;

AlarmEvent sampleEvent()
{
    AlarmEvent e;
    e.date = QDate(2026, 5, 31);
    e.time = QTime(14, 3, 9);
    e.kind = AlarmKind::DeviceLost;
    e.text = u"/dev/ttyUSB0 was disconnected."_s;
    return e;
}

} // namespace

// What a notification service is asked.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
  public:
    struct Call
    {
        QString app, icon, summary, body;
        QVariantMap hints;
        int timeout = 0;
    };
    QList<Call> calls;

  public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout)
    {
        Q_UNUSED(replaces);
        Q_UNUSED(actions);
        calls.append({app, icon, summary, body, hints, timeout});
        return uint(calls.size());
    }
};

class TestAlarmNotify : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase()
    {
        QVERIFY2(qEnvironmentVariableIsSet("QV_PRIVATE_BUS"), "not on the test's own bus");
        QVERIFY(QDBusConnection::sessionBus().isConnected());
    }

    // An alarm that rises makes exactly one Notify call, with the event in it.
    void alarmNotifies()
    {
        QDBusConnection service =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"service"_s);
        FakeNotifications fake;
        QVERIFY(service.registerObject(u"/org/freedesktop/Notifications"_s, &fake,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(kService));

        FakeClock clock;
        AlarmEngine engine(clock);
        QStringList fallback;
        auto notifier = std::make_shared<DesktopNotifier>(
            [&fallback](const QString& line) { fallback << line; });
        QSignalSpy delivered(notifier.get(), &DesktopNotifier::delivered);
        engine.setNotifier(notifier);
        AlarmSettings s;
        s.limits[0].high = 40;
        engine.setSettings(s);
        const DisplayReading r[] = {{u"+45.12"_s, u"%RH"_s}};
        engine.reading(r);
        engine.reading(r); // the alarm stands: nothing new
        QTRY_COMPARE_WITH_TIMEOUT(delivered.size(), 1, 30000);
        QCOMPARE(fake.calls.size(), 1);
        const FakeNotifications::Call& c = fake.calls.first();
        QCOMPARE(c.app, u"Quorvane"_s);
        QCOMPARE(c.summary, u"High alarm, display 1"_s);
        QCOMPARE(c.body, u"Display 1 is above its high limit: +45.12 %RH (limit 40)"_s);
        QCOMPARE(c.hints.value(u"urgency"_s).toInt(), 2);
        QCOMPARE(c.timeout, -1);
        QVERIFY(fallback.isEmpty());

        service.unregisterService(kService);
        QDBusConnection::disconnectFromBus(u"service"_s);
    }

    // A bus with no notification service: the event is one line on the fallback, no wait.
    void noService()
    {
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(kService));
        QStringList fallback;
        DesktopNotifier notifier([&fallback](const QString& line) { fallback << line; });
        notifier.notify(sampleEvent());
        QTRY_COMPARE_WITH_TIMEOUT(fallback.size(), 1, 30000);
        QCOMPARE(fallback.first(),
                 u"2026-05-31T14:03:09 device-lost: /dev/ttyUSB0 was disconnected."_s);
    }

    // No bus at all, in a process of its own: one line on standard error and a prompt end.
    void noBusAtAll()
    {
        QTemporaryDir runtime; // holds no bus socket
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(u"DBUS_SESSION_BUS_ADDRESS"_s);
        env.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(), {u"--no-bus-child"_s});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardError(),
                 "2026-05-31T14:03:09 device-lost: /dev/ttyUSB0 was disconnected.\n");
    }
};

namespace {

int noBusChild(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (DesktopNotifier::sessionBusKnown())
        return 2;
    bool fell = false;
    DesktopNotifier notifier([&fell](const QString& line) {
        std::fprintf(stderr, "%s\n", qPrintable(line));
        fell = true;
    });
    notifier.notify(sampleEvent());
    return fell ? 0 : 3;
}

// This test's own session bus: no service files, so nothing is started behind its back.
void onPrivateBus(char* argv[])
{
    char path[] = "/tmp/qv-test-bus-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0)
        return;
    const QByteArray config =
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen>"
        "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
        "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n";
    const bool written = ::write(fd, config.constData(), size_t(config.size())) == config.size();
    ::close(fd);
    if (!written)
        return;
    ::setenv("QV_PRIVATE_BUS", path, 1);
    QByteArray option = QByteArray("--config-file=") + path;
    std::vector<char*> args{const_cast<char*>("dbus-run-session"), option.data(),
                            const_cast<char*>("--")};
    for (int i = 0; argv[i]; ++i)
        args.push_back(argv[i]);
    args.push_back(nullptr);
    ::execvp("dbus-run-session", args.data());
    std::perror("dbus-run-session");
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--no-bus-child") == 0)
        return noBusChild(argc, argv);
    if (!qEnvironmentVariableIsSet("QV_PRIVATE_BUS")) {
        onPrivateBus(argv);
        return 1; // only when the bus could not be started
    }
    ::unlink(qgetenv("QV_PRIVATE_BUS").constData()); // the bus has read its configuration
    QCoreApplication app(argc, argv);
    TestAlarmNotify t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_alarm_notify.moc"
