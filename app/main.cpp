#include <QApplication>
#include <QFileInfo>
#include <cstdio>

#include "artwork.h"
#include "command_line.h"
#include "common_dialog.h"
#include "desktop_notifier.h"
#include "file_plot.h"
#include "frm_main.h"
#include "message_boxes.h"
#include "plot_export.h"
#include "port_map.h"
#include "termination_signals.h"

namespace {

// A picture for a script: no window, no display, one line on standard error when it fails.
int exportPlot(int argc, char* argv[], const CommandLine& line)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own remarks (a missing runtime folder under cron) are no failure of the picture.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "quorvane: %s\n", text.toLocal8Bit().constData());
    });
    QGuiApplication app(argc, argv);
    ExportRequest request;
    request.file = line.plotFile;
    request.out = line.exportFile;
    if (line.size.isValid())
        request.size = line.size;
    request.from = line.from;
    request.to = line.to;
    QString error;
    const int code = exportFile(request, &error);
    if (code != 0)
        std::fprintf(stderr, "quorvane: %s\n", error.toLocal8Bit().constData());
    return code;
}

// The plot alone: no port is opened and nothing is asked about saving.
int plotAlone(int argc, char* argv[], const CommandLine& line)
{
    if (!line.plotFile.isEmpty()) {
        const QFileInfo info(line.plotFile);
        const char* why = !info.exists()       ? "no such file"
                          : !info.isFile()     ? "not a file that can be plotted"
                          : !info.isReadable() ? "it cannot be read"
                                               : nullptr;
        if (why) {
            std::fprintf(stderr, "quorvane: %s: %s\n", line.plotFile.toLocal8Bit().constData(),
                         why);
            return 1;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    QApplication::setWindowIcon(appIcon());
    QtCommonDialog dialog;
    QtMessageBoxes boxes;
    QString file = line.plotFile;
    if (file.isEmpty()) {
        dialog.setDialogTitle(QStringLiteral("Plot File"));
        dialog.setFilter(QStringLiteral("CSV|*.CSV"));
        dialog.setDefaultExt(QStringLiteral("CSV"));
        dialog.showOpen();
        if (!dialog.accepted())
            return 0;
        file = dialog.fileName();
    }
    FrmFilePlot w(dialog, boxes);
    closeOnTerminationSignals(&w);
    w.openFile(file, line.from, line.to);
    w.show();
    return app.exec();
}

} // namespace

int main(int argc, char* argv[])
{
    // Before the application object: it needs a display, and these answers do not.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    PortMap ports;
    const CommandLine line = readCommandLine(args, ports);
    switch (line.action) {
    case CommandLine::Help:
        std::fputs(usageText().toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Version:
        std::fputs("quorvane " QUORVANE_VERSION "\n", stdout);
        return 0;
    case CommandLine::Wrong:
        if (line.oneLine) {
            std::fprintf(stderr, "quorvane: %s\n", line.error.toLocal8Bit().constData());
            return 2;
        }
        std::fprintf(stderr, "quorvane: %s\n\n%s", line.error.toLocal8Bit().constData(),
                     usageText().toLocal8Bit().constData());
        return 2;
    case CommandLine::Export:
        return exportPlot(argc, argv, line);
    case CommandLine::Plot:
        return plotAlone(argc, argv, line);
    case CommandLine::Run:
        break;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    // Every window and message box carries the icon, drawn for each size it is asked at.
    QApplication::setWindowIcon(appIcon());

    FrmMain w(desktopPlatform(ports), ports);
    // Without a notification service an event is one line on standard error.
    w.setAlarmOutlets(std::make_shared<DesktopNotifier>([](const QString& line) {
                          std::fprintf(stderr, "quorvane: %s\n", line.toLocal8Bit().constData());
                      }),
                      [] { QApplication::beep(); });
    // A logout or a shutdown closes the program as the close box does: the save file is closed
    // with its closing rows.
    closeOnTerminationSignals(&w);
    w.startUp();
    return app.exec();
}
