#include "texts.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace texts {

namespace {

// The same reading for a text longer than any reading: collected on the heap.
double leadingNumberOfAnyLength(const QString& text)
{
    QByteArray num;
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        num += char(text[i++].unicode());
    bool point = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9')
            num += char(c.unicode());
        else if (c == u'.' && !point)
            num += '.', point = true;
        else if (c != u' ')
            break;
    }
    return num.toDouble();
}

} // namespace

double leadingNumber(const QString& text)
{
    // Collected on the stack and read with from_chars: no allocation for the few characters a
    // reading has, and, unlike strtod, no dependence on the process locale ("1.5" may read as 1).
    char num[64];
    int len = 0;
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    bool point = false;
    bool digits = false;
    // The digits as a whole number and the places after the point, while both are exact.
    constexpr std::uint64_t kExactLimit = std::uint64_t(1) << 53;
    std::uint64_t whole = 0;
    int places = 0;
    bool exact = true;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            if (len < int(sizeof num) - 1)
                num[len++] = char(c.unicode());
            else
                return leadingNumberOfAnyLength(text);
            digits = true;
            if (exact) {
                whole = whole * 10 + (c.unicode() - u'0');
                places += point ? 1 : 0;
                exact = whole < kExactLimit && places <= 22;
            }
        } else if (c == u'.' && !point) {
            if (len >= int(sizeof num) - 1)
                return leadingNumberOfAnyLength(text);
            num[len++] = '.';
            point = true;
        } else if (c == u' ') {
            continue; // blanks inside a number are skipped as well
        } else {
            break;
        }
    }
    if (!digits)
        return 0.0;
    double value = 0.0;
    if (exact) {
        // An exact whole number over an exact power of ten is rounded once, as from_chars rounds:
        // the same value, at a fraction of the cost, for every reading a meter sends.
        static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                            1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
        value = double(whole) / kPow10[places];
    } else {
        std::from_chars(num, num + len, value);
    }
    return negative ? -value : value;
}

double wholePart(double x)
{
    return std::floor(x);
}

long long roundHalfEven(double x)
{
    return static_cast<long long>(std::nearbyint(x));
}

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

QString printNumberText(double x)
{
    return numberText(x) + QLatin1Char(' ');
}

// Built by hand: these run for every packet and every clock tick, and a formatted print costs
// several times as much.
static void put2(char16_t* at, int n)
{
    at[0] = char16_t(u'0' + n / 10 % 10);
    at[1] = char16_t(u'0' + n % 10);
}

QString timeText(const QTime& t)
{
    char16_t s[8] = {0, 0, u':', 0, 0, u':', 0, 0};
    put2(s, t.hour());
    put2(s + 3, t.minute());
    put2(s + 6, t.second());
    return QString(reinterpret_cast<const QChar*>(s), 8);
}

QString dateText(const QDate& d)
{
    char16_t s[10] = {0, 0, u'-', 0, 0, u'-', 0, 0, 0, 0};
    put2(s, d.month());
    put2(s + 3, d.day());
    put2(s + 6, d.year() / 100);
    put2(s + 8, d.year());
    return QString(reinterpret_cast<const QChar*>(s), 10);
}

QString stampText(const QDate& d, const QTime& t)
{
    return dateText(d) + u'-' + timeText(t);
}

} // namespace texts
