#include "platform.h"

#include <QSettings>

#include "qt_serial_control.h"

Platform desktopPlatform(const PortMap& ports)
{
    Platform p;
    p.comm = std::make_unique<QtSerialControl>(ports);
    p.clock = std::make_shared<SystemClock>();
    p.boxes = std::make_shared<QtMessageBoxes>();
    p.dialog = std::make_shared<QtCommonDialog>();
    p.files = std::make_shared<SeqFiles>();
    p.placement = std::make_shared<WindowPlacement>(
        std::make_unique<QSettings>(QStringLiteral("Quorvane"), QStringLiteral("Quorvane")));
    return p;
}
