#pragma once

#include <QDate>
#include <QString>
#include <QTime>

// Number and time texts shared by every window; all independent of the system locale.
namespace texts {

// Leading numeric part of a text: blanks skipped, one sign, digits and one point; 0 when none.
double leadingNumber(const QString& text);

// Largest whole number not greater than x.
double wholePart(double x);

// Nearest whole number, ties to the even one (how a numeric field becomes an index or count).
long long roundHalfEven(double x);

// " 12" for 0 or more, "-12" below: how a number is shown in lists and labels.
QString numberText(double x);

// numberText plus the trailing blank that a file's print statement adds.
QString printNumberText(double x);

// Shortest decimal text: no leading/trailing zeros, ".5" and "-.05", up to 15 significant digits.
QString shortestNumber(double x);

QString timeText(const QTime& t); // hh:mm:ss, 24-hour
QString dateText(const QDate& d); // mm-dd-yyyy
QString stampText(const QDate& d, const QTime& t); // date-time of a recorded extreme

} // namespace texts
