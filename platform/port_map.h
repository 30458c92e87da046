#pragma once

#include <QString>
#include <QStringList>
#include <array>

// Which device each of "Com Port 1" to "Com Port 4" means on this machine.
class PortMap
{
public:
    PortMap(); // COM1–COM4 on Windows, /dev/ttyS0–/dev/ttyS3 elsewhere

    QString device(int port) const; // empty for a number outside 1..4
    void setDevice(int port, const QString& path);

    // Takes "--port N=PATH" (or "--port=N=PATH") options; throws RuntimeError on a bad one.
    // Returns the arguments it did not use.
    QStringList applyArguments(const QStringList& args);

private:
    std::array<QString, 4> m_devices;
};
