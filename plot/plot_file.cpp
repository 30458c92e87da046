#include "plot_file.h"

#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

#include "runtime_error.h"

namespace {
constexpr qint64 kBlock = 1 << 20;
}

FileIdentity identityOf(const QString& path, qint64* size)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    if (size)
        *size = st.st_size;
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

std::unique_ptr<PlotFile> PlotFile::read(const QString& path, const std::atomic<bool>* cancel,
                                         std::atomic<qint64>* done)
{
    auto file = std::make_unique<PlotFile>();
    file->path = path;
    QFile f(path);
    if (path.isEmpty())
        throw RuntimeError(QStringLiteral("No file was named."));
    // A pipe or a device would never end, a folder has no lines.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        throw RuntimeError(QStringLiteral("%1 is not a file that can be plotted.").arg(path));
    if (!f.open(QIODevice::ReadOnly))
        throw RuntimeError(QStringLiteral("%1 cannot be read: %2").arg(path, f.errorString()));
    struct stat st;
    if (::fstat(f.handle(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            throw RuntimeError(QStringLiteral("%1 is not a file that can be plotted.").arg(path));
        file->identity = {quint64(st.st_dev), quint64(st.st_ino)};
    }
    QByteArray block(kBlock, Qt::Uninitialized);
    for (;;) {
        if (cancel && cancel->load())
            return nullptr;
        const qint64 n = f.read(block.data(), kBlock);
        if (n < 0)
            throw RuntimeError(QStringLiteral("%1 cannot be read: %2").arg(path, f.errorString()));
        if (n == 0)
            break;
        file->reader.feed(QByteArrayView(block.constData(), n));
        file->offset += n;
        if (done)
            done->store(file->offset);
    }
    file->reader.finish();
    return file;
}

void PlotFile::append(const QByteArray& bytes)
{
    reader.feed(bytes);
    offset += bytes.size();
    reader.finish();
}

QString nothingToPlot(const PlotData& data)
{
    if (!data.series().empty())
        return QString();
    if (data.rowCount() == 0 && data.linesNotRead == 0)
        return QStringLiteral("it holds no rows yet.");
    if (data.rowCount() == 0) {
        const qint64 n = data.linesNotRead + data.linesRead;
        return QStringLiteral(
                   "none of its %1 line%2 is a row with a number (line %3 is the first).")
            .arg(n)
            .arg(n == 1 ? QString() : QStringLiteral("s"))
            .arg(data.firstLineNotRead);
    }
    return QStringLiteral("its %1 row%2 hold no numbers, only blanks or texts.")
        .arg(data.rowCount())
        .arg(data.rowCount() == 1 ? QString() : QStringLiteral("s"));
}
