#pragma once

#include <QDBusConnection>
#include <QObject>
#include <functional>
#include <optional>

#include "alarm_event.h"

// Where an event is pushed to the user's desktop.
class EventNotifier
{
  public:
    virtual ~EventNotifier() = default;
    virtual void notify(const AlarmEvent& event) = 0;
};

// The freedesktop notification service on the session bus, called without waiting for its
// answer. Where there is no bus, no service, or the call fails, the event is one line on
// `fallback` instead; nothing here ever blocks on the bus.
class DesktopNotifier : public QObject, public EventNotifier
{
    Q_OBJECT
  public:
    using Lines = std::function<void(const QString&)>;
    static constexpr int CallTimeoutMs = 10000;

    // The user's session bus, when the environment names one.
    explicit DesktopNotifier(Lines fallback, QObject* parent = nullptr);
    DesktopNotifier(const QDBusConnection& bus, Lines fallback, QObject* parent = nullptr);

    void notify(const AlarmEvent& event) override;

    // Whether a session bus can be reached without starting one: an address in the environment,
    // or the bus socket in the user's runtime folder. With neither, asking for the bus could
    // start a bus daemon of its own.
    static bool sessionBusKnown();

  signals:
    void delivered(uint id); // the service took the event
    void fellBack(const QString& line);

  private:
    void fallBack(const AlarmEvent& event);

    std::optional<QDBusConnection> m_bus;
    Lines m_fallback;
};
