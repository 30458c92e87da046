#pragma once

#include <QDate>
#include <QTime>

// The system clock as the program reads it: date and time of day, and a monotonic reading for
// measuring spans that the time of day would cut at midnight or when the clock is set.
class Clock
{
  public:
    virtual ~Clock() = default;
    virtual QDate date() const = 0;
    virtual QTime time() const = 0;
    virtual qint64 monotonicMs() const = 0; // milliseconds from an arbitrary start
};

class SystemClock : public Clock
{
  public:
    QDate date() const override;
    QTime time() const override;
    qint64 monotonicMs() const override;

  private:
    qint64 localMs() const; // milliseconds since 1970 on the local clock
    // The zone's offset from UTC, and the span of UTC time in which it holds: asking the zone on
    // every reading costs a look at the zone file each time, many times a second.
    mutable qint64 m_offsetMs = 0;
    mutable qint64 m_validFromMs = 0;
    mutable qint64 m_validUntilMs = 0;
};
