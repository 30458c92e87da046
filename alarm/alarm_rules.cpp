#include "alarm_rules.h"

#include <algorithm>

#include "clock.h"
#include "texts.h"

std::optional<double> readingNumber(const QString& text)
{
    // The leading number's own characters, as texts::leadingNumber reads them; after them only
    // blanks may follow, or the reading holds something a meter shows when it has no number.
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool digits = false, point = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9')
            digits = true;
        else if (c == u'.' && !point)
            point = true;
        else if (c != u' ')
            break;
    }
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    if (!digits || i < n)
        return std::nullopt;
    return texts::leadingNumber(text);
}

std::optional<LimitArgument> parseLimitArgument(const QString& text)
{
    // Read by hand: quorvane-record runs where writable code is forbidden, which a regular
    // expression's compiler would want.
    if (text.size() < 3 || (text[0] != u'1' && text[0] != u'2') || text[1] != u'=')
        return std::nullopt;
    qsizetype i = 2;
    const qsizetype n = text.size();
    while (i < n && text[i] == u' ')
        ++i;
    const qsizetype numberStart = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    bool digits = false, point = false;
    for (; i < n; ++i) {
        if (text[i] >= u'0' && text[i] <= u'9')
            digits = true;
        else if (text[i] == u'.' && !point)
            point = true;
        else
            break;
    }
    if (!digits)
        return std::nullopt;
    LimitArgument a;
    a.display = text[0].unicode() - u'0';
    a.value = texts::leadingNumber(text.mid(numberStart, i - numberStart));
    a.unit = text.mid(i).trimmed();
    return a;
}

void AlarmRules::setSettings(const AlarmSettings& settings)
{
    for (int i = 0; i < 2; ++i) {
        const DisplayLimits& was = m_settings.limits[i];
        const DisplayLimits& now = settings.limits[i];
        DisplayState& st = m_displays[i];
        if (was.unit.trimmed() != now.unit.trimmed() || !now.any()) {
            st = DisplayState();
            continue;
        }
        if (!now.high)
            st.high = Side();
        if (!now.low)
            st.low = Side();
    }
    m_settings = settings;
    m_settings.holdSeconds = std::clamp(m_settings.holdSeconds, 0, AlarmSettings::MaxHoldSeconds);
    m_settings.silentSeconds = std::clamp(m_settings.silentSeconds, AlarmSettings::MinSilentSeconds,
                                          AlarmSettings::MaxSilentSeconds);
}

AlarmEvent AlarmRules::stamp(AlarmKind kind, const QString& text) const
{
    AlarmEvent e;
    e.date = m_clock.date();
    e.time = m_clock.time();
    e.kind = kind;
    e.text = text;
    return e;
}

namespace {

QString withUnit(const QString& value, const QString& unit)
{
    return unit.isEmpty() ? value : value + u' ' + unit;
}

} // namespace

void AlarmRules::judge(int display, Side& side, bool beyondNow, bool high, const DisplayReading& r,
                       std::vector<AlarmEvent>& out)
{
    const qint64 now = m_clock.monotonicMs();
    const qint64 hold = qint64(m_settings.holdSeconds) * 1000;
    std::optional<qint64>& since = beyondNow ? side.beyondSince : side.insideSince;
    (beyondNow ? side.insideSince : side.beyondSince).reset();
    if (side.standing == beyondNow) // nothing to change: an alarm that stands is not repeated
        return;
    if (!since)
        since = now;
    if (now - *since < hold)
        return;
    since.reset();
    side.standing = beyondNow;

    const double limit =
        *(high ? m_settings.limits[display - 1].high : m_settings.limits[display - 1].low);
    const QString value = r.value.trimmed();
    const QString unit = r.unit.trimmed();
    QString what;
    if (high)
        what = beyondNow ? QStringLiteral("is above its high limit")
                         : QStringLiteral("is no longer above its high limit");
    else
        what = beyondNow ? QStringLiteral("is below its low limit")
                         : QStringLiteral("is no longer below its low limit");
    const AlarmKind kind = high ? (beyondNow ? AlarmKind::High : AlarmKind::HighCleared)
                                : (beyondNow ? AlarmKind::Low : AlarmKind::LowCleared);
    AlarmEvent e = stamp(kind, QStringLiteral("Display %1 %2: %3 (limit %4)")
                                   .arg(display)
                                   .arg(what, withUnit(value, unit), limitText(limit)));
    e.display = display;
    e.value = value;
    e.unit = unit;
    e.limit = limitText(limit);
    if (beyondNow)
        side.risen = e;
    out.push_back(e);
}

std::vector<AlarmEvent> AlarmRules::reading(std::span<const DisplayReading> displays)
{
    std::vector<AlarmEvent> out;
    if (m_silent) {
        m_silent = false;
        out.push_back(
            stamp(AlarmKind::Speaking, QStringLiteral("The meter is sending readings again")));
    }
    expectReadings();
    for (std::size_t i = 0; i < std::min<std::size_t>(displays.size(), 2); ++i) {
        const DisplayReading& r = displays[i];
        DisplayLimits& lim = m_settings.limits[i];
        DisplayState& st = m_displays[i];
        const int display = int(i) + 1;
        st.beyond = false;
        if (!lim.any())
            continue;
        const QString unit = r.unit.trimmed();
        if (lim.unit.trimmed().isEmpty())
            lim.unit = unit; // the limits take the unit of the first reading they see
        const QString own = lim.unit.trimmed();
        if (unit != own) {
            // The knob was turned: the limits mean nothing in this unit. One event says so.
            if (!st.suspended) {
                st = DisplayState();
                st.suspended = true;
                const QString shown = unit.isEmpty() ? QStringLiteral("no unit") : unit;
                AlarmEvent e =
                    stamp(AlarmKind::LimitSuspended,
                          QStringLiteral("Display %1 shows %2, not %3: its limits are suspended")
                              .arg(display)
                              .arg(shown, own.isEmpty() ? QStringLiteral("no unit") : own));
                e.display = display;
                e.value = r.value.trimmed();
                e.unit = unit;
                out.push_back(e);
            }
            continue;
        }
        if (st.suspended) {
            st.suspended = false;
            AlarmEvent e = stamp(AlarmKind::LimitResumed,
                                 QStringLiteral("Display %1 shows %2 again: its limits apply")
                                     .arg(display)
                                     .arg(own.isEmpty() ? QStringLiteral("no unit") : own));
            e.display = display;
            e.value = r.value.trimmed();
            e.unit = unit;
            out.push_back(e);
        }
        const std::optional<double> x = readingNumber(r.value);
        if (!x)
            continue; // neither fires nor clears: the limits stand as they are
        const bool above = lim.high && *x > *lim.high;
        const bool below = lim.low && *x < *lim.low;
        st.beyond = above || below;
        if (lim.high)
            judge(display, st.high, above, true, r, out);
        if (lim.low)
            judge(display, st.low, below, false, r, out);
    }
    return out;
}

void AlarmRules::expectReadings()
{
    m_watching = true;
    m_lastReadingMs = m_clock.monotonicMs();
    m_lastReadingTime = m_clock.time();
}

std::optional<qint64> AlarmRules::msUntilSilent() const
{
    if (!m_watching || m_silent)
        return std::nullopt;
    const qint64 quiet = m_clock.monotonicMs() - m_lastReadingMs;
    return std::max<qint64>(0, qint64(m_settings.silentSeconds) * 1000 - quiet);
}

std::optional<AlarmEvent> AlarmRules::silenceCheck()
{
    const std::optional<qint64> left = msUntilSilent();
    if (!left || *left > 0)
        return std::nullopt;
    m_silent = true;
    m_silentEvent = stamp(AlarmKind::Silent, QStringLiteral("No reading from the meter since %1")
                                                 .arg(texts::timeText(m_lastReadingTime)));
    return m_silentEvent;
}

std::optional<AlarmEvent> AlarmRules::deviceLost(const QString& text)
{
    if (m_lost)
        return std::nullopt;
    m_lost = true;
    m_lostEvent = stamp(AlarmKind::DeviceLost, text);
    return m_lostEvent;
}

std::optional<AlarmEvent> AlarmRules::deviceBack(const QString& text)
{
    if (!m_lost)
        return std::nullopt;
    m_lost = false;
    return stamp(AlarmKind::DeviceBack, text);
}

std::vector<AlarmEvent> AlarmRules::standing() const
{
    std::vector<AlarmEvent> out;
    for (const DisplayState& st : m_displays)
        for (const Side* side : {&st.high, &st.low})
            if (side->standing)
                out.push_back(side->risen);
    if (m_silent)
        out.push_back(m_silentEvent);
    if (m_lost)
        out.push_back(m_lostEvent);
    return out;
}
