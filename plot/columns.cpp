#include "columns.h"

#include <cmath>
#include <limits>

namespace {

constexpr int kMaxExact = 22;

bool multiplyFits(qint64 a, qint64 b, qint64* out)
{
    return !__builtin_mul_overflow(a, b, out);
}

// 10^n as a whole number, for n up to 18.
qint64 wholePower(int n)
{
    qint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

} // namespace

double powerOfTen(int n)
{
    static const double table[kMaxExact + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    return table[n];
}

void KeyColumn::startBlock(qint32 key)
{
    Block b;
    b.base = key;
    b.narrow = std::make_unique_for_overwrite<quint16[]>(size_t(BlockSize));
    b.narrow[0] = 0;
    m_blocks.push_back(std::move(b));
}

void KeyColumn::pushWide(qint32 key, qint64 j)
{
    Block& b = m_blocks.back();
    if (b.narrow) {
        b.wide = std::make_unique_for_overwrite<qint32[]>(size_t(BlockSize));
        for (qint64 k = 0; k < j; ++k)
            b.wide[k] = b.base + qint32(b.narrow[k]);
        b.narrow.reset();
    }
    b.wide[j] = key;
}

void KeyColumn::truncate(qint64 n)
{
    if (n >= m_size)
        return;
    m_size = n;
    m_blocks.resize(size_t((n + BlockSize - 1) >> Shift));
}

qint64 KeyColumn::bytes() const
{
    qint64 b = qint64(m_blocks.capacity() * sizeof(Block));
    for (const Block& block : m_blocks)
        b += BlockSize * (block.narrow ? 2 : 4);
    return b;
}

qint64 ValueColumn::size() const
{
    switch (m_store) {
    case Store::Narrow:
        return m_narrow.size();
    case Store::Wide:
        return m_wide.size();
    case Store::Real:
        return m_real.size();
    }
    return 0;
}

int ValueColumn::decimals() const
{
    if (m_store == Store::Real)
        return -1;
    return m_exponent < 0 ? -m_exponent : 0;
}

void ValueColumn::setExponent(int e)
{
    m_exponent = e;
    m_divide = e < 0;
    m_scale = powerOfTen(e < 0 ? -e : e);
}

bool ValueColumn::fits(qint64 m) const
{
    if (m_store == Store::Narrow)
        return m > kNarrowGap && m <= INT16_MAX;
    if (m_store == Store::Wide)
        return m > kWideGap && m <= INT32_MAX;
    return true;
}

void ValueColumn::pushScaled(qint64 m)
{
    if (m_store == Store::Narrow)
        m_narrow.push(qint16(m));
    else
        m_wide.push(qint32(m));
    noteMagnitude(m);
}

void ValueColumn::widen(Store to)
{
    const qint64 n = size();
    if (to == Store::Wide) {
        for (qint64 i = 0; i < n; ++i) {
            const qint16 v = m_narrow[i];
            m_wide.push(v == kNarrowGap ? kWideGap : qint32(v));
        }
        m_narrow.clear();
    } else {
        for (qint64 i = 0; i < n; ++i)
            m_real.push(at(i));
        m_narrow.clear();
        m_wide.clear();
    }
    m_store = to;
}

// A finer decimal step: every stored number is multiplied up, in a wider store if need be.
void ValueColumn::rescale(int newExponent)
{
    const int k = m_exponent - newExponent;
    qint64 factor = 0, biggest = 0;
    if (k > 18 || !multiplyFits(m_maxAbs, factor = wholePower(k), &biggest)) {
        widen(Store::Real);
        return;
    }
    if (m_store == Store::Narrow && biggest > INT16_MAX)
        widen(Store::Wide);
    if (m_store == Store::Wide && biggest > INT32_MAX) {
        widen(Store::Real);
        return;
    }
    const qint64 n = size();
    if (m_store == Store::Narrow) {
        for (qint64 i = 0; i < n; ++i)
            if (m_narrow[i] != kNarrowGap)
                m_narrow[i] = qint16(m_narrow[i] * factor);
    } else {
        for (qint64 i = 0; i < n; ++i)
            if (m_wide[i] != kWideGap)
                m_wide[i] = qint32(m_wide[i] * factor);
    }
    m_maxAbs = biggest;
    setExponent(newExponent);
}

void ValueColumn::appendSlow(const Decimal& d)
{
    if (std::abs(d.exponent) > kMaxExact || d.mantissa == std::numeric_limits<qint64>::min()) {
        appendReal(double(d.mantissa) * std::pow(10.0, d.exponent));
        return;
    }
    if (m_store == Store::Real) {
        m_real.push(d.exponent < 0 ? double(d.mantissa) / powerOfTen(-d.exponent)
                                   : double(d.mantissa) * powerOfTen(d.exponent));
        return;
    }
    if (!m_started) {
        m_started = true;
        setExponent(d.exponent);
    } else if (d.exponent < m_exponent) {
        rescale(d.exponent);
        if (m_store == Store::Real) {
            appendSlow(d);
            return;
        }
    }
    qint64 m = d.mantissa;
    const int k = d.exponent - m_exponent;
    if (k > 18 || !multiplyFits(m, wholePower(k), &m)) {
        widen(Store::Real);
        appendSlow(d);
        return;
    }
    if (!fits(m)) {
        widen(m_store == Store::Narrow && m > kWideGap && m <= INT32_MAX ? Store::Wide
                                                                         : Store::Real);
        if (m_store == Store::Real) {
            appendSlow(d);
            return;
        }
    }
    pushScaled(m);
}

void ValueColumn::appendReal(double v)
{
    if (m_store != Store::Real)
        widen(Store::Real);
    m_real.push(v);
}

void ValueColumn::appendGap()
{
    switch (m_store) {
    case Store::Narrow:
        m_narrow.push(kNarrowGap);
        break;
    case Store::Wide:
        m_wide.push(kWideGap);
        break;
    case Store::Real:
        m_real.push(kNaN);
        break;
    }
}

void ValueColumn::truncate(qint64 n)
{
    // The store and step stay as they are: they still hold every row that is left.
    m_narrow.truncate(n);
    m_wide.truncate(n);
    m_real.truncate(n);
}
