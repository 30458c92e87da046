#include <QApplication>
#include <QMessageBox>

#include "frm_main.h"
#include "port_map.h"
#include "runtime_error.h"
#include "termination_signals.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvane"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));

    PortMap ports;
    try {
        const QStringList rest = ports.applyArguments(app.arguments().mid(1));
        if (!rest.isEmpty())
            throw RuntimeError(QStringLiteral("Unknown argument \"%1\". The only option is "
                                              "--port N=DEVICE, for example --port 1=/dev/ttyUSB0.")
                                   .arg(rest.first()));
    } catch (const RuntimeError& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Quorvane"), e.description());
        return 2;
    }

    FrmMain w(desktopPlatform(ports), ports);
    // A logout or a shutdown closes the program as the close box does: the save file is closed
    // with its closing rows.
    closeOnTerminationSignals(&w);
    w.Form_Load();
    w.show();
    return app.exec();
}
