#pragma once

#include <QSize>
#include <QString>

#include "plot_painter.h"

// Writes the picture of `view` into `path`, as PNG, SVG or PDF by the name's ending, all at once
// (a reader never finds half a picture). Sizes are pixels, 1/96 inch on a PDF page. Throws
// RuntimeError naming the file and the reason.
void exportPlot(const PlotData& data, const PlotView& view, const QString& title,
                const QString& path, QSize size);
// True for a name that ends in .png, .svg or .pdf (any case).
bool exportableName(const QString& path);

// The plot's title: the file's name and the span in view.
QString plotTitle(const PlotData& data, const QString& fileName, const PlotView& view);

// The key where a time the user gave stands in `data`. Accepted: YYYY-MM-DD or MM-DD-YYYY, with
// a time HH:MM[:SS] after a blank or a T (or a hyphen, as in a closing row's stamp); HH:MM[:SS]
// alone, on the file's first day (an end before `from` is on the day after); -N followed by s,
// m, h or d, that long before the file's last row; and for files without times a record or row
// number (-N: N before the last). `end` rounds a date without a time to the day's end. Returns
// false with `error` set when the text fits neither the forms nor the file.
bool spanKey(const PlotData& data, const QString& text, bool end, double from, double* key,
             QString* error);
// The same forms checked without a file, for the command line.
bool spanTextValid(const QString& text);

constexpr QSize DefaultExportSize(1600, 900);

// `quorvane --plot FILE --export OUT`: reads FILE and writes OUT. 0 done; 1 the file cannot be
// read, holds nothing to plot, or OUT cannot be written; 2 a span that does not fit the file.
// `error` is one line.
struct ExportRequest
{
    QString file;
    QString out;
    QSize size = DefaultExportSize;
    QString from;
    QString to;
};
int exportFile(const ExportRequest& request, QString* error);
