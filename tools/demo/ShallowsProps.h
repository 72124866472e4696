#pragma once

#include "tools/demo/DemoWorld.h"
#include "tools/demo/QuillTextWriter.h"
#include "tools/demo/RadiosityWriter.h"

#include <string>
#include <vector>

// Two props of the first level in files of their own, shown by external references of the
// level's model: a marker post on the shore (the model editor's text form) and a rock beside the
// lighthouse lit by a radiosity solution.
namespace demo
{

// Member names of the props' files in the data file, and the names the level's model refers to
// them by (beside it).
constexpr const char* postModelFile = "models/post.quill";
constexpr const char* rockModelFile = "models/rock.lsb";
constexpr const char* postReference = "post.quill";
constexpr const char* rockReference = "rock.lsb";

// A square post with a pointed cap, standing on the origin, 6 units tall.
QuillTextModel markerPost();
// A four-sided rock on the origin: one face subdivided with worked-out midpoints, its neighbours
// meeting them, the light falling from one side.
RadiosityModel litRock();

// The two files. Empty, with the reason in error, when a writer fails.
std::vector<WorldFile> propFiles(std::string& error);

}
