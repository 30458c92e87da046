#include "unit_table.h"

void fillUnitTable(UnitTable& t)
{
    t[1] = QStringLiteral("Deg C");
    t[2] = QStringLiteral("Deg F");
    t[3] = QStringLiteral("%");
    t[4] = QStringLiteral("%RH");
    t[5] = QStringLiteral("%PH");
    t[6] = QStringLiteral("%O2");
    t[7] = QStringLiteral("mG/liter");
    t[8] = QStringLiteral("Meters/sec");
    t[9] = QStringLiteral("Knots");
    t[10] = QStringLiteral("Km/Hr");
    t[11] = QStringLiteral("Ft/min");
    t[12] = QStringLiteral("MPH");
    t[13] = QStringLiteral("uS");
    t[14] = QStringLiteral("mS");
    t[17] = QStringLiteral("dB");
    t[18] = QStringLiteral("mV");
    t[19] = QStringLiteral("ppm");
    t[22] = QStringLiteral("Bar");
    t[23] = QStringLiteral("PSI");
    t[24] = QStringLiteral("MM/hg");
    t[25] = QStringLiteral("In/H2O");
    t[26] = QStringLiteral("Atmosphere");
    t[77] = QStringLiteral("Kg/cm^2");
    t[78] = QStringLiteral("mm/Hg");
    t[79] = QStringLiteral("meter/H2O");
    t[80] = QStringLiteral("inch/Hg");
    t[84] = QStringLiteral("CMM");
    t[85] = QStringLiteral("CFM");
    t[86] = QStringLiteral("mbar");
}
