#include "command_line.h"

#include <QRegularExpression>

#include "plot_export.h"
#include "port_map.h"
#include "runtime_error.h"

namespace {

CommandLine wrongPlot(const QString& error)
{
    CommandLine c;
    c.action = CommandLine::Wrong;
    c.error = error;
    c.oneLine = true;
    return c;
}

// Takes the plot's options out of `args` into `line`; false with `line` made Wrong on a bad one.
bool takePlotOptions(QStringList& args, CommandLine& line)
{
    QStringList rest;
    bool plot = false, exporting = false, sized = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        QString name = a, value;
        bool inline_ = false;
        if (a.startsWith(QLatin1String("--")) && a.contains(u'=')) {
            name = a.section(u'=', 0, 0);
            value = a.section(u'=', 1);
            inline_ = true;
        }
        const bool known = name == QLatin1String("--plot") || name == QLatin1String("--export") ||
                           name == QLatin1String("--size") || name == QLatin1String("--from") ||
                           name == QLatin1String("--to");
        if (!known) {
            rest << a;
            continue;
        }
        if (name == QLatin1String("--plot")) {
            plot = true;
            // The file is optional: without it the plot asks for one.
            if (!inline_ && i + 1 < args.size() && !args[i + 1].startsWith(QLatin1String("--")))
                value = args[++i];
            line.plotFile = value;
            continue;
        }
        if (!inline_) {
            if (i + 1 >= args.size()) {
                line = wrongPlot(QStringLiteral("%1 needs a value").arg(name));
                return false;
            }
            value = args[++i]; // "--from -2h": a value may begin with a minus
        }
        if (name == QLatin1String("--export")) {
            exporting = true;
            line.exportFile = value;
        } else if (name == QLatin1String("--size")) {
            sized = true;
            static const QRegularExpression form(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
            const QRegularExpressionMatch m = form.match(value);
            const int w = m.captured(1).toInt(), h = m.captured(2).toInt();
            if (!m.hasMatch() || w < 16 || h < 16 || w > 20000 || h > 20000) {
                line = wrongPlot(QStringLiteral("--size \"%1\": give WIDTHxHEIGHT in pixels, "
                                                "16 to 20000 each, for example 1600x900")
                                     .arg(value));
                return false;
            }
            line.size = QSize(w, h);
        } else {
            if (!spanTextValid(value)) {
                line = wrongPlot(QStringLiteral("%1 \"%2\": give a time such as 2026-12-07 09:30, "
                                                "09:30 or -2h, or a record number")
                                     .arg(name, value));
                return false;
            }
            (name == QLatin1String("--from") ? line.from : line.to) = value;
        }
    }
    args = rest;
    if (!plot && (exporting || sized || !line.from.isEmpty() || !line.to.isEmpty())) {
        line = wrongPlot(QStringLiteral("--export, --size, --from and --to go with --plot FILE"));
        return false;
    }
    if (exporting && line.plotFile.isEmpty()) {
        line =
            wrongPlot(QStringLiteral("--export needs the file to plot: --plot FILE --export OUT"));
        return false;
    }
    if (exporting && !exportableName(line.exportFile)) {
        line = wrongPlot(QStringLiteral("--export \"%1\": the picture's name must end in .png, "
                                        ".svg or .pdf")
                             .arg(line.exportFile));
        return false;
    }
    if (sized && !exporting) {
        line = wrongPlot(QStringLiteral("--size goes with --export"));
        return false;
    }
    if (exporting)
        line.action = CommandLine::Export;
    else if (plot)
        line.action = CommandLine::Plot;
    return true;
}

} // namespace

CommandLine readCommandLine(const QStringList& args, PortMap& ports)
{
    // Asking for help or the version wins over everything else given with it.
    CommandLine line;
    for (const QString& a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            line.action = CommandLine::Help;
        else if (a == QLatin1String("--version") && line.action != CommandLine::Help)
            line.action = CommandLine::Version;
    }
    if (line.action != CommandLine::Run)
        return line;
    QStringList rest = args;
    if (!takePlotOptions(rest, line))
        return line;
    // A plot reads a file only: a script is told what is wrong in one line.
    const bool plotting = line.action != CommandLine::Run;
    try {
        rest = ports.applyArguments(rest);
        if (!rest.isEmpty()) {
            line.action = CommandLine::Wrong;
            line.error = QStringLiteral("unknown argument \"%1\"").arg(rest.first());
            line.oneLine = plotting;
        }
    } catch (const RuntimeError& e) {
        line.action = CommandLine::Wrong;
        line.error = e.description();
        line.oneLine = plotting;
    }
    return line;
}

QString usageText()
{
    const PortMap defaults;
    return QStringLiteral(
               "Usage: quorvane [--port N=DEVICE]...\n"
               "       quorvane --plot [FILE] [--from T] [--to T]\n"
               "       quorvane --plot FILE --export OUT [--size WxH] [--from T] [--to T]\n"
               "\n"
               "Reads a handheld measuring meter over a serial line (9600 baud, 8N1): shows its\n"
               "readings live, records them into CSV save files, downloads its datalogger and\n"
               "lists and plots saved files.\n"
               "\n"
               "Options:\n"
               "  --port N=DEVICE  the device that \"Com Port N\" (N from 1 to 4) stands for, for\n"
               "                   example --port 1=/dev/ttyUSB0; once for each port to change.\n"
               "                   Without it Com Port 1 to 4 are %1 to %2.\n"
               "  --plot [FILE]    plot a save file, a download file or any CSV file alone (no\n"
               "                   port, no save question) and follow it as it grows; without\n"
               "                   FILE the program asks for one\n"
               "  --export OUT     write the plot of FILE into OUT (.png, .svg or .pdf) and exit,\n"
               "                   with no window and no display; exit 1 when FILE cannot be read\n"
               "                   or holds nothing to plot, 2 on a bad argument\n"
               "  --size WxH       the picture's size in pixels (default %3x%4; a PDF page is\n"
               "                   as large at 96 pixels an inch)\n"
               "  --from T         the span to show, from and to: 2026-12-07 09:30,\n"
               "  --to T           12-07-2026 09:30:00, 09:30 (on the file's first day), -2h (so\n"
               "                   long before the file's last row: s, m, h or d), or a record or\n"
               "                   row number for files without times\n"
               "  --help           this text\n"
               "  --version        the program's version\n")
        .arg(defaults.device(1), defaults.device(4))
        .arg(DefaultExportSize.width())
        .arg(DefaultExportSize.height());
}
