#pragma once

#include "base/Refcountable.h"
#include "base/Streamable.h"

#include <cstdint>

namespace heron
{

// The shared block of every counted_ptr to a Streamable class that does not count itself: it owns
// the object and deletes it with itself, and is stored in object-graph streams as
// "internals::counted_ptr::heron" (the count as a 32-bit integer, then the object as a pointer
// field), so shared pointers inside stored objects survive a round trip.
class SharedBlock final : public Refcountable, public Streamable
{
public:
    static constexpr const char* name = "internals::counted_ptr::heron";
    // Factory of an empty block, registered first on every source that reads streams.
    static Streamable* make();

    // Owns object (null allowed); no holders yet.
    explicit SharedBlock(Streamable* object = nullptr);
    ~SharedBlock() override;

    // The shared object, or null.
    Streamable* object() const { return m_object; }

    // Asks for the early afterLoad group, so that blocks are finished before the objects holding
    // them. The stored count is not trusted: the block counts the shared pointers the stream
    // restores.
    void read(DataSource& source) override;
    // Logs that a restored shared pointer names this block while its object is of another class
    // than the pointer's; the pointer then holds the block with a null object.
    void reportWrongClass() const;
    const char* className() const override;
    void write(DataDest& dest) const override;

private:
    Streamable* m_object;
};

}
