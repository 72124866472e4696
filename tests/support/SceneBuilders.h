#pragma once

#include "scene/geometry/BunchCallbacks.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/Database.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/LodBranch.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/graph/GroupBranch.h"
#include "scene/graph/Object.h"
#include "scene/render/Material.h"
#include "scene/render/QueuedBunch.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Small scenes for the scene tests.
namespace scenebuild
{

template <class Stream, class Element>
heron::counted_ptr<Stream> stream(std::vector<Element> elements)
{
    return heron::counted_ptr<Stream>(new Stream(std::move(elements)));
}

// A square in the plane y = depth from (x0, z0) to (x1, z1), facing -y (towards a camera at the
// origin looking along +y), as a strip of 4 vertices in one colour (bytes R, G, B, A).
inline std::unique_ptr<finch::GeoBunch> square(float x0, float z0, float x1, float z1, float depth, std::uint32_t colour)
{
    auto bunch = std::make_unique<finch::GeoBunch>();
    bunch->setVertexData(stream<finch::vertex_data>(std::vector<finch::Vector3f>{
                             {x0, depth, z0}, {x1, depth, z0}, {x0, depth, z1}, {x1, depth, z1}}),
                         true);
    bunch->setColorData(stream<finch::color_data>(std::vector<std::uint32_t>(4, colour)));
    bunch->setStripData(stream<finch::strip_data>(std::vector<std::int32_t>{4}));
    finch::Material material(finch::RGBA{1, 1, 1, 1});
    material.setVertexColours(false);
    material.setFlag32(true);
    finch::Surface surface;
    surface.setMaterial(finch::Material::intern(material));
    surface.cullFaces = false;
    bunch->setSurface(surface);
    return bunch;
}

// A geometry branch named name holding the bunch.
inline std::unique_ptr<finch::Branch> geometry(const char* name, std::unique_ptr<finch::GeoBunch> bunch)
{
    auto branch = std::make_unique<finch::GeometryBranch>();
    branch->setName(name);
    branch->addBunch(std::move(bunch));
    return branch;
}

// A database of one object whose root is the branch.
inline std::unique_ptr<finch::Database> database(std::unique_ptr<finch::Branch> root, const char* name = "object")
{
    auto object = std::make_unique<finch::Object>();
    object->setName(name);
    object->setRoot(root);
    auto db = std::make_unique<finch::Database>();
    db->addObject(object);
    db->clean();
    return db;
}

template <class T>
T* add(finch::GroupBranch& parent, std::unique_ptr<T> child)
{
    T* const raw = child.get();
    std::unique_ptr<finch::Branch> holder(child.release());
    parent.addChild(holder);
    return raw;
}

// A bunch with every stream, two frames and a shared vertex stream.
inline std::unique_ptr<finch::GeoBunch> fullBunch(const heron::counted_ptr<finch::vertex_data>& vertices)
{
    auto bunch = square(0, 0, 1, 1, 2, 0xFF00FF00);
    bunch->setVertexData(vertices, true);
    bunch->setIndexData(stream<finch::index_data>(std::vector<std::uint32_t>{0, 1, 2, 3, 2, 1}));
    bunch->setStripData(stream<finch::strip_data>(std::vector<std::int32_t>{3}));
    bunch->setNormalData(stream<finch::normal_data>(std::vector<finch::Vector3f>(4, {0, -1, 0})));
    for (int unit = 0; unit < 2; ++unit) {
        bunch->setTexcoordData(stream<finch::texcoord_data>(std::vector<finch::TexCoord>{{0, 0}, {1, 0}, {0, 1}, {1, 1}}), unit);
    }
    finch::AnimationFrame moved = vertices->elements();
    for (finch::Vector3f& p : moved) {
        p.z += 1.0f;
    }
    bunch->setAnimationFrames({vertices->elements(), moved});
    return bunch;
}

// One of every stored scene class: a main object whose root group holds a switch, a chain of
// levels, a joint with a pivot, an instance of the second object, an external reference and two
// geometry branches sharing a vertex stream, with callbacks.
inline std::unique_ptr<finch::Database> everyClass()
{
    auto root = std::make_unique<finch::GroupBranch>();
    root->setName("root");
    root->setUserValue(42);
    root->setCollisionMode(2);
    root->setTraversalCallback(heron::counted_ptr<finch::TraversalCallback>(new finch::TraversalCallback));
    auto* const select = add(*root, std::make_unique<finch::SwitchBranch>(finch::SwitchBranch::selectOne));
    select->setSelected(1);
    select->setParameter(0.5);
    add(*select, std::make_unique<finch::GroupBranch>());
    for (const double distance : {10.0, 100.0}) {
        auto* const level = add(*root, std::make_unique<finch::LodBranch>());
        level->setDistance(distance);
        level->setHysteresis(true);
    }
    auto* const joint = add(*root, std::make_unique<finch::JointBranch>());
    finch::Matrix pivot;
    pivot.setTranslation(finch::Vector3d(1, 2, 3));
    joint->setPivotMatrix(pivot);
    finch::Matrix turn;
    turn.setAxisRotation(30.0, finch::Vector3d(0, 0, 1));
    joint->setMatrix(turn);
    auto* const instance = add(*root, std::make_unique<finch::InstanceBranch>());
    add(*root, std::make_unique<finch::ExrefBranch>())->setFilePath("models\\ring.quill");
    const auto vertices = stream<finch::vertex_data>(
        std::vector<finch::Vector3f>{{0, 2, 0}, {1, 2, 0}, {0, 2, 1}, {1, 2, 1}});
    auto shapes = std::make_unique<finch::GeometryBranch>();
    shapes->addBunch(fullBunch(vertices));
    shapes->addBunch(fullBunch(vertices));
    shapes->setBunchCallbacks(heron::counted_ptr<finch::BunchCallbacks>(new finch::BunchCallbacks));
    shapes->setFacingMode(finch::GeometryBranch::turnsAboutZ);
    add(*root, std::move(shapes));
    auto db = database(std::move(root), "main");
    auto second = std::make_unique<finch::Object>();
    second->setName("second");
    std::unique_ptr<finch::Branch> secondRoot = geometry("g", square(0, 0, 1, 1, 0, 0xFFFFFFFF));
    second->setRoot(secondRoot);
    instance->setInstance(second.get());
    db->addObject(second);
    db->setFilePath(heron::FilePath("worlds\\test.mdl"));
    db->clean();
    return db;
}

// A queued bunch that records its draws.
class RecordingBunch : public finch::QueuedBunch
{
public:
    RecordingBunch(std::string name, std::vector<std::string>& log, bool blend = false) : m_name(std::move(name)), m_log(log)
    {
        m_surface.blend = blend;
    }
    ~RecordingBunch() = default;

    const finch::Surface& surface() const override { return m_surface; }
    finch::Surface& editSurface() { return m_surface; }
    bool isAnimated() const override { return animated; }
    bool drawsColourArray() const override { return colourArray; }
    void setAnimationTime(float t) override { m_log.push_back(m_name + " at " + std::to_string(t)); }
    void render() override
    {
        m_log.push_back(m_name);
        if (onRender) {
            onRender();
        }
    }

    bool animated = false;
    bool colourArray = false;
    std::function<void()> onRender;

private:
    std::string m_name;
    std::vector<std::string>& m_log;
    finch::Surface m_surface;
};

}
