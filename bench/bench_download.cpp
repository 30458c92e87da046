// CPU cost of a datalogger download at the line's pace: the main window with the real serial
// control on the meter simulator's pseudo-terminal, boxes answered at once.
// Run: QT_QPA_PLATFORM=offscreen bench_download [records]
// Last line: records=<n> wall_ms=<...> cpu_ms=<user+system> cpu_pct=<cpu/wall>

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

#include "test_main_window.h"

namespace {

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
    auto user = std::make_shared<DownloadUser>();
    user->meter = sim.processId();
    const std::unique_ptr<FrmMain> main =
        mainOnDevice(QString::fromLocal8Bit(sim.readLine()).trimmed(), user);
    FrmMain& w = *main;
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
