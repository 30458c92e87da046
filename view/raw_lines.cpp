#include "raw_lines.h"

#include <QByteArray>
#include <cstring>

#include "runtime_error.h"

void RawLineStore::append(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    const std::size_t n = std::size_t(bytes.size());
    if (n > 0xFFFFFFFFu)
        throw RuntimeError(QStringLiteral("Data Display: line too long"));
    if (m_blocks.empty() || n > BlockSize - m_used) {
        // A line never straddles two blocks; an outsize line gets a block of its own.
        m_blocks.push_back(std::make_unique<char[]>(std::max(BlockSize, n)));
        m_used = 0;
    }
    std::memcpy(m_blocks.back().get() + m_used, bytes.constData(), n);
    m_index.push_back(
        Entry{std::uint32_t(m_blocks.size() - 1), std::uint32_t(m_used), std::uint32_t(n)});
    // An outsize block is full once its line is in.
    m_used = n > BlockSize ? BlockSize : m_used + n;
}

void RawLineStore::clear()
{
    m_index.clear();
    m_index.shrink_to_fit();
    m_blocks.clear();
    m_used = BlockSize;
}

QString RawLineStore::at(qsizetype arrival) const
{
    const Entry& e = m_index[std::size_t(arrival)];
    return QString::fromUtf8(m_blocks[e.block].get() + e.offset, qsizetype(e.length));
}
