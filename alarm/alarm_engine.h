#pragma once

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <functional>
#include <memory>

#include "alarm_rules.h"
#include "event_command.h"

class EventNotifier;

// The alarms of one session, for either face: the rules, the events of the session, and the
// actions that need no screen (the line, the notification, the user's command). A face feeds it
// readings and what befalls the link and the file, and shows what it posts.
class AlarmEngine : public QObject
{
    Q_OBJECT
  public:
    using Lines = std::function<void(const QString&)>;
    static constexpr int MaxEvents = 10000; // the oldest go first

    explicit AlarmEngine(const Clock& clock, QObject* parent = nullptr);
    ~AlarmEngine() override;

    void setSettings(const AlarmSettings& settings);
    const AlarmSettings& settings() const { return m_rules.settings(); }
    void setLines(Lines lines) { m_lines = std::move(lines); } // every event, one line each
    void setNotifier(std::shared_ptr<EventNotifier> notifier) { m_notifier = std::move(notifier); }
    EventCommand& command() { return m_command; }
    void setFile(const QString& path) { m_file = path; } // the save file events name
    const QString& file() const { return m_file; }

    // The readings of the displays that count, display 1 first.
    void reading(std::span<const DisplayReading> displays);
    void expectReadings();
    void deviceLost(const QString& text);
    void deviceBack(const QString& text);
    void post(AlarmKind kind, const QString& text);

    const std::deque<AlarmEvent>& events() const { return m_events; } // oldest first
    // How many events the list keeps (MaxEvents unless set; at least one), set before any.
    void setEventsKept(int n) { m_kept = std::max(1, n); }
    std::vector<AlarmEvent> standing() const { return m_rules.standing(); }
    bool beyond(int display) const { return m_rules.beyond(display); }
    // At exit: the commands still running get up to `ms` to end.
    void finish(int ms) { m_command.finish(ms); }

  signals:
    // In this order for each event: the oldest dropped when the list is full, then the new one.
    void aboutToDropOldest();
    void aboutToPost();
    void posted(const AlarmEvent& event);
    void beyondChanged();
    void settingsChanged(); // set anew, or a limit took the unit of its first reading

  private:
    void deliver(AlarmEvent event);
    void armSilence();
    void checkSilence();

    AlarmRules m_rules;
    Lines m_lines;
    std::shared_ptr<EventNotifier> m_notifier;
    EventCommand m_command;
    QString m_file;
    QTimer m_silence;
    std::deque<AlarmEvent> m_events;
    int m_kept = MaxEvents;
};
