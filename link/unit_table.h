#pragma once

#include <QString>
#include <array>

// Unit code (0 to 100) to unit text; unlisted codes stay empty.
using UnitTable = std::array<QString, 101>;

void fillUnitTable(UnitTable& table);
