// "View File" on a large save file: from the click to the first painted list, and the memory the
// listing adds. Writes its own file first.
// Run: QT_QPA_PLATFORM=offscreen bench_viewer [lines [folder]]
// Last line: lines=<n> ms=<click to first paint> bytes=<memory the listing added> file_bytes=<size>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <malloc.h>

#include "fil_disp.h"
#include "test_main_window.h"

namespace {

long long rssBytes()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

// One-display record rows, one a second, then the closing rows.
qint64 writeSaveFile(const QString& path, long lines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray chunk;
    for (long n = 1; n <= lines - 2; ++n) {
        const int secs = int(n % 86400);
        char row[96];
        const int len =
            std::snprintf(row, sizeof row, " %ld ,+%05.2f, Deg C,%02d:%02d:%02d,12-07-2026\r\n", n,
                          20.0 + double(n % 1700) / 100.0, secs / 3600, secs / 60 % 60, secs % 60);
        chunk.append(row, len);
        if (chunk.size() > (1 << 20)) {
            f.write(chunk);
            chunk.clear();
        }
    }
    chunk += "High,+36.99, Deg C,12-07-2026-00:28:19\r\nLo,+20.00, Deg C,12-07-2026-00:00:01\r\n";
    f.write(chunk);
    return f.size();
}

struct FirstPaint : QObject
{
    bool seen = false;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            seen = true;
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long lines = argc > 1 ? std::atol(argv[1]) : 1000000;
    QTemporaryDir dir(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench-XXXXXX")
                               : QString());
    const QString path = dir.filePath(QStringLiteral("RECORDED.CSV"));
    const qint64 fileBytes = writeSaveFile(path, lines);

    MainWithFakes m;
    m.startLinked(1, false);
    QApplication::processEvents();
    malloc_trim(0);
    const long long before = rssBytes();

    // The window is made by the click, as in a fresh session; its list is watched from birth.
    FirstPaint painted;
    m.dialog->choices.push_back(path);
    QElapsedTimer t;
    t.start();
    m->View_File_Click();
    m->filDisp()->List1->viewport()->installEventFilter(&painted);
    const qint64 listedMs = t.elapsed();
    while (!painted.seen && t.elapsed() < 60000)
        QApplication::processEvents();
    const qint64 ms = t.elapsed();
    const long long added = rssBytes() - before;

    std::printf("listed in %lld ms, first paint at %lld ms; rows %d; %.2f times the file\n",
                (long long)listedMs, (long long)ms, m->filDisp()->List1->count(),
                double(added) / double(fileBytes));
    std::printf("lines=%ld ms=%lld bytes=%lld file_bytes=%lld\n", lines, (long long)ms, added,
                (long long)fileBytes);
    return painted.seen ? 0 : 1;
}
