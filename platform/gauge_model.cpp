#include "gauge_model.h"

#include <cmath>

#include "runtime_error.h"

static short toShort(double v, const char* what)
{
    const double r = std::nearbyint(v);
    if (!std::isfinite(v) || r < -32768 || r > 32767)
        throw RuntimeError(QStringLiteral("Gauge: %1 %2 out of range").arg(QLatin1String(what)).arg(v));
    return static_cast<short>(r);
}

GaugeModel::GaugeModel(int minValue, int maxValue, QObject* parent)
    : QObject(parent), m_min(short(minValue)), m_max(short(maxValue))
{
}

void GaugeModel::setMinValue(double v)
{
    m_min = toShort(v, "lower limit");
    emit changed();
}

void GaugeModel::setMaxValue(double v)
{
    m_max = toShort(v, "upper limit");
    emit changed();
}

void GaugeModel::setValue(double v)
{
    toShort(v, "needle value");
    m_value = v;
    emit changed();
}
