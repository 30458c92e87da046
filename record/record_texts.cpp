#include "record_texts.h"

#include "texts.h"

QString recordRow(long long recNum, bool oneDisplay, const QString& value1, const QString& unit1,
                  const QString& value2, const QString& unit2, const QString& time,
                  const QString& date)
{
    QStringList f{texts::printNumberText(double(recNum)), value1, unit1};
    if (!oneDisplay)
        f << value2 << unit2;
    f << time << date;
    return f.join(u',');
}

QString closingRow(const QString& head, bool oneDisplay, const ClosingFields& d1,
                   const ClosingFields& d2)
{
    QStringList f{head, d1.value, d1.unit, d1.stamp};
    if (!oneDisplay)
        f << d2.value << d2.unit << d2.stamp;
    return f.join(u',');
}

QString saveNameProposal(const QDate& date)
{
    const QString d = texts::dateText(date); // mm-dd-yyyy
    return QStringLiteral("TMP") + d.mid(0, 2) + d.mid(3, 2) + d.mid(9, 1) + QStringLiteral(".CSV");
}

QString intervalText(int seconds)
{
    const int minutes = int(texts::wholePart(seconds / 60.0));
    const int rest = seconds - 60 * minutes;
    // "Minute" stays singular; the numbers bring their own leading blank.
    const QString text = minutes == 0
                             ? texts::numberText(rest) + QStringLiteral(" Seconds")
                             : texts::numberText(minutes) + QStringLiteral(" Minute and ") +
                                   texts::numberText(rest) + QStringLiteral(" Seconds");
    return QStringLiteral("Every ") + text;
}

QString samplesText(int samples)
{
    return QStringLiteral("Total Samples Is ") + texts::numberText(samples);
}

QStringList checkTimes(const QString& start, const QString& stop)
{
    if (start.isEmpty() && stop.isEmpty())
        return {}; // no time window
    // Every check runs, so one Start can show all three messages.
    QStringList messages;
    if (start.isEmpty() || stop.isEmpty())
        messages << QStringLiteral("You Must Enter Both A Start Time & A Stop Time");
    const auto outside = [](const QString& t) {
        return t < QLatin1String("00:00:01") || t > QLatin1String("23:59:59");
    };
    if (outside(start))
        messages << QStringLiteral("Start Time Is Not Valid (Use 24 Hour Format)");
    if (outside(stop))
        messages << QStringLiteral("Stop Time Is Not Valid (Use 24 Hour Format)");
    return messages;
}
