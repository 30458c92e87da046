#include "port_map.h"

#include "runtime_error.h"

PortMap::PortMap()
{
    for (int i = 0; i < 4; ++i) {
#ifdef Q_OS_WIN
        m_devices[i] = QStringLiteral("COM%1").arg(i + 1);
#else
        m_devices[i] = QStringLiteral("/dev/ttyS%1").arg(i);
#endif
    }
}

QString PortMap::device(int port) const
{
    return port >= 1 && port <= 4 ? m_devices[port - 1] : QString();
}

void PortMap::setDevice(int port, const QString& path)
{
    if (port >= 1 && port <= 4)
        m_devices[port - 1] = path;
}

QStringList PortMap::applyArguments(const QStringList& args)
{
    QStringList rest;
    for (int i = 0; i < args.size(); ++i) {
        QString value;
        if (args[i] == QLatin1String("--port")) {
            if (i + 1 >= args.size())
                throw RuntimeError(QStringLiteral("--port needs a value such as 1=/dev/ttyUSB0"));
            value = args[++i];
        } else if (args[i].startsWith(QLatin1String("--port="))) {
            value = args[i].mid(7);
        } else {
            rest << args[i];
            continue;
        }
        const int eq = value.indexOf(u'=');
        bool ok = false;
        const int port = eq > 0 ? value.left(eq).toInt(&ok) : 0;
        if (!ok || port < 1 || port > 4 || eq + 1 >= value.size())
            throw RuntimeError(QStringLiteral("Bad port mapping \"%1\": expected N=DEVICE with N from 1 to 4")
                                   .arg(value));
        setDevice(port, value.mid(eq + 1));
    }
    return rest;
}
