#include <QApplication>
#include <cstdio>

#include "artwork.h"
#include "command_line.h"
#include "desktop_notifier.h"
#include "frm_main.h"
#include "port_map.h"
#include "termination_signals.h"

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
        std::fprintf(stderr, "quorvane: %s\n\n%s", line.error.toLocal8Bit().constData(),
                     usageText().toLocal8Bit().constData());
        return 2;
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
