#include "plot_data.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr size_t kMaxDistinctSteps = 64;
}

qint64 PlotData::lowerBound(double k) const
{
    qint64 lo = 0, hi = rowCount();
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        if (double(m_keys[mid]) < k)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

qint64 PlotData::upperBound(double k) const
{
    qint64 lo = 0, hi = rowCount();
    while (lo < hi) {
        const qint64 mid = lo + (hi - lo) / 2;
        if (double(m_keys[mid]) <= k)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

const TimeSegment& PlotData::segmentAt(double k) const
{
    auto it = std::upper_bound(segments.begin(), segments.end(), k,
                               [](double v, const TimeSegment& s) { return v < s.keyStart; });
    return it == segments.begin() ? segments.front() : *(it - 1);
}

double PlotData::realAt(double k) const
{
    if (segments.empty())
        return k;
    const TimeSegment& s = segmentAt(k);
    return s.origin + k * s.scale;
}

double PlotData::keyForReal(double t) const
{
    if (segments.empty())
        return t;
    for (size_t i = 0; i < segments.size(); ++i) {
        const TimeSegment& s = segments[i];
        const double k = (t - s.origin) / s.scale;
        const double end = i + 1 < segments.size() ? segments[i + 1].keyStart : lastKey() + 1;
        if (k >= s.keyStart && k < end)
            return k;
        if (i == 0 && k < s.keyStart)
            return k; // before the file
    }
    const TimeSegment& s = segments.back();
    return (t - s.origin) / s.scale;
}

void PlotData::setRecordTimes(double start, double interval)
{
    segments.clear();
    if (interval > 0)
        segments.push_back({0, -1e300, start - interval, interval});
}

std::vector<Series> PlotData::series() const
{
    std::vector<Series> out;
    for (int c = 0; c < int(channels.size()); ++c) {
        int rank = 0;
        std::vector<bool> seen(size_t(unitNames.size()), false);
        for (const UnitRun& run : channels[size_t(c)].units) {
            if (seen[size_t(run.unit)])
                continue;
            seen[size_t(run.unit)] = true;
            if (channels[size_t(c)].numbers[size_t(run.unit)] > 0)
                out.push_back({c, run.unit, rank++});
        }
    }
    return out;
}

size_t PlotData::runIndex(int channel, qint64 row) const
{
    const std::vector<UnitRun>& runs = channels[size_t(channel)].units;
    auto it = std::upper_bound(runs.begin(), runs.end(), row,
                               [](qint64 r, const UnitRun& u) { return r < u.row; });
    return it == runs.begin() ? 0 : size_t(it - runs.begin() - 1);
}

int PlotData::unitAt(int channel, qint64 row) const
{
    return channels[size_t(channel)].units[runIndex(channel, row)].unit;
}

qint64 PlotData::firstNumber(int channel, qint64 from, qint64 to) const
{
    const std::vector<RowRun>& b = channels[size_t(channel)].blanks;
    auto it = std::upper_bound(b.begin(), b.end(), from,
                               [](qint64 r, const RowRun& run) { return r < run.from; });
    if (it != b.begin() && (it - 1)->to > from)
        from = (it - 1)->to;
    return from < to ? from : -1;
}

qint64 PlotData::lastNumber(int channel, qint64 from, qint64 to) const
{
    qint64 r = to - 1;
    const std::vector<RowRun>& b = channels[size_t(channel)].blanks;
    auto it = std::upper_bound(b.begin(), b.end(), r,
                               [](qint64 row, const RowRun& run) { return row < run.from; });
    if (it != b.begin() && (it - 1)->to > r)
        r = (it - 1)->from - 1;
    return r >= from ? r : -1;
}

bool PlotData::gapBefore(qint64 row) const
{
    auto it = std::lower_bound(m_gaps.begin(), m_gaps.end(), row,
                               [](const Gap& g, qint64 r) { return g.row < r; });
    return it != m_gaps.end() && it->row == row;
}

int PlotData::channelFor(int index, const QString& name)
{
    while (int(channels.size()) <= index) {
        Channel c;
        c.name = name;
        const int blank = unitId(QString());
        c.units.push_back({0, blank});
        c.numbers.assign(size_t(unitNames.size()), 0);
        const qint64 rows = rowCount(); // the reader makes channels before a row's key
        for (qint64 r = 0; r < rows; ++r)
            c.values.appendGap();
        if (rows > 0)
            c.blanks.push_back({0, rows});
        channels.push_back(std::move(c));
    }
    return index;
}

int PlotData::unitId(const QString& name)
{
    const qsizetype i = unitNames.indexOf(name);
    if (i >= 0)
        return int(i);
    unitNames << name;
    for (Channel& c : channels)
        c.numbers.resize(size_t(unitNames.size()), 0);
    return int(unitNames.size() - 1);
}

void PlotData::setUnit(int channel, int unit)
{
    Channel& c = channels[size_t(channel)];
    if (c.units.back().unit == unit)
        return;
    const qint64 row = c.values.size();
    if (c.units.back().row == row) {
        c.units.back().unit = unit; // the run before had no row yet
        if (c.units.size() > 1 && c.units[c.units.size() - 2].unit == unit)
            c.units.pop_back();
    } else
        c.units.push_back({row, unit});
}

void PlotData::appendReal(int channel, double v)
{
    if (!std::isfinite(v)) {
        appendBlank(channel);
        return;
    }
    Channel& c = channels[size_t(channel)];
    c.values.appendReal(v);
    ++c.numbers[size_t(c.units.back().unit)];
}

void PlotData::appendBlank(int channel)
{
    Channel& c = channels[size_t(channel)];
    const qint64 row = c.values.size();
    if (!c.blanks.empty() && c.blanks.back().to == row)
        ++c.blanks.back().to;
    else
        c.blanks.push_back({row, row + 1});
    c.values.appendGap();
}

void PlotData::noteStep(qint64 step)
{
    if (step <= 0)
        return;
    size_t i = m_lastStep;
    if (i >= m_steps.size() || m_steps[i].first != step) {
        i = 0;
        while (i < m_steps.size() && m_steps[i].first != step)
            ++i;
        if (i == m_steps.size()) {
            if (m_steps.size() >= kMaxDistinctSteps)
                return;
            m_steps.push_back({step, 0});
        }
        m_lastStep = i;
    }
    ++m_steps[i].second;
    if (m_modeStep >= m_steps.size() || m_steps[i].second > m_steps[m_modeStep].second)
        m_modeStep = i;
}

void PlotData::findGaps(qint64 from)
{
    const qint64 n = rowCount();
    const double before = m_usualStep;
    for (qint64 r = std::max<qint64>(from, 1); r < n; ++r)
        noteStep(qint64(m_keys[r]) - m_keys[r - 1]);
    m_usualStep = m_modeStep < m_steps.size() ? double(m_steps[m_modeStep].first) : 0;
    if (m_usualStep != before) {
        m_gaps.clear();
        from = 1;
    }
    if (m_usualStep > 0) {
        const double limit = 2 * m_usualStep;
        for (qint64 r = std::max<qint64>(from, 1); r < n; ++r) {
            const double step = double(qint64(m_keys[r]) - m_keys[r - 1]);
            if (step > limit)
                m_gaps.push_back({r, step});
        }
    }
    m_gapsFrom = n;
}

void PlotData::rowsAdded()
{
    for (Channel& c : channels)
        c.summary.extend(c.values);
    findGaps(m_gapsFrom);
}

PlotData::Checkpoint PlotData::checkpoint() const
{
    Checkpoint c;
    c.rows = rowCount();
    c.channels = channels.size();
    for (const Channel& ch : channels) {
        c.unitRuns.push_back(ch.units.size());
        c.blankRuns.push_back(ch.blanks.size());
        c.lastBlank.push_back(ch.blanks.empty() ? RowRun{0, 0} : ch.blanks.back());
        c.numbers.push_back(ch.numbers);
    }
    c.unitNames = unitNames.size();
    c.marks = marks.size();
    c.segments = segments.size();
    c.linesRead = linesRead;
    c.linesNotRead = linesNotRead;
    c.firstLineNotRead = firstLineNotRead;
    c.collections = collections;
    c.kind = kind;
    c.keyBase = keyBase;
    c.steps = m_steps;
    c.modeStep = m_modeStep;
    c.gaps = m_gaps.size();
    c.gapsFrom = m_gapsFrom;
    return c;
}

void PlotData::rollback(const Checkpoint& c)
{
    m_keys.truncate(c.rows);
    channels.resize(c.channels);
    for (size_t i = 0; i < channels.size(); ++i) {
        Channel& ch = channels[i];
        ch.values.truncate(c.rows);
        ch.summary.truncate(c.rows);
        ch.units.resize(c.unitRuns[i]);
        ch.blanks.resize(c.blankRuns[i]);
        if (!ch.blanks.empty())
            ch.blanks.back() = c.lastBlank[i];
        ch.numbers = c.numbers[i];
    }
    while (unitNames.size() > c.unitNames)
        unitNames.removeLast();
    marks.resize(c.marks);
    segments.resize(c.segments);
    linesRead = c.linesRead;
    linesNotRead = c.linesNotRead;
    firstLineNotRead = c.firstLineNotRead;
    collections = c.collections;
    kind = c.kind;
    keyBase = c.keyBase;
    m_steps = c.steps;
    m_modeStep = c.modeStep;
    m_lastStep = 0;
    m_usualStep = m_modeStep < m_steps.size() ? double(m_steps[m_modeStep].first) : 0;
    m_gaps.resize(c.gaps);
    m_gapsFrom = c.gapsFrom;
}

qint64 PlotData::bytes() const
{
    qint64 b = m_keys.bytes();
    for (const Channel& c : channels)
        b += c.values.bytes() + c.summary.bytes();
    return b;
}

QColor seriesColour(int channel, int rank)
{
    // Display 1: the live graph's light blue, then navy, teal, purple; display 2: its light red,
    // then maroon, olive, magenta.
    static const QColor first[4] = {QColor(0, 0, 255), QColor(0, 0, 128), QColor(0, 128, 128),
                                    QColor(128, 0, 128)};
    static const QColor second[4] = {QColor(255, 0, 0), QColor(128, 0, 0), QColor(128, 128, 0),
                                     QColor(255, 0, 255)};
    static const QColor others[6] = {QColor(0, 140, 0),   QColor(128, 0, 128), QColor(0, 128, 128),
                                     QColor(160, 110, 0), QColor(90, 90, 90),  QColor(255, 0, 255)};
    if (channel == 0)
        return first[rank & 3];
    if (channel == 1)
        return second[rank & 3];
    const QColor c = others[(channel - 2) % 6];
    return rank == 0 ? c : c.darker(100 + 50 * rank);
}

QString seriesName(const PlotData& data, const Series& s)
{
    const QString unit = data.unitNames.value(s.unit);
    const QString channel = data.channels[size_t(s.channel)].name;
    return unit.isEmpty() || unit == channel ? channel : channel + u' ' + unit;
}
