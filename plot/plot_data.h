#pragma once

#include <QColor>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

#include "columns.h"
#include "range_summary.h"

// What a plotted file holds, as columns: one key a row (seconds on the file's clock for a save
// file, the record or row number otherwise; never decreasing), and one value column a channel
// (display 1 and 2, or a CSV file's numeric columns). A channel's unit may change from a row on;
// each (channel, unit) with numbers is a series with its own value axis.
enum class FileKind
{
    Unknown, // nothing read yet that tells
    SaveFile,
    DownloadFile,
    OtherCsv
};

struct UnitRun
{
    qint64 row; // first row with this unit
    int unit;   // index into PlotData::unitNames
};

struct RowRun
{
    qint64 from;
    qint64 to; // not included
};

struct Channel
{
    QString name;
    ValueColumn values;
    RangeSummary summary;
    std::vector<UnitRun> units;
    std::vector<RowRun> blanks;  // rows without a number, in runs
    std::vector<qint64> numbers; // count of numbers for each unit
};

struct Series
{
    int channel;
    int unit;
    int rank; // 0 for the channel's first unit, 1 for its second, ...
};

enum class MarkKind
{
    High,       // a closing row's recorded high, at its stamp
    Lo,         // a closing row's recorded low
    DataLost,   // a download's "Error, Data Lost" line
    ClockBack,  // the clock went back between two rows
    Collection, // a new collection starts (not marked for the first)
};

struct Mark
{
    MarkKind kind;
    double key;
    int channel = -1;
    int unit = -1;
    double value = 0;
    qint64 realFrom = 0; // ClockBack: the times before and after, seconds
    qint64 realTo = 0;
};

// A stretch of keys on one clock: a row's time in seconds since 1970 (on the file's own clock,
// read as if it were UTC) is origin + key × scale.
struct TimeSegment
{
    qint64 row;
    double keyStart;
    double origin;
    double scale = 1;
};

struct Gap
{
    qint64 row; // the first row after the gap
    double keys;
};

class PlotData
{
  public:
    FileKind kind = FileKind::Unknown;
    std::vector<Channel> channels;
    QStringList unitNames;
    std::vector<Mark> marks;
    std::vector<TimeSegment> segments; // time axis only; the first starts at row 0
    qint64 keyBase = 0;                // save file: time of the first row
    qint64 linesRead = 0;              // lines that gave a row, a mark or a heading
    qint64 linesNotRead = 0;           // lines that are neither rows nor anything known
    qint64 firstLineNotRead = 0;       // its number, 0 when none
    int collections = 0;

    // Rows beyond this are not taken (row numbers are held in 32 bits in the summaries).
    static constexpr qint64 MaxRows = (qint64(1) << 31) - 1;

    qint64 rowCount() const { return m_keys.size(); }
    qint32 key(qint64 row) const { return m_keys[row]; }
    // First row whose key is not below `key` (rowCount() when none).
    qint64 lowerBound(double key) const;
    // First row whose key is above `key`.
    qint64 upperBound(double key) const;
    double firstKey() const { return rowCount() ? key(0) : 0; }
    double lastKey() const { return rowCount() ? key(rowCount() - 1) : 0; }

    // True when keys read as times (a save file, or a download given a start and interval).
    bool timeAxis() const { return !segments.empty(); }
    double realAt(double key) const;
    // The key where a time of the file's clock stands; before a clock set back the earlier
    // stretch that holds it, else where it would be.
    double keyForReal(double seconds) const;
    const TimeSegment& segmentAt(double key) const;
    // A download's records against a time axis: record 1 at `start`, one each `interval` seconds.
    // A non-positive interval goes back to record numbers.
    void setRecordTimes(double start, double interval);
    bool recordTimesSet() const { return kind == FileKind::DownloadFile && timeAxis(); }

    // Series in the order of their axes: by channel, then by the unit's first appearance.
    std::vector<Series> series() const;
    int unitAt(int channel, qint64 row) const;
    // Calls f(from, to) for each run of rows from `from` to `to` where `channel` is in `unit`.
    template <class F> void forEachPiece(int channel, int unit, qint64 from, qint64 to, F&& f) const
    {
        const std::vector<UnitRun>& runs = channels[size_t(channel)].units;
        size_t i = runIndex(channel, from);
        for (; i < runs.size() && runs[i].row < to; ++i) {
            const qint64 end = i + 1 < runs.size() ? runs[i + 1].row : to;
            if (runs[i].unit == unit && end > from)
                f(std::max(from, runs[i].row), std::min(to, end));
        }
    }
    // The run that holds `row` (the first when the row comes before all).
    size_t runIndex(int channel, qint64 row) const;
    // Rows without a number are skipped either way.
    qint64 firstNumber(int channel, qint64 from, qint64 to) const; // -1 when none
    qint64 lastNumber(int channel, qint64 from, qint64 to) const;

    // Keys between two rows that count as a gap: more than twice the usual step.
    double usualStep() const { return m_usualStep; }
    const std::vector<Gap>& gaps() const { return m_gaps; }
    bool gapBefore(qint64 row) const;

    // ---- filling, for the reader ----
    int channelFor(int index, const QString& name); // made on first use, gaps before
    int unitId(const QString& name);
    void appendKey(qint32 key) { m_keys.push(key); }
    void setUnit(int channel, int unit);
    void appendNumber(int channel, const Decimal& d)
    {
        Channel& c = channels[size_t(channel)];
        c.values.append(d);
        ++c.numbers[size_t(c.units.back().unit)];
    }
    void appendReal(int channel, double v);
    void appendBlank(int channel);
    // After rows were added: the summaries, the usual step and the gaps follow.
    void rowsAdded();

    // What rows added later can be taken back to (a last line without its end, read before the
    // rest of it was written).
    struct Checkpoint
    {
        qint64 rows = 0;
        size_t channels = 0;
        std::vector<size_t> unitRuns, blankRuns;
        std::vector<RowRun> lastBlank;
        std::vector<std::vector<qint64>> numbers;
        qsizetype unitNames = 0;
        size_t marks = 0, segments = 0;
        qint64 linesRead = 0, linesNotRead = 0, firstLineNotRead = 0;
        int collections = 0;
        FileKind kind = FileKind::Unknown;
        qint64 keyBase = 0;
        std::vector<std::pair<qint64, qint64>> steps;
        size_t modeStep = 0, gaps = 0;
        qint64 gapsFrom = 0;
    };
    Checkpoint checkpoint() const;
    void rollback(const Checkpoint& c);

    qint64 bytes() const; // held for rows (keys, values, summaries)

  private:
    void findGaps(qint64 from);
    void noteStep(qint64 step);

    KeyColumn m_keys;
    std::vector<Gap> m_gaps;
    double m_usualStep = 0;
    qint64 m_gapsFrom = 0; // rows looked at for steps and gaps
    // Steps between rows and how often each came (a file has few distinct ones); the usual step
    // is the most frequent.
    std::vector<std::pair<qint64, qint64>> m_steps;
    size_t m_modeStep = 0;
    size_t m_lastStep = 0;
};

// The colour of a series: the live graph's for each display's first unit (palette 9 and 12),
// darker ones for further units.
QColor seriesColour(int channel, int rank);
// "Display 1", or the CSV column's name.
QString seriesName(const PlotData& data, const Series& s);
