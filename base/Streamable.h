#pragma once

#include <type_traits>

namespace heron
{

class DataSource;
class DataDest;

// Base of every class stored in an object-graph stream. A stream is read on one thread; the objects
// it makes are owned by whoever holds the root and the pointers between them.
class Streamable
{
public:
    virtual ~Streamable();
    // Registers on the source the factories of the classes this class's pointer fields may hold;
    // the base registers nothing.
    virtual void registerFactories(DataSource& source);
    // Reads this object's body, exactly the bytes write() produced, from the source.
    virtual void read(DataSource& source) = 0;
    // Called once after every pointer field of the stream is patched; the base does nothing.
    virtual void afterLoad();
    // The stored class-name text, a constant C string that lives for the whole run.
    virtual const char* className() const = 0;
    // Writes this object's body to the sink; pointer fields go through DataDest::writeObjectRef.
    virtual void write(DataDest& dest) const = 0;
};

// Makes a new object of one class; the caller owns it.
using StreamableFactory = Streamable* (*)();

// Converts a streamed object into the declared type of a pointer field. Stores into field unless it
// is null; returns false (storing nothing) when the object is not of that type.
using PointerAssign = bool (*)(void* field, Streamable* object);

// When a pointer field read from a stream is set at the stream's end: with the others, or after
// them all (shared pointers, whose blocks must point to their objects first). Bool-sized: it is
// passed with every reference a stream holds, and an int-sized one cost the reader 2-3 %.
enum class PatchTime : bool
{
    WithOthers,
    Late,
};

template <class T>
bool assignStreamPointer(void* field, Streamable* object)
{
    static_assert(std::is_base_of_v<Streamable, std::remove_const_t<T>>);
    T* const typed = dynamic_cast<T*>(object);
    if (object != nullptr && typed == nullptr) {
        return false;
    }
    if (field != nullptr) {
        *static_cast<T**>(field) = typed;
    }
    return true;
}

}
