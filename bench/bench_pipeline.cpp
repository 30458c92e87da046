// Per-packet cost of the live view, and the raw data list at a million lines.
// Run: QT_QPA_PLATFORM=offscreen bench_pipeline [packets [lines]]

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <malloc.h>

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

// Packets of both displays with values that move, so extremes, gauges and bound all work.
QString packetFor(int i)
{
    const int d1 = (i * 37) % 10000;
    const int d2 = (i * 91) % 10000;
    const char sign = char('0' + (i % 4));
    return QString::asprintf("\x02%c104%d2%04d%04d\r", sign, 1 + (i % 2), d2, d1);
}

double usPer(qint64 ns, long n)
{
    return double(ns) / 1000.0 / double(n);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long packets = argc > 1 ? std::atol(argv[1]) : 20000;

    MainWithFakes m;
    m.startLinked(1, false);
    m->Digitial_On_Click();
    m->Data_Display_Raw_Click();
    m->graph()->show();
    m->session().Graph_Shown = 1;
    m->anagDisplay()->show();
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

    t.restart();
    for (long i = 0; i < packets; ++i) {
        m->session().Sig_Str = pk[int(i % pk.size())];
        m->Proc_Packet();
        QApplication::processEvents();
    }
    const qint64 paintNs = t.nsecsElapsed();

    t.restart();
    for (long i = 0; i < packets; ++i) {
        m.comm->fire(pk[int(i % pk.size())].toLatin1());
        QApplication::processEvents();
    }
    const qint64 commNs = t.nsecsElapsed();

    std::printf("windows shown: digital, analog, graph, raw list; %ld packets each\n", packets);
    std::printf("Proc_Packet alone:                     %8.1f us/packet\n", usPer(procNs, packets));
    std::printf("Proc_Packet + processEvents (repaint): %8.1f us/packet\n",
                usPer(paintNs, packets));
    std::printf("Comm1_OnComm + processEvents:          %8.1f us/packet\n", usPer(commNs, packets));

    // Where the repaint time goes: one full repaint of each window.
    const auto repaintUs = [](QWidget* w) {
        QElapsedTimer tt;
        tt.start();
        const int n = 300;
        for (int i = 0; i < n; ++i)
            w->repaint();
        return usPer(tt.nsecsElapsed(), n);
    };
    std::printf("full repaint: digital %.1f us, raw list %.1f us, graph %.1f us, analog %.1f us\n",
                repaintUs(m->digDisplay()), repaintUs(m->dataDisplay()), repaintUs(m->graph()),
                repaintUs(m->anagDisplay()));
    {
        QElapsedTimer tt;
        tt.start();
        for (int i = 0; i < 2000; ++i)
            QApplication::processEvents();
        std::printf("processEvents with nothing to do: %.1f us\n", usPer(tt.nsecsElapsed(), 2000));
    }

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
