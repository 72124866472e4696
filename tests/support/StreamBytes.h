#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace streamtest
{

// Builds object-graph stream bytes by hand (little-endian, version 1.01 strings) for
// damaged-stream cases; with an empty header, any run of fields (an object's body).
class StreamBytes
{
public:
    using Bytes = std::vector<unsigned char>;

    explicit StreamBytes(const std::string& header = "HarborStream 1.01")
    {
        if (!header.empty()) {
            text(header);
            bytes.push_back(0);
        }
    }
    StreamBytes& declare(std::uint32_t id, const std::string& name)
    {
        return text("?").tag(id).tag(std::uint32_t(name.size())).text(name);
    }
    StreamBytes& object(std::uint32_t classId, std::uint32_t address, const Bytes& body)
    {
        text("!").tag(classId).u32(address).tag(std::uint32_t(body.size()));
        bytes.insert(bytes.end(), body.begin(), body.end());
        return *this;
    }
    StreamBytes& end() { return text("#"); }
    StreamBytes& tag(std::uint32_t value)
    {
        bytes.push_back(std::uint8_t(value < 255 ? value : 0xFF));
        return value < 255 ? *this : u32(value);
    }
    StreamBytes& u32(std::uint32_t value)
    {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(std::uint8_t(value >> shift));
        }
        return *this;
    }
    StreamBytes& text(const std::string& value)
    {
        bytes.insert(bytes.end(), value.begin(), value.end());
        return *this;
    }
    StreamBytes& u32s(const std::vector<std::uint32_t>& values)
    {
        for (const std::uint32_t value : values) {
            u32(value);
        }
        return *this;
    }

    Bytes bytes;
};

inline std::vector<unsigned char> u32s(const std::vector<std::uint32_t>& values)
{
    return StreamBytes("").u32s(values).bytes;
}

}
