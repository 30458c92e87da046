#pragma once

#include <QtGlobal>
#include <cstdint>
#include <memory>
#include <vector>

// A column that grows in fixed blocks: appending never moves what is stored, so a growing file
// costs its rows and at most one block of slack, never a copy at twice its size.
template <class T> class BlockColumn
{
  public:
    static constexpr int Shift = 16;
    static constexpr qint64 BlockSize = qint64(1) << Shift;

    qint64 size() const { return m_size; }
    T operator[](qint64 i) const { return m_blocks[size_t(i >> Shift)][i & (BlockSize - 1)]; }
    T& operator[](qint64 i) { return m_blocks[size_t(i >> Shift)][i & (BlockSize - 1)]; }
    void push(T v)
    {
        if (size_t(m_size >> Shift) == m_blocks.size()) [[unlikely]]
            grow();
        (*this)[m_size++] = v;
    }
    void truncate(qint64 n)
    {
        if (n >= m_size)
            return;
        m_size = n;
        m_blocks.resize(size_t((n + BlockSize - 1) >> Shift));
    }
    void clear() { truncate(0); }
    qint64 bytes() const { return qint64(m_blocks.size()) * BlockSize * qint64(sizeof(T)); }

  private:
    [[gnu::noinline]] void grow()
    {
        m_blocks.push_back(std::make_unique_for_overwrite<T[]>(size_t(BlockSize)));
    }

    std::vector<std::unique_ptr<T[]>> m_blocks;
    qint64 m_size = 0;
};

// The rows' keys, never decreasing. Keys a few thousand rows apart differ little, so each block
// of rows keeps its first key and, while they fit, two-byte steps from it; a block whose keys
// spread wider (a long gap, a slow interval) keeps four bytes a key.
class KeyColumn
{
  public:
    static constexpr int Shift = 12;
    static constexpr qint64 BlockSize = qint64(1) << Shift;

    qint64 size() const { return m_size; }
    qint32 operator[](qint64 i) const
    {
        const Block& b = m_blocks[size_t(i >> Shift)];
        const qint64 j = i & (BlockSize - 1);
        return b.narrow ? b.base + qint32(b.narrow[j]) : b.wide[j];
    }
    void push(qint32 key)
    {
        const qint64 j = m_size & (BlockSize - 1);
        if (j == 0) [[unlikely]] {
            startBlock(key);
        } else {
            Block& b = m_blocks.back();
            const qint64 step = qint64(key) - b.base;
            if (b.narrow && step >= 0 && step <= UINT16_MAX) [[likely]]
                b.narrow[j] = quint16(step);
            else
                pushWide(key, j);
        }
        ++m_size;
    }
    void truncate(qint64 n);
    qint64 bytes() const;

  private:
    struct Block
    {
        qint32 base = 0;
        std::unique_ptr<quint16[]> narrow;
        std::unique_ptr<qint32[]> wide;
    };
    void startBlock(qint32 key);
    void pushWide(qint32 key, qint64 j);

    std::vector<Block> m_blocks;
    qint64 m_size = 0;
};

// A number as it was written: mantissa × 10^exponent, exact.
struct Decimal
{
    qint64 mantissa = 0;
    int exponent = 0;
};

// One channel's values, one a row; a row without a number holds a gap. A meter's readings are
// short decimals, so they are kept as whole numbers of the column's smallest decimal step: two
// bytes a value while they fit, four when they outgrow that, and a double only for numbers no
// decimal step holds. Reading a value back gives the same double as parsing its text.
class ValueColumn
{
  public:
    enum class Store : quint8
    {
        Narrow,
        Wide,
        Real
    };

    void append(const Decimal& d)
    {
        // The common case: the same decimal step and a small number.
        if (m_store == Store::Narrow && d.exponent == m_exponent && m_started &&
            d.mantissa > kNarrowGap && d.mantissa <= INT16_MAX) {
            m_narrow.push(qint16(d.mantissa));
            noteMagnitude(d.mantissa);
            return;
        }
        appendSlow(d);
    }
    void appendReal(double v);
    void appendGap();

    qint64 size() const;
    bool isGap(qint64 i) const
    {
        switch (m_store) {
        case Store::Narrow:
            return m_narrow[i] == kNarrowGap;
        case Store::Wide:
            return m_wide[i] == kWideGap;
        case Store::Real:
            return m_real[i] != m_real[i];
        }
        return true;
    }
    // NaN for a gap.
    double at(qint64 i) const
    {
        switch (m_store) {
        case Store::Narrow: {
            const qint16 v = m_narrow[i];
            return v == kNarrowGap ? kNaN : scaled(v);
        }
        case Store::Wide: {
            const qint32 v = m_wide[i];
            return v == kWideGap ? kNaN : scaled(v);
        }
        case Store::Real:
            return m_real[i];
        }
        return kNaN;
    }
    void truncate(qint64 n);
    qint64 bytes() const { return m_narrow.bytes() + m_wide.bytes() + m_real.bytes(); }
    Store store() const { return m_store; }
    // Decimal places of the finest value so far (for value texts); -1 once values are doubles.
    int decimals() const;

  private:
    static constexpr qint16 kNarrowGap = INT16_MIN;
    static constexpr qint32 kWideGap = INT32_MIN;
    static constexpr double kNaN = __builtin_nan("");

    double scaled(qint64 m) const { return m_divide ? double(m) / m_scale : double(m) * m_scale; }
    void noteMagnitude(qint64 m)
    {
        const qint64 a = m < 0 ? -m : m;
        if (a > m_maxAbs)
            m_maxAbs = a;
    }
    void appendSlow(const Decimal& d);
    void setExponent(int e);
    bool fits(qint64 m) const;
    void widen(Store to);
    void rescale(int newExponent);
    void pushScaled(qint64 m);

    Store m_store = Store::Narrow;
    bool m_started = false; // the decimal step is set by the first number
    int m_exponent = 0;
    double m_scale = 1;
    bool m_divide = false;
    qint64 m_maxAbs = 0; // largest magnitude stored, so a change of step knows what it overflows
    BlockColumn<qint16> m_narrow;
    BlockColumn<qint32> m_wide;
    BlockColumn<double> m_real;
};

// 10^n for 0 ≤ n ≤ 22, exact in a double.
double powerOfTen(int n);
