// quorvane-record: records a meter into a save file with no window, as the desktop program
// would with the same settings.
#include <QCoreApplication>
#include <cstdio>

#include "clock.h"
#include "port_map.h"
#include "qt_serial_control.h"
#include "record_command.h"
#include "seq_files.h"
#include "signal_watch.h"

namespace {

void put(std::FILE* to, const QByteArray& line)
{
    const QByteArray bytes = line + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fflush(to);
}

} // namespace

int main(int argc, char* argv[])
{
    // The plain event loop wakes for less than the glib one; nothing here needs glib's.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvane-record"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    const auto err = [](const QString& line) { put(stderr, line.toLocal8Bit()); };

    const RecordArguments args = parseRecordArguments(app.arguments().mid(1));
    switch (args.action) {
    case RecordArguments::Action::Help:
        std::fputs(qPrintable(recordHelp()), stdout);
        return 0;
    case RecordArguments::Action::Version:
        put(stdout, "quorvane-record " QUORVANE_VERSION);
        return 0;
    case RecordArguments::Action::Bad:
        if (!args.error.isEmpty()) {
            err(QStringLiteral("quorvane-record: ") + args.error);
            std::fputs(qPrintable(recordUsage()), stderr);
        }
        for (const QString& message : args.timeMessages)
            err(message);
        return 2;
    case RecordArguments::Action::Record:
        break;
    }
    for (const QString& warning : args.warnings)
        err(warning);

    PortMap ports;
    ports.setDevice(1, args.options.device);
    QtSerialControl comm(ports);
    SystemClock clock;
    SeqFiles files;
    Recorder recorder(
        args.options, comm, clock, files, [](const QString& row) { put(stdout, row.toLatin1()); },
        err); // as the file has them
    QObject::connect(&recorder, &Recorder::finished, &app,
                     [](int code) { QCoreApplication::exit(code); });
    // A shutdown, a logout or Ctrl+C ends the recording as closing the main window does.
    onTerminationSignals(&recorder, [&recorder] { recorder.close(); });
    if (!recorder.start())
        return 1;
    const int code = app.exec();
    // The user's command for the last event (the file closed) is given a few seconds to finish.
    recorder.finishCommands(5000);
    return code;
}
