#include "content/SoundCache.h"

#include "content/DataFiles.h"
#include "content/LoadNotice.h"
#include "sound/SoundSystem.h"

#include "base/Debug.h"
#include "base/Digest.h"
#include "base/Limits.h"
#include "base/Mutex.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace pelican
{

namespace
{

constexpr int cacheSite = 7201;
constexpr int writerSite = 7202;
// ".snd" files are written in blocks of this many bytes.
constexpr std::uint32_t writeBlockBytes = 65536;
// Longest file name part kept in a ".snd" file's name.
constexpr std::uint32_t maxStemLength = 64;
// A ".snd" file is written under its name with this added, then renamed.
constexpr const char* partExtension = ".part";

using Records = std::map<std::string, std::shared_ptr<SoundRecord>>;

heron::Mutex& cacheLock()
{
    static heron::Mutex* const lock = new heron::Mutex("Sound cache");
    return *lock;
}

heron::Mutex& writerLock()
{
    static heron::Mutex* const lock = new heron::Mutex("Sound cache writer");
    return *lock;
}

// Flushes a written ".snd" file to the disk: ::fsync, unless a test put another in its place.
std::atomic<FileSync> g_fileSync{&::fsync};

// Kept for the whole run, so threads still loading at exit find it.
Records& records()
{
    static Records* const cached = new Records;
    return *cached;
}

bool soundAvailable()
{
    return !egret::SoundSystem::hasDied() && egret::SoundSystem::instance().isEnabled();
}

// Decodes the whole sound into out, scrambled, from where out stands; the header of the samples
// written (wanted with their digest), or none when they were not exactly wanted.sampleBytes bytes.
std::optional<SndHeader> decodeInto(OggDecoder& decoder, std::FILE* out, SndHeader wanted)
{
    const std::uint32_t expected = wanted.sampleBytes;
    const std::uint32_t frameShift = decoder.format().frameShift;
    std::vector<std::uint8_t> block(writeBlockBytes);
    heron::Digest digest;
    decoder.rewind();
    std::uint32_t position = 0;
    bool written = true;
    while (written && position < expected) {
        const std::uint32_t wantedFrames = std::min(writeBlockBytes, expected - position) >> frameShift;
        const int got = decoder.read(static_cast<int>(wantedFrames), block.data());
        if (got <= 0) {
            break;
        }
        const std::uint32_t bytes = static_cast<std::uint32_t>(got) << frameShift;
        scrambleSndBytes(block.data(), bytes, position);
        digest.add(block.data(), bytes);
        written = std::fwrite(block.data(), 1, bytes, out) == bytes;
        position += bytes;
    }
    const bool longer = written && decoder.read(1, block.data()) > 0;
    decoder.close();
    if (!written || longer || position != expected) {
        return std::nullopt;
    }
    wanted.digest = digest.value();
    return wanted;
}

// Writes the header, then the samples after it, and flushes the whole file to the disk, so that
// once renamed it is whole even after the system stops.
bool writeWholeSndFile(OggDecoder& ogg, std::FILE* out, const SndHeader& wanted)
{
    const std::array<std::uint8_t, sndHeaderSize> unfinished{};
    if (std::fwrite(unfinished.data(), 1, sndHeaderSize, out) != sndHeaderSize) {
        return false;
    }
    const std::optional<SndHeader> header = decodeInto(ogg, out, wanted);
    if (!header) {
        return false;
    }
    const std::array<std::uint8_t, sndHeaderSize> stored = storedSndHeader(*header);
    return std::fseek(out, 0, SEEK_SET) == 0 && std::fwrite(stored.data(), 1, sndHeaderSize, out) == sndHeaderSize &&
           std::fflush(out) == 0 && g_fileSync.load()(::fileno(out)) == 0;
}

// Removes the temporary files that a run ended while writing them left in the cache folder, the
// first time this run writes there. Only one copy of the program runs at a time, and its own
// writers hold the writer lock while a temporary file exists, so under that lock every one found
// is stale.
void removeStaleParts(const std::filesystem::path& folder)
{
    static std::set<std::filesystem::path> cleared;
    if (!cleared.insert(folder).second) {
        return;
    }
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::filesystem::path& file = entry->path();
        std::error_code removal;
        if (file.extension() == partExtension && file.stem().extension() == ".snd" &&
            std::filesystem::remove(file, removal)) {
            heron::debug("Removed the unfinished sound cache file %s\n", file.c_str());
        }
    }
}

// Writes the ".snd" file of the Ogg sound to a temporary file beside it, renamed into place once
// whole, so no reader ever sees a part of it.
void writeSndFile(OggDecoder& ogg, SndDecoder& snd, const heron::FilePath& path, const SndHeader& wanted)
{
    heron::MutexLock lock(writerLock(), writerSite);
    snd.refresh();
    if (snd.exists()) {
        return;
    }
    if (!path.createDirectories()) {
        heron::debug("Sound cache folder of %s cannot be made\n", path.c_str());
        return;
    }
    const heron_string disk = path.diskPath(heron::CaseMatch::Exact);
    removeStaleParts(std::filesystem::path(disk.c_str()).parent_path());
    heron::debug("need to decompress %s\n", path.c_str());
    const heron_string temporary = disk + partExtension;
    std::FILE* const out = std::fopen(temporary.c_str(), "wb");
    if (!out) {
        heron::debug("Sound cache %s cannot be written\n", path.c_str());
        return;
    }
    const bool whole = writeWholeSndFile(*ogg.copy(), out, wanted);
    const bool closed = std::fclose(out) == 0;
    if (!whole || !closed || std::rename(temporary.c_str(), disk.c_str()) != 0) {
        std::remove(temporary.c_str());
        heron::debug("Sound cache %s not written\n", path.c_str());
        return;
    }
    snd.refresh();
    if (!snd.exists()) {
        heron::debug("Sound cache %s written but refused, reason=%s\n", path.c_str(), snd.refusal().c_str());
    }
}

// The digest of the compressed bytes of the file, which a ".snd" file records as its origin; none
// when the file cannot be read whole.
std::optional<std::uint64_t> originOf(const DataFileName& file)
{
    DataFileName record = file;
    const heron::counted_ptr<heron::DataSource> source = openDataFile(record);
    if (!source) {
        return std::nullopt;
    }
    const std::uint32_t size = source->remaining();
    std::vector<std::uint8_t> block(writeBlockBytes);
    heron::Digest digest;
    std::uint32_t total = 0;
    for (std::uint32_t got = 1; got > 0 && total < size; total += got) {
        got = source->read(block.data(), std::min(writeBlockBytes, size - total));
        digest.add(block.data(), got);
    }
    return total == size ? std::optional(digest.value()) : std::nullopt;
}

// The header a ".snd" file of the Ogg sound must have (but for the digest of its samples); none
// when the sound gets no ".snd" file: it is empty or too long, or its file does not read whole.
std::optional<SndHeader> wantedSndHeader(OggDecoder& ogg)
{
    const std::int64_t frames = ogg.totalFrames();
    const egret::SoundFormat& format = ogg.format();
    const std::uint64_t expected = frames > 0 ? static_cast<std::uint64_t>(frames) << format.frameShift : 0;
    if (expected == 0 || expected > heron::limits::maxSampleBytes) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> origin = originOf(ogg.file());
    if (!origin) {
        heron::debug("Sound cache: %s does not read whole, so it is decoded as it plays\n", ogg.file().path.c_str());
        return std::nullopt;
    }
    return SndHeader{format.channels, format.rate, static_cast<std::uint32_t>(expected), 0, *origin};
}

// Asks once per record for the ".snd" file of its Ogg sound; only sounds of a packed data file
// get one.
void makeSndCache(SoundRecord& record, CacheBuild build)
{
    heron::counted_ptr<OggDecoder> ogg;
    {
        heron::MutexLock lock(cacheLock(), cacheSite);
        if (build == CacheBuild::No || record.cacheAttempted) {
            return;
        }
        record.cacheAttempted = true;
        ogg = record.ogg;
    }
    if (packedFiles().empty() || !ogg || !ogg->succeeded()) {
        return;
    }
    const std::optional<SndHeader> wanted = wantedSndHeader(*ogg);
    if (!wanted) {
        return;
    }
    const heron::FilePath path = sndCachePath(ogg->file().resolved, dataFileSize(ogg->file()));
    const heron::counted_ptr<SndDecoder> snd(new SndDecoder(path, ogg->format(), wanted->sampleBytes, wanted->origin));
    if (!snd->refusal().empty()) {
        heron::debug("Sound cache %s refused, reason=%s\n", path.c_str(), snd->refusal().c_str());
    }
    if (!snd->exists()) {
        writeSndFile(*ogg, *snd, path, *wanted);
    }
    heron::MutexLock lock(cacheLock(), cacheSite);
    record.snd = snd;
}

// Notes a sound that was read; one of no frames is told apart, since it plays nothing.
void noteReadSound(const DataFileName& file, std::int64_t frames)
{
    noteFile(FileList::Used, file, frames == 0 ? "---Sound file %s is empty\n" : "Sound file %s read OK\n");
}

// Probes file as Ogg Vorbis for the record; a short sound gets its ".snd" file at once.
bool probeOgg(SoundRecord& record, const DataFileName& file)
{
    record.ogg = heron::counted_ptr<OggDecoder>(new OggDecoder(file));
    if (!record.ogg->succeeded()) {
        return false;
    }
    noteReadSound(file, record.ogg->totalFrames());
    const std::int64_t frames = record.ogg->totalFrames();
    if (frames >= 0 && frames < shortSoundFrames) {
        makeSndCache(record, CacheBuild::Yes);
    }
    return true;
}

// The Ogg file tried when the name's own file is not one: "ogg\<name>.ogg" in its folder.
DataFileName oggAlternative(const DataFileName& file)
{
    heron::FilePath path = file.path;
    path.intoSubdirectory("ogg");
    path.setExtension(".ogg");
    return DataFileName(path, soundsCategory);
}

// Notes a name that no Ogg probe took by what its WAV header says: read when the header is good,
// refused when the file is there, else missing. A file that begins as an Ogg stream is refused for
// the Ogg probe's reason (oggRefusal), which tells more than that it is no WAV file.
void noteWavFile(WavDecoder& wav, const DataFileName& file, const heron_string& oggRefusal)
{
    const heron_string& fault = wav.error();
    if (fault.empty()) {
        noteReadSound(file, wav.length());
        return;
    }
    DataFileName resolved = file;
    if (resolveDataFile(resolved).empty()) {
        noteFile(FileList::Missing, file, "---Couldn't find sound file %s\n");
        return;
    }
    const heron_string& reason = oggRefusal.empty() ? fault : oggRefusal;
    heron::debug("---Sound file %s refused, reason=%s\n", file.path.c_str(), reason.c_str());
    noteFile(FileList::Missing, file);
}

// Reads the name's record. Each decoder catches its own read errors where it opens and reads (the
// Ogg probe logs its refusal; the WAV decoder keeps its reason, logged by noteWavFile), so nothing
// is caught here: whatever else is thrown is a program fault and goes to the caller.
std::shared_ptr<SoundRecord> readSoundFile(const heron_string& name)
{
    auto record = std::make_shared<SoundRecord>();
    record->name = name;
    const DataFileName file(heron::FilePath(name), soundsCategory);
    bool ogg = probeOgg(*record, file);
    const heron_string oggRefusal = record->ogg->refusal();
    ogg = ogg || probeOgg(*record, oggAlternative(file));
    record->wav = heron::counted_ptr<WavDecoder>(new WavDecoder(file));
    if (!ogg) {
        noteWavFile(*record->wav, file, oggRefusal);
    }
    return record;
}

std::shared_ptr<SoundRecord> findOrRead(const heron_string& name)
{
    {
        heron::MutexLock lock(cacheLock(), cacheSite);
        const auto found = records().find(name.c_str());
        if (found != records().end()) {
            return found->second;
        }
    }
    std::shared_ptr<SoundRecord> fresh = readSoundFile(name);
    heron::MutexLock lock(cacheLock(), cacheSite);
    return records().emplace(name.c_str(), fresh).first->second;
}

bool isPlayable(const SoundRecord& record)
{
    return (record.ogg && record.ogg->succeeded()) || (record.wav && record.wav->error().empty());
}

// The name's record, read when not cached and with its ".snd" file when asked; null when sound is
// gone, the name is empty or the sound does not play. The caller holds the record, so emptying
// the cache meanwhile cannot take it away.
std::shared_ptr<SoundRecord> playableRecord(const heron_string& name, CacheBuild build)
{
    if (!soundAvailable() || name.empty()) {
        return nullptr;
    }
    std::shared_ptr<SoundRecord> record = findOrRead(name);
    makeSndCache(*record, build);
    return isPlayable(*record) ? record : nullptr;
}

}

heron::counted_ptr<egret::SoundDataSource> getSound(const heron_string& name)
{
    LoadNotice notice(LoadKind::Sound, name);
    const std::shared_ptr<SoundRecord> record = playableRecord(name, CacheBuild::No);
    if (!record) {
        return {};
    }
    heron::counted_ptr<egret::SoundDataSource> source = makeSoundSource(*record);
    if (source) {
        notice.done();
    }
    return source;
}

bool preloadSound(const heron_string& name, CacheBuild build)
{
    return playableRecord(name, build) != nullptr;
}

bool preloadSoundFile(const heron::FilePath& path, CacheBuild build)
{
    return preloadSound(path.str(), build);
}

heron::counted_ptr<egret::SoundDataSource> makeSoundSource(const SoundRecord& record)
{
    heron::counted_ptr<SndDecoder> snd;
    bool cacheAttempted = false;
    {
        heron::MutexLock lock(cacheLock(), cacheSite);
        snd = record.snd;
        cacheAttempted = record.cacheAttempted;
    }
    const auto goodWav = [&] { return record.wav && record.wav->error().empty(); };
    if (snd && snd->exists()) {
        return snd->copy();
    }
    if (cacheAttempted && goodWav()) {
        return record.wav->copy();
    }
    if (record.ogg && record.ogg->succeeded()) {
        return record.ogg->copy();
    }
    if (goodWav()) {
        return record.wav->copy();
    }
    return {};
}

heron::FilePath sndCachePath(const heron_string& memberPath, std::uint32_t memberSize)
{
    const heron::FilePath member(memberPath);
    const heron_string& name = member.name();
    const std::uint32_t stemLength = std::min(name.length() - member.extension().length(), maxStemLength);
    const std::uint64_t pathDigest = heron::Digest().add(memberPath.c_str(), memberPath.length()).value();
    char tail[64];
    std::snprintf(tail, sizeof tail, "-%016llx-%u.snd", static_cast<unsigned long long>(pathDigest), memberSize);
    heron_string text = heron::joinPath(cacheRoot(), "data\\");
    text += name.substr(0, stemLength);
    text += tail;
    return heron::FilePath(text);
}

void setSndFileSync(FileSync sync)
{
    g_fileSync = sync != nullptr ? sync : &::fsync;
}

void clearSoundCache()
{
    Records dropped;
    heron::MutexLock lock(cacheLock(), cacheSite);
    dropped.swap(records());
}

}
