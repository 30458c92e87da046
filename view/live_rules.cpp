#include "live_rules.h"

#include <QLabel>
#include <cmath>

#include "gauge_model.h"
#include "texts.h"

std::optional<double> raisedGraphBound(float bound, double x)
{
    if (bound < float(x))
        return texts::wholePart(x * 1.1);
    return std::nullopt;
}

void updateGauge(GaugeModel& gauge, double& offset, double v, QLabel* lowerText, QLabel* upperText)
{
    const double upper = gauge.maxValue();
    if (v > upper - offset)
        gauge.setMaxValue(texts::wholePart(1.5 * v) + offset);
    if (v < 0 - offset)
        offset = std::fabs(texts::wholePart(1.5 * v));
    if (lowerText)
        lowerText->setText(texts::shortestNumber(double(gauge.minValue()) - offset));
    if (upperText)
        upperText->setText(texts::shortestNumber(double(gauge.maxValue()) - offset));
    gauge.setValue(v + offset);
}
