#pragma once

#include "tools/demo/DemoWorld.h"
#include "tools/demo/QuillWriter.h"

#include <string>
#include <vector>

// The first level, "Shallows": a sandy seabed rising into glass islands under a translucent sea,
// a lighthouse whose lamp turns, and a ring at the lighthouse's top.
namespace demo
{

// Member names of the level's files in the data file.
constexpr const char* shallowsModelFile = "models/shallows.quill";
constexpr const char* ringModelFile = "models/ring.quill";

// The level's model: objects "Shallows" (main: seabed, water, the "objects" group that places
// the others and the "ring counter" branch that shows the ring's shape for the rings held),
// "Beacon" (a tower and its turning lamp), "Ring" (a reference to the ring's own file, which other
// levels share), "Post" and "Rock" (references to the props' files), then the four gliders, one
// object each, and "Fish" (a reference to the reef's school of fish).
QuillModel shallowsModel();
// The ring's file: one object whose root is its polygons, a ring standing upright.
QuillModel ringModel();

// The level's models (its own, the ring's, the props' and the school of fish with its frames) and
// its textures (a sand GIF, a glass SGI with alpha). Empty, with the reason in error, when a writer fails.
std::vector<WorldFile> shallowsFiles(std::string& error);

}
