// CPU cost of a datalogger download at the line's pace: the main window with the real serial
// control on the meter simulator's pseudo-terminal, boxes answered at once.
// Run: QT_QPA_PLATFORM=offscreen bench_download [records]
// Last line: records=<n> wall_ms=<...> cpu_ms=<user+system> cpu_pct=<cpu/wall>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>

#include "fakes.h"
#include "frm_main.h"
#include "port_dialogs.h"
#include "qt_serial_control.h"

namespace {

class User : public FakeMessageBoxes
{
  public:
    qint64 meter = 0;
    int msgBox(const QString& prompt, int flags) override
    {
        const int answer = FakeMessageBoxes::msgBox(prompt, flags);
        if (prompt.startsWith(QLatin1String("Press 'RESET>'")))
            ::kill(pid_t(meter), SIGUSR1);
        return answer;
    }
};

double cpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& t) {
        return double(t.tv_sec) * 1000.0 + double(t.tv_usec) / 1000.0;
    };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long records = argc > 1 ? std::atol(argv[1]) : 1000;

    QProcess sim;
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start(QStringLiteral(QUORVANE_SIM_PATH),
              {QStringLiteral("--meter"), QStringLiteral("dual"), QStringLiteral("--rate"),
               QStringLiteral("0"), QStringLiteral("--datalogger"), QString::number(records)});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(10000))
        qFatal("the simulator did not start");
    sim.closeWriteChannel();
    PortMap ports;
    ports.setDevice(1, QString::fromLocal8Bit(sim.readLine()).trimmed());

    auto user = std::make_shared<User>();
    user->meter = sim.processId();
    Platform p;
    p.comm = std::make_unique<QtSerialControl>(ports);
    p.clock = std::make_shared<SystemClock>();
    p.boxes = user;
    p.dialog = std::make_shared<FakeCommonDialog>();
    p.files = std::make_shared<SeqFiles>();
    FrmMain w(std::move(p), ports);
    w.Form_Load();
    w.comSelect()->Option1->setChecked(true);
    w.comSelect()->Command2_Click();
    w.displayType()->DisplayTwo->setChecked(true);
    user->answers.push_back(Mb::No);
    w.displayType()->Command2_Click();
    QApplication::processEvents();

    QTemporaryDir dir;
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuMs();
    w.downloadDatalogger(
        [&] { w.session().Save_File_Name = dir.filePath(QStringLiteral("DOWNLOAD.CSV")); });
    const double cpu = cpuMs() - cpu0;
    const double wall = double(t.elapsed());
    sim.terminate();
    sim.waitForFinished();

    std::printf("boxes: %s\n",
                qPrintable(user->shown.join(QStringLiteral(" | "))
                               .replace(QStringLiteral("\r\n"), QStringLiteral(" "))));
    std::printf("records=%ld wall_ms=%.0f cpu_ms=%.0f cpu_pct=%.2f\n", records, wall, cpu,
                100.0 * cpu / wall);
    return user->shown.last() == QLatin1String("Finished Downloading Data") ? 0 : 1;
}
