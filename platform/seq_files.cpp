#include "seq_files.h"

#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "background_sync.h"
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

// False when another open of the file holds it; a file system without locks lets everyone in.
static bool lockForWriting(QFile& f)
{
    return ::flock(f.handle(), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
}

static bool isRegular(const QFile& f)
{
    struct stat st;
    return ::fstat(f.handle(), &st) == 0 && S_ISREG(st.st_mode);
}

static RuntimeError heldByAnother(const QString& path)
{
    return RuntimeError(
        QStringLiteral("%1 is being written by another copy of Quorvane: it cannot be used "
                       "here until that copy closes it")
            .arg(path));
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
    struct stat st;
    const bool irregular =
        ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
    // Opening a pipe waits for a writer, and a device never ends: neither is looked at.
    if (mode == Mode::Input && irregular)
        throw RuntimeError(QStringLiteral("Cannot list %1: it is not a regular file (a pipe, "
                                          "a device, a socket or a folder)")
                               .arg(path));
    // A save file's rows must stay somewhere: a pipe or a device keeps none of them.
    if (mode == Mode::Append && irregular)
        throw RuntimeError(QStringLiteral("Cannot record into %1: it is not a regular file (a "
                                          "pipe, a device, a socket or a folder), which would "
                                          "keep none of the rows")
                               .arg(path));
    auto f = std::make_unique<QFile>(path);
    QIODevice::OpenMode m;
    // Written files are unbuffered: a line is in the system's hands when printLine returns. They
    // are opened for reading too, so that their rows can be copied should their name be lost, and
    // never truncated by the open itself: the lock comes first.
    const auto written = QIODevice::ReadWrite | QIODevice::Unbuffered;
    switch (mode) {
    case Mode::Append:
        m = written | QIODevice::Append;
        break;
    case Mode::Output:
        m = written;
        break;
    case Mode::Input:
        m = QIODevice::ReadOnly;
        break;
    }
    if (!f->open(m)) {
        if (mode == Mode::Input && !f->exists())
            throw RuntimeError(QStringLiteral("File not found: %1").arg(path));
        throw RuntimeError(QStringLiteral("Cannot open %1: %2").arg(path, f->errorString()));
    }
    if (mode != Mode::Input) {
        if (!lockForWriting(*f))
            throw heldByAnother(path);
        if (mode == Mode::Output && isRegular(*f) && !f->resize(0))
            throw RuntimeError(QStringLiteral("Cannot open %1: %2").arg(path, f->errorString()));
    }
    m_files[number] = std::move(f);
    m_canonical[number] = canonicalOf(path);
    m_modes[number] = mode;
}

void SeqFiles::checkNotWrittenElsewhere(const QString& path)
{
    // Any other open of the file conflicts with its writer's lock, this program's own too.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    if (held)
        throw heldByAnother(path);
}

bool SeqFiles::lostLastName(int number) const
{
    auto it = m_files.find(number);
    if (it == m_files.end())
        return false;
    struct stat st;
    return ::fstat(it->second->handle(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 0;
}

void SeqFiles::moveTo(int number, const QString& path)
{
    QFile& old = file(number);
    const Mode mode = m_modes.at(number);
    if (mode == Mode::Input)
        throw RuntimeError(QStringLiteral("Bad file mode"));
    auto f = std::make_unique<QFile>(path);
    auto m = QIODevice::ReadWrite | QIODevice::Unbuffered | QIODevice::NewOnly;
    if (mode == Mode::Append)
        m |= QIODevice::Append;
    if (!f->open(m))
        throw RuntimeError(QStringLiteral("Cannot write %1: %2").arg(path, f->errorString()));
    const auto fail = [&](int err) {
        f->close();
        QFile::remove(path);
        return writeError(*f, err);
    };
    (void)lockForWriting(*f); // a new file: nobody else has it
    char buffer[65536];
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(old.handle(), buffer, sizeof buffer, at);
        if (n < 0)
            throw fail(errno);
        if (n == 0)
            break;
        if (f->write(buffer, n) != n)
            throw fail(errno);
        at += n;
    }
    if (::fdatasync(f->handle()) != 0)
        throw fail(errno);
    m_files[number] = std::move(f);
    m_canonical[number] = canonicalOf(path);
}

void SeqFiles::close(int number)
{
    m_files.erase(number);
    m_canonical.erase(number);
    m_modes.erase(number);
}

void SeqFiles::closeAll()
{
    m_files.clear();
    m_canonical.clear();
    m_modes.clear();
}

bool SeqFiles::isOpen(int number) const
{
    return m_files.count(number) != 0;
}

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
    if (const int err = BackgroundSync::run(f.handle()))
        throw writeError(f, err);
}

int SeqFiles::handle(int number) const
{
    return file(number).handle();
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

bool SeqFiles::eof(int number) const
{
    return file(number).atEnd();
}

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

QByteArray SeqFiles::read(int number, qint64 max)
{
    QFile& f = file(number);
    QByteArray bytes = f.read(max);
    if (f.error() != QFileDevice::NoError)
        throw RuntimeError(QStringLiteral("Cannot read %1: %2").arg(f.fileName(), f.errorString()));
    return bytes;
}

qint64 SeqFiles::size(int number) const
{
    return file(number).size();
}
