#include "tools/demo/SoundWriters.h"

#include <ogg/ogg.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <fstream>

namespace demo
{

namespace
{

constexpr std::uint16_t pcmFormatTag = 1;
constexpr std::uint32_t fmtChunkSize = 16;
constexpr std::uint32_t riffHeaderSize = 4 + 8 + fmtChunkSize + 8;
// Frames handed to the encoder at a time.
constexpr int encodeBlock = 4096;
// Any fixed serial number serves: the files hold one logical stream.
constexpr int streamSerial = 0x41757265;

void put16(std::string& bytes, std::uint16_t value)
{
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8));
}

void put32(std::string& bytes, std::uint32_t value)
{
    put16(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
    put16(bytes, static_cast<std::uint16_t>(value >> 16));
}

// The encoder's state, released in reverse order of making.
class VorbisEncoder
{
public:
    VorbisEncoder()
    {
        vorbis_info_init(&m_info);
        vorbis_comment_init(&m_comment);
    }
    ~VorbisEncoder()
    {
        if (m_streamMade) {
            ogg_stream_clear(&m_stream);
        }
        if (m_analysisMade) {
            vorbis_block_clear(&m_block);
            vorbis_dsp_clear(&m_dsp);
        }
        vorbis_comment_clear(&m_comment);
        vorbis_info_clear(&m_info);
    }
    VorbisEncoder(const VorbisEncoder&) = delete;
    VorbisEncoder& operator=(const VorbisEncoder&) = delete;

    bool start(const Pcm& pcm, float quality, std::string& out)
    {
        if (vorbis_encode_init_vbr(&m_info, pcm.channels, pcm.rate, quality) != 0) {
            return false;
        }
        vorbis_analysis_init(&m_dsp, &m_info);
        vorbis_block_init(&m_dsp, &m_block);
        m_analysisMade = true;
        ogg_stream_init(&m_stream, streamSerial);
        m_streamMade = true;
        ogg_packet header;
        ogg_packet comments;
        ogg_packet codebooks;
        vorbis_analysis_headerout(&m_dsp, &m_comment, &header, &comments, &codebooks);
        ogg_stream_packetin(&m_stream, &header);
        ogg_stream_packetin(&m_stream, &comments);
        ogg_stream_packetin(&m_stream, &codebooks);
        ogg_page page;
        while (ogg_stream_flush(&m_stream, &page) != 0) {
            append(page, out);
        }
        return true;
    }

    // Hands frames frames from first on to the encoder (none ends the stream) and appends the pages made.
    void encode(const Pcm& pcm, int first, int frames, std::string& out)
    {
        if (frames > 0) {
            float** const buffers = vorbis_analysis_buffer(&m_dsp, frames);
            for (int f = 0; f < frames; ++f) {
                for (int c = 0; c < pcm.channels; ++c) {
                    buffers[c][f] = pcm.samples[static_cast<std::size_t>((first + f) * pcm.channels + c)] / 32768.0f;
                }
            }
        }
        vorbis_analysis_wrote(&m_dsp, frames);
        ogg_packet packet;
        while (vorbis_analysis_blockout(&m_dsp, &m_block) == 1) {
            vorbis_analysis(&m_block, nullptr);
            vorbis_bitrate_addblock(&m_block);
            while (vorbis_bitrate_flushpacket(&m_dsp, &packet) != 0) {
                ogg_stream_packetin(&m_stream, &packet);
                ogg_page page;
                while (ogg_stream_pageout(&m_stream, &page) != 0) {
                    append(page, out);
                }
            }
        }
    }

    void finish(std::string& out)
    {
        ogg_page page;
        while (ogg_stream_flush(&m_stream, &page) != 0) {
            append(page, out);
        }
    }

private:
    static void append(const ogg_page& page, std::string& out)
    {
        out.append(reinterpret_cast<const char*>(page.header), static_cast<std::size_t>(page.header_len));
        out.append(reinterpret_cast<const char*>(page.body), static_cast<std::size_t>(page.body_len));
    }

    vorbis_info m_info;
    vorbis_comment m_comment;
    vorbis_dsp_state m_dsp;
    vorbis_block m_block;
    ogg_stream_state m_stream;
    bool m_analysisMade = false;
    bool m_streamMade = false;
};

}

std::string wavBytes(const Pcm& pcm)
{
    const auto dataBytes = static_cast<std::uint32_t>(pcm.samples.size() * 2);
    const auto frameBytes = static_cast<std::uint16_t>(pcm.channels * 2);
    std::string bytes = "RIFF";
    put32(bytes, riffHeaderSize + dataBytes);
    bytes += "WAVEfmt ";
    put32(bytes, fmtChunkSize);
    put16(bytes, pcmFormatTag);
    put16(bytes, static_cast<std::uint16_t>(pcm.channels));
    put32(bytes, static_cast<std::uint32_t>(pcm.rate));
    put32(bytes, static_cast<std::uint32_t>(pcm.rate) * frameBytes);
    put16(bytes, frameBytes);
    put16(bytes, 16);
    bytes += "data";
    put32(bytes, dataBytes);
    for (const std::int16_t sample : pcm.samples) {
        put16(bytes, static_cast<std::uint16_t>(sample));
    }
    return bytes;
}

std::string oggBytes(const Pcm& pcm, float quality, std::string& error)
{
    std::string out;
    VorbisEncoder encoder;
    if (pcm.channels < 1 || !encoder.start(pcm, quality, out)) {
        error = "the Vorbis encoder refuses " + std::to_string(pcm.channels) + " channels at " +
                std::to_string(pcm.rate) + " Hz";
        return {};
    }
    for (int first = 0; first < pcm.frames(); first += encodeBlock) {
        encoder.encode(pcm, first, std::min(encodeBlock, pcm.frames() - first), out);
    }
    encoder.encode(pcm, pcm.frames(), 0, out);
    encoder.finish(out);
    return out;
}

bool writeSoundFile(const std::filesystem::path& path, const std::string& bytes, std::string& error)
{
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) {
        error = "cannot write " + path.string();
        return false;
    }
    return true;
}

}
