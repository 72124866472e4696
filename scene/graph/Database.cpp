#include "scene/graph/Database.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/Traverser.h"

#include <algorithm>

namespace finch
{

namespace
{

enum DatabaseTag : std::uint32_t
{
    objectsTag = 1,
    mainObjectTag = 2,
    dirtyTag = 3,
    filePathTag = 4,
};

// How many database cleans are running on the stack: the split pass replaces branches in their
// parents, so it runs only when no clean is walking any children.
int cleansRunning = 0;

// Counts a running clean and flags its database while it walks the objects.
class RunningClean
{
public:
    explicit RunningClean(bool& cleaning) : m_cleaning(cleaning)
    {
        m_cleaning = true;
        ++cleansRunning;
    }
    ~RunningClean()
    {
        --cleansRunning;
        m_cleaning = false;
    }
    RunningClean(const RunningClean&) = delete;
    RunningClean& operator=(const RunningClean&) = delete;

private:
    bool& m_cleaning;
};

const BoundingBox& emptyBox()
{
    static const BoundingBox box;
    return box;
}

}

heron::Streamable* Database::create()
{
    return new Database;
}

Database::~Database()
{
    m_exrefs.clear();
    while (!m_objects.empty()) {
        Object* const last = m_objects.back();
        m_objects.pop_back();
        delete last;
    }
}

void Database::clean()
{
    // An external reference to this database inside it must not clean it again.
    if (m_cleaning) {
        return;
    }
    if (cleansRunning > 0) {
        cleanObjects();
        return;
    }
    rebuildPendingGeometry();
    while (m_dirty) {
        cleanObjects();
        rebuildPendingGeometry();
    }
}

void Database::cleanObjects()
{
    if (!m_dirty) {
        return;
    }
    {
        const RunningClean running(m_cleaning);
        for (Object* object : m_objects) {
            object->clean();
        }
    }
    m_dirty = false;
}

void Database::markDirty()
{
    m_dirty = true;
    for (ExrefBranch* exref : m_exrefs) {
        exref->makeDirty();
    }
}

void Database::addObject(std::unique_ptr<Object>& holder)
{
    if (!holder) {
        return;
    }
    Object* const object = holder.release();
    if (m_objects.empty()) {
        m_mainObject = object;
    }
    m_objects.push_back(object);
    object->m_database = this;
    markDirty();
}

void Database::forEachObject(ObjectProcessor& processor)
{
    for (Object* object : m_objects) {
        processor.process(*object);
    }
}

const BoundingBox& Database::bounds()
{
    if (m_mainObject == nullptr) {
        return emptyBox();
    }
    clean();
    return m_mainObject->box();
}

void Database::traverse(Traverser& traverser)
{
    if (m_mainObject != nullptr) {
        m_mainObject->traverse(traverser);
    }
}

void Database::addExref(ExrefBranch* branch)
{
    if (std::find(m_exrefs.begin(), m_exrefs.end(), branch) == m_exrefs.end()) {
        m_exrefs.push_back(branch);
    }
}

void Database::removeExref(ExrefBranch* branch)
{
    std::erase(m_exrefs, branch);
}

void Database::read(heron::DataSource& source)
{
    bool objectsRead = false;
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case objectsTag: readRefList(source, m_objects, objectsRead, heron::StreamReader::Hold::Keeps); break;
        case mainObjectTag: readBorrowedRef(source, m_mainObject); break;
        case dirtyTag: readBoolField(source, m_dirty); break;
        case filePathTag: source.readPath(m_filePath); break;
        default: break;
        }
    });
}

void Database::afterLoad()
{
    settleLoadedGraph();
}

void Database::write(heron::DataDest& dest) const
{
    dest.writeTag(objectsTag).writeTag(std::uint32_t(m_objects.size()));
    for (const Object* object : m_objects) {
        dest.writeObjectRef(object);
    }
    dest.writeTag(mainObjectTag).writeObjectRef(m_mainObject);
    dest.writeTag(dirtyTag).writeBool(m_dirty);
    dest.writeTag(filePathTag).writePath(m_filePath);
    dest.writeTag(0);
}

void Database::adoptLoaded(LoadClaims& claims)
{
    std::erase_if(m_objects, [&](Object* object) {
        if (object == nullptr || !claims.claim(object, "an object")) {
            return true;
        }
        object->m_database = this;
        claims.queue(*object);
        return false;
    });
    if (m_mainObject != nullptr && std::find(m_objects.begin(), m_objects.end(), m_mainObject) == m_objects.end()) {
        heron::debug("Database - the stored main object is none of its objects and is dropped!\n");
        m_mainObject = nullptr;
    }
}

}
