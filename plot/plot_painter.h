#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <utility>
#include <vector>

#include "axes.h"
#include "plot_data.h"

class QPainter;

// What part of a file is in view.
struct PlotView
{
    double from = 0;
    double to = 1;
    // Value spans held by a zoom box, one for each series in PlotData::series() order; empty:
    // each axis fits the values in view.
    std::vector<std::pair<double, double>> fixedValues;
    bool operator==(const PlotView&) const = default;
};

// The whole file, and a little more when it holds one key only.
PlotView wholeView(const PlotData& data);

struct PlotStyle
{
    QString title;       // above the plot, when not empty
    QString emptyText;   // in the plot when there is nothing to draw
    bool screen = false; // one-pixel lines without smoothing, for a window; else smooth lines
};

struct PlotAxis
{
    Series series;
    QColor colour;
    QString label;
    bool left;
    double edge; // where the axis line stands
    ValueScale scale;
};

// Where everything stands in an area: the plot's rectangle, the keys across it and each
// series' value axis. The window maps the pointer through it.
struct PlotFrame
{
    QRectF area;
    QRectF plot;
    double from = 0;
    double to = 1;
    std::vector<PlotAxis> axes; // one for each series, in PlotData::series() order
    double legendTop = 0;

    double xOf(double key) const { return plot.left() + (key - from) * plot.width() / (to - from); }
    double keyAt(double x) const { return from + (x - plot.left()) * (to - from) / plot.width(); }
    double yOf(const PlotAxis& a, double v) const;
    double valueAt(const PlotAxis& a, double y) const;
    int axisOf(int channel, int unit) const; // -1 when that unit has no axis
};

PlotFrame layoutPlot(const PlotData& data, const PlotView& view, const QRectF& area,
                     const PlotStyle& style);
void paintPlot(QPainter& p, const PlotData& data, const PlotFrame& frame, const PlotStyle& style);

// What one pixel column of the plot holds of a series: its numbers' count, min and max, and the
// first and last row with a number (for the lines to the columns beside it).
struct PixelColumn
{
    qint64 count = 0;
    double min = 0;
    double max = 0;
    qint64 firstRow = -1;
    qint64 lastRow = -1;
};
// The rows that fall in each of `width` columns from `from` to `to`: column c holds rows
// bounds[c] to bounds[c + 1]; the last one takes a row at `to` too.
std::vector<qint64> columnBounds(const PlotData& data, double from, double to, int width);
std::vector<PixelColumn> pixelColumns(const PlotData& data, const Series& s,
                                      const std::vector<qint64>& bounds);

QFont plotFont();
