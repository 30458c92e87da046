#pragma once

#include <QString>
#include <optional>

#include "unit_check.h"

class GaugeModel;
class QLabel;

// The plot's new upper y-axis bound for a reading x, or nothing when the bound stays. The
// comparison is in single precision; the new bound, the whole part of x * 1.1, in double.
std::optional<double> raisedGraphBound(float bound, double x);

// One gauge's update for the reading v: the upper limit grows above the reading, the offset grows
// below zero, the limit texts (either may be null) and the needle follow. A value the gauge
// rejects throws RuntimeError with the steps before it already done.
void updateGauge(GaugeModel& gauge, double& offset, double v, QLabel* lowerText, QLabel* upperText);
