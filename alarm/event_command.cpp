#include "event_command.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <unistd.h>

struct EventCommand::Run
{
    QProcess* process = nullptr;
    AlarmEvent cause;
    QByteArray tail; // the last of what it wrote
    bool timedOut = false;
};

namespace {

constexpr qsizetype kTailBytes = 4096;
constexpr int kGraceMs = 2000; // between asking a command to end and making it

QString lastLine(const QByteArray& tail)
{
    const QList<QByteArray> lines = tail.trimmed().split('\n');
    return lines.isEmpty() ? QString() : QString::fromLocal8Bit(lines.last().trimmed()).left(200);
}

} // namespace

EventCommand::EventCommand(QObject* parent) : QObject(parent) {}

EventCommand::~EventCommand()
{
    finish(0);
}

void EventCommand::run(const QString& command, const AlarmEvent& event)
{
    if (int(m_runs.size()) < MaxRunning) {
        start(command, event);
        return;
    }
    if (int(m_waiting.size()) < MaxWaiting) {
        m_waiting.emplace_back(command, event);
        return;
    }
    // Every event after this would only wait longer: say so once, until the line clears.
    if (!m_overflowTold) {
        m_overflowTold = true;
        emit failed(event, QStringLiteral("The command was not run for the %1 event: %2 events "
                                          "were already waiting for the commands before them")
                               .arg(kindName(event.kind))
                               .arg(MaxWaiting));
    }
}

void EventCommand::endGroup(QProcess* p, int sig)
{
    // Only while the shell has not been reaped is its number surely still this command's group.
    if (p->state() != QProcess::NotRunning && p->processId() > 0)
        ::kill(-pid_t(p->processId()), sig);
}

void EventCommand::start(const QString& command, const AlarmEvent& event)
{
    auto* r = new Run;
    r->cause = event;
    auto* p = new QProcess(this);
    r->process = p;
    // The run lives as long as its process: a timer of the process may still fire after the end.
    connect(p, &QObject::destroyed, [r] { delete r; });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : eventEnvironment(event))
        env.insert(name, value);
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::MergedChannels); // never into the rows on our output
    p->setStandardInputFile(QProcess::nullDevice());
    // A group of its own, so that ending it ends what it started too.
    p->setChildProcessModifier([] { ::setpgid(0, 0); });
    connect(p, &QProcess::readyReadStandardOutput, this, [r] {
        r->tail += r->process->readAllStandardOutput();
        if (r->tail.size() > kTailBytes)
            r->tail = r->tail.right(kTailBytes);
    });
    auto* limit = new QTimer(p);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, p, [r] {
        r->timedOut = true;
        endGroup(r->process, SIGTERM);
        QTimer::singleShot(kGraceMs, r->process, [r] { endGroup(r->process, SIGKILL); });
    });
    const QString kind = kindName(event.kind);
    connect(p, &QProcess::finished, this, [this, r, kind](int code, QProcess::ExitStatus status) {
        r->tail += r->process->readAllStandardOutput();
        QString failure;
        if (r->timedOut)
            failure = QStringLiteral("The command for the %1 event was ended after %2 s")
                          .arg(kind)
                          .arg((m_timeLimitMs + 999) / 1000);
        else if (status == QProcess::CrashExit)
            failure =
                QStringLiteral("The command for the %1 event was ended by a signal").arg(kind);
        else if (code != 0)
            failure = QStringLiteral("The command for the %1 event ended with exit code %2")
                          .arg(kind)
                          .arg(code);
        const QString said = lastLine(r->tail);
        if (!failure.isEmpty() && !said.isEmpty())
            failure += QStringLiteral(": ") + said;
        ended(r, failure);
    });
    connect(p, &QProcess::errorOccurred, this, [this, r, kind](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            ended(r, QStringLiteral("The command for the %1 event could not be started: %2")
                         .arg(kind, r->process->errorString()));
    });
    m_runs.push_back(r);
    p->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    if (p->state() != QProcess::NotRunning)
        limit->start(m_timeLimitMs);
}

void EventCommand::ended(Run* run, const QString& failure)
{
    const auto it = std::find(m_runs.begin(), m_runs.end(), run);
    if (it == m_runs.end())
        return;
    m_runs.erase(it);
    run->process->disconnect(this);
    run->process->deleteLater();
    if (!failure.isEmpty())
        emit failed(run->cause, failure);
    while (int(m_runs.size()) < MaxRunning && !m_waiting.empty()) {
        auto [command, event] = std::move(m_waiting.front());
        m_waiting.pop_front();
        start(command, event);
    }
    if (m_waiting.empty())
        m_overflowTold = false;
}

void EventCommand::finish(int ms)
{
    m_waiting.clear();
    // Taken out first: a command that ends while it is waited for reports to no one now.
    std::deque<Run*> runs;
    runs.swap(m_runs);
    for (Run* r : runs)
        r->process->disconnect(this);
    const QDeadlineTimer deadline(ms);
    for (Run* r : runs)
        r->process->waitForFinished(int(std::max<qint64>(0, deadline.remainingTime())));
    for (Run* r : runs) {
        endGroup(r->process, SIGKILL);
        r->process->waitForFinished(1000);
        delete r->process; // and the run with it
    }
}
