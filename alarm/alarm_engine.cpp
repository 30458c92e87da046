#include "alarm_engine.h"

#include "clock.h"
#include "desktop_notifier.h"

AlarmEngine::AlarmEngine(const Clock& clock, QObject* parent)
    : QObject(parent), m_rules(clock), m_command(this)
{
    m_silence.setObjectName(QStringLiteral("alarmSilenceTimer"));
    m_silence.setParent(this);
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, &AlarmEngine::checkSilence);
    connect(&m_command, &EventCommand::failed, this,
            [this](const AlarmEvent& cause, const QString& text) {
                AlarmEvent e = cause;
                e.kind = AlarmKind::CommandFailed;
                e.text = text;
                deliver(e);
            });
}

AlarmEngine::~AlarmEngine() = default;

void AlarmEngine::setSettings(const AlarmSettings& settings)
{
    if (settings == m_rules.settings())
        return;
    const bool beyond1 = m_rules.beyond(1), beyond2 = m_rules.beyond(2);
    m_rules.setSettings(settings);
    if (m_silence.isActive())
        armSilence(); // a new silence time counts from the last reading
    emit settingsChanged();
    if (m_rules.beyond(1) != beyond1 || m_rules.beyond(2) != beyond2)
        emit beyondChanged();
}

void AlarmEngine::reading(std::span<const DisplayReading> displays)
{
    const bool beyond1 = m_rules.beyond(1), beyond2 = m_rules.beyond(2);
    const QString unit1 = settings().limits[0].unit, unit2 = settings().limits[1].unit;
    for (AlarmEvent& e : m_rules.reading(displays))
        deliver(std::move(e));
    if (!m_silence.isActive())
        armSilence(); // once per quiet span, not once per packet
    if (settings().limits[0].unit != unit1 || settings().limits[1].unit != unit2)
        emit settingsChanged();
    if (m_rules.beyond(1) != beyond1 || m_rules.beyond(2) != beyond2)
        emit beyondChanged();
}

void AlarmEngine::expectReadings()
{
    m_rules.expectReadings();
    armSilence();
}

void AlarmEngine::armSilence()
{
    if (const std::optional<qint64> left = m_rules.msUntilSilent())
        m_silence.start(int(std::min<qint64>(*left, 86'400'000)));
    else
        m_silence.stop();
}

void AlarmEngine::checkSilence()
{
    if (std::optional<AlarmEvent> e = m_rules.silenceCheck())
        deliver(*e);
    else
        armSilence(); // readings came meanwhile: the span starts at the last of them
}

void AlarmEngine::deviceLost(const QString& text)
{
    if (std::optional<AlarmEvent> e = m_rules.deviceLost(text))
        deliver(*e);
}

void AlarmEngine::deviceBack(const QString& text)
{
    if (std::optional<AlarmEvent> e = m_rules.deviceBack(text))
        deliver(*e);
}

void AlarmEngine::post(AlarmKind kind, const QString& text)
{
    deliver(m_rules.stamp(kind, text));
}

void AlarmEngine::deliver(AlarmEvent e)
{
    if (e.file.isEmpty())
        e.file = m_file;
    if (int(m_events.size()) >= m_kept) {
        emit aboutToDropOldest();
        m_events.pop_front();
    }
    emit aboutToPost();
    m_events.push_back(e);
    if (m_lines)
        m_lines(eventLine(e));
    const AlarmSettings& s = settings();
    if (reachesOutlets(e.kind)) {
        if (s.notify && m_notifier)
            m_notifier->notify(e);
        if (s.runCommand && !s.command.trimmed().isEmpty())
            m_command.run(s.command, e);
    }
    emit posted(e);
}
