// Draws the program's icon and writes it twice: as C++ array elements that the program compiles
// in for its windows, and as a PNG file for the desktop.
//
//   aurelle_make_icon <pixels.inc> <icon.png>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace
{

constexpr int side = 48;

// 0xAARRGGBB, rows bottom row first: the toolkit's image layout.
using Pixels = std::vector<std::uint32_t>;

std::uint32_t argb(double alpha, double red, double green, double blue)
{
    const auto byte = [](double value) { return static_cast<std::uint32_t>(std::clamp(value, 0.0, 1.0) * 255.0 + 0.5); };
    return byte(alpha) << 24 | byte(red) << 16 | byte(green) << 8 | byte(blue);
}

// A sea-blue disc, lighter towards its top, with a pale wave across its lower half; the disc's
// edge is smoothed over one pixel.
Pixels drawIcon()
{
    Pixels pixels(side * side);
    const double centre = side / 2.0;
    const double radius = centre - 1.0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double dx = x + 0.5 - centre;
            const double dy = y + 0.5 - centre;
            const double coverage = std::clamp(radius - std::sqrt(dx * dx + dy * dy) + 0.5, 0.0, 1.0);
            const double height = (y + 0.5) / side;
            const double waveLine = 0.38 + 0.07 * std::sin((x + 0.5) / side * 2.0 * M_PI * 1.5);
            const double wave = std::clamp(1.0 - std::abs(height - waveLine) * side / 2.0, 0.0, 1.0);
            const double red = 0.05 + 0.15 * height + 0.8 * wave;
            const double green = 0.30 + 0.35 * height + 0.6 * wave;
            const double blue = 0.55 + 0.35 * height + 0.1 * wave;
            pixels[static_cast<std::size_t>(y * side + x)] = argb(coverage, red, green, blue);
        }
    }
    return pixels;
}

bool writeInclude(const char* path, const Pixels& pixels)
{
    std::ofstream out(path);
    out << "// Drawn by aurelle_make_icon: " << side << " x " << side << " pixels 0xAARRGGBB, bottom row first.\n";
    char word[16];
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        std::snprintf(word, sizeof word, "0x%08X,", static_cast<unsigned>(pixels[i]));
        out << word << ((i + 1) % side == 0 ? "\n" : " ");
    }
    return static_cast<bool>(out);
}

std::uint32_t crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::uint32_t adler32(const std::string& bytes)
{
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (const char c : bytes) {
        a = (a + static_cast<std::uint8_t>(c)) % 65521u;
        b = (b + a) % 65521u;
    }
    return b << 16 | a;
}

void putBigEndian(std::string& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>(value >> shift));
    }
}

void putChunk(std::string& out, const char* type, const std::string& data)
{
    putBigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::string typed = type + data;
    out += typed;
    putBigEndian(out, crc32(typed));
}

// The scanlines (top row first, filter 0, RGBA) as a zlib stream of stored blocks: the icon is
// small, so it is not worth compressing.
std::string zlibStored(const std::string& raw)
{
    constexpr std::size_t blockSize = 65535;
    std::string out("\x78\x01", 2);
    for (std::size_t at = 0; at < raw.size() || at == 0; at += blockSize) {
        const std::size_t length = std::min(blockSize, raw.size() - at);
        out.push_back(at + length >= raw.size() ? 1 : 0);
        out.push_back(static_cast<char>(length & 0xFF));
        out.push_back(static_cast<char>(length >> 8));
        out.push_back(static_cast<char>(~length & 0xFF));
        out.push_back(static_cast<char>((~length >> 8) & 0xFF));
        out.append(raw, at, length);
    }
    putBigEndian(out, adler32(raw));
    return out;
}

bool writePng(const char* path, const Pixels& pixels)
{
    std::string raw;
    for (int row = side - 1; row >= 0; --row) {
        raw.push_back(0);
        for (int x = 0; x < side; ++x) {
            const std::uint32_t pixel = pixels[static_cast<std::size_t>(row * side + x)];
            const std::array<char, 4> rgba = {static_cast<char>(pixel >> 16), static_cast<char>(pixel >> 8),
                                              static_cast<char>(pixel), static_cast<char>(pixel >> 24)};
            raw.append(rgba.data(), rgba.size());
        }
    }
    std::string header;
    putBigEndian(header, side);
    putBigEndian(header, side);
    header += std::string("\x08\x06\x00\x00\x00", 5);   // 8 bits, RGBA, deflate, no filter choice, no interlace
    std::string png("\x89PNG\r\n\x1a\n", 8);
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlibStored(raw));
    putChunk(png, "IEND", "");
    std::ofstream out(path, std::ios::binary);
    out << png;
    return static_cast<bool>(out);
}

}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <pixels.inc> <icon.png>\n", argv[0]);
        return 2;
    }
    const Pixels pixels = drawIcon();
    if (!writeInclude(argv[1], pixels) || !writePng(argv[2], pixels)) {
        std::fprintf(stderr, "aurelle_make_icon: cannot write %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    return 0;
}
