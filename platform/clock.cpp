#include "clock.h"

#include <QDateTime>

QDate SystemClock::date() const { return QDate::currentDate(); }

QTime SystemClock::time() const { return QTime::currentTime(); }
