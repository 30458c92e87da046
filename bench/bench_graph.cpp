// Cost of the graph and gauge components: one data change and the repaint it causes.
// Run: QT_QPA_PLATFORM=offscreen bench_graph [repaints]   (or on an X display, DISPLAY=...)

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>

#include "gauge_dial.h"
#include "gauge_model.h"
#include "graph_model.h"
#include "graph_plot.h"
#include "printer.h"

namespace {

// CPU time of the whole process: the raster engine may hand work to helper threads.
double cpuUs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

// Best of five rounds of n steps, in microseconds a step: the machine may be shared.
double bestOf(int n, const std::function<void(int)>& step)
{
    double best = 1e300;
    for (int round = 0, k = 0; round < 5; ++round) {
        const double t0 = cpuUs();
        for (int i = 0; i < n; ++i)
            step(k++);
        best = std::min(best, (cpuUs() - t0) / n);
    }
    return best;
}

// As the dispatcher feeds the plot: both sets written at the newest point, then a scroll.
void feed(GraphModel& g, float v1, float v2)
{
    for (int s = 1; s <= 2; ++s)
        for (int i = 2; i <= GraphModel::Points; ++i) {
            g.setThisSet(s);
            g.setThisPoint(i);
            const float v = g.graphData();
            g.setThisPoint(i - 1);
            g.setGraphData(v);
        }
    g.setThisSet(1);
    g.setGraphData(v1);
    g.setThisSet(2);
    g.setGraphData(v2);
    g.setDrawMode(3);
}

// Shows a widget and waits until the window system lets it paint (a window manager may take a
// moment to map it).
void showExposed(QWidget& w)
{
    w.show();
    QElapsedTimer t;
    t.start();
    while (!(w.windowHandle() && w.windowHandle()->isExposed()) && t.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    QApplication::processEvents();
}

// Counts the paint events a widget receives, to show that every step repainted.
struct PaintCount : QObject
{
    int n = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        n += e->type() == QEvent::Paint;
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int n = argc > 1 ? std::atoi(argv[1]) : 400;

    GraphModel model;
    model.setThisPoint(GraphModel::Points);
    GraphPlot plot(&model);
    plot.resize(800, 450);
    showExposed(plot);
    PaintCount plotPaints;
    plot.installEventFilter(&plotPaints);
    // Drifting readings, as a meter's (and the simulator's); and readings that jump across
    // the whole scale with every packet, the most line there can be to draw.
    const auto drifting = [&](int k) {
        feed(model, 45 + 3 * std::sin(k * 0.05), 22 + std::sin(k * 0.03));
        QApplication::processEvents();
    };
    const auto jumping = [&](int k) {
        feed(model, k % 2 ? 95 : 5, k % 2 ? 8 : 92);
        QApplication::processEvents();
    };
    for (int k = 0; k < 300; ++k)
        drifting(k);
    plotPaints.n = 0;
    const double drift = bestOf(n, drifting);
    const int driftPaints = plotPaints.n;
    for (int k = 0; k < 100; ++k)
        jumping(k);
    plotPaints.n = 0;
    const double jump = bestOf(n, jumping);
    const int jumpPaints = plotPaints.n;

    GaugeModel gauge(0, 100);
    GaugeDial dial(&gauge);
    dial.resize(240, 130);
    showExposed(dial);
    PaintCount dialPaints;
    dial.installEventFilter(&dialPaints);
    const double needle = bestOf(n, [&](int k) {
        gauge.setValue(50 + 40 * std::sin(k * 0.1));
        QApplication::processEvents();
    });

    QTemporaryDir dir;
    printToPdfFile(dir.filePath(QStringLiteral("graph.pdf")));
    const double page = bestOf(5, [&](int) {
        printPage([&](QPainter& p, const QRectF& area) { GraphPlot::render(p, area, model); });
    });

    std::printf("%s, CPU time a step, best of 5 rounds of %d steps\n",
                qPrintable(QGuiApplication::platformName()), n);
    std::printf("plot 800x450, data change + repaint, drifting readings: %8.1f us (%d paints)\n",
                drift, driftPaints);
    std::printf("plot 800x450, data change + repaint, jumping readings:  %8.1f us (%d paints)\n",
                jump, jumpPaints);
    std::printf("gauge 240x130, needle change + repaint:                 %8.1f us (%d paints)\n",
                needle, dialPaints.n);
    std::printf("one printed page to a PDF file:                         %8.1f us\n", page);
    return 0;
}
