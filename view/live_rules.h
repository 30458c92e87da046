#pragma once

#include <QString>
#include <optional>

class GaugeModel;
class QLabel;

// Whether display 1's unit check runs for a packet whose display-2 digit field is `sigDigits2`:
// its last three characters must lie between "000" and "999" by character code, which the
// light-meter, vibration and error packets do not.
bool display1UnitCheckRuns(const QString& sigDigits2);

// The plot's new upper y-axis bound for a reading x, or nothing when the bound stays. The
// comparison is in single precision; the new bound, the whole part of x * 1.1, in double.
std::optional<double> raisedGraphBound(float bound, double x);

// One gauge's update for the reading v: the upper limit grows above the reading, the offset grows
// below zero, the limit texts (either may be null) and the needle follow. A value the gauge
// rejects throws RuntimeError with the steps before it already done.
void updateGauge(GaugeModel& gauge, double& offset, double v, QLabel* lowerText, QLabel* upperText);
