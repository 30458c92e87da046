#include "command_line.h"

#include "port_map.h"
#include "runtime_error.h"

CommandLine readCommandLine(const QStringList& args, PortMap& ports)
{
    // Asking for help or the version wins over everything else given with it.
    for (const QString& a : args) {
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return {CommandLine::Help, {}};
        if (a == QLatin1String("--version"))
            return {CommandLine::Version, {}};
    }
    try {
        const QStringList rest = ports.applyArguments(args);
        if (!rest.isEmpty())
            return {CommandLine::Wrong,
                    QStringLiteral("unknown argument \"%1\"").arg(rest.first())};
    } catch (const RuntimeError& e) {
        return {CommandLine::Wrong, e.description()};
    }
    return {};
}

QString usageText()
{
    const PortMap defaults;
    return QStringLiteral(
               "Usage: quorvane [--port N=DEVICE]...\n"
               "\n"
               "Reads a handheld measuring meter over a serial line (9600 baud, 8N1): shows its\n"
               "readings live, records them into CSV save files, downloads its datalogger and\n"
               "lists saved files.\n"
               "\n"
               "Options:\n"
               "  --port N=DEVICE  the device that \"Com Port N\" (N from 1 to 4) stands for, for\n"
               "                   example --port 1=/dev/ttyUSB0; once for each port to change.\n"
               "                   Without it Com Port 1 to 4 are %1 to %2.\n"
               "  --help           this text\n"
               "  --version        the program's version\n")
        .arg(defaults.device(1), defaults.device(4));
}
