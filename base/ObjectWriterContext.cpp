#include "base/ObjectWriterContext.h"

#include "base/DataDest.h"
#include "base/Debug.h"
#include "base/StreamReader.h"
#include "base/Streamable.h"
#include "base/heron_string.h"

#include <stdexcept>

namespace heron
{

ObjectWriterContext::ObjectWriterContext() = default;

ObjectWriterContext::~ObjectWriterContext() = default;

std::uint32_t ObjectWriterContext::idOf(const Streamable* object)
{
    if (object == nullptr) {
        return 0;
    }
    const auto inserted = m_ids.emplace(object, std::uint32_t(m_objects.size() + 1));
    if (inserted.second) {
        m_objects.push_back(object);
    }
    return inserted.first->second;
}

void ObjectWriterContext::writeStream(DataDest& dest, const Streamable* root, int version)
{
    const StreamNestingGuard nesting;
    if (nesting.tooDeep()) {
        // The objects written hold streams of their own this deep: a fault of the program's
        // objects (a cycle through their own streams, most likely), not of any bytes.
        throw std::logic_error("streams nested too deeply");
    }
    const int stringMode = version == StreamReader::version101 ? 4 : 0;
    dest.setStringMode(0);
    dest.writeString(version == StreamReader::version101 ? "HarborStream 1.01" : "HarborStream 1.00");
    dest.setStringMode(stringMode);
    m_body.setBigEndian(dest.isBigEndian());
    m_body.setStringMode(stringMode);
    m_body.m_writerContext = this;
    struct Detach
    {
        MemoryDataDest& body;
        ~Detach() { body.m_writerContext = nullptr; }
    } detach{m_body};
    idOf(root);
    // Bodies queue the objects they point to, so the list grows while it is walked.
    for (std::size_t i = 0; i < m_objects.size(); ++i) {
        writeRecord(dest, *m_objects[i], std::uint32_t(i + 1));
    }
    dest.writeByte('#');
}

std::uint32_t ObjectWriterContext::classIdOf(DataDest& dest, const Streamable& object)
{
    const char* const name = object.className();
    const auto known = m_classIdsByText.find(name);
    if (known != m_classIdsByText.end()) {
        return known->second;
    }
    const auto named = m_classIdsByName.emplace(name, std::uint32_t(m_classIdsByName.size() + 1));
    m_classIdsByText.emplace(name, named.first->second);
    if (named.second) {
        dest.writeByte('?');
        dest.writeTag(named.first->second);
        dest.writeString(name);
    }
    return named.first->second;
}

void ObjectWriterContext::writeRecord(DataDest& dest, const Streamable& object, std::uint32_t id)
{
    m_body.clear();
    object.write(m_body);
    if (m_body.hasError()) {
        dest.setError();
    }
    const std::uint32_t classId = classIdOf(dest, object);
    dest.writeByte('!');
    dest.writeTag(classId);
    dest.writeUInt32(id);
    dest.writeTag(m_body.size());
    dest.write(m_body.data(), m_body.size());
}

DataDest& DataDest::writeObjectRef(const Streamable* object)
{
    if (m_writerContext == nullptr && object != nullptr) {
        // Without a stream being written, a context of this sink's own still gives each object a
        // distinct id, so the body keeps its layout.
        m_writerContext = new ObjectWriterContext;
    }
    return writeUInt32(m_writerContext == nullptr ? 0 : m_writerContext->idOf(object));
}

DataDest& DataDest::writeObject(const Streamable* root, int version)
{
    if (version != StreamReader::version100 && version != StreamReader::version101) {
        setError();
        return *this;
    }
    // A stream nested too deeply is logged and reported by the sink's error flag.
    try {
        ObjectWriterContext context;
        context.writeStream(*this, root, version);
    } catch (const std::logic_error& error) {
        debug("Stream writer: %s\n", error.what());
        setError();
    }
    return *this;
}

void DataDest::dropWriterContext()
{
    delete m_writerContext;
    m_writerContext = nullptr;
}

}
