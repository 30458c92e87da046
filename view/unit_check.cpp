#include "unit_check.h"

bool display1UnitCheckRuns(const QString& sigDigits2)
{
    const QString tail = sigDigits2.right(3);
    return !(tail < QLatin1String("000") || tail > QLatin1String("999"));
}
