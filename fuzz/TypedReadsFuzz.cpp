// Runs every typed read and readLine over a memory source of the input bytes. The first byte picks
// the byte order and string mode; the rest is read with a sequence of typed reads chosen by the
// bytes themselves, so every read meets every kind of truncation and damaged length.
#include "base/FilePath.h"
#include "base/MemoryDataSource.h"
#include "base/heron_string.h"

#include <cstddef>
#include <cstdint>

namespace
{

void readOne(heron::DataSource& source, int which)
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
    heron_string text;
    heron::FilePath path;
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
    case 10: source.readString(text); break;
    case 11: source.readLine(text); break;
    case 12: source.setStringMode(source.readByte() % 6); break;
    case 13: source.skip(source.readByte() * 97u); break;
    case 14: source.readPath(path); break;
    default: source.seek(std::uint32_t(source.readByte()) * 13u); break;
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    heron::MemoryDataSource source(data + 1, std::uint32_t(size - 1), false);
    source.setBigEndian(data[0] & 1);
    source.setStringMode((data[0] >> 1) % 5);
    // Each round picks its read from the next byte; reads past the end must neither hang nor crash.
    for (int round = 0; round < 4096 && source.remaining() > 0; ++round) {
        readOne(source, source.readByte() % 16);
        source.setBigEndian(!source.isBigEndian());
    }
    heron_string line;
    while (source.readLine(line)) {
    }
    for (int which = 0; which < 16; ++which) {
        readOne(source, which);
    }
    return 0;
}
