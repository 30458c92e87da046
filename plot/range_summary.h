#pragma once

#include <QtGlobal>
#include <limits>
#include <vector>

class ValueColumn;

// What a run of rows of one channel holds: how many numbers, the smallest and largest (with the
// first row of each) and, for statistics, mean and sum of squared deviations.
struct SpanStats
{
    qint64 count = 0;
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    qint64 minRow = -1;
    qint64 maxRow = -1;
    double mean = 0;
    double m2 = 0;

    void add(double v, qint64 row);
    void merge(const SpanStats& o); // `o` covers rows after these
    double variance() const { return count > 1 ? m2 / double(count - 1) : 0; }
};

// Min and max of any run of rows in time independent of its length: a pyramid of finished
// blocks (64 rows, then 16 blocks of the level below), so a query reads at most the rows of two
// part blocks at each end and a few blocks a level. Built once as a file is read, extended as
// rows are appended. About half a byte a row.
class RangeSummary
{
  public:
    // Takes the rows of `values` that it has not seen yet.
    void extend(const ValueColumn& values);
    // Forgets rows from `rows` on (they are read again later).
    void truncate(qint64 rows);

    // Rows from `from` up to, not including, `to`.
    SpanStats stats(const ValueColumn& values, qint64 from, qint64 to) const;
    // The same without mean and spread, for drawing: count, min and max only.
    SpanStats minMax(const ValueColumn& values, qint64 from, qint64 to) const;

    qint64 bytes() const;

    static constexpr int LeafShift = 6;
    static constexpr int FanShift = 4;

  private:
    struct Node
    {
        quint32 count;
        quint32 minRow;
        quint32 maxRow;
        double mean;
        double m2;
    };
    template <bool Full> SpanStats query(const ValueColumn& values, qint64 from, qint64 to) const;
    static void mergeNode(SpanStats& s, const Node& n, const ValueColumn& values, bool full);
    Node leaf(const ValueColumn& values, qint64 first) const;
    Node parent(const ValueColumn& values, const std::vector<Node>& below, qint64 first) const;

    std::vector<std::vector<Node>> m_levels; // level 0: blocks of 64 rows
    qint64 m_rows = 0;                       // rows seen
};
