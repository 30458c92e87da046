// The plot of a large file: reading it, a frame after a zoom and a pan at the whole span and at
// one minute, and taking 60 appended rows. `--write-save-file PATH ROWS` writes the dual-display
// save file that bench/plot-vs-gnuplot.sh plots.
//
//   QT_QPA_PLATFORM=offscreen build-rel/bench/bench_plot [ROWS]     (default 10,000,000)

#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "plot_painter.h"
#include "plot_reader.h"

namespace {

// Rows one a second from 1 December 2026, humidity and temperature drifting as a room's do.
class SaveRows
{
  public:
    // Appends `n` rows to `out`.
    void write(QByteArray& out, qint64 n)
    {
        char line[96];
        for (qint64 i = 0; i < n; ++i, ++m_row) {
            const qint64 t = m_row;
            const qint64 day = t / 86400, s = t % 86400;
            const double rh = 45 + 8 * std::sin(double(t) / 5400) + (m_row * 7919 % 100) / 100.0;
            const double c = 21 + 3 * std::sin(double(t) / 43200);
            if (day != m_day) {
                m_day = day;
                m_date = QDate(2026, 12, 1)
                             .addDays(day)
                             .toString(QStringLiteral("MM-dd-yyyy"))
                             .toLatin1();
            }
            const int len = std::snprintf(
                line, sizeof line, " %lld ,%+.2f,%%RH,%+.1f,Deg C,%02lld:%02lld:%02lld,%s\r\n",
                m_row + 1, rh, c, s / 3600, s / 60 % 60, s % 60, m_date.constData());
            out.append(line, len);
        }
    }

  private:
    qint64 m_row = 0;
    qint64 m_day = -1;
    QByteArray m_date;
};

double msSince(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int writeFile(const char* path, qint64 rows)
{
    QFile f(QString::fromLocal8Bit(path));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "bench_plot: cannot write %s\n", path);
        return 1;
    }
    SaveRows gen;
    QByteArray chunk;
    for (qint64 done = 0; done < rows;) {
        const qint64 n = std::min<qint64>(100000, rows - done);
        chunk.clear();
        gen.write(chunk, n);
        f.write(chunk);
        done += n;
    }
    return 0;
}

// Frames of `span` keys after one zoom and one pan: the median of 15.
double frameMs(const PlotData& data, QImage& image, double span)
{
    const PlotView whole = wholeView(data);
    const double middle = (whole.from + whole.to) / 2;
    std::vector<double> times;
    for (int i = 0; i < 15; ++i) {
        PlotView v;
        // The view a zoom and a pan would leave: about the middle, moved on a little each time.
        v.from = middle - span / 2 + span * 0.1 * i;
        v.to = v.from + span;
        QElapsedTimer t;
        t.start();
        QPainter p(&image);
        PlotStyle style;
        style.screen = true;
        paintPlot(p, data, layoutPlot(data, v, image.rect(), style), style);
        p.end();
        times.push_back(msSince(t));
    }
    return median(times);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 4 && QByteArray(argv[1]) == "--write-save-file")
        return writeFile(argv[2], QByteArray(argv[3]).toLongLong());
    QGuiApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 10000000;

    PlotData data;
    PlotReader reader(data);
    SaveRows gen;
    QByteArray chunk;
    double readMs = 0;
    for (qint64 done = 0; done < rows;) {
        const qint64 n = std::min<qint64>(20000, rows - done);
        chunk.clear();
        gen.write(chunk, n);
        QElapsedTimer t;
        t.start();
        reader.feed(chunk);
        readMs += msSince(t);
        done += n;
    }
    reader.finish();
    std::printf("rows=%lld read_ms=%.0f held_bytes_per_row=%.1f\n", (long long)data.rowCount(),
                readMs, double(data.bytes()) / double(data.rowCount()));

    QImage image(1600, 900, QImage::Format_RGB32);
    const double whole = data.lastKey() - data.firstKey();
    std::printf("frame_full_span_ms=%.2f\n", frameMs(data, image, whole * 0.8));
    std::printf("frame_one_minute_ms=%.2f\n", frameMs(data, image, 60));

    // 60 rows appended, as a follower hands them on, read and summarised.
    std::vector<double> times;
    for (int i = 0; i < 50; ++i) {
        chunk.clear();
        gen.write(chunk, 60);
        QElapsedTimer t;
        t.start();
        reader.feed(chunk);
        reader.finish();
        times.push_back(msSince(t));
    }
    std::printf("append_60_rows_us=%.1f\n", median(times) * 1000);
    return 0;
}
