#pragma once

#include "tools/demo/DemoWorld.h"
#include "tools/demo/QuillWriter.h"

#include <string>
#include <vector>

// The reef's school of glass fish: a model file of its own whose fish swim in place through a
// cycle of frames, a folder of ".obj" files beside the model that the game plays as a flip-book.
// The level's model shows the school ahead of the reef's entry.
namespace demo
{

// Member names in the data file, and the name the level's model refers to the school by.
constexpr const char* fishModelFile = "models/fish.quill";
constexpr const char* fishReference = "fish.quill";
constexpr const char* fishFrameFolder = "models/fish.obj/";
// The cycle's length is set for every frame-animated model of the models' folder.
constexpr const char* modelsControlFile = "models/control.txt";
constexpr int fishFrameCount = 12;
constexpr double fishCycleSeconds = 2.4;

// Nine fish of three glass colours about the model's origin, noses along +x; the model is the
// cycle's first frame.
QuillModel fishSchool();
// The model's shared vertex table as the fish stand in frame 0 to fishFrameCount - 1 of the cycle.
std::vector<QuillPoint> fishSchoolPose(int frame);

// Where the level's model places the school: just ahead of the reef's entry, a little to the
// right of the player's path, its fish turned to swim across it and towards the player.
QuillMatrix fishSchoolPlacement();

// The model, its frames and the models' control file.
std::vector<WorldFile> fishFiles(std::string& error);

}
