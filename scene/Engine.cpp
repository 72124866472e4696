#include "scene/Engine.h"

#include "base/DataSource.h"
#include "scene/geometry/BunchCallbacks.h"
#include "scene/geometry/BunchSplitter.h"
#include "scene/geometry/GeoBunch.h"
#include "scene/geometry/GeometryBranch.h"
#include "scene/geometry/PolygonBranch.h"
#include "scene/graph/Database.h"
#include "scene/graph/ExrefBranch.h"
#include "scene/graph/InstanceBranch.h"
#include "scene/graph/JointBranch.h"
#include "scene/graph/LodBranch.h"
#include "scene/graph/Object.h"
#include "scene/graph/SwitchBranch.h"
#include "scene/graph/TraversalCallback.h"
#include "scene/render/Material.h"
#include "scene/render/Texture.h"

namespace finch
{

namespace
{

// The stored classes in registration order. The full vocabulary, in this order: Database, Object,
// Material, Texture, GroupBranch, SwitchBranch, LodBranch, JointBranch, InstanceBranch, ExrefBranch,
// PolygonBranch, GeometryBranch, TraversalCallback (stored as "TraverserCallbacks"), GeoBunch,
// BunchCallbacks. The polygon branch registers the old geometry set, which older files hold beside
// their polygons.
constexpr heron::StreamableFactory streamFactories[] = {
    &Database::create,
    &Object::create,
    &Material::create,
    &Texture::create,
    &GroupBranch::create,
    &SwitchBranch::create,
    &LodBranch::create,
    &JointBranch::create,
    &InstanceBranch::create,
    &ExrefBranch::create,
    &PolygonBranch::create,
    &GeometryBranch::create,
    &TraversalCallback::create,
    &GeoBunch::create,
    &BunchCallbacks::create,
};

}

void registerStreamFactories(heron::DataSource& source)
{
    for (const heron::StreamableFactory factory : streamFactories) {
        source.registerFactory(factory);
    }
}

// The database's vtable names this function, so every program that makes a database links it.
void Database::registerFactories(heron::DataSource& source)
{
    registerStreamFactories(source);
}

void Database::rebuildPendingGeometry()
{
    rebuildAndSplitPending();
}

GeometryStats getGeometryStats()
{
    GeometryStats stats;
    GeoBunch::collectGeometryStats(stats);
    Texture::getStatistics(stats);
    return stats;
}

}
