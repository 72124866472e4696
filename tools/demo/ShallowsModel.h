#pragma once

#include "tools/demo/DemoWorld.h"
#include "tools/demo/QuillWriter.h"

#include <string>
#include <vector>

// The first level, "Shallows": a sandy seabed rising into glass islands under a translucent sea,
// a lighthouse whose lamp turns, five rings (one at the lighthouse's top) and a pile of pebbles
// around a rock.
namespace demo
{

// Member name of the level's model in the data file.
constexpr const char* shallowsModelFile = "models/shallows.quill";

// The level's model: objects "Shallows" (main: seabed, water, the "objects" group that places
// the others and the "ring counter" branch that shows the ring's shape for the rings held),
// "Beacon" (a tower and its turning lamp), "Ring" (the one shape of all five rings), "Post" and
// "Rock" (references to the props' files), then the four gliders, one object each, "Fish" (a
// reference to the reef's school of fish) and "Pebble" (the stones thrown from the rock pile).
QuillModel shallowsModel();

// The level's models (its own, the props' and the school of fish with its frames) and
// its textures (a sand GIF, a glass SGI with alpha). Empty, with the reason in error, when a writer fails.
std::vector<WorldFile> shallowsFiles(std::string& error);

}
