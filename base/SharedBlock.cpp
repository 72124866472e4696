#include "base/SharedBlock.h"

#include "base/DataDest.h"
#include "base/DataSource.h"

namespace heron
{

Streamable* SharedBlock::make()
{
    return new SharedBlock;
}

SharedBlock::SharedBlock(Streamable* object) : m_object(object)
{
}

SharedBlock::~SharedBlock()
{
    delete m_object;
}

void SharedBlock::read(DataSource& source)
{
    std::int32_t storedCount = 0;
    source.readInt32(storedCount).readObjectRef(m_object);
}

const char* SharedBlock::className() const
{
    return name;
}

void SharedBlock::write(DataDest& dest) const
{
    dest.writeInt32(refCount()).writeObjectRef(m_object);
}

}
