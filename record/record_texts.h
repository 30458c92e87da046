#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The texts of a recording: save-file rows, the proposed file name and the collection window's.

// A record row: the number as a print statement writes it (" 12 "), display 1 value and unit,
// in the two-display form display 2 value and unit, then time and date; joined by ",".
QString recordRow(long long recNum, bool oneDisplay, const QString& value1, const QString& unit1,
                  const QString& value2, const QString& unit2, const QString& time,
                  const QString& date);

// One display's extreme as a closing row writes it: every field exactly as held.
struct ClosingFields
{
    QString value, unit, stamp;
};

// "High" or "Lo" row: the head, display 1's fields, in the two-display form display 2's.
QString closingRow(const QString& head, bool oneDisplay, const ClosingFields& d1,
                   const ClosingFields& d2);

// "TMP" + month + day + the year's last digit + ".CSV": TMP12076.CSV on 7 December 2026.
QString saveNameProposal(const QDate& date);

QString intervalText(int seconds); // "Every  1 Minute and  1 Seconds"
QString samplesText(int samples);  // "Total Samples Is  250"

// The time checks of the collection window: the messages a Start shows, in order; none when the
// times are valid. Times are compared as text.
QStringList checkTimes(const QString& start, const QString& stop);
