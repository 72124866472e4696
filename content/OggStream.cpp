#include "content/OggStream.h"

#include "base/Debug.h"
#include "base/ReadError.h"

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>

namespace pelican
{

namespace
{

// Most bytes asked of libvorbisfile in one call.
constexpr std::uint32_t maxReadBytes = 1u << 20;
constexpr int littleEndian = 0;
constexpr int sixteenBits = 2;
constexpr int signedSamples = 1;

}

struct OggStreamInternals
{
    OggVorbis_File file{};
    bool open = false;
    heron::counted_ptr<heron::DataSource> source;
    int channels = 0;
    int rate = 0;
    // The last link read whose layout was checked.
    int link = -1;
    // A link of another layout was met: nothing more is read.
    bool changed = false;
    // A read or seek failed: the decoder is left alone until the stream is opened again, since
    // retrying after a failed decoder set-up can divide by zero inside libvorbis.
    bool broken = false;
    // The file's name, for log lines.
    heron_string name;
    // A lost or damaged page was skipped and logged since the stream opened.
    bool holeLogged = false;

    static OggStreamInternals& of(void* datasource) { return *static_cast<OggStreamInternals*>(datasource); }

    // Reads size × count bytes at most, no further than the source's end; returns whole items.
    static std::size_t readBytes(void* buffer, std::size_t size, std::size_t count, void* datasource)
    {
        heron::DataSource* const source = of(datasource).source.get();
        if (!source || size == 0) {
            return 0;
        }
        const std::size_t wanted = std::min<std::size_t>(count, UINT32_MAX / size) * size;
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(wanted, source->remaining()));
        if (n == 0) {
            return 0;
        }
        return source->read(buffer, n) / size;
    }

    static int seekTo(void* datasource, ogg_int64_t offset, int whence)
    {
        heron::DataSource* const source = of(datasource).source.get();
        if (!source || !source->canSeek() || !source->isOK()) {
            return -1;
        }
        const std::int64_t position = source->tell();
        const std::int64_t size = position + source->remaining();
        std::int64_t target = 0;
        switch (whence) {
        case SEEK_SET:
            target = offset;
            break;
        case SEEK_CUR:
            target = position + offset;
            break;
        case SEEK_END:
            target = size + offset;
            break;
        default:
            return -1;
        }
        if (target < 0 || target > size) {
            return -1;
        }
        source->seek(static_cast<std::uint32_t>(target));
        return source->isOK() ? 0 : -1;
    }

    static int closeSource(void* datasource)
    {
        of(datasource).source.reset();
        return 0;
    }

    static long tellPosition(void* datasource)
    {
        heron::DataSource* const source = of(datasource).source.get();
        return source && source->isOK() ? static_cast<long>(source->tell()) : -1;
    }
};

namespace
{

// A failure libvorbisfile reported by its code, as a read error: the code, then what failed.
heron::ReadError libraryFault(long code, const std::string& what)
{
    return heron::ReadError("libvorbisfile code " + std::to_string(code) + ": " + what);
}

// The library has dropped a page whose checksum failed, or found one missing, and goes on with the
// next: a scratch in the sound, not its end.
void noteHole(OggStreamInternals& in)
{
    if (!in.holeLogged) {
        heron::debug("%s: a damaged or missing page was skipped\n", in.name.c_str());
        in.holeLogged = true;
    }
}

}

OggStream::OggStream()
    : m_internals(std::make_unique<OggStreamInternals>())
{
}

OggStream::~OggStream()
{
    close();
}

void OggStream::open(const heron::counted_ptr<heron::DataSource>& source, const heron_string& name)
{
    close();
    OggStreamInternals& in = *m_internals;
    in.source = source;
    in.name = name;
    in.holeLogged = false;
    const ov_callbacks callbacks{&OggStreamInternals::readBytes, &OggStreamInternals::seekTo,
                                 &OggStreamInternals::closeSource, &OggStreamInternals::tellPosition};
    const int code = in.source ? ov_open_callbacks(&in, &in.file, nullptr, 0, callbacks) : OV_EREAD;
    if (code != 0) {
        in.source.reset();
        // The words the sound log has always used for a file that is no Vorbis stream.
        throw libraryFault(code, "ogg file didn't open");
    }
    in.open = true;
    const vorbis_info* const info = ov_info(&in.file, -1);
    in.channels = info ? info->channels : 0;
    in.rate = info && info->rate > 0 && info->rate <= INT_MAX ? static_cast<int>(info->rate) : 0;
    in.link = -1;
    in.changed = false;
    in.broken = false;
}

bool OggStream::isOpen() const
{
    return m_internals->open;
}

void OggStream::close()
{
    OggStreamInternals& in = *m_internals;
    if (in.open) {
        ov_clear(&in.file);
        in.open = false;
    }
    in.source.reset();
    in.channels = 0;
    in.rate = 0;
}

int OggStream::channels() const
{
    return m_internals->channels;
}

int OggStream::rate() const
{
    return m_internals->rate;
}

std::int64_t OggStream::totalFrames()
{
    if (!m_internals->open) {
        return -1;
    }
    const ogg_int64_t total = ov_pcm_total(&m_internals->file, -1);
    return total >= 0 ? total : -1;
}

int OggStream::longestBlock()
{
    if (!m_internals->open) {
        return 0;
    }
    int longest = 0;
    const long links = ov_streams(&m_internals->file);
    for (long link = 0; link < links; ++link) {
        vorbis_info* const info = ov_info(&m_internals->file, static_cast<int>(link));
        if (info != nullptr) {
            longest = std::max(longest, vorbis_info_blocksize(info, 1));
        }
    }
    return longest;
}

std::uint32_t OggStream::read(void* buffer, std::uint32_t bytes)
{
    OggStreamInternals& in = *m_internals;
    auto* const out = static_cast<char*>(buffer);
    std::uint32_t got = 0;
    while (in.open && !in.changed && !in.broken && got < bytes) {
        int link = 0;
        const int ask = static_cast<int>(std::min(bytes - got, maxReadBytes));
        const long n = ov_read(&in.file, out + got, ask, littleEndian, sixteenBits, signedSamples, &link);
        if (n == OV_HOLE) {
            noteHole(in);
            continue;
        }
        if (n < 0 || n > ask) {
            in.broken = true;
            throw libraryFault(n, "decoding failed");
        }
        if (n == 0) {
            break;
        }
        if (link != in.link) {
            const vorbis_info* const info = ov_info(&in.file, link);
            in.changed = !info || info->channels != in.channels || info->rate != in.rate;
            if (in.changed) {
                break;
            }
            in.link = link;
        }
        got += static_cast<std::uint32_t>(n);
    }
    return got;
}

void OggStream::seekFrame(std::int64_t frame)
{
    OggStreamInternals& in = *m_internals;
    const int code = in.open && !in.broken ? ov_pcm_seek(&in.file, frame) : OV_EINVAL;
    if (code != 0) {
        in.broken = true;
        throw libraryFault(code, "no seek to frame " + std::to_string(frame));
    }
    in.changed = false;
}

}
