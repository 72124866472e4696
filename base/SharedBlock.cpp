#include "base/SharedBlock.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"

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
    source.requestEarlyAfterLoad();
    std::int32_t storedCount = 0;
    source.readInt32(storedCount).readObjectRef(m_object);
}

void SharedBlock::reportWrongClass() const
{
    debug("StreamRead: a shared pointer names a \"%s\", which is not of the pointer's class - it is left null!\n",
          m_object ? m_object->className() : "");
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
