#pragma once

#include <QString>

// One line of the raw data list: count, display 1 value and unit, in dual-display mode display 2
// value and unit, then time and date; joined by "," without blanks.
QString rawListLine(long long recCount, bool single, const QString& d1v, const QString& d1u,
                    const QString& d2v, const QString& d2u, const QString& time,
                    const QString& date);
