#pragma once

#include "scene/core/GeometryStats.h"

namespace heron
{
class DataSource;
}

namespace finch
{

// Registers on the source a factory for every stored class of the scene engine, in the order of
// the engine's storage vocabulary, so that a stream of scene classes can be read from it. A
// database's registerFactories calls it too.
void registerStreamFactories(heron::DataSource& source);

// The storage report of all geometry and textures held now.
GeometryStats getGeometryStats();

}
