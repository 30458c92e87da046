// The program's live view as a user runs it: the real main window, serial control, clock and
// windows, on the display given, with the start dialogs answered (Com Port 1 on DEVICE, two
// displays, no saving) and the four live windows shown. bench/live-cpu.sh measures it from outside.
// Prints "ready" once the windows are up, and "packets=<received>" for each line read on its
// standard input: asked for, the count costs the measured program no wake-ups of its own.
// Run: bench_live DEVICE [WINDOWS]   WINDOWS: letters of the windows to show, d(igital) a(nalog)
// g(raph) r(aw list); all four when not given.

#include <QApplication>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <unistd.h>

#include "frm_main.h"
#include "port_dialogs.h"

namespace {

// The save question, answered "No" as a user watching the live view would.
class AnswerNo : public MessageBoxes
{
  public:
    int msgBox(const QString&, int flags) override
    {
        return (flags & 7) == Mb::YesNo ? Mb::No : Mb::Ok;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_live DEVICE [WINDOWS]\n");
        return 2;
    }
    PortMap ports;
    ports.setDevice(1, QString::fromLocal8Bit(argv[1]));
    Platform platform = desktopPlatform(ports);
    platform.boxes = std::make_shared<AnswerNo>();
    FrmMain w(std::move(platform), ports);
    w.Form_Load();
    w.show();
    w.comSelect()->Option1->setChecked(true);
    w.comSelect()->Command2_Click();
    w.displayType()->DisplayTwo->setChecked(true);
    w.displayType()->Command2_Click();
    if (!w.Comm1->PortOpen()) {
        std::fprintf(stderr, "bench_live: the port did not open\n");
        return 1;
    }
    const QString shown = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("dagr");
    if (shown.contains(u'd'))
        w.Digitial_On_Click();
    if (shown.contains(u'a'))
        w.Analog_On_Click();
    if (shown.contains(u'g'))
        w.Graph_On_Click();
    if (shown.contains(u'r'))
        w.Data_Display_Raw_Click();

    QTimer::singleShot(1000, &w, [] {
        std::printf("ready\n");
        std::fflush(stdout);
    });
    QSocketNotifier asked(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&asked, &QSocketNotifier::activated, &w, [&w, &asked] {
        char buf[256];
        if (::read(STDIN_FILENO, buf, sizeof buf) <= 0)
            asked.setEnabled(false); // nobody left to ask
        std::printf("packets=%lld\n", w.session().Rec_Count);
        std::fflush(stdout);
    });
    return app.exec();
}
