#pragma once

#include <QString>

// Recorded extremes of both displays and the copies the save file's closing rows use.
struct Extremes
{
    QString Disp1_High = QStringLiteral("-99999"), Disp2_High = QStringLiteral("-99999");
    QString Disp1_Low = QStringLiteral("99999"), Disp2_Low = QStringLiteral("99999");
    QString High1_Value, High1_Unit, High1_Time, High2_Value, High2_Unit, High2_Time;
    QString Low1_Value, Low1_Unit, Low1_Time, Low2_Value, Low2_Unit, Low2_Time;
};
