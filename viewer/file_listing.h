#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <vector>

// A text file as the viewer lists it: the file's lines, last line first, each numbered, over a
// fixed heading. Only the file's bytes and where each line starts are kept; a row's text is made
// when it is asked for, so a listing costs little more than the file itself.
class FileListing
{
  public:
    static const QString Heading;

    FileListing() = default; // the heading alone
    explicit FileListing(QByteArray bytes);

    // A line ends at CR, LF or CR LF; a last line without an end counts.
    qsizetype lineCount() const { return qsizetype(m_starts.size()); }
    QByteArrayView line(qsizetype index) const; // 0 is the file's first line, without its end

    qsizetype rowCount() const { return lineCount() + 1; }
    // Row 0 is the top: the file's last line; the heading is the bottom row.
    QString row(qsizetype row) const;

    // The line number in a field of five: right-aligned, the last five digits beyond 99999.
    static QString numberField(long long number);

  private:
    QByteArray m_bytes;
    std::vector<qint64> m_starts;
};
