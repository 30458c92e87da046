#include "seq_files.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime_error.h"

static RuntimeError writeError(const QFile& f, int err)
{
    return RuntimeError(QStringLiteral("Cannot write %1: %2")
                            .arg(f.fileName(), QString::fromLocal8Bit(std::strerror(err))));
}

static QString canonicalOf(const QString& path)
{
    const QFileInfo info(path);
    const QString c = info.canonicalFilePath();
    return c.isEmpty() ? info.absoluteFilePath() : c;
}

void SeqFiles::open(int number, const QString& path, Mode mode)
{
    if (path.isEmpty())
        throw RuntimeError(QStringLiteral("Bad file name"));
    if (m_files.count(number))
        throw RuntimeError(QStringLiteral("File already open"));
    const QString canonical = canonicalOf(path);
    for (const auto& [n, c] : m_canonical)
        if (c == canonical)
            throw RuntimeError(QStringLiteral("File already open"));
    auto f = std::make_unique<QFile>(path);
    QIODevice::OpenMode m;
    // Written files are unbuffered: a line is in the system's hands when printLine returns.
    const auto written = QIODevice::WriteOnly | QIODevice::Unbuffered;
    switch (mode) {
    case Mode::Append: m = written | QIODevice::Append; break;
    case Mode::Output: m = written | QIODevice::Truncate; break;
    case Mode::Input: m = QIODevice::ReadOnly; break;
    }
    if (!f->open(m)) {
        if (mode == Mode::Input && !f->exists())
            throw RuntimeError(QStringLiteral("File not found: %1").arg(path));
        throw RuntimeError(QStringLiteral("Cannot open %1: %2").arg(path, f->errorString()));
    }
    m_files[number] = std::move(f);
    m_canonical[number] = canonicalOf(path);
}

void SeqFiles::close(int number)
{
    m_files.erase(number);
    m_canonical.erase(number);
}

void SeqFiles::closeAll()
{
    m_files.clear();
    m_canonical.clear();
}

bool SeqFiles::isOpen(int number) const { return m_files.count(number) != 0; }

QString SeqFiles::path(int number) const
{
    auto it = m_files.find(number);
    return it == m_files.end() ? QString() : it->second->fileName();
}

QFile& SeqFiles::file(int number) const
{
    auto it = m_files.find(number);
    if (it == m_files.end())
        throw RuntimeError(QStringLiteral("Bad file name or number"));
    return *it->second;
}

void SeqFiles::printLine(int number, const QString& line)
{
    QFile& f = file(number);
    QByteArray bytes = line.toLatin1();
    bytes += "\r\n";
    struct stat before;
    const bool regular = ::fstat(f.handle(), &before) == 0 && S_ISREG(before.st_mode);
    if (f.write(bytes) != bytes.size()) {
        const int err = errno; // also set when the disk took only part of the line
        if (regular)
            (void)!::ftruncate(f.handle(), before.st_size);
        throw writeError(f, err);
    }
}

void SeqFiles::sync(int number)
{
    QFile& f = file(number);
    // Devices and pipes have nothing to write out (EINVAL, EROFS).
    if (::fdatasync(f.handle()) != 0) {
        const int err = errno;
        if (err != EINVAL && err != EROFS)
            throw writeError(f, err);
    }
}

QString SeqFiles::lineInput(int number)
{
    QFile& f = file(number);
    if (f.atEnd())
        throw RuntimeError(QStringLiteral("Input past end of file"));
    QByteArray line;
    char c;
    while (f.getChar(&c)) {
        if (c == '\n')
            break;
        if (c == '\r') {
            char next;
            if (f.peek(&next, 1) == 1 && next == '\n')
                f.getChar(&next);
            break;
        }
        line += c;
    }
    return QString::fromLatin1(line);
}

bool SeqFiles::eof(int number) const { return file(number).atEnd(); }

int SeqFiles::numberHolding(const QString& path) const
{
    if (path.isEmpty())
        return 0;
    const QString canonical = canonicalOf(path);
    for (const auto& [n, c] : m_canonical)
        if (c == canonical)
            return n;
    return 0;
}

QByteArray SeqFiles::readRest(int number)
{
    QFile& f = file(number);
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw RuntimeError(QStringLiteral("Cannot read %1: %2").arg(f.fileName(), f.errorString()));
    return bytes;
}
