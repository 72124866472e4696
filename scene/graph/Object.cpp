#include "scene/graph/Object.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"
#include "base/FilePath.h"
#include "scene/core/EngineSwitches.h"
#include "scene/core/TaggedBlock.h"
#include "scene/graph/Database.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/Traverser.h"

#include <algorithm>
#include <string>

namespace finch
{

namespace
{

enum ObjectTag : std::uint32_t
{
    nameTag = 1,
    databaseTag = 2,
    changedTag = 3,
    boxTag = 4,
    olderTable1Tag = 10,
    olderTable2Tag = 11,
    instancesTag = 12,
    refusedTag1 = 13,
    refusedTag2 = 14,
    rootTag = 20,
    fileTag = 21,
};

// The model files being loaded on this thread through objects that name them, so that a file
// that names itself (or one that names it back) is loaded once.
std::vector<std::string>& filesLoading()
{
    thread_local std::vector<std::string> files;
    return files;
}

}

heron::Streamable* Object::create()
{
    return new Object;
}

Object::~Object()
{
    const std::vector<InstanceBranch*> table = m_instances;
    for (InstanceBranch* branch : table) {
        if (branch == nullptr) {
            continue;    // a stream that failed before its references were set
        }
        if (branch->instance() != this) {
            heron::debug("Object::~Object() - the instances table is corrupt\n");
            continue;
        }
        branch->setInstance(nullptr);
    }
    delete m_root;
}

void Object::setRoot(std::unique_ptr<Branch>& holder)
{
    delete m_root;
    m_root = holder.release();
    if (m_root != nullptr) {
        m_root->setObject(this);
    }
    m_changed = false;
    markChanged();
}

void Object::markChanged()
{
    if (m_changed) {
        return;
    }
    m_changed = true;
    for (InstanceBranch* branch : m_instances) {
        branch->makeDirty();
    }
    if (m_database != nullptr) {
        m_database->markDirty();
    }
}

void Object::clean()
{
    // An instance of this object inside its own tree must not clean it again.
    if (!m_changed || m_cleaning) {
        return;
    }
    m_cleaning = true;
    if (m_root != nullptr) {
        m_root->clean();
        m_box = m_root->box();
    } else {
        m_box.clear();
    }
    if (geometryPoolEnabled()) {
        m_animationFrames.reset();
    }
    m_changed = false;
    m_cleaning = false;
}

void Object::traverse(Traverser& traverser)
{
    if (m_root == nullptr) {
        return;
    }
    if (traverser.kind() != Traverser::Kind::Rendering) {
        m_root->traverse(traverser);
        return;
    }
    traverser.accumulator().pushAnimation(m_animation);
    m_root->traverse(traverser);
    traverser.accumulator().popAnimation();
}

bool Object::process(BranchProcessor& processor)
{
    return m_root == nullptr || m_root->process(processor);
}

void Object::rootBoxGrew(const BoundingBox& box)
{
    m_box = box;
    for (InstanceBranch* branch : m_instances) {
        branch->extendBox(box);
    }
}

bool Object::removeInstance(InstanceBranch& branch)
{
    const auto found = std::find(m_instances.begin(), m_instances.end(), &branch);
    if (found == m_instances.end()) {
        return false;
    }
    m_instances.erase(found);
    return true;
}

void Object::read(heron::DataSource& source)
{
    std::uint32_t rootAddress = 0;
    bool instancesRead = false;
    bool olderRead[2] = {false, false};
    readTaggedBlock(source, [&](std::uint32_t tag) {
        switch (tag) {
        case nameTag: source.readString(m_name); break;
        case databaseTag: skipRef(source); break;
        case changedTag: readBoolField(source, m_changed); break;
        case boxTag: m_box.read(source); break;
        // Reference tables of an older form, kept with the object.
        case olderTable1Tag:
        case olderTable2Tag: {
            const int table = tag == olderTable1Tag ? 0 : 1;
            readRefList(source, m_olderTables[table], olderRead[table], heron::StreamReader::Hold::Borrows);
            break;
        }
        case instancesTag: readRefList(source, m_instances, instancesRead, heron::StreamReader::Hold::Borrows); break;
        case refusedTag1:
        case refusedTag2:
            heron::debug("Object::read() - an object block of a form no longer read!\n");
            failRead(source);
            break;
        case rootTag: source.readUInt32(rootAddress); break;
        case fileTag: {
            heron_string file;
            source.readString(file);
            loadReferencedFile(file);
            break;
        }
        default: break;
        }
    });
    // An object that names a model file shows that file instead of a root of its own.
    if (!m_referencedFile.empty()) {
        rootAddress = 0;
    }
    heron::StreamReader::referTo(source, rootAddress, m_root, heron::StreamReader::Hold::Keeps);
}

void Object::loadReferencedFile(const heron_string& file)
{
    m_referencedFile = file;
    FinchDatabaseReader* const reader = getDatabaseReader();
    if (reader == nullptr || file.empty()) {
        return;
    }
    std::vector<std::string>& loading = filesLoading();
    const std::string key(file.c_str());
    if (std::find(loading.begin(), loading.end(), key) != loading.end()) {
        heron::debug("Object - the model file %s names itself; the reference is cut!\n", file.c_str());
        return;
    }
    loading.push_back(key);
    m_referencedDatabase = reader->load(heron::FilePath(file.c_str()));
    loading.pop_back();
}

void Object::afterLoad()
{
    settleLoadedGraph();
    if (m_referencedFile.empty()) {
        return;
    }
    auto exref = std::make_unique<ExrefBranch>();
    exref->setFilePath(m_referencedFile);
    exref->setDatabase(m_referencedDatabase);
    std::unique_ptr<Branch> holder(exref.release());
    setRoot(holder);
    m_referencedFile = heron_string();
    m_referencedDatabase = heron::counted_ptr<Database>();
}

void Object::write(heron::DataDest& dest) const
{
    dest.writeTag(nameTag).writeString(m_name);
    dest.writeTag(databaseTag).writeObjectRef(m_database);
    dest.writeTag(changedTag).writeBool(m_changed);
    dest.writeTag(boxTag);
    m_box.write(dest);
    dest.writeTag(instancesTag).writeTag(std::uint32_t(m_instances.size()));
    for (const InstanceBranch* branch : m_instances) {
        dest.writeObjectRef(branch);
    }
    dest.writeTag(rootTag).writeObjectRef(m_root);
    dest.writeTag(0);
}

void Object::adoptLoaded(LoadClaims& claims)
{
    claims.noteObject(*this);
    if (m_root == nullptr) {
        return;
    }
    if (!claims.claim(m_root, "a root branch")) {
        m_root = nullptr;
        return;
    }
    m_root->m_parent = nullptr;
    m_root->m_object = this;
    claims.queue(*m_root);
}

}
