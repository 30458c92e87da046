#include "silence_watch.h"

#include <algorithm>

#include "clock.h"
#include "texts.h"

SilenceWatch::SilenceWatch(const Clock& clock, QObject* parent) : QObject(parent), m_clock(clock)
{
    m_timer.setObjectName(QStringLiteral("silenceTimer"));
    m_timer.setParent(this);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &SilenceWatch::check);
}

void SilenceWatch::noteReading()
{
    m_lastReadingMs = m_clock.monotonicMs();
    if (m_silent) {
        m_silent = false;
        emit speaking();
    }
    if (!m_timer.isActive())
        m_timer.start(SilenceMs); // one timer event per quiet span, not one per packet
}

void SilenceWatch::expectReadings()
{
    m_lastReadingMs = m_clock.monotonicMs();
    m_timer.start(SilenceMs);
}

void SilenceWatch::check()
{
    const qint64 quiet = m_clock.monotonicMs() - m_lastReadingMs;
    if (quiet < SilenceMs) {
        m_timer.start(int(SilenceMs - quiet));
        return;
    }
    m_silent = true;
    const QTime last = m_clock.time().addMSecs(-int(std::min<qint64>(quiet, 86'400'000)));
    emit silent(QStringLiteral("No reading from the meter since %1").arg(texts::timeText(last)));
}
