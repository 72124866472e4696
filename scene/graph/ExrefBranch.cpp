#include "scene/graph/ExrefBranch.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/Database.h"
#include "scene/graph/Object.h"
#include "scene/graph/Traverser.h"

namespace finch
{

namespace
{

constexpr std::uint32_t filePathTag = 1;

}

heron::Streamable* ExrefBranch::create()
{
    return new ExrefBranch;
}

ExrefBranch::~ExrefBranch()
{
    if (m_database) {
        m_database->removeExref(this);
    }
}

void ExrefBranch::setDatabase(const heron::counted_ptr<Database>& database)
{
    if (m_database) {
        m_database->removeExref(this);
    }
    m_database = database;
    if (m_database) {
        m_database->addExref(this);
    }
}

void ExrefBranch::clean()
{
    heron::debug("Cleaning exref branch \"%s\"\n", name().c_str());
    if (m_database && m_database->mainObject() != nullptr) {
        m_database->clean();
        ownBox() = m_database->mainObject()->box();
    }
    setDirtyFlag(false);
}

void ExrefBranch::traverse(Traverser& traverser)
{
    if (!m_database) {
        return;
    }
    const heron::counted_ptr<TraversalCallback> callback = traversalCallback();
    if (callback && !callback->preTraverse(traverser, *this)) {
        return;
    }
    if (!(traverser.cullingActive() && traverser.isCulled(*this)) && traverser.enterReference(*m_database)) {
        m_database->traverse(traverser);
        traverser.leaveReference();
    }
    if (callback) {
        callback->postTraverse(traverser, *this);
    }
}

void ExrefBranch::read(heron::DataSource& source)
{
    Branch::read(source);
    readTaggedBlock(source, [&](std::uint32_t tag) {
        if (tag == filePathTag) {
            source.readString(m_filePath);
        }
    });
}

void ExrefBranch::write(heron::DataDest& dest) const
{
    Branch::write(dest);
    dest.writeTag(filePathTag).writeString(m_filePath);
    dest.writeTag(0);
}

}
