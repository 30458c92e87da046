#include "axes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "plot_data.h"

namespace {

constexpr double kDay = 86400;

// 1, 2, 2.5 or 5 times a power of ten, at least `raw`.
double niceStep(double raw)
{
    if (!(raw > 0) || !std::isfinite(raw))
        return 1;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    const double n = raw / mag;
    return (n <= 1.0001 ? 1 : n <= 2 ? 2 : n <= 2.5 ? 2.5 : n <= 5 ? 5 : 10) * mag;
}

int decimalsFor(double step)
{
    const int e = int(std::floor(std::log10(step) + 1e-9));
    const bool quarter = std::fabs(step / std::pow(10.0, e) - 2.5) < 1e-9;
    return std::max(0, -e + (quarter ? 1 : 0));
}

void civil(qint64 days, int* y, int* m, int* d)
{
    days += 719468;
    const qint64 era = (days >= 0 ? days : days - 146096) / 146097;
    const qint64 doe = days - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    *d = int(doy - (153 * mp + 2) / 5 + 1);
    *m = int(mp < 10 ? mp + 3 : mp - 9);
    *y = int(yoe + era * 400 + (*m <= 2));
}

qint64 dayOf(double seconds)
{
    return qint64(std::floor(seconds / kDay));
}

QString two(int v)
{
    return QString::number(v).rightJustified(2, u'0');
}

// Steps for times, in seconds; weeks start on Mondays.
const double kTimeSteps[] = {
    1,        2,        5,         10,        15,        30,         60,        120,   300,
    600,      900,      1800,      3600,      7200,      10800,      21600,     43200, kDay,
    2 * kDay, 7 * kDay, 14 * kDay, 28 * kDay, 91 * kDay, 182 * kDay, 364 * kDay};

QString tickText(double t, double step)
{
    if (step < 60)
        return plottext::time(t);
    if (step < kDay)
        return plottext::time(t).left(5);
    return plottext::date(t).left(5);
}

std::vector<XTick> numberTicks(double from, double to, double pixels, double digit)
{
    const qsizetype digits =
        QString::number(qint64(std::max(std::fabs(from), std::fabs(to)))).size();
    const double width = digit * double(digits) + 24;
    double step = niceStep((to - from) * width / std::max(pixels, 1.0));
    step = std::max(step, 1.0);
    std::vector<XTick> out;
    for (double k = std::ceil(from / step) * step; k <= to + 1e-9 && out.size() < 1000; k += step)
        out.push_back({k, QString::number(qint64(std::llround(k))), QString()});
    return out;
}

} // namespace

ValueScale fixedScale(double low, double high, int lines)
{
    ValueScale s;
    if (!(high > low)) {
        high = low + 1;
    }
    s.low = low;
    s.high = high;
    s.step = niceStep((high - low) / std::max(lines, 1));
    s.decimals = decimalsFor(s.step);
    return s;
}

ValueScale valueScale(double min, double max, int lines)
{
    if (!std::isfinite(min) || !std::isfinite(max)) {
        min = 0;
        max = 1;
    }
    double span = max - min;
    if (span <= 0) {
        span = std::max(std::fabs(min) * 0.1, 1.0);
        min -= span / 2;
        max += span / 2;
    } else {
        min -= span * 0.05;
        max += span * 0.05;
    }
    ValueScale s;
    s.step = niceStep((max - min) / std::max(lines, 1));
    s.low = std::floor(min / s.step) * s.step;
    s.high = std::ceil(max / s.step) * s.step;
    s.decimals = decimalsFor(s.step);
    return s;
}

std::vector<XTick> xTicks(const PlotData& data, double from, double to, double pixels, double digit)
{
    if (!(to > from))
        return {};
    if (!data.timeAxis())
        return numberTicks(from, to, pixels, digit);
    const double scale = data.segmentAt(from).scale;
    const double perSecond = pixels / ((to - from) * scale);
    double step = kTimeSteps[std::size(kTimeSteps) - 1];
    for (const double s : kTimeSteps) {
        const double text = digit * (s < 60 ? 8 : 5); // hh:mm:ss, hh:mm or mm-dd
        if (s * perSecond >= text + 18) {
            step = s;
            break;
        }
    }
    const double align = step >= 7 * kDay ? 4 * kDay : 0; // 5 January 1970 was a Monday
    std::vector<XTick> out;
    const std::vector<TimeSegment>& segs = data.segments;
    for (size_t i = 0; i < segs.size(); ++i) {
        const double segFrom = std::max(from, segs[i].keyStart);
        const double segTo = std::min(to, i + 1 < segs.size() ? segs[i + 1].keyStart : to);
        if (segTo < segFrom || (i + 1 < segs.size() && segTo == segFrom))
            continue;
        const double r0 = segs[i].origin + segFrom * segs[i].scale;
        const double r1 = segs[i].origin + segTo * segs[i].scale;
        const bool last = i + 1 == segs.size();
        qint64 lastDay = std::numeric_limits<qint64>::min(); // or year, for steps of days
        for (double t = std::ceil((r0 - align) / step) * step + align;
             last ? t <= r1 + 1e-6 : t < r1; t += step) {
            XTick tick{(t - segs[i].origin) / segs[i].scale, tickText(t, step), QString()};
            if (step < kDay) {
                if (dayOf(t) != lastDay)
                    tick.second = plottext::date(t);
                lastDay = dayOf(t);
            } else {
                int y, m, d;
                civil(dayOf(t), &y, &m, &d);
                if (y != lastDay)
                    tick.second = QString::number(y);
                lastDay = y;
            }
            out.push_back(std::move(tick));
            if (out.size() > 2000)
                return out;
        }
    }
    return out;
}

namespace plottext {

QString time(double seconds)
{
    const qint64 s = qint64(std::floor(seconds)) - dayOf(seconds) * qint64(kDay);
    return two(int(s / 3600)) + u':' + two(int(s / 60 % 60)) + u':' + two(int(s % 60));
}

QString date(double seconds)
{
    int y, m, d;
    civil(dayOf(seconds), &y, &m, &d);
    return two(m) + u'-' + two(d) + u'-' + QString::number(y).rightJustified(4, u'0');
}

QString dateTime(double seconds)
{
    return date(seconds) + u' ' + time(seconds);
}

QString duration(double seconds)
{
    const qint64 s = std::llround(std::fabs(seconds));
    if (s < 60)
        return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return s % 60 ? QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60)
                      : QStringLiteral("%1 min").arg(s / 60);
    if (s < qint64(kDay))
        return s / 60 % 60 ? QStringLiteral("%1 h %2 min").arg(s / 3600).arg(s / 60 % 60)
                           : QStringLiteral("%1 h").arg(s / 3600);
    return s / 3600 % 24 ? QStringLiteral("%1 d %2 h").arg(s / qint64(kDay)).arg(s / 3600 % 24)
                         : QStringLiteral("%1 d").arg(s / qint64(kDay));
}

QString key(const PlotData& data, double k)
{
    if (data.timeAxis())
        return dateTime(data.realAt(k));
    const QString n = QString::number(qint64(std::llround(k)));
    return data.kind == FileKind::DownloadFile ? QStringLiteral("record ") + n
                                               : QStringLiteral("row ") + n;
}

QString keySpan(const PlotData& data, double keys)
{
    if (data.timeAxis())
        return duration(keys * data.segments.front().scale);
    const qint64 n = std::llround(keys);
    const QString what =
        data.kind == FileKind::DownloadFile ? QStringLiteral("record") : QStringLiteral("row");
    return QStringLiteral("%1 %2%3").arg(n).arg(what, n == 1 ? QString() : QStringLiteral("s"));
}

QString value(double v, int decimals)
{
    if (!std::isfinite(v))
        return QStringLiteral("-");
    if (v == 0)
        v = 0; // no "-0"
    if (decimals >= 0 && decimals <= 12)
        return QString::number(v, 'f', decimals);
    return QString::number(v, 'g', 10);
}

} // namespace plottext
