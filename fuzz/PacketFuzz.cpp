// Feeds arbitrary bytes as a peer's stream: the first byte splits it into reads, and every packet
// handed out is decoded by every body decoder, as a receiver that trusts nothing would.
#include "net/Packets.h"

#include "base/MemoryDataSource.h"
#include "base/ReadError.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace
{

template <class Decode>
void decodeBody(std::span<const unsigned char> body, Decode decode)
{
    heron::MemoryDataSource source(body.data(), std::uint32_t(body.size()), false);
    try {
        decode(source);
    } catch (const heron::ReadError&) {
    }
}

void decodeAll(std::span<const unsigned char> body)
{
    decodeBody(body, [](heron::DataSource& s) { readSample(s).isPlayable(); });
    decodeBody(body, [](heron::DataSource& s) { readName(s); });
    decodeBody(body, [](heron::DataSource& s) { readMessage(s); });
    decodeBody(body, [](heron::DataSource& s) { readIdentity(s); });
    decodeBody(body, [](heron::DataSource& s) { readPlayers(s); });
    decodeBody(body, [](heron::DataSource& s) { readAvailability(s, 16); });
    decodeBody(body, [](heron::DataSource& s) { readWorld(s); });
}

}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const std::size_t chunk = std::size_t(data[0]) + 1;
    const std::span<const unsigned char> stream(data + 1, size - 1);
    ReceiveBuffer buffer;
    try {
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            buffer.append(stream.subspan(at, std::min(chunk, stream.size() - at)));
            while (auto packet = buffer.next()) {
                decodeAll(packet->body);
            }
        }
    } catch (const heron::ReadError&) {
    }
    return 0;
}
