#pragma once

// Small stored classes for the object-graph stream tests, benchmark and fuzz target. Every instance
// is listed in live() from construction to destruction, so a test can tell which objects a read
// made and left alive; their plain pointers own nothing, so freeLive() frees a whole graph.

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "base/StreamReader.h"
#include "base/Streamable.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <cstdint>
#include <set>
#include <tuple>
#include <vector>

namespace streamtest
{

using Bytes = std::vector<unsigned char>;

// The bytes a memory sink holds.
inline Bytes bytesOf(const heron::MemoryDataDest& sink)
{
    return Bytes(sink.data(), sink.data() + sink.size());
}

// A memory source over its own copy of the bytes.
inline heron::MemoryDataSource sourceOf(const Bytes& bytes)
{
    return heron::MemoryDataSource(bytes.data(), std::uint32_t(bytes.size()), true);
}

inline std::set<heron::Streamable*>& live()
{
    static std::set<heron::Streamable*> objects;
    return objects;
}

// The objects whose afterLoad ran, in order.
inline std::vector<heron::Streamable*>& afterLoads()
{
    static std::vector<heron::Streamable*> order;
    return order;
}

class Tracked : public heron::Streamable
{
public:
    Tracked() { live().insert(this); }
    ~Tracked() override { live().erase(this); }
    Tracked(const Tracked&) = delete;
    Tracked& operator=(const Tracked&) = delete;
    void afterLoad() override { afterLoads().push_back(this); }
    // Lets go of the object's shared pointers; that may delete the object itself.
    virtual void dropShared() {}
};

// Empties the shared pointers and only then lets go of what they held: the last to go may delete
// the object they belong to (a shared block it holds can own it).
template <class... Pointers>
void letGo(Pointers&... pointers)
{
    const std::tuple<Pointers...> held(pointers...);
    ((pointers = Pointers()), ...);
}

// Deletes every live object once. A shared block owns its object, which a stream can make a
// tracked one, so the shared pointers go first: such an object is then deleted by its block alone.
inline void freeLive()
{
    const std::vector<heron::Streamable*> objects(live().begin(), live().end());
    for (heron::Streamable* object : objects) {
        if (live().count(object) != 0) {
            static_cast<Tracked*>(object)->dropShared();
        }
    }
    while (!live().empty()) {
        delete *live().begin();
    }
    afterLoads().clear();
}

class Node;

class Holder;

// A leaf of another class that asks for the early afterLoad group; a node link to it is a pointer
// of the wrong type. Its holder link lets a graph reach shared pointers.
class Leaf : public Tracked
{
public:
    static constexpr const char* name = "test::Leaf";
    static heron::Streamable* make() { return new Leaf; }

    std::uint32_t payload = 0;
    Node* owner = nullptr;
    Holder* holder = nullptr;

    void read(heron::DataSource& source) override;
    const char* className() const override { return name; }
    void write(heron::DataDest& dest) const override;
};

// A value, a label, a leaf and any number of links to other nodes (null allowed).
class Node : public Tracked
{
public:
    static constexpr const char* name = "test::Node";
    static heron::Streamable* make() { return new Node; }

    std::int32_t value = 0;
    heron_string label;
    Leaf* leaf = nullptr;
    std::vector<Node*> links;

    void registerFactories(heron::DataSource& source) override;
    void read(heron::DataSource& source) override
    {
        std::uint32_t count = 0;
        source.readInt32(value).readString(label).readObjectRef(leaf).readTag(count);
        if (source.hasError() || count > source.remaining() / 4) {
            throw heron::ReadError("node link count beyond its body");
        }
        links.assign(count, nullptr);
        for (Node*& link : links) {
            source.readObjectRef(link);
        }
    }
    const char* className() const override { return name; }
    void write(heron::DataDest& dest) const override
    {
        dest.writeInt32(value).writeString(label).writeObjectRef(leaf).writeTag(std::uint32_t(links.size()));
        for (const Node* link : links) {
            dest.writeObjectRef(link);
        }
    }
};

// A stored value whose instances are counted by count(); owned through counted pointers, so not
// in live().
template <class Derived>
class Value : public heron::Streamable
{
public:
    static heron::Streamable* make() { return new Derived; }
    static int& count()
    {
        static int instances = 0;
        return instances;
    }

    Value() { ++count(); }
    ~Value() override { --count(); }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;

    std::int32_t value = 0;

    void read(heron::DataSource& source) override { source.readInt32(value); }
    const char* className() const override { return Derived::name; }
    void write(heron::DataDest& dest) const override { dest.writeInt32(value); }
};

// Shared through a shared block.
class Shared : public Value<Shared>
{
public:
    static constexpr const char* name = "test::Shared";
};

// Counts its own holders.
class Counted : public Value<Counted>, public heron::Refcountable
{
public:
    static constexpr const char* name = "test::Counted";
};

// Two shared pointers, one to a counted object, and a node link. Notes whether its shared
// pointers were already set when its afterLoad ran.
class Holder : public Tracked
{
public:
    static constexpr const char* name = "test::Holder";
    static heron::Streamable* make() { return new Holder; }

    heron::counted_ptr<Shared> first;
    heron::counted_ptr<Shared> second;
    heron::counted_ptr<Counted> counted;
    Node* node = nullptr;
    bool setBeforeAfterLoad = false;

    void registerFactories(heron::DataSource& source) override
    {
        source.registerFactory(&Shared::make).registerFactory(&Counted::make).registerFactory(&Node::make);
    }
    void afterLoad() override
    {
        Tracked::afterLoad();
        setBeforeAfterLoad = first && second && counted;
    }
    void dropShared() override { letGo(first, second, counted); }
    void read(heron::DataSource& source) override
    {
        source.readObjectRef(first).readObjectRef(second).readObjectRef(counted).readObjectRef(node);
    }
    const char* className() const override { return name; }
    void write(heron::DataDest& dest) const override
    {
        dest.writeObjectRef(first).writeObjectRef(second).writeObjectRef(counted).writeObjectRef(node);
    }
};

// Reads one shared pointer and one node link twice each, as a damaged stored class might.
class Repeater : public Tracked
{
public:
    static constexpr const char* name = "test::Repeater";
    static heron::Streamable* make() { return new Repeater; }

    heron::counted_ptr<Shared> shared;
    Node* node = nullptr;

    void dropShared() override { letGo(shared); }
    void registerFactories(heron::DataSource& source) override { source.registerFactory(&Shared::make).registerFactory(&Node::make); }
    // Shared twice, then node for as long as the body lasts.
    void read(heron::DataSource& source) override
    {
        source.readObjectRef(shared).readObjectRef(shared);
        while (source.remaining() >= 4) {
            source.readObjectRef(node);
        }
    }
    const char* className() const override { return name; }
    void write(heron::DataDest& dest) const override
    {
        dest.writeObjectRef(shared).writeObjectRef(shared).writeObjectRef(node).writeObjectRef(node);
    }
};

// Reads its links through the checked reader: a kept leaf, a borrowed node and a kept node.
class Checked : public Tracked
{
public:
    static constexpr const char* name = "test::Checked";
    static heron::Streamable* make() { return new Checked; }

    Leaf* leaf = nullptr;
    Node* borrowed = nullptr;
    Node* kept = nullptr;

    void registerFactories(heron::DataSource& source) override { source.registerFactory(&Node::make); }
    void read(heron::DataSource& source) override
    {
        using Hold = heron::StreamReader::Hold;
        heron::StreamReader::readCheckedRef(source, leaf, Hold::Keeps);
        heron::StreamReader::readCheckedRef(source, borrowed, Hold::Borrows);
        heron::StreamReader::readCheckedRef(source, kept, Hold::Keeps);
    }
    const char* className() const override { return name; }
    void write(heron::DataDest& dest) const override
    {
        dest.writeObjectRef(leaf).writeObjectRef(borrowed).writeObjectRef(kept);
    }
};

inline void Leaf::read(heron::DataSource& source)
{
    source.requestEarlyAfterLoad();
    source.readUInt32(payload).readObjectRef(owner).readObjectRef(holder);
}

inline void Leaf::write(heron::DataDest& dest) const
{
    dest.writeUInt32(payload).writeObjectRef(owner).writeObjectRef(holder);
}

inline void Node::registerFactories(heron::DataSource& source)
{
    // Registers itself again through Leaf's factory chain: the registry must stop the cycle.
    source.registerFactory(&Node::make).registerFactory(&Leaf::make).registerFactory(&Holder::make);
}

}
