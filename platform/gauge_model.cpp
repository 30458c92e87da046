#include "gauge_model.h"

#include <cmath>

#include "runtime_error.h"

static short toShort(double v, const char* what)
{
    const double r = std::nearbyint(v);
    if (!std::isfinite(v) || r < -32768 || r > 32767)
        throw RuntimeError(
            QStringLiteral("Gauge: %1 %2 out of range").arg(QLatin1String(what)).arg(v));
    return static_cast<short>(r);
}

GaugeModel::GaugeModel(int minValue, int maxValue, QObject* parent)
    : QObject(parent), m_min(short(minValue)), m_max(short(maxValue))
{
}

// Only a change is announced: the gauge is set on every packet, and most leave it as it was.
void GaugeModel::setMinValue(double v)
{
    const short s = toShort(v, "lower limit");
    if (s != m_min) {
        m_min = s;
        emit changed();
    }
}

void GaugeModel::setMaxValue(double v)
{
    const short s = toShort(v, "upper limit");
    if (s != m_max) {
        m_max = s;
        emit changed();
    }
}

void GaugeModel::setValue(double v)
{
    toShort(v, "needle value");
    if (v != m_value) {
        m_value = v;
        emit changed();
    }
}
