#include "file_listing.h"

#include <algorithm>

#include "texts.h"

const QString FileListing::Heading =
    QStringLiteral("Rec #| Data , UOM ,  Data  , UOM  , Time , Date");
const QChar FileListing::CutMark(0x2026);

namespace {

// The first CR or LF in [p, end), else end.
const char* lineEnd(const char* p, const char* end)
{
    for (; p < end; ++p)
        if (*p == '\r' || *p == '\n')
            return p;
    return end;
}

// Where the line after an end at `q` starts; the end is CR, LF or CR LF.
const char* afterEnd(const char* q, const char* end)
{
    return *q == '\r' && q + 1 < end && q[1] == '\n' ? q + 2 : q + 1;
}

} // namespace

FileListing::FileListing(QByteArray bytes)
{
    m_bytes = std::move(bytes);
    append({});
}

void FileListing::append(QByteArrayView piece)
{
    m_bytes.append(piece.data(), piece.size());
    const char* d = m_bytes.constData();
    const char* end = d + m_bytes.size();
    for (;;) {
        if (!m_inLine) {
            if (m_next >= m_bytes.size())
                return;
            if (m_lines % MarkLines == 0 || m_next - m_marks.back().start >= MarkBytes)
                m_marks.push_back({m_lines, m_next});
            ++m_lines;
            m_inLine = true;
            m_scan = m_next;
        }
        const char* q = lineEnd(d + m_scan, end);
        if (q == end) {
            m_scan = m_bytes.size();
            return;
        }
        if (*q == '\r' && q + 1 == end) {
            m_scan = q - d; // the LF of a CR LF may be in the next piece
            return;
        }
        m_next = afterEnd(q, end) - d;
        m_inLine = false;
    }
}

qint64 FileListing::startOf(qsizetype index) const
{
    // The last mark at or before the line; from there fewer than MarkLines lines and MarkBytes
    // bytes are passed over.
    auto mark = std::upper_bound(m_marks.begin(), m_marks.end(), index,
                                 [](qsizetype i, const Mark& m) { return i < m.line; });
    --mark;
    const char* d = m_bytes.constData();
    const char* end = d + m_bytes.size();
    const char* at = d + mark->start;
    for (qint64 l = mark->line; l < index; ++l)
        at = afterEnd(lineEnd(at, end), end);
    return at - d;
}

QByteArrayView FileListing::line(qsizetype index) const
{
    const char* d = m_bytes.constData();
    const char* start = d + startOf(index);
    const char* limit = std::min(d + m_bytes.size(), start + MaxShown + 1);
    return QByteArrayView(start, lineEnd(start, limit) - start);
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
    QByteArrayView text = line(index);
    const bool cut = text.size() > MaxShown;
    if (cut)
        text = text.first(MaxShown);
    QString shown = numberField(index + 1) + u' ';
    shown.reserve(shown.size() + text.size() + 1);
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        // C0 as their pictures; C1 has none, and some of it moves or breaks text: a plain mark.
        shown += u < 0x20               ? QChar(0x2400 + u)
                 : u == 0x7f            ? QChar(0x2421)
                 : u < 0xa0 && u > 0x7f ? QChar(0xfffd)
                                        : QChar(char16_t(u));
    }
    if (cut)
        shown += CutMark;
    return shown;
}
