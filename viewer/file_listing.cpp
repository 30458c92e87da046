#include "file_listing.h"

#include <cstring>

#include "texts.h"

const QString FileListing::Heading =
    QStringLiteral("Rec #| Data , UOM ,  Data  , UOM  , Time , Date");

namespace {

// Where the line after the one starting at `from` starts; `end` when none follows.
const char* nextLine(const char* from, const char* end)
{
    for (const char* p = from; p < end; ++p) {
        if (*p == '\n')
            return p + 1;
        if (*p == '\r')
            return p + 1 < end && p[1] == '\n' ? p + 2 : p + 1;
    }
    return end;
}

} // namespace

FileListing::FileListing(QByteArray bytes) : m_bytes(std::move(bytes))
{
    const char* begin = m_bytes.constData();
    const char* end = begin + m_bytes.size();
    // Counted first, so the index takes exactly what it needs.
    std::size_t lines = 0;
    for (const char* p = begin; p < end; p = nextLine(p, end))
        ++lines;
    m_starts.reserve(lines);
    for (const char* p = begin; p < end; p = nextLine(p, end))
        m_starts.push_back(p - begin);
}

QByteArrayView FileListing::line(qsizetype index) const
{
    const qint64 start = m_starts[std::size_t(index)];
    qint64 stop = index + 1 < lineCount() ? m_starts[std::size_t(index) + 1] : m_bytes.size();
    const char* d = m_bytes.constData();
    if (stop > start && d[stop - 1] == '\n')
        --stop;
    if (stop > start && d[stop - 1] == '\r')
        --stop;
    return QByteArrayView(d + start, stop - start);
}

QString FileListing::numberField(long long number)
{
    return (QStringLiteral("     ") + texts::numberText(double(number))).right(5);
}

QString FileListing::row(qsizetype row) const
{
    if (row == lineCount())
        return Heading;
    const qsizetype index = lineCount() - 1 - row;
    return numberField(index + 1) + u' ' + QString::fromLatin1(line(index));
}
