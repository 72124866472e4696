#pragma once

#include <atomic>
#include <cstdint>

namespace heron
{

template <class T>
class counted_ptr;

// Intrusive reference count. A new object has count 0; each holder adds one with addRef and
// gives it back with release; the release that brings the count to 0 deletes the object through
// its virtual destructor. The count is atomic, so holders on any thread may add and release.
class Refcountable
{
public:
    Refcountable() = default;
    // A copy is a new object: it starts without holders.
    Refcountable(const Refcountable&) {}
    // Assignment copies the object's value, never its holders.
    Refcountable& operator=(const Refcountable&) { return *this; }
    virtual ~Refcountable() = default;

    // Adds one holder. Any thread.
    void addRef() { m_refCount.fetch_add(1, std::memory_order_relaxed); }
    // Removes one holder; the last one deletes the object. Any thread.
    void release()
    {
        if (dropRef()) {
            delete this;
        }
    }
    // The number of holders at this moment.
    std::int32_t refCount() const { return m_refCount.load(std::memory_order_acquire); }

private:
    template <class T>
    friend class counted_ptr;

    // Removes one holder without deleting; true when it was the last one.
    bool dropRef() { return m_refCount.fetch_sub(1, std::memory_order_acq_rel) == 1; }

    std::atomic<std::int32_t> m_refCount{0};
};

}
