#pragma once

#include <QString>
#include <vector>

#include "plot_data.h"
#include "range_summary.h"

// Statistics of each series over a span of keys, from the summaries: as quick for a week of
// rows as for a minute.
struct SeriesStats
{
    Series series;
    SpanStats stats;
};
std::vector<SeriesStats> seriesStats(const PlotData& data, double from, double to);

// What the whole file covers besides its values.
struct FileFacts
{
    qint64 rows = 0;
    double span = 0; // keys from the first row to the last
    qint64 gaps = 0;
    double longestGap = 0;   // keys
    double longestGapAt = 0; // key of the row before it
    qint64 clockBack = 0;
    qint64 dataLost = 0;
};
FileFacts fileFacts(const PlotData& data);

// The statistics of the span in view and of the whole file, as an HTML table for a window or a
// page: per series the number of points, min and max with their times, mean and standard
// deviation; for the file also its span, rows, gaps and the longest gap.
QString statisticsHtml(const PlotData& data, double from, double to);
