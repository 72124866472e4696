#pragma once

#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/graph/Database.h"
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
    void setAnimationTime(float t) override { m_log.push_back(m_name + " at " + std::to_string(t)); }
    void render() override
    {
        m_log.push_back(m_name);
        if (onRender) {
            onRender();
        }
    }

    bool animated = false;
    std::function<void()> onRender;

private:
    std::string m_name;
    std::vector<std::string>& m_log;
    finch::Surface m_surface;
};

}
