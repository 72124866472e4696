// Reads the input as a look file into a new world, then plays a little of it: logic frames with
// the eye in each zone of the current level in turn, and every pattern of each level's step
// sequencer rendered through its sixteen steps. Bad numbers, unclosed blocks, lines past any
// limit and values that only go wrong once the world plays.
//
// The demo world is written once, into a folder of this run's own that also holds the input, so
// that the names an input gives find real models, pictures and sounds; its big world model and
// its long song are left out, so that one input takes milliseconds. Each input is read after a
// data block naming the demo's small post model: a world without a content database would build
// the teapot instead, which takes several times as long as the rest of an input. Every input
// starts from the same state: the data-file layer is reset, the sound objects of the last world
// are deleted, and the folder holds what the warm-up read left in it (the frame caches beside the
// models).
#include "base/FilePath.h"
#include "base/Limits.h"
#include "content/DataFiles.h"
#include "content/models/PelicanDatabaseReader.h"
#include "fuzz/InputFile.h"
#include "fuzz/Seeds.h"
#include "game/EngineSetup.h"
#include "game/Look.h"
#include "game/LookLogic.h"
#include "sound/SoundSystem.h"
#include "tests/support/LookTexts.h"
#include "tests/support/ManualSceneClock.h"
#include "tools/demo/DemoWorld.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

namespace
{

// The data block each input is read after.
constexpr const char* smallDatabase = "Data {\ndatabase \"models\\post.quill\"\n}\n";
// What the run leaves out of the demo world: the big model and the long song.
constexpr std::array<const char*, 2> slowFiles = {"models/shallows.quill", "music/shore.ogg"};
// Levels whose sequencers are rendered, and zones the eye visits: bounds the time of one input.
constexpr std::size_t playedLevels = 4;
constexpr std::size_t visitedZones = 8;
// Frames of one sequencer step at the fastest tempo (steps are never shorter), and the frames
// rendered of each pattern: its sixteen steps and the start of the next round.
constexpr int stepFrames = 128;
constexpr int patternFrames = 17 * stepFrames;

const std::filesystem::path& worldFolder()
{
    static const std::filesystem::path folder = inputFilePath("look-fuzz", "");
    return folder;
}

const std::string& inputPath()
{
    static const std::string path = (worldFolder() / "input.look").string();
    return path;
}

std::string demoLookText()
{
    std::ifstream in(std::filesystem::path(AURELLE_DEMO_SOURCES) / demo::lookFileName, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The demo's look file without its database line, so that it is read with the small model.
std::string smallWorldText()
{
    std::string text = demoLookText();
    const std::size_t at = text.find("database ");
    if (at != std::string::npos) {
        text.erase(at, text.find('\n', at) - at);
    }
    return text;
}

std::vector<fuzzseeds::Seed> lookSeeds()
{
    return {
        {"every-block.look", fuzzseeds::bytesOf(looktest::everyBlock)},
        {"demo.look", fuzzseeds::bytesOf(smallWorldText())},
    };
}

void resetFiles()
{
    pelican::resetDataFiles();
    const std::string folder = worldFolder().string();
    pelican::setCacheRoot(folder.c_str());
    pelican::addSearchFolder(folder.c_str(), pelican::commonCategory);
}

bool writeWorld()
{
    std::string error;
    if (!demo::writeDemoWorld(worldFolder(), AURELLE_DEMO_SOURCES, error)) {
        std::fprintf(stderr, "LookFileFuzz: cannot write the demo world: %s\n", error.c_str());
        return false;
    }
    for (const char* slow : slowFiles) {
        std::error_code ignored;
        std::filesystem::remove(worldFolder() / slow, ignored);
    }
    return true;
}

// Loads every model of the world once, so that the caches written beside them on a first load
// are there for every input alike.
void warmModels()
{
    resetFiles();
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(worldFolder() / "models", ignored)) {
        if (entry.is_regular_file()) {
            static_cast<void>(pelican::PelicanDatabaseReader::loadDatabase(heron::FilePath(entry.path().c_str()), ""));
        }
    }
}

// Logic frames with the eye at the centre of each of the first zones of the current level, then
// long enough at the start for the tempo to follow the flight.
void playFrames(Look& world)
{
    ManualSceneClock clock(100.0);
    std::vector<finch::Vector3d> centres;
    if (Level* const level = world.currentLevel()) {
        for (const auto& zone : level->zones()) {
            if (centres.size() == visitedZones) {
                break;
            }
            centres.push_back(zone->position());
        }
    }
    centres.resize(centres.size() + LookLogic::settleFrames + 2);
    double time = 100.0;
    for (const finch::Vector3d& centre : centres) {
        finch::Transform placement;
        placement.position = centre;
        world.camera().setTransform(placement);
        time += 0.1;
        clock.frame(time);
        static_cast<void>(world.logic().update());
    }
}

// Every pattern of the sequencer through its sixteen steps at the fastest tempo, its sample loaded
// as the sequencer's loader thread would.
void playSequencer(Motor& motor)
{
    std::vector<std::int16_t> frames(patternFrames);
    for (std::size_t pattern = 0; pattern < Motor::patternCount; ++pattern) {
        motor.setPatternIndex(static_cast<std::int64_t>(pattern));
        motor.setTempo(heron::limits::maxMotorTempo);
        static_cast<void>(motor.read(1, frames.data()));
        motor.loadSample();
        static_cast<void>(motor.read(patternFrames, frames.data()));
    }
}

}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The world's models load their textures and ask for a GL context. SDL's dummy video driver
    // refuses GL at once instead of trying the X libraries, which keep what they allocated when
    // SDL unloads them.
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    // OpenAL's null output gives the sound system a device, so that it keeps and deletes its sound
    // objects as in the game; the fuzzer runs its passes.
    setenv("ALSOFT_DRIVERS", "null", 0);
    setUpEngine();
    // Without a device (logged) the passes do nothing and the run goes on, only slower.
    static_cast<void>(egret::SoundSystem::instance().initialize(nullptr));
    egret::SoundSystem::instance().setThreadModel(0);
    if (!writeWorld()) {
        std::abort();
    }
    warmModels();
    return fuzzseeds::writeSeeds(argc, argv, lookSeeds);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    resetFiles();
    std::string text = smallDatabase;
    text.append(reinterpret_cast<const char*>(data), size);
    if (!writeInputFile(inputPath(), reinterpret_cast<const std::uint8_t*>(text.data()), text.size())) {
        return 0;
    }
    {
        const heron::counted_ptr<Look> world(new Look(heron::FilePath(inputPath().c_str())));
        playFrames(*world);
        const auto& levels = world->levels();
        for (std::size_t i = 0; i < std::min(levels.size(), playedLevels); ++i) {
            playSequencer(levels[i]->motor);
        }
    }
    // The sound objects the world gave back are deleted by the next pass, so that the input ends
    // with what it made freed.
    if (!egret::SoundSystem::hasDied()) {
        egret::SoundSystem::instance().update();
    }
    return 0;
}
