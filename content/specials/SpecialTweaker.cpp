#include "content/specials/SpecialTweaker.h"

#include "base/Debug.h"
#include "content/specials/MyBunchProcessor.h"
#include "content/world/PelicanDB.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/Branch.h"
#include "scene/graph/Object.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"

namespace pelican_specials
{

namespace
{

// The mipmap fade of detail textures.
constexpr float detailFadeStart = 0.5f;
constexpr float detailFadeFactor = 0.8f;
// The pause after the warning about lit materials under a light-colour branch, so it is read.
constexpr double lightColourWarningSeconds = 2.0;

void forEachVertex(finch::Polygon& polygon, void (*change)(finch::PolyVertex&, float), float factor)
{
    finch::PolyVertex* vertex = polygon.firstVertex();
    for (int i = 0; i < polygon.vertexCount() && vertex != nullptr; ++i, vertex = vertex->next()) {
        change(*vertex, factor);
    }
}

}

heron::counted_ptr<finch::Material> SpecialTweaker::tweaked(const heron::counted_ptr<finch::Material>& material)
{
    finch::Material copy(material ? *material : *finch::Material::defaultMaterial());
    tweakMaterial(copy);
    return finch::Material::intern(copy);
}

void SpecialTweaker::rewriteBunch(finch::GeoBunch& bunch)
{
    bunch.editSurface().setMaterial(tweaked(bunch.surface().material));
}

void SpecialTweaker::rewritePolygons(finch::PolygonBranch& branch)
{
    heron::counted_ptr<finch::Material> lastIn;
    heron::counted_ptr<finch::Material> lastOut;
    bool warned = false;
    for (finch::Polygon* polygon : branch.polygons()) {
        const heron::counted_ptr<finch::Material>& in = polygon->material();
        if (!warned && in && in->isLit()) {
            warned = true;
            heron::debug("!!!! There's some materals under a 'lightcolor' branch in object %s, branch %s\n",
                         branch.object() != nullptr ? branch.object()->name().c_str() : "", branch.name().c_str());
            pelican::PelicanDB::pauseAfterWarning(lightColourWarningSeconds);
        }
        if (!lastOut || in != lastIn) {
            lastIn = in;
            lastOut = tweaked(in);
        }
        polygon->setMaterial(lastOut);
    }
}

void SpecialTweaker::applyOnce(finch::Branch& branch)
{
    AddSpecials walk(*this);
    branch.process(walk);
    branch.scheduleCallbackRemoval();
}

bool AddSpecials::process(finch::Branch& branch)
{
    if (auto* const polygons = dynamic_cast<finch::PolygonBranch*>(&branch)) {
        m_tweaker.tweakPolygons(*polygons);
    }
    auto* const geometry = dynamic_cast<finch::GeometryBranch*>(&branch);
    if (geometry == nullptr) {
        return true;
    }
    auto* processor = dynamic_cast<MyBunchProcessor*>(geometry->bunchCallbacks().get());
    if (processor == nullptr) {
        processor = new MyBunchProcessor;
        geometry->setBunchCallbacks(heron::counted_ptr<finch::BunchCallbacks>(processor));
    }
    m_tweaker.tweakProcessor(*processor);
    for (finch::GeoBunch* bunch : geometry->bunches()) {
        m_tweaker.tweakBunch(*bunch);
    }
    return true;
}

TexGen::TexGen(const heron::counted_ptr<finch::Texture>& texture, float scale)
    : m_texture(texture), m_factor(scale != 0.0f ? 1.0f / scale : 1.0f)
{
}

bool TexGen::process(finch::Branch& branch)
{
    auto* const polygons = dynamic_cast<finch::PolygonBranch*>(&branch);
    if (polygons == nullptr) {
        return true;
    }
    heron::counted_ptr<finch::Material> lastIn;
    heron::counted_ptr<finch::Material> lastOut;
    for (finch::Polygon* polygon : polygons->polygons()) {
        const heron::counted_ptr<finch::Material>& in = polygon->material();
        if (!lastOut || in != lastIn) {
            finch::Material copy(in ? *in : *finch::Material::defaultMaterial());
            copy.setTexture(1, m_texture);
            lastIn = in;
            lastOut = finch::Material::intern(copy);
        }
        polygon->setMaterial(lastOut);
        forEachVertex(*polygon, [](finch::PolyVertex& vertex, float factor) {
            const finch::TexCoord base = vertex.texCoord(0);
            vertex.setTexCoord(1, {base.s * factor, base.t * factor});
        }, m_factor);
    }
    return true;
}

heron::counted_ptr<finch::Texture> detailTexture(const heron_string& file)
{
    finch::Texture description;
    description.setFile(heron::FilePath(file));
    description.setScalePair(detailFadeStart, detailFadeFactor);
    return finch::Texture::getLocked(description);
}

heron::counted_ptr<finch::Texture> cyclingTexture(const heron_string& frame, float speed, bool detail)
{
    if (frame.empty()) {
        return heron::counted_ptr<finch::Texture>();
    }
    finch::Texture description;
    description.setFile(heron::FilePath(frame));
    description.setFlag23(true);
    description.setValue24(speed);
    if (detail) {
        description.setScalePair(detailFadeStart, detailFadeFactor);
    }
    return finch::Texture::getLocked(description);
}

}
