#pragma once

#include <QString>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// Text lines kept in arrival order, packed as UTF-8 in large blocks so that adding a line costs
// the same however many are stored, and a stored line costs little more than its characters.
class RawLineStore
{
  public:
    void append(const QString& line);
    void clear();
    qsizetype size() const { return qsizetype(m_index.size()); }
    // 0 is the first line added.
    QString at(qsizetype arrival) const;

  private:
    struct Entry
    {
        std::uint32_t block;
        std::uint32_t offset;
        std::uint32_t length;
    };
    static constexpr std::size_t BlockSize = 1 << 20;

    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_used = BlockSize; // bytes used in the last block
    std::deque<Entry> m_index;
};
