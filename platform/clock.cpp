#include "clock.h"

#include <QDateTime>
#include <QTimeZone>
#include <algorithm>
#include <chrono>

QDateTime SystemClock::local() const
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
    return QDateTime::fromMSecsSinceEpoch(now + m_offsetMs, Qt::UTC);
}

QDate SystemClock::date() const
{
    return local().date();
}

QTime SystemClock::time() const
{
    return local().time();
}

qint64 SystemClock::monotonicMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
