#include "desktop_notifier.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

QString summaryOf(const AlarmEvent& e)
{
    switch (e.kind) {
    case AlarmKind::High:
        return QStringLiteral("High alarm, display %1").arg(e.display);
    case AlarmKind::Low:
        return QStringLiteral("Low alarm, display %1").arg(e.display);
    case AlarmKind::HighCleared:
    case AlarmKind::LowCleared:
        return QStringLiteral("Alarm cleared, display %1").arg(e.display);
    case AlarmKind::LimitSuspended:
        return QStringLiteral("Limits suspended, display %1").arg(e.display);
    case AlarmKind::LimitResumed:
        return QStringLiteral("Limits apply again, display %1").arg(e.display);
    case AlarmKind::Silent:
        return QStringLiteral("The meter is silent");
    case AlarmKind::Speaking:
        return QStringLiteral("The meter speaks again");
    case AlarmKind::DeviceLost:
        return QStringLiteral("The meter's device is lost");
    case AlarmKind::DeviceBack:
        return QStringLiteral("The meter's device is back");
    case AlarmKind::FileError:
        return QStringLiteral("The recording has stopped");
    case AlarmKind::CommandFailed:
        return QStringLiteral("The alarm command failed");
    default:
        break;
    }
    return QStringLiteral("Quorvane");
}

} // namespace

bool DesktopNotifier::sessionBusKnown()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime + QStringLiteral("/bus")).exists();
}

DesktopNotifier::DesktopNotifier(Lines fallback, QObject* parent)
    : QObject(parent), m_fallback(std::move(fallback))
{
    if (sessionBusKnown())
        m_bus = QDBusConnection::sessionBus();
}

DesktopNotifier::DesktopNotifier(const QDBusConnection& bus, Lines fallback, QObject* parent)
    : QObject(parent), m_bus(bus), m_fallback(std::move(fallback))
{
}

void DesktopNotifier::fallBack(const AlarmEvent& event)
{
    const QString line = eventLine(event);
    if (m_fallback)
        m_fallback(line);
    emit fellBack(line);
}

void DesktopNotifier::notify(const AlarmEvent& event)
{
    if (!m_bus || !m_bus->isConnected()) {
        fallBack(event);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    QVariantMap hints;
    // Critical for what rises, normal for the rest.
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(rises(event.kind) ? 2 : 1)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("org.quorvane.Quorvane"));
    call << QStringLiteral("Quorvane") << uint(0) << QStringLiteral("org.quorvane.Quorvane")
         << summaryOf(event) << event.text << QStringList() << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(m_bus->asyncCall(call, CallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, event](QDBusPendingCallWatcher*) {
                watcher->deleteLater();
                const QDBusPendingReply<uint> reply = *watcher;
                if (reply.isError())
                    fallBack(event);
                else
                    emit delivered(reply.value());
            });
}
