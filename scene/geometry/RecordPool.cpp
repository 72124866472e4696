#include "scene/geometry/RecordPool.h"

#include "scene/core/EngineSwitches.h"

#include <new>

namespace finch
{

namespace
{

constexpr std::size_t alignment = alignof(std::max_align_t);

constexpr std::size_t roundUp(std::size_t bytes, std::size_t to)
{
    return (bytes + to - 1) / to * to;
}

}

struct RecordPool::Block
{
    std::size_t live = 0;
    std::size_t used = 0;
};

namespace
{

constexpr std::size_t blockHeader = roundUp(sizeof(std::size_t) * 2, alignment);

}

RecordPool::RecordPool(std::size_t recordBytes, std::size_t blockSlots)
    : m_recordBytes(roundUp(recordBytes, alignof(void*))),
      m_slotBytes(roundUp(m_recordBytes + sizeof(void*), alignment)), m_blockSlots(blockSlots)
{
}

RecordPool::Block*& RecordPool::tailOf(void* record) const
{
    return *static_cast<Block**>(static_cast<void*>(static_cast<unsigned char*>(record) + m_recordBytes));
}

RecordPool::Block* RecordPool::newBlock()
{
    void* const memory = ::operator new(blockHeader + m_blockSlots * m_slotBytes);
    ++m_liveBlocks;
    return new (memory) Block;
}

void* RecordPool::allocate(std::size_t bytes)
{
    if (bytes > m_recordBytes) {
        throw std::bad_alloc();
    }
    if (!geometryPoolEnabled()) {
        void* const record = ::operator new(m_recordBytes + sizeof(void*));
        tailOf(record) = nullptr;
        return record;
    }
    if (m_current == nullptr || m_current->used == m_blockSlots) {
        m_current = newBlock();
    }
    void* const record = reinterpret_cast<unsigned char*>(m_current) + blockHeader + m_current->used * m_slotBytes;
    ++m_current->used;
    ++m_current->live;
    tailOf(record) = m_current;
    return record;
}

void RecordPool::release(void* record)
{
    if (record == nullptr) {
        return;
    }
    Block* const block = tailOf(record);
    if (block == nullptr) {
        ::operator delete(record);
        return;
    }
    // Slots are taken only from the end of the current block, so one freed before it does not end
    // the block: starting a new block there would leave each block holding a few live records.
    if (--block->live == 0) {
        if (block == m_current) {
            m_current = nullptr;
        }
        block->~Block();
        ::operator delete(static_cast<void*>(block));
        --m_liveBlocks;
    }
}

}
