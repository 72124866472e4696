#include "scene/geometry/GeoBunchStreams.h"

#include "base/DataDest.h"
#include "scene/core/TaggedBlock.h"

namespace finch
{

namespace
{

enum StreamTag : std::uint32_t
{
    countTag = 1,
    elementsTag = 2,
};

void readElement(heron::DataSource& source, std::int32_t& value)
{
    source.readInt32(value);
}

void readElement(heron::DataSource& source, std::uint32_t& value)
{
    source.readUInt32(value);
}

void readElement(heron::DataSource& source, Vector3f& value)
{
    readFloat(source, value.x);
    readFloat(source, value.y);
    readFloat(source, value.z);
}

void readElement(heron::DataSource& source, TexCoord& value)
{
    readFloat(source, value.s);
    readFloat(source, value.t);
}

void writeElement(heron::DataDest& dest, std::int32_t value)
{
    dest.writeInt32(value);
}

void writeElement(heron::DataDest& dest, std::uint32_t value)
{
    dest.writeUInt32(value);
}

void writeElement(heron::DataDest& dest, const Vector3f& value)
{
    writeFloat(dest, value.x);
    writeFloat(dest, value.y);
    writeFloat(dest, value.z);
}

void writeElement(heron::DataDest& dest, const TexCoord& value)
{
    writeFloat(dest, value.s);
    writeFloat(dest, value.t);
}

}

template <class Element, int ElementBytes, const char* Name>
void DataStream<Element, ElementBytes, Name>::read(heron::DataSource& source)
{
    readTaggedBlock(source, [&](std::uint32_t tag) {
        if (tag == countTag) {
            // The stored count of holders is not trusted: the references restored count.
            std::int32_t stored = 0;
            source.readInt32(stored);
            return;
        }
        std::uint32_t count = 0;
        if (tag != elementsTag || !readArrayCount(source, count, ElementBytes)) {
            return;
        }
        m_elements.assign(count, Element{});
        for (Element& element : m_elements) {
            readElement(source, element);
        }
    });
}

template <class Element, int ElementBytes, const char* Name>
void DataStream<Element, ElementBytes, Name>::write(heron::DataDest& dest) const
{
    dest.writeTag(countTag).writeInt32(refCount());
    dest.writeTag(elementsTag).writeTag(size());
    for (const Element& element : m_elements) {
        writeElement(dest, element);
    }
    dest.writeTag(0);
}

template class DataStream<std::int32_t, 4, streamnames::strip>;
template class DataStream<std::uint32_t, 4, streamnames::index>;
template class DataStream<Vector3f, 12, streamnames::vertex>;
template class DataStream<std::uint32_t, 4, streamnames::color>;
template class DataStream<Vector3f, 12, streamnames::normal>;
template class DataStream<TexCoord, 8, streamnames::texcoord>;

}
