#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The demo world "Glasstide": every file it is made of, generated here, written into a folder
// that the packer turns into the game's data file.
namespace demo
{

// One file of the world: its path under the folder ('/' between folders) and its bytes.
struct WorldFile
{
    std::string path;
    std::string bytes;
};

// The sounds of the world, all 16-bit at 44,100 Hz: the one-shot effects (the chime, the splash
// and the throw) in stereo, the layout of the effect voices; the bubbles, a sound for a zone to place in
// the world, and the step sequencer's note in mono; the songs in Ogg Vorbis, stereo. Empty, with
// the reason in error, when the encoder fails.
std::vector<WorldFile> worldSounds(std::string& error);

// The world's look file, kept as text in the sources folder and copied into the world as it is.
constexpr const char* lookFileName = "glasstide.look";

// Writes every file of the world under folder, the generated ones and those copied from the
// sources folder; false with the reason in error.
[[nodiscard]] bool writeDemoWorld(const std::filesystem::path& folder, const std::filesystem::path& sources,
                                  std::string& error);

}
