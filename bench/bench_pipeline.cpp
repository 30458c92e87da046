// Per-packet cost of the live view with every window shown, where its repaint time goes, and
// the raw data list at a million lines.
// Run: QT_QPA_PLATFORM=offscreen bench_pipeline [packets [lines]]

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <map>

#include "anag_display.h"
#include "data_display.h"
#include "dig_display.h"
#include "graph_window.h"
#include "test_main_window.h"

namespace {

long rssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

// Bytes handed out by malloc, from the heap and from mmap.
size_t heapInUse()
{
    const struct mallinfo2 mi = mallinfo2();
    return mi.uordblks + mi.hblkhd;
}

// Packets of both displays with values that jump about and change sign, so extremes, gauges
// and bound all work, and the graph has the most line to draw.
QString packetFor(int i)
{
    const int d1 = (i * 37) % 10000;
    const int d2 = (i * 91) % 10000;
    const char sign = char('0' + (i % 4));
    return QString::asprintf("\x02%c104%d2%04d%04d\r", sign, 1 + (i % 2), d2, d1);
}

// Readings that drift as a meter's do (and the simulator's): %RH near 45, Deg C near 22.
QString driftingPacketFor(int i)
{
    const int d1 = 4500 + int(300 * std::sin(i * 0.05));
    const int d2 = 225 + int(10 * std::sin(i * 0.03));
    return QString::asprintf("\x02"
                             "0104"
                             "12%04d%04d\r",
                             d2, d1);
}

double usPer(qint64 ns, long n)
{
    return double(ns) / 1000.0 / double(n);
}

// Counts the time spent in the paint events of each kind of widget of each window while
// `timing` is set.
class TimedApp : public QApplication
{
  public:
    using QApplication::QApplication;
    bool notify(QObject* o, QEvent* e) override
    {
        if (!timing || e->type() != QEvent::Paint)
            return QApplication::notify(o, e);
        QElapsedTimer t;
        t.start();
        const bool r = QApplication::notify(o, e);
        auto* w = qobject_cast<QWidget*>(o);
        const QByteArray key = w ? QByteArray(w->window()->metaObject()->className()) + "/" +
                                       w->metaObject()->className()
                                 : QByteArray("?");
        paintNs[key] += t.nsecsElapsed();
        return r;
    }
    bool timing = false;
    std::map<QByteArray, qint64> paintNs;
};

// CPU time of the whole process (the raster engine may hand work to helper threads).
qint64 cpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApp app(argc, argv);
    const long packets = argc > 1 ? std::atol(argv[1]) : 20000;

    MainWithFakes m;
    m.startLinked(1, false);
    m->Digitial_On_Click();
    m->Data_Display_Raw_Click();
    m->Graph_On->trigger();
    m->Analog_On->trigger();
    QApplication::processEvents();

    QStringList pk;
    for (int i = 0; i < 1000; ++i)
        pk << packetFor(i);

    // Warm-up: fonts, first paints, allocations.
    for (int i = 0; i < 200; ++i) {
        m->session().Sig_Str = pk[i % pk.size()];
        m->Proc_Packet();
        QApplication::processEvents();
    }

    QElapsedTimer t;
    t.start();
    for (long i = 0; i < packets; ++i) {
        m->session().Sig_Str = pk[int(i % pk.size())];
        m->Proc_Packet();
    }
    const qint64 procNs = t.nsecsElapsed();

    std::printf("windows shown: digital, analog, graph, raw list (%s); %ld packets a run\n",
                qPrintable(QGuiApplication::platformName()), packets);
    std::printf("Proc_Packet alone: %.1f us/packet\n", usPer(procNs, packets));

    // The whole road of a packet: serial event, pipeline, and the repaints it causes.
    const auto run = [&](const char* what, QString (*packetAt)(int)) {
        for (int i = 0; i < 300; ++i) { // the graph fills with this kind of reading
            m.comm->fire(packetAt(i).toLatin1());
            QApplication::processEvents();
        }
        app.paintNs.clear();
        app.timing = true;
        const qint64 cpu0 = cpuNs();
        t.restart();
        for (long i = 0; i < packets; ++i) {
            m.comm->fire(packetAt(int(i % 1000)).toLatin1());
            QApplication::processEvents();
        }
        const qint64 wallNs = t.nsecsElapsed();
        const qint64 cpuUsed = cpuNs() - cpu0;
        app.timing = false;
        std::printf("%s: Comm1_OnComm + repaints %.1f us/packet wall, %.1f us CPU\n", what,
                    usPer(wallNs, packets), usPer(cpuUsed, packets));
        qint64 painted = 0;
        for (const auto& [widget, ns] : app.paintNs) {
            std::printf("  paint events of %-32s %8.1f us/packet\n", widget.constData(),
                        usPer(ns, packets));
            painted += ns;
        }
        std::printf("  the rest (pipeline, flushes, events)             %8.1f us/packet\n",
                    usPer(wallNs - painted, packets));
    };
    run("drifting readings", driftingPacketFor);
    run("jumping readings", packetFor);

    // ---- raw data list: a million lines ----
    auto* list = new FrmDataDisplay;
    list->show();
    QApplication::processEvents();
    const auto line = [](long i) {
        return QStringLiteral(" %1,+45.12,%RH,+023.5, Deg C,14:03:09,05-31-2026").arg(i);
    };
    const long total = argc > 2 ? std::atol(argv[2]) : 1000000;
    const int probe = 2000;
    long next = 1;
    auto timeAdds = [&](int n, bool repaint) {
        QElapsedTimer tt;
        tt.start();
        for (int i = 0; i < n; ++i) {
            list->addLine(line(next++));
            if (repaint)
                QApplication::processEvents();
        }
        return usPer(tt.nsecsElapsed(), n);
    };
    for (int i = 0; i < 10; ++i)
        list->addLine(line(next++));
    const double startAdd = timeAdds(probe, false);
    const double startAddPaint = timeAdds(probe, true);

    list->Command2_Click();
    next = 1;
    QApplication::processEvents();
    malloc_trim(0);
    const long rss0 = rssKiB();
    const size_t heap0 = heapInUse();
    // Events are handled as they would be between packets, so nothing piles up in the queue.
    QElapsedTimer fill;
    fill.start();
    while (next <= total) {
        list->addLine(line(next++));
        if (next % 1000 == 0)
            QApplication::processEvents();
    }
    QApplication::processEvents();
    const double fillUs = usPer(fill.nsecsElapsed(), total);
    const long rss1 = rssKiB();
    const size_t heap1 = heapInUse();
    const double endAdd = timeAdds(probe, false);
    const double endAddPaint = timeAdds(probe, true);

    std::printf("raw list, lines held: %d (filled at %.2f us a line)\n", list->lineCount(), fillUs);
    std::printf("add a line at ~10 lines:     %6.2f us (with repaint %6.2f us)\n", startAdd,
                startAddPaint);
    std::printf("add a line at 1,000,000:     %6.2f us (with repaint %6.2f us)\n", endAdd,
                endAddPaint);
    std::printf("memory per stored line (%d chars): RSS %.1f bytes, heap %.1f bytes\n",
                int(line(500000).size()), (rss1 - rss0) * 1024.0 / total,
                double(heap1 - heap0) / total);
    delete list;
    return 0;
}
