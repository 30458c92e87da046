#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

// A text file as the viewer lists it: the file's lines, last line first, each numbered, over a
// fixed heading. Only the file's bytes and a few marks of where lines start are kept, and a row's
// text is made when it is asked for, so a listing costs little more than the file itself however
// short or long its lines are.
class FileListing
{
  public:
    static const QString Heading;
    // A line longer than this is shown cut, ending in CutMark.
    static constexpr qsizetype MaxShown = 4096;
    static const QChar CutMark;

    FileListing() = default; // the heading alone
    explicit FileListing(QByteArray bytes);

    // Filled piece by piece, as the file is read.
    void reserve(qsizetype bytes) { m_bytes.reserve(bytes); }
    void append(QByteArrayView piece);
    qsizetype byteCount() const { return m_bytes.size(); }
    qsizetype capacity() const { return m_bytes.capacity(); }
    // Bytes held besides the file's own.
    qsizetype indexBytes() const { return qsizetype(m_marks.capacity() * sizeof(Mark)); }

    // A line ends at CR, LF or CR LF; a last line without an end counts.
    qsizetype lineCount() const { return m_lines; }
    // 0 is the file's first line, without its end, and no longer than MaxShown + 1 bytes (more
    // than MaxShown: the line goes on).
    QByteArrayView line(qsizetype index) const;

    qsizetype rowCount() const { return lineCount() + 1; }
    // Row 0 is the top: the file's last line; the heading is the bottom row. Control characters
    // are shown as visible marks (C0 and DEL as their pictures, C1 as U+FFFD), so that no byte can
    // break or hide a row.
    QString row(qsizetype row) const;

    // The line number in a field of five: right-aligned, the last five digits beyond 99999.
    static QString numberField(long long number);

  private:
    // One start in 8 bytes would be more than the file itself for short lines: a mark every
    // MarkLines lines, or sooner when MarkBytes have passed, and the rest is found from it.
    static constexpr qint64 MarkLines = 64;
    static constexpr qint64 MarkBytes = 4096;
    struct Mark
    {
        qint64 line;
        qint64 start;
    };
    qint64 startOf(qsizetype index) const;

    QByteArray m_bytes;
    std::vector<Mark> m_marks;
    qsizetype m_lines = 0;
    qint64 m_next = 0; // where the next line starts, once a byte is there
    qint64 m_scan = 0; // how far the current line has been looked at
    bool m_inLine = false;
};
