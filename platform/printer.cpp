#include "printer.h"

#include <QPainter>
#include <QPrinter>

#include "runtime_error.h"

QPrinter& sharedPrinter()
{
    static QPrinter printer(QPrinter::HighResolution);
    static const bool prepared = [] {
        printer.setPageOrientation(QPageLayout::Landscape); // the plot is wider than high
        printer.setDocName(QStringLiteral("Quorvane graph"));
        return true;
    }();
    Q_UNUSED(prepared);
    return printer;
}

void printToPdfFile(const QString& path)
{
    QPrinter& p = sharedPrinter();
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(path);
}

static QString printerName(const QPrinter& p)
{
    if (p.outputFormat() == QPrinter::PdfFormat || !p.outputFileName().isEmpty())
        return QStringLiteral("the file \"%1\"").arg(p.outputFileName());
    return QStringLiteral("the printer \"%1\"").arg(p.printerName());
}

void printPage(const std::function<void(QPainter&, const QRectF&)>& paint)
{
    QPrinter& printer = sharedPrinter();
    QPainter p;
    if (!p.begin(&printer))
        throw RuntimeError(QStringLiteral("Could not print to %1.").arg(printerName(printer)));
    // Work in 1/96 inch whatever the printer's resolution, so the page looks like the window.
    const double scale = printer.resolution() / 96.0;
    p.scale(scale, scale);
    paint(p, QRectF(0, 0, printer.width() / scale, printer.height() / scale));
    if (!p.end() || printer.printerState() == QPrinter::Error)
        throw RuntimeError(QStringLiteral("Printing to %1 failed.").arg(printerName(printer)));
}
