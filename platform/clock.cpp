#include "clock.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <chrono>

qint64 SystemClock::localMs() const
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now < m_validFromMs || now >= m_validUntilMs) {
        const QDateTime here = QDateTime::fromMSecsSinceEpoch(now, Qt::LocalTime);
        m_offsetMs = qint64(here.offsetFromUtc()) * 1000;
        // Asked again at the zone's next change of offset, and once a minute in case the
        // machine's zone itself is changed.
        qint64 until = now + 60'000;
        const QTimeZone zone = QTimeZone::systemTimeZone();
        if (zone.hasTransitions()) {
            const QDateTime next = zone.nextTransition(here).atUtc;
            if (next.isValid())
                until = std::min(until, next.toMSecsSinceEpoch());
        }
        m_validFromMs = now;
        m_validUntilMs = until;
    }
    return now + m_offsetMs;
}

// Straight from the milliseconds: these are read for every packet, and a date-time object
// costs several times as much.
static constexpr qint64 kDayMs = 86'400'000;
static constexpr qint64 kJulianDayOf1970 = 2'440'588;

QDate SystemClock::date() const
{
    const qint64 ms = localMs();
    const qint64 day = ms >= 0 ? ms / kDayMs : -((-ms + kDayMs - 1) / kDayMs);
    return QDate::fromJulianDay(day + kJulianDayOf1970);
}

QTime SystemClock::time() const
{
    const qint64 ms = localMs() % kDayMs;
    return QTime::fromMSecsSinceStartOfDay(int(ms >= 0 ? ms : ms + kDayMs));
}

qint64 SystemClock::monotonicMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
