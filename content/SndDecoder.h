#pragma once

#include "sound/SoundDataSource.h"
#include "sound/SoundFormat.h"

#include "base/files/FileDataSource.h"
#include "base/FilePath.h"
#include "base/ReadError.h"
#include "base/counted_ptr.h"
#include "base/heron_string.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

namespace pelican
{

// Scrambles or unscrambles (the same operation) count bytes of a ".snd" cache file that start at
// a position in the file: each byte is XORed with a key that depends only on its position modulo
// 65536.
void scrambleSndBytes(void* bytes, std::uint32_t count, std::uint32_t position);

// Plays a ".snd" cache file: the headerless, scrambled PCM of a decoded sound in the format it was
// decoded from. The file counts only when it holds exactly the bytes expected of the sound, so one
// left short (by a crash, or a full disk) is never played. The file opens on the first rewind or
// seek. Its length is reported as unknown (-1). The opening, a seek and a read each catch the
// heron::ReadError of a file that no longer opens or holds fewer bytes than the sound: the fault is
// logged once, "SndDecoder: <file>: <reason>", and the decoder plays nothing more. Read by one
// thread at a time.
class SndDecoder : public egret::SoundDataSource
{
public:
    SndDecoder(const heron::FilePath& path, const egret::SoundFormat& format, std::uint32_t expectedBytes);
    // Warns "!!!!!Warning: File %s was open!" when its file was left open.
    ~SndDecoder() override;

    // Whether the cache file holds the whole sound, as found when made or last refreshed, and no
    // opening or read of it failed since.
    bool exists() const { return m_exists; }
    // Looks at the file again.
    void refresh();
    // A closed decoder of the same file, sharing nothing open.
    heron::counted_ptr<SndDecoder> copy() const;

    const egret::SoundFormat& format() override { return m_format; }
    // The frames of the whole sound the file must hold.
    int lengthHint() override
    {
        return m_format.bytesPerFrame == 0
            ? -1
            : int(std::min<std::uint32_t>(m_expectedBytes / m_format.bytesPerFrame, std::numeric_limits<int>::max()));
    }
    void rewind() override { seek(0); }
    int read(int frames, void* buffer) override;
    void close() override;
    // Opens the file first when needed.
    void seek(int frame) override;
    const heron_string& name() override { return m_path.str(); }

private:
    // Opens the file when it is not open; throws heron::ReadError when it does not open or does
    // not hold the whole sound.
    void open();
    // Logs the fault with the file's path and closes the file for good.
    void fail(const heron::ReadError& fault);

    heron::FilePath m_path;
    egret::SoundFormat m_format;
    std::uint32_t m_expectedBytes;
    bool m_exists = false;
    std::unique_ptr<heron::FileDataSource> m_file;
    std::uint32_t m_position = 0;
};

}
