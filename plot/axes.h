#pragma once

#include <QString>
#include <vector>

class PlotData;

// A value axis: from `low` to `high`, a line every `step`.
struct ValueScale
{
    double low = 0;
    double high = 1;
    double step = 1;
    int decimals = 0;
};

// About `lines` steps of 1, 2, 2.5 or 5 times a power of ten over the values from `min` to `max`,
// with a little room above and below.
ValueScale valueScale(double min, double max, int lines);
// The same over exactly `low` to `high` (a box zoom's span), with steps inside it.
ValueScale fixedScale(double low, double high, int lines);

struct XTick
{
    double key;
    QString text;
    QString second; // the date under a time, where the day is new; else empty
};

// Ticks along the key axis from `from` to `to` over `pixels`: times of the file's clock on steps
// from a second to weeks that leave room for their texts (`digit` is a digit's width), or record
// and row numbers. After the clock was set back the ticks start again on the new stretch's own
// times.
std::vector<XTick> xTicks(const PlotData& data, double from, double to, double pixels,
                          double digit);

namespace plottext {

// A time of the file's clock (seconds since 1970, read as UTC) in the file's own forms.
QString time(double seconds);     // hh:mm:ss
QString date(double seconds);     // mm-dd-yyyy
QString dateTime(double seconds); // mm-dd-yyyy hh:mm:ss
QString duration(double seconds); // "45 s", "12 min 5 s", "3 h 20 min", "2 d 4 h"
// Where a key stands: its time, or "record 12" / "row 12".
QString key(const PlotData& data, double key);
// A span of keys as a duration, or as a number of records or rows.
QString keySpan(const PlotData& data, double keys);
// A value with `decimals` places (-1: as short as it reads exactly).
QString value(double v, int decimals);

} // namespace plottext
