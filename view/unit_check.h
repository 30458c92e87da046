#pragma once

#include <QString>

// Whether display 1's unit check runs for a packet whose display-2 digit field is `sigDigits2`:
// its last three characters must lie between "000" and "999" by character code, which the
// light-meter, vibration and error packets do not.
bool display1UnitCheckRuns(const QString& sigDigits2);
