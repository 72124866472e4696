// Runs every typed read and readLine over a memory source of the input bytes. The first byte picks
// the byte order and string mode; the rest is read with a sequence of typed reads chosen by the
// bytes themselves, so every read meets every kind of truncation and damaged length. The same
// sequence runs on a plain source that keeps no window, so every read goes through the byte
// operations: both must give the same values, error flags and positions at every step.
#include "base/FilePath.h"
#include "base/MemoryDataSource.h"
#include "base/heron_string.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace
{

// A memory source built on the byte operations alone, as a kind without a window is.
class PlainSource : public heron::DataSource
{
public:
    using DataSource::readByte;

    PlainSource(const std::uint8_t* data, std::uint32_t size) : m_data(data), m_size(size) {}
    bool isOK() const override { return !hasError(); }
    int readByte() override { return hasError() || m_position >= m_size ? -1 : m_data[m_position++]; }
    std::uint32_t read(void* buffer, std::uint32_t n) override
    {
        const std::uint32_t count = hasError() ? 0 : std::min(n, m_size - m_position);
        std::memcpy(buffer, m_data + m_position, count);
        m_position += count;
        return count;
    }
    int peekByte() override { return hasError() || m_position >= m_size ? -1 : m_data[m_position]; }
    void close() override { setError(); }
    bool canSeek() const override { return true; }
    std::uint32_t tell() const override { return m_position; }
    void seek(std::uint32_t position) override
    {
        setError(position >= m_size);
        m_position = position >= m_size ? m_position : position;
    }
    std::uint32_t remaining() const override { return m_size - m_position; }

private:
    const std::uint8_t* m_data;
    std::uint32_t m_size;
    std::uint32_t m_position = 0;
};

// What one read gave: its value, the error flag and the position after it.
struct Outcome {
    std::uint64_t narrow = 0;
    std::uint64_t wide = 0;
    heron_string text;
    bool error = false;
    std::uint32_t position = 0;

    bool operator==(const Outcome& other) const
    {
        return narrow == other.narrow && wide == other.wide && text == other.text && error == other.error &&
               position == other.position;
    }
};

Outcome readOne(heron::DataSource& source, int which)
{
    std::uint32_t u32 = 0;
    std::int32_t i32 = 0;
    std::uint16_t u16 = 0;
    std::int16_t i16 = 0;
    double real = 0;
    std::int64_t i64 = 0;
    std::uint64_t u64 = 0;
    bool flag = false;
    char byte = 0;
    heron::FilePath path;
    Outcome got;
    switch (which) {
    case 0: source.readTag(u32); break;
    case 1: source.readBool(flag); break;
    case 2: source.readByte(byte); break;
    case 3: source.readInt16(i16); break;
    case 4: source.readUInt16(u16); break;
    case 5: source.readInt32(i32); break;
    case 6: source.readUInt32(u32); break;
    case 7: source.readDouble(real); break;
    case 8: source.readDouble(i64); break;
    case 9: source.readDouble(u64); break;
    case 10: source.readString(got.text); break;
    case 11: flag = source.readLine(got.text); break;
    case 12: source.setStringMode(source.readByte() % 6); break;
    case 13: source.skip(source.readByte() * 97u); break;
    case 14: source.readPath(path); got.text = path.c_str(); break;
    default: source.seek(std::uint32_t(source.readByte()) * 13u); break;
    }
    got.narrow = u32 | std::uint64_t(std::uint32_t(i32)) << 32;
    got.narrow ^= u16 | std::uint32_t(std::uint16_t(i16)) << 16 | std::uint64_t(flag) << 40 | std::uint64_t(std::uint8_t(byte)) << 48;
    got.wide = std::bit_cast<std::uint64_t>(real) ^ std::uint64_t(i64) ^ u64;
    got.error = source.hasError();
    got.position = source.tell();
    return got;
}

// Reads the same on both sources and stops the run when they differ.
void readBoth(heron::DataSource& windowed, heron::DataSource& plain, int which)
{
    if (!(readOne(windowed, which) == readOne(plain, which))) {
        std::abort();
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    heron::MemoryDataSource source(data + 1, std::uint32_t(size - 1), false);
    PlainSource plain(data + 1, std::uint32_t(size - 1));
    for (heron::DataSource* each : {static_cast<heron::DataSource*>(&source), static_cast<heron::DataSource*>(&plain)}) {
        each->setBigEndian(data[0] & 1);
        each->setStringMode((data[0] >> 1) % 5);
    }
    // Each round picks its read from the next byte; reads past the end must neither hang nor crash.
    // Once the error flag is set no read can clear it, so the rounds stop there.
    for (int round = 0; round < 4096 && source.remaining() > 0 && !source.hasError(); ++round) {
        const int which = source.readByte() % 16;
        plain.readByte();
        readBoth(source, plain, which);
        source.setBigEndian(!source.isBigEndian());
        plain.setBigEndian(!plain.isBigEndian());
    }
    for (int lines = 0; lines < 4096 && source.remaining() > 0 && !source.hasError(); ++lines) {
        readBoth(source, plain, 11);
    }
    for (int which = 0; which < 16; ++which) {
        readBoth(source, plain, which);
    }
    return 0;
}
