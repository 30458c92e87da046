#pragma once

#include <QString>
#include <array>
#include <optional>
#include <span>
#include <vector>

#include "alarm_event.h"

class Clock;

// One display's limits. They belong to the unit they were set in; with no unit given, the first
// reading's unit becomes theirs.
struct DisplayLimits
{
    std::optional<double> high, low;
    QString unit; // blanks around it do not count
    bool any() const { return high || low; }
    bool operator==(const DisplayLimits&) const = default;
};

struct AlarmSettings
{
    static constexpr int MaxHoldSeconds = 3600;
    static constexpr int MinSilentSeconds = 5;
    static constexpr int MaxSilentSeconds = 86400;

    std::array<DisplayLimits, 2> limits;
    int holdSeconds = 0;   // beyond (or back inside) this long before an alarm rises (or clears)
    int silentSeconds = 5; // no reading this long: the meter is silent
    // The actions. The bell is the window's; the others are the engine's.
    bool notify = true;
    bool sound = true;
    bool runCommand = false;
    QString command; // run as /bin/sh -c COMMAND

    bool operator==(const AlarmSettings&) const = default;
};

// A reading's number as the gauges take it (its leading number), or nothing when the reading is
// not a number: no digit, or something after the number that is no part of one ("ERROR",
// "+??.?", "+1?.5").
std::optional<double> readingNumber(const QString& text);

// "1=40", "2=-5.5", "1=75%RH", "2=30 Deg C": a display, a limit and the unit it belongs to.
struct LimitArgument
{
    int display = 0;
    double value = 0;
    QString unit; // empty: the first reading's
};
std::optional<LimitArgument> parseLimitArgument(const QString& text);

struct DisplayReading
{
    QString value, unit;
};

// The rules, on the clock given: readings, silence and the device in, events out. The events
// carry their time and what the rule knows; the engine adds the save file.
class AlarmRules
{
  public:
    explicit AlarmRules(const Clock& clock) : m_clock(clock) {}

    // Limits whose unit changed, or that were taken away, start again; the others are compared
    // anew with the next reading.
    void setSettings(const AlarmSettings& settings);
    const AlarmSettings& settings() const { return m_settings; }

    // The readings of the displays that count, display 1 first.
    std::vector<AlarmEvent> reading(std::span<const DisplayReading> displays);
    // Silence is measured from now even if no reading ever comes.
    void expectReadings();
    // When the silence check is due next, from now: nothing while silent or not watching.
    std::optional<qint64> msUntilSilent() const;
    std::optional<AlarmEvent> silenceCheck();

    std::optional<AlarmEvent> deviceLost(const QString& text);
    std::optional<AlarmEvent> deviceBack(const QString& text);

    // An event of the kind, now, on the rules' clock.
    AlarmEvent stamp(AlarmKind kind, const QString& text) const;

    // The event that raised each alarm standing now: limits, silence, a lost device.
    std::vector<AlarmEvent> standing() const;
    // The display's last number lies beyond one of its limits (whatever the hold time).
    bool beyond(int display) const { return m_displays[display - 1].beyond; }

  private:
    struct Side
    {
        bool standing = false;
        std::optional<qint64> beyondSince, insideSince;
        AlarmEvent risen;
    };
    struct DisplayState
    {
        Side high, low;
        bool suspended = false;
        bool beyond = false;
    };

    void judge(int display, Side& side, bool beyondNow, bool high, const DisplayReading& r,
               std::vector<AlarmEvent>& out);

    const Clock& m_clock;
    AlarmSettings m_settings;
    std::array<DisplayState, 2> m_displays;
    bool m_watching = false;
    bool m_silent = false;
    qint64 m_lastReadingMs = 0;
    QTime m_lastReadingTime;
    AlarmEvent m_silentEvent;
    bool m_lost = false;
    AlarmEvent m_lostEvent;
};
