#pragma once

#include "content/OggDecoder.h"
#include "content/SndDecoder.h"
#include "content/WavDecoder.h"
#include "sound/SoundDataSource.h"

#include "base/FilePath.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <cstdint>

// The game names its sounds and songs by file name; this turns a name into PCM for the sound
// system. One record per name is kept in the decoded-sound cache: the name's WAV decoder, the Ogg
// decoder that probed it, and for short Ogg sounds read from the packed data file a ".snd" file of
// their decoded samples, written once so that later plays read plain PCM. Any thread: the cache is
// guarded by its own lock ("Sound cache"), which is never held while a file is decoded; ".snd"
// files are written one at a time under "Sound cache writer", to a temporary file flushed to the
// disk and renamed into place. A ".snd" file that is not the whole sound as written from the
// compressed bytes its sound has now (decoded from an earlier version of the sound, damaged, cut
// short, or written by an older version of the program) is logged, "Sound cache <file> refused,
// reason=<fault>", and decoded and written again; it is never played.
namespace pelican
{

enum class CacheBuild
{
    No,
    Yes,    // build the ".snd" file of the sound now, whatever its length
};

// Ogg sounds shorter than this many frames get their ".snd" file when first read.
constexpr std::int64_t shortSoundFrames = 250000;

// One name's decoders.
struct SoundRecord
{
    heron_string name;
    // Whether a ".snd" file was asked for (once per record).
    bool cacheAttempted = false;
    heron::counted_ptr<WavDecoder> wav;
    // The last Ogg decoder tried for the name.
    heron::counted_ptr<OggDecoder> ogg;
    // The ".snd" file's decoder, once asked for.
    heron::counted_ptr<SndDecoder> snd;
};

// A decoder of its own for the named sound (see makeSoundSource), or an empty pointer when the
// sound system is gone or the name has no playable sound. Tells a load listener of kind Sound.
[[nodiscard]] heron::counted_ptr<egret::SoundDataSource> getSound(const heron_string& name);
// Reads the name's record when it is not cached yet, and builds its ".snd" file when asked. True
// when the sound plays as Ogg or as WAV; false when sound is gone or the name is empty.
[[nodiscard]] bool preloadSound(const heron_string& name, CacheBuild build);
// The same for a path.
[[nodiscard]] bool preloadSoundFile(const heron::FilePath& path, CacheBuild build);
// A new decoder of the record's sound, the first that serves: the ".snd" file when it holds the
// whole sound; the WAV decoder when a ".snd" file was asked for and the file is a good WAV file;
// the Ogg decoder when it probed well; the WAV decoder when the file is a good WAV file. Empty
// when none serves.
[[nodiscard]] heron::counted_ptr<egret::SoundDataSource> makeSoundSource(const SoundRecord& record);

// Where the ".snd" file of a member of a packed data file goes: the folder "data" under the cache
// root, a name made of the member's file name, a digest of its whole path and its size.
heron::FilePath sndCachePath(const heron_string& memberPath, std::uint32_t memberSize);

// Flushes the bytes written to a file to the disk; 0 when done. A ".snd" file is flushed so before
// it is renamed into place.
using FileSync = int (*)(int descriptor);
// Puts sync in the place of ::fsync for the ".snd" files written from now on (tests); null puts
// ::fsync back.
void setSndFileSync(FileSync sync);

// Forgets every record (the ".snd" files stay).
void clearSoundCache();

}
