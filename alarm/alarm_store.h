#pragma once

#include <QString>
#include <deque>

#include "alarm_rules.h"

class QSettings;

// The alarm settings among the program's settings (group "alarms"); values out of range are
// brought into it, a limit that does not read as a number is no limit.
AlarmSettings loadAlarmSettings(QSettings& settings);
void saveAlarmSettings(QSettings& settings, const AlarmSettings& alarms);

// The events, oldest first, as a CSV file written whole or not at all; raises RuntimeError.
void writeEventsCsv(const QString& path, const std::deque<AlarmEvent>& events);
