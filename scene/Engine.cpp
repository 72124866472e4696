#include "scene/Engine.h"

#include "base/DataSource.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"

namespace finch
{

namespace
{

// The stored classes in registration order. The full vocabulary, in this order: Database, Object,
// Material, Texture, GroupBranch, SwitchBranch, LodBranch, JointBranch, InstanceBranch, ExrefBranch,
// PolygonBranch, GeometryBranch, TraversalCallback (stored as "TraverserCallbacks"), GeoBunch,
// BunchCallbacks; each class takes its place here as it is built.
constexpr heron::StreamableFactory streamFactories[] = {
    &Material::create,
    &Texture::create,
};

}

void registerStreamFactories(heron::DataSource& source)
{
    for (const heron::StreamableFactory factory : streamFactories) {
        source.registerFactory(factory);
    }
}

GeometryStats getGeometryStats()
{
    GeometryStats stats;
    Texture::getStatistics(stats);
    return stats;
}

}
