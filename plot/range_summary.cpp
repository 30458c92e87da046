#include "range_summary.h"

#include "columns.h"

void SpanStats::add(double v, qint64 row)
{
    if (v != v)
        return;
    ++count;
    if (v < min) {
        min = v;
        minRow = row;
    }
    if (v > max) {
        max = v;
        maxRow = row;
    }
    const double d = v - mean;
    mean += d / double(count);
    m2 += d * (v - mean);
}

void SpanStats::merge(const SpanStats& o)
{
    if (o.count == 0)
        return;
    if (count == 0) {
        *this = o;
        return;
    }
    // The first row of an extreme counts, so a tie keeps the earlier one.
    if (o.min < min) {
        min = o.min;
        minRow = o.minRow;
    }
    if (o.max > max) {
        max = o.max;
        maxRow = o.maxRow;
    }
    const double n = double(count + o.count);
    const double d = o.mean - mean;
    mean += d * double(o.count) / n;
    m2 += o.m2 + d * d * double(count) * double(o.count) / n;
    count += o.count;
}

namespace {
constexpr qint64 kLeaf = qint64(1) << RangeSummary::LeafShift;
constexpr qint64 kFan = qint64(1) << RangeSummary::FanShift;
} // namespace

RangeSummary::Node RangeSummary::leaf(const ValueColumn& values, qint64 first) const
{
    // Two passes over a block that is in the cache: the mean, then the squared deviations from
    // it, without a division a row.
    double v[kLeaf];
    quint32 count = 0, minRow = 0, maxRow = 0;
    double sum = 0, lo = 0, hi = 0;
    for (qint64 i = 0; i < kLeaf; ++i) {
        v[i] = values.at(first + i);
        if (v[i] != v[i])
            continue;
        if (count == 0 || v[i] < lo) {
            lo = v[i];
            minRow = quint32(first + i);
        }
        if (count == 0 || v[i] > hi) {
            hi = v[i];
            maxRow = quint32(first + i);
        }
        sum += v[i];
        ++count;
    }
    const double mean = count ? sum / count : 0;
    double m2 = 0;
    for (qint64 i = 0; i < kLeaf; ++i)
        if (v[i] == v[i])
            m2 += (v[i] - mean) * (v[i] - mean);
    return Node{count, minRow, maxRow, mean, m2};
}

RangeSummary::Node RangeSummary::parent(const ValueColumn& values, const std::vector<Node>& below,
                                        qint64 first) const
{
    SpanStats s;
    for (qint64 i = first; i < first + kFan; ++i)
        mergeNode(s, below[size_t(i)], values, true);
    return Node{quint32(s.count), quint32(s.count ? s.minRow : 0), quint32(s.count ? s.maxRow : 0),
                s.mean, s.m2};
}

void RangeSummary::mergeNode(SpanStats& s, const Node& n, const ValueColumn& values, bool full)
{
    if (n.count == 0)
        return;
    if (!full) {
        const double lo = values.at(n.minRow), hi = values.at(n.maxRow);
        if (s.count == 0 || lo < s.min) {
            s.min = lo;
            s.minRow = n.minRow;
        }
        if (s.count == 0 || hi > s.max) {
            s.max = hi;
            s.maxRow = n.maxRow;
        }
        s.count += n.count;
        return;
    }
    SpanStats o;
    o.count = n.count;
    o.min = values.at(n.minRow);
    o.max = values.at(n.maxRow);
    o.minRow = n.minRow;
    o.maxRow = n.maxRow;
    o.mean = n.mean;
    o.m2 = n.m2;
    s.merge(o);
}

void RangeSummary::extend(const ValueColumn& values)
{
    const qint64 rows = values.size();
    if (m_levels.empty())
        m_levels.emplace_back();
    for (qint64 first = qint64(m_levels[0].size()) * kLeaf; first + kLeaf <= rows; first += kLeaf)
        m_levels[0].push_back(leaf(values, first));
    for (size_t level = 1; qint64(m_levels[level - 1].size()) >= kFan; ++level) {
        if (m_levels.size() == level)
            m_levels.emplace_back(); // before the references below: it may move the levels
        const std::vector<Node>& below = m_levels[level - 1];
        std::vector<Node>& here = m_levels[level];
        for (qint64 first = qint64(here.size()) * kFan; first + kFan <= qint64(below.size());
             first += kFan)
            here.push_back(parent(values, below, first));
    }
    m_rows = rows;
}

void RangeSummary::truncate(qint64 rows)
{
    if (rows >= m_rows)
        return;
    qint64 keep = rows >> LeafShift;
    for (std::vector<Node>& level : m_levels) {
        if (qint64(level.size()) > keep)
            level.resize(size_t(keep));
        keep >>= FanShift;
    }
    m_rows = rows;
}

template <bool Full>
SpanStats RangeSummary::query(const ValueColumn& values, qint64 from, qint64 to) const
{
    SpanStats s;
    to = std::min(to, values.size());
    qint64 r = std::max<qint64>(from, 0);
    auto scanTo = [&](qint64 end) {
        if constexpr (Full) {
            for (; r < end; ++r)
                s.add(values.at(r), r);
        } else {
            for (; r < end; ++r) {
                const double v = values.at(r);
                if (v != v)
                    continue;
                if (s.count == 0 || v < s.min) {
                    s.min = v;
                    s.minRow = r;
                }
                if (s.count == 0 || v > s.max) {
                    s.max = v;
                    s.maxRow = r;
                }
                ++s.count;
            }
        }
    };
    const qint64 leaves = m_levels.empty() ? 0 : qint64(m_levels[0].size());
    const qint64 aligned = std::min(to, (r + kLeaf - 1) & ~(kLeaf - 1));
    scanTo(aligned);
    // Whole blocks, each as large as fits from here.
    while (r + kLeaf <= to && (r >> LeafShift) < leaves) {
        size_t level = 0;
        qint64 index = r >> LeafShift;
        qint64 span = kLeaf;
        while (level + 1 < m_levels.size() && (index & (kFan - 1)) == 0 &&
               (index >> FanShift) < qint64(m_levels[level + 1].size()) &&
               r + (span << FanShift) <= to) {
            ++level;
            index >>= FanShift;
            span <<= FanShift;
        }
        mergeNode(s, m_levels[level][size_t(index)], values, Full);
        r += span;
    }
    scanTo(to);
    return s;
}

SpanStats RangeSummary::stats(const ValueColumn& values, qint64 from, qint64 to) const
{
    return query<true>(values, from, to);
}

SpanStats RangeSummary::minMax(const ValueColumn& values, qint64 from, qint64 to) const
{
    return query<false>(values, from, to);
}

qint64 RangeSummary::bytes() const
{
    qint64 b = 0;
    for (const std::vector<Node>& level : m_levels)
        b += qint64(level.capacity() * sizeof(Node));
    return b;
}
