#pragma once

#include <QObject>
#include <deque>

#include "alarm_event.h"

class QProcess;

// The user's command for each event: /bin/sh -c COMMAND with the event in QUORVANE_* variables,
// never pasted into the command's text. It runs in the background in a process group of its
// own; one that runs past the time limit is ended with everything it started. Its output is kept
// only to say why it failed. At most a few run at once; the events after them wait their turn.
class EventCommand : public QObject
{
    Q_OBJECT
  public:
    static constexpr int TimeLimitMs = 60000;
    static constexpr int MaxRunning = 4;
    static constexpr int MaxWaiting = 100;

    explicit EventCommand(QObject* parent = nullptr);
    ~EventCommand() override; // ends what still runs

    void setTimeLimitMs(int ms) { m_timeLimitMs = ms; }
    int timeLimitMs() const { return m_timeLimitMs; }

    void run(const QString& command, const AlarmEvent& event);
    int running() const { return int(m_runs.size()); }
    int waiting() const { return int(m_waiting.size()); }

    // At exit: the commands that run get up to `ms` to end, then they are ended; the waiting
    // ones are not started.
    void finish(int ms);

  signals:
    // The command for `cause` failed, could not start, was ended, or was not run at all.
    void failed(const AlarmEvent& cause, const QString& text);

  private:
    struct Run;
    void start(const QString& command, const AlarmEvent& event);
    void ended(Run* run, const QString& failure);
    static void endGroup(QProcess* p, int sig);

    int m_timeLimitMs = TimeLimitMs;
    std::deque<Run*> m_runs; // each owned by its process
    std::deque<std::pair<QString, AlarmEvent>> m_waiting;
    bool m_overflowTold = false;
};
