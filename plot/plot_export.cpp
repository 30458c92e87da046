#include "plot_export.h"

#include <QBuffer>
#include <QDate>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>
#include <cmath>

#include "plot_file.h"
#include "runtime_error.h"

namespace {

enum class Format
{
    None,
    Png,
    Svg,
    Pdf
};

Format formatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return Format::Png;
    if (suffix == QLatin1String("svg"))
        return Format::Svg;
    if (suffix == QLatin1String("pdf"))
        return Format::Pdf;
    return Format::None;
}

void paintInto(QPainter& p, const PlotData& data, const PlotView& view, const QString& title,
               const QRectF& area)
{
    PlotStyle style;
    style.title = title;
    style.emptyText = QStringLiteral("Nothing to plot here.");
    const PlotFrame frame = layoutPlot(data, view, area, style);
    paintPlot(p, data, frame, style);
}

[[noreturn]] void failed(const QString& path, const QString& why)
{
    throw RuntimeError(QStringLiteral("%1 cannot be written: %2").arg(path, why));
}

constexpr qint64 kJulian1970 = 2440588;
constexpr double kDay = 86400;

const QRegularExpression& relativeForm()
{
    static const QRegularExpression re(QStringLiteral("^-(\\d+(?:\\.\\d+)?)([smhd]?)$"));
    return re;
}
const QRegularExpression& isoForm()
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[ T](\\d{2}):(\\d{2})(?::(\\d{2}))?)?$"));
    return re;
}
const QRegularExpression& fileForm()
{
    static const QRegularExpression re(
        QStringLiteral("^(\\d{2})-(\\d{2})-(\\d{4})(?:[ T-](\\d{2}):(\\d{2})(?::(\\d{2}))?)?$"));
    return re;
}
const QRegularExpression& timeForm()
{
    static const QRegularExpression re(QStringLiteral("^(\\d{2}):(\\d{2})(?::(\\d{2}))?$"));
    return re;
}
const QRegularExpression& numberForm()
{
    static const QRegularExpression re(QStringLiteral("^\\d+$"));
    return re;
}

// Seconds of the day from captures h, m, s (s may be missing); -1 when out of range.
int secondsOfDay(const QRegularExpressionMatch& m, int first)
{
    if (m.captured(first).isEmpty())
        return 0;
    const int h = m.captured(first).toInt(), min = m.captured(first + 1).toInt();
    const int s = m.captured(first + 2).isEmpty() ? 0 : m.captured(first + 2).toInt();
    if (h > 23 || min > 59 || s > 59)
        return -1;
    return h * 3600 + min * 60 + s;
}

} // namespace

bool exportableName(const QString& path)
{
    return formatOf(path) != Format::None;
}

void exportPlot(const PlotData& data, const PlotView& view, const QString& title,
                const QString& path, QSize size)
{
    const Format format = formatOf(path);
    if (format == Format::None)
        failed(path, QStringLiteral("its name must end in .png, .svg or .pdf"));
    const QRectF area(0, 0, size.width(), size.height());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        failed(path, out.errorString());
    switch (format) {
    case Format::Png: {
        QImage image(size, QImage::Format_RGB888); // three bytes a pixel: the PNG holds no more
        if (image.isNull())
            failed(path, QStringLiteral("a picture of %1 x %2 pixels is too large")
                             .arg(size.width())
                             .arg(size.height()));
        QPainter p(&image);
        paintInto(p, data, view, title, area);
        p.end();
        QImageWriter writer(&out, "png");
        if (!writer.write(image))
            failed(path, writer.errorString());
        break;
    }
    case Format::Svg: {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(area);
        svg.setResolution(96);
        svg.setTitle(title);
        QPainter p(&svg);
        paintInto(p, data, view, title, area);
        p.end();
        if (out.write(buffer.data()) != buffer.size())
            failed(path, out.errorString());
        break;
    }
    case Format::Pdf: {
        QPdfWriter pdf(&out);
        pdf.setResolution(96);
        pdf.setTitle(title);
        pdf.setCreator(QStringLiteral("Quorvane"));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96, size.height() * 72.0 / 96),
                                  QPageSize::Point, QString(), QPageSize::ExactMatch));
        QPainter p;
        if (!p.begin(&pdf))
            failed(path, QStringLiteral("the PDF could not be started"));
        paintInto(p, data, view, title, QRectF(0, 0, pdf.width(), pdf.height()));
        if (!p.end())
            failed(path, QStringLiteral("the PDF could not be finished"));
        break;
    }
    case Format::None:
        break;
    }
    if (!out.commit())
        failed(path, out.errorString());
}

QString plotTitle(const PlotData& data, const QString& fileName, const PlotView& view)
{
    QString t = QFileInfo(fileName).fileName();
    if (data.rowCount() > 0)
        t += QStringLiteral("   ") + plottext::key(data, view.from) + QStringLiteral(" – ") +
             plottext::key(data, view.to);
    return t;
}

bool spanTextValid(const QString& text)
{
    for (const QRegularExpression* re :
         {&relativeForm(), &isoForm(), &fileForm(), &timeForm(), &numberForm()})
        if (re->match(text).hasMatch())
            return true;
    return false;
}

bool spanKey(const PlotData& data, const QString& text, bool end, double from, double* key,
             QString* error)
{
    const bool times = data.timeAxis();
    const double scale = times ? data.segmentAt(data.lastKey()).scale : 1;
    if (const QRegularExpressionMatch m = relativeForm().match(text); m.hasMatch()) {
        static const QString units = QStringLiteral("smhd");
        static const double seconds[] = {1, 60, 3600, kDay};
        const QString unit = m.captured(2);
        if (times == unit.isEmpty()) {
            *error = times ? QStringLiteral("\"%1\": give a unit, for example -2h").arg(text)
                           : QStringLiteral("\"%1\": this file has no times; give a number of "
                                            "rows, for example -500")
                                 .arg(text);
            return false;
        }
        const double n = m.captured(1).toDouble();
        *key = data.lastKey() - (times ? n * seconds[units.indexOf(unit)] / scale : n);
        return true;
    }
    if (numberForm().match(text).hasMatch()) {
        if (times) {
            *error = QStringLiteral("\"%1\" is not a time, for example 2026-12-07 09:30").arg(text);
            return false;
        }
        *key = text.toDouble();
        return true;
    }
    if (!times) {
        *error =
            QStringLiteral("\"%1\": this file has no times; give a record or row number").arg(text);
        return false;
    }
    QDate day;
    int secs = 0;
    bool dayOnly = false;
    if (const QRegularExpressionMatch m = isoForm().match(text); m.hasMatch()) {
        day = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
        secs = secondsOfDay(m, 4);
        dayOnly = m.captured(4).isEmpty();
    } else if (const QRegularExpressionMatch m = fileForm().match(text); m.hasMatch()) {
        day = QDate(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
        secs = secondsOfDay(m, 4);
        dayOnly = m.captured(4).isEmpty();
    } else if (const QRegularExpressionMatch m = timeForm().match(text); m.hasMatch()) {
        secs = secondsOfDay(m, 1);
        if (secs >= 0) {
            const double firstDay = std::floor(data.realAt(data.firstKey()) / kDay) * kDay;
            double k = data.keyForReal(firstDay + secs);
            if (end && k <= from)
                k = data.keyForReal(firstDay + kDay + secs);
            *key = k;
            return true;
        }
    } else {
        *error = QStringLiteral("\"%1\" is not a time, for example 2026-12-07 09:30").arg(text);
        return false;
    }
    if (secs < 0 || (!day.isNull() && !day.isValid()) || day.isNull()) {
        *error = QStringLiteral("\"%1\" is no such time").arg(text);
        return false;
    }
    double real = double(day.toJulianDay() - kJulian1970) * kDay + secs;
    if (end && dayOnly)
        real += kDay;
    *key = data.keyForReal(real);
    return true;
}

int exportFile(const ExportRequest& request, QString* error)
{
    if (!exportableName(request.out)) {
        *error = QStringLiteral("%1: the picture's name must end in .png, .svg or .pdf")
                     .arg(request.out);
        return 2;
    }
    std::unique_ptr<PlotFile> file;
    try {
        file = PlotFile::read(request.file);
    } catch (const RuntimeError& e) {
        *error = e.description();
        return 1;
    } catch (const std::bad_alloc&) {
        *error = QStringLiteral("%1 is too large for the memory left").arg(request.file);
        return 1;
    }
    const QString nothing = nothingToPlot(file->data);
    if (!nothing.isEmpty()) {
        *error = QStringLiteral("%1 holds nothing to plot: %2").arg(request.file, nothing);
        return 1;
    }
    PlotView view = wholeView(file->data);
    if (!request.from.isEmpty() && !spanKey(file->data, request.from, false, 0, &view.from, error))
        return 2;
    if (!request.to.isEmpty() && !spanKey(file->data, request.to, true, view.from, &view.to, error))
        return 2;
    if (!(view.to > view.from)) {
        *error = QStringLiteral("the span ends before it starts");
        return 2;
    }
    try {
        exportPlot(file->data, view, plotTitle(file->data, request.file, view), request.out,
                   request.size);
    } catch (const RuntimeError& e) {
        *error = e.description();
        return 1;
    }
    return 0;
}
