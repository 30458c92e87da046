#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

class PortMap;

// What the command line asks for. It is read before anything needs a display, so --help,
// --version and a wrong option answer on a terminal without one.
struct CommandLine
{
    enum Action
    {
        Run,     // start the program with the ports given
        Help,    // the usage, on standard output
        Version, // "quorvane <version>", on standard output
        Wrong,   // `error`, then the usage, on standard error
        Plot,    // the plot of `plotFile` alone (asked for when empty)
        Export   // the plot of `plotFile` written into `exportFile`, with no window
    };
    Action action = Run;
    QString error;
    bool oneLine = false; // Wrong: the message alone, as a script wants it

    QString plotFile;
    QString exportFile;
    QSize size;
    QString from;
    QString to;
};

// Reads the arguments after the program's name; --port options go into `ports`.
CommandLine readCommandLine(const QStringList& args, PortMap& ports);
QString usageText();
