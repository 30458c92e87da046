#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

#include "plot_data.h"

// Reads a file's bytes into PlotData, piece by piece as they come, without an allocation a row.
// What the file is comes from its first telling line: the download file's heading or an
// "Error, Data Lost" line, a save file's record or closing row, else any line with a number
// (then it is another CSV file, its numeric columns plotted against the row number).
//
// A line ends at LF, CR LF or CR. A line that is neither a row nor anything known (binary
// bytes, a cut line, text) is counted and skipped; a value that is not a number is a gap.
class PlotReader
{
  public:
    explicit PlotReader(PlotData& data) : m_data(data) {}

    // The next bytes of the file. Whole lines are read; a last line without its end waits.
    void feed(QByteArrayView bytes);
    // Reads the waiting line as it stands. It is taken back when more bytes come, and read
    // again with them, so a line caught half written is never kept half. The same holds for a
    // line kept as a possible heading of columns, which counts as not read until one comes.
    void finish();
    bool lineWaiting() const { return !m_carry.isEmpty() && !m_dropping; }

    // A line longer than this is not a row of any kind: it is skipped without being kept.
    static constexpr qsizetype MaxLine = 1 << 16;

  private:
    struct Field
    {
        const char* b;
        const char* e;
    };
    enum class Number
    {
        None,
        Exact,
        Real
    };
    // Everything about the reading so far that a row changes, apart from the data.
    struct State
    {
        qint64 line = 0;
        bool afterCr = false;
        bool afterClosing = false;
        qint64 lastRecord = -1;
        bool haveBase = false;
        qint64 offset = 0; // keys added to the clock's seconds after it went back
        qint64 lastReal = 0;
        qint64 lastStep = 0;
        char lastDate[10] = {};
        qint64 lastDays = 0;
        size_t collectionSegment = 0;
        QByteArray unitText[2];
        int unitOf[2] = {-1, -1};
        // Another CSV file: the separator, a decimal comma, and the channel of each field.
        char separator = ',';
        bool decimalComma = false;
        std::vector<int> fieldChannel;
        QByteArray previousLine; // a heading, until the kind is known
        qint64 previousLineNumber = 0;
    };

    void takeLine(const char* b, const char* e);
    void notRead(qint64 line);
    bool takeFirstTellingLine(const char* b, const char* e);
    bool downloadLike(const char* b, const char* e, const Field* f, int n) const;
    static bool saveShaped(const Field* f, int n); // five or seven fields, a date last
    bool takeSaveLine(const Field* f, int n);
    bool takeClosingRow(const Field* f, int n);
    bool takeDownloadLine(const char* b, const char* e, const Field* f, int n);
    bool takeCsvLine(const char* b, const char* e);
    void startCsv(const char* b, const char* e);
    void takeValue(int channel, const Field& value);
    void takeUnit(int channel, const Field& unit);
    bool saveKey(qint64 real, qint32* key);
    void addMark(MarkKind kind, int channel, const Field& value, const Field& unit, qint64 real);

    static int split(const char* b, const char* e, char sep, Field* out, int max);
    Number number(const char* b, const char* e, Decimal* d, double* real) const;
    bool date(const Field& f, qint64* days);
    static bool time(const Field& f, int* seconds);
    static bool whole(const Field& f, qint64* v);
    static bool binary(const char* b, const char* e);

    PlotData& m_data;
    State m_s;
    QByteArray m_carry;
    bool m_dropping = false; // within a line longer than MaxLine
    bool m_provisional = false;
    State m_savedState;
    PlotData::Checkpoint m_saved;
};
