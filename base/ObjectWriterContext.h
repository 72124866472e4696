#pragma once

#include "base/MemoryDataDest.h"

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

namespace heron
{

class DataDest;
class Streamable;

// Writer state of one object-graph stream: the 32-bit id given to each object met (1, 2, ... in the
// order met; 0 is null), the objects in that order (written up to a cursor, queued after it), the
// class ids, and the sink in which each body is built to learn its length. One thread.
class ObjectWriterContext
{
public:
    ObjectWriterContext();
    ObjectWriterContext(const ObjectWriterContext&) = delete;
    ObjectWriterContext& operator=(const ObjectWriterContext&) = delete;
    ~ObjectWriterContext();

    // The object's id in this stream, given and queued for writing on first sight; 0 for null.
    std::uint32_t idOf(const Streamable* object);
    // Writes the header of the version (100 or 101), one record per object reachable from root
    // (root first, each once, class declared before its first object) and the end mark. The sink
    // keeps the string mode of the version.
    void writeStream(DataDest& dest, const Streamable* root, int version);

private:
    std::uint32_t classIdOf(DataDest& dest, const Streamable& object);
    void writeRecord(DataDest& dest, const Streamable& object, std::uint32_t id);

    std::unordered_map<const Streamable*, std::uint32_t> m_ids;
    std::vector<const Streamable*> m_objects;
    std::unordered_map<const char*, std::uint32_t> m_classIdsByText;
    std::map<std::string, std::uint32_t> m_classIdsByName;
    MemoryDataDest m_body;
};

}
