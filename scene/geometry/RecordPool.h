#pragma once

#include <cstddef>

namespace finch
{

// Allocates small records of one size from large blocks while the geometry pool is on (see
// enableGeometryPool), else from the general heap. Every record ends with a pointer to its block
// (null for a heap record), so a record is freed the way it was made even when the pool was
// turned on in between. A block is freed when its last record goes; slots are taken only from the
// end of the current block, so a freed slot is not used again before its block goes. Main thread
// only.
class RecordPool
{
public:
    RecordPool(std::size_t recordBytes, std::size_t blockSlots);
    RecordPool(const RecordPool&) = delete;
    RecordPool& operator=(const RecordPool&) = delete;

    // Room for one record of at most recordBytes.
    [[nodiscard]] void* allocate(std::size_t bytes);
    void release(void* record);
    // Blocks that still hold live records.
    int liveBlocks() const { return m_liveBlocks; }

private:
    struct Block;

    Block* newBlock();
    Block*& tailOf(void* record) const;

    std::size_t m_recordBytes;
    std::size_t m_slotBytes;
    std::size_t m_blockSlots;
    Block* m_current = nullptr;
    int m_liveBlocks = 0;
};

}
