#pragma once

#include "base/Mutex.h"
#include "base/Refcountable.h"
#include "base/SharedBlock.h"

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace heron
{

// Shared pointer to a T. The count lives in a shared block: for a T derived from Refcountable the
// block is the object itself, otherwise a counted_ptr::internals made for it. Copying adds to the
// count without a lock; assignment, reset and destruction change it under one lock per T. The
// object is deleted when the last pointer to it goes, on the thread that drops it, after that lock
// is released. A pointer value is used by one thread at a time; copies may live on any thread.
template <class T>
class counted_ptr
{
public:
    // The shared block for a T that is not Refcountable: owns the object and deletes it with itself.
    class internals : public Refcountable
    {
    public:
        explicit internals(T* object) : m_object(object) {}
        ~internals() override { delete m_object; }

    private:
        T* const m_object;
    };

    // Empty pointer.
    counted_ptr() = default;
    // Takes ownership of object (null gives the empty pointer). A Refcountable object gains a holder.
    explicit counted_ptr(T* object)
        : m_block(blockFor(object)), m_object(object)
    {
        addRef(m_block);
    }
    counted_ptr(const counted_ptr& other) noexcept
        : m_block(other.m_block), m_object(other.m_object)
    {
        addRef(m_block);
    }
    // Shares the object of a pointer to a type convertible to T.
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    counted_ptr(const counted_ptr<U>& other) noexcept
        : m_block(other.m_block), m_object(other.m_object)
    {
        addRef(m_block);
    }
    ~counted_ptr()
    {
        if (m_block) {
            set(nullptr, nullptr, destroySite);
        }
    }

    counted_ptr& operator=(const counted_ptr& other)
    {
        addRef(other.m_block);
        set(other.m_block, other.m_object, assignSite);
        return *this;
    }
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    counted_ptr& operator=(const counted_ptr<U>& other)
    {
        addRef(other.m_block);
        set(other.m_block, other.m_object, assignSite);
        return *this;
    }

    // Drops the held object and takes ownership of object (null empties the pointer). Resetting
    // to the object already held changes nothing.
    void reset(T* object = nullptr)
    {
        if (object && object == m_object) {
            return;
        }
        Refcountable* const block = blockFor(object);
        addRef(block);
        set(block, object, resetSite);
    }

    T* get() const { return m_object; }
    T* operator->() const { return m_object; }
    T& operator*() const { return *m_object; }
    explicit operator bool() const { return m_object != nullptr; }
    bool operator==(const counted_ptr& other) const { return m_object == other.m_object; }
    bool operator==(const T* object) const { return m_object == object; }

    // The number of pointers (or, for a Refcountable object, holders) sharing the object or its
    // block; 0 when the pointer holds neither.
    std::int32_t refCount() const { return m_block ? m_block->refCount() : 0; }

    // Object-graph streams: what a pointer field holding this pointer stores (the shared block,
    // or the counted object itself), null when empty.
    const Streamable* streamedBlock() const { return dynamic_cast<const Streamable*>(m_block); }
    // Pointer assignment of a restored stream (base/StreamReader.h): makes the counted_ptr at field
    // one more holder of a stored block or counted object (an empty pointer for null). A block whose
    // object is not a T is held with a null object, so it and its object stay owned and are written
    // again as they were; that assignment is logged. False when stored is neither a block nor a
    // counted T.
    static bool assignStreamed(void* field, Streamable* stored)
    {
        static_assert(std::is_base_of_v<Streamable, T>, "only pointers to stored classes are streamed");
        auto* const shared = dynamic_cast<SharedBlock*>(stored);
        Refcountable* block = shared;
        T* object = shared ? dynamic_cast<T*>(shared->object()) : nullptr;
        if (field != nullptr && shared != nullptr && shared->object() != nullptr && object == nullptr) {
            shared->reportWrongClass();
        }
        if (stored != nullptr && block == nullptr) {
            block = dynamic_cast<Refcountable*>(stored);
            object = dynamic_cast<T*>(stored);
            if (block == nullptr || object == nullptr) {
                return false;
            }
        }
        if (field != nullptr) {
            addRef(block);
            static_cast<counted_ptr*>(field)->set(block, object, resetSite);
        }
        return true;
    }

private:
    template <class U>
    friend class counted_ptr;

    // Call-site numbers of the type lock, for the log of long waits.
    static constexpr int assignSite = 1061;
    static constexpr int resetSite = 1062;
    static constexpr int destroySite = 1063;

    // The lock of pointers to T, made on first use and kept for the whole run.
    static Mutex& typeLock()
    {
        static Mutex* const lock = new Mutex();
        return *lock;
    }

    static Refcountable* blockFor(T* object)
    {
        if (!object) {
            return nullptr;
        }
        if constexpr (std::is_base_of_v<Refcountable, T>) {
            return const_cast<std::remove_const_t<T>*>(object);
        } else if constexpr (std::is_base_of_v<Streamable, T>) {
            return new SharedBlock(const_cast<std::remove_const_t<T>*>(object));
        } else {
            return new internals(object);
        }
    }

    static void addRef(Refcountable* block)
    {
        if (block) {
            block->addRef();
        }
    }

    // Puts block and object, whose reference the caller has already added, in place of the held
    // ones under the type lock; the reference given up is dropped there, and a block left without
    // holders is deleted once the lock is released.
    void set(Refcountable* block, T* object, int callSite)
    {
        Refcountable* unused = nullptr;
        {
            MutexLock lock(typeLock(), callSite);
            if (m_block && m_block->dropRef()) {
                unused = m_block;
            }
            m_block = block;
            m_object = object;
        }
        delete unused;
    }

    Refcountable* m_block = nullptr;
    T* m_object = nullptr;
};

}
