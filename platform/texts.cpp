#include "texts.h"

#include <cmath>

namespace texts {

double leadingNumber(const QString& text)
{
    QByteArray num;
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        num += char(text[i++].unicode());
    bool point = false;
    bool digits = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            num += char(c.unicode());
            digits = true;
        } else if (c == u'.' && !point) {
            num += '.';
            point = true;
        } else if (c == u' ') {
            continue; // blanks inside a number are skipped as well
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    // Not strtod: that follows the process locale, where "1.5" may read as 1.
    return num.toDouble();
}

double wholePart(double x) { return std::floor(x); }

long long roundHalfEven(double x) { return static_cast<long long>(std::nearbyint(x)); }

QString shortestNumber(double x)
{
    if (x == 0.0 || !std::isfinite(x))
        return QStringLiteral("0");
    // QString::number, not printf: the decimal point must not follow the process locale.
    QString s = QString::number(x, 'g', 15);
    if (s.contains(u'e')) {
        // Large or tiny values: plain positional text is what a user expects here.
        s = QString::number(x, 'f', 15);
        if (s.contains(u'.')) {
            while (s.endsWith(u'0'))
                s.chop(1);
            if (s.endsWith(u'.'))
                s.chop(1);
        }
    }
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1);
    else if (s.startsWith(QLatin1String("-0.")))
        s.remove(1, 1);
    return s;
}

QString numberText(double x)
{
    const QString body = shortestNumber(x);
    return x >= 0 ? QLatin1Char(' ') + body : body;
}

QString printNumberText(double x) { return numberText(x) + QLatin1Char(' '); }

QString timeText(const QTime& t)
{
    return QString::asprintf("%02d:%02d:%02d", t.hour(), t.minute(), t.second());
}

QString dateText(const QDate& d)
{
    return QString::asprintf("%02d-%02d-%04d", d.month(), d.day(), d.year());
}

QString stampText(const QDate& d, const QTime& t) { return dateText(d) + u'-' + timeText(t); }

} // namespace texts
