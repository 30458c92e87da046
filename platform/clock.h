#pragma once

#include <QDate>
#include <QTime>

// The system clock as the program reads it: date and time of day.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate date() const = 0;
    virtual QTime time() const = 0;
};

class SystemClock : public Clock
{
public:
    QDate date() const override;
    QTime time() const override;
};
