#pragma once

#include "base/FilePath.h"
#include "base/Streamable.h"
#include "base/heron_string.h"
#include "scene/graph/LoadedGraph.h"

#include <memory>
#include <vector>

namespace finch
{

class BoundingBox;
class ExrefBranch;
class Object;
class Traverser;

// A scene: its objects in order (owned), the main object it shows, the file it came from, a dirty
// flag that drives the cleaning of bounds, the collision flags and the external references that
// show it. The content database extends it. Main thread only.
class Database : public heron::Streamable, public LoadedOwner
{
public:
    static constexpr const char* classIdentifier = "duskharbor::finch::Database";
    [[nodiscard]] static heron::Streamable* create();

    // Visits objects.
    class ObjectProcessor
    {
    public:
        virtual ~ObjectProcessor() = default;
        virtual void process(Object& object) = 0;
    };

    Database() = default;
    // Deletes the objects.
    ~Database() override;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs the pass that rebuilds and splits queued bunches, then cleans every object when dirty.
    // The outermost clean (not one that an external reference starts inside another database's
    // clean) repeats both until nothing is queued or dirty, so the groups a split puts in place
    // have their boxes before anything draws or collides.
    virtual void clean();

    // Takes the object; the first one becomes the main object. Marks the database dirty.
    void addObject(std::unique_ptr<Object>& holder);
    void forEachObject(ObjectProcessor& processor);
    // Marks the database and the external references that show it, up to their own databases.
    void markDirty();
    // The main object's box after cleaning; without a main object an invalid box, nothing cleaned.
    const BoundingBox& bounds();
    void setMainObject(Object* object) { m_mainObject = object; }
    void traverse(Traverser& traverser);
    void setFilePath(const heron::FilePath& path) { m_filePath = path; }
    heron::FilePath& filePath() { return m_filePath; }
    const heron_string& filePathString() const { return m_filePath.str(); }
    void setCollideMode2(bool on) { m_collideMode2 = on; }
    void setSkipMode3(bool on) { m_skipMode3 = on; }
    // Ignored when listed already / when absent.
    void addExref(ExrefBranch* branch);
    void removeExref(ExrefBranch* branch);

    bool isDirty() const { return m_dirty; }
    Object* mainObject() const { return m_mainObject; }
    const std::vector<Object*>& objects() const { return m_objects; }
    const std::vector<ExrefBranch*>& exrefs() const { return m_exrefs; }
    bool collideMode2() const { return m_collideMode2; }
    bool skipMode3() const { return m_skipMode3; }

    // Registers every stored class of the scene engine. Defined with that vocabulary in
    // scene/Engine.cpp: most of the classes live in folders that build on this one.
    void registerFactories(heron::DataSource& source) override;
    const char* className() const override { return classIdentifier; }
    void read(heron::DataSource& source) override;
    void afterLoad() override;
    void write(heron::DataDest& dest) const override;
    void adoptLoaded(LoadClaims& claims) override;

private:
    // The geometry pass of clean; defined beside the registration of the stored classes, above the
    // geometry it works on.
    static void rebuildPendingGeometry();
    void cleanObjects();

    bool m_collideMode2 = false;
    bool m_skipMode3 = false;
    bool m_dirty = true;
    bool m_cleaning = false;
    std::vector<Object*> m_objects;
    Object* m_mainObject = nullptr;
    heron::FilePath m_filePath;
    std::vector<ExrefBranch*> m_exrefs;
};

}
