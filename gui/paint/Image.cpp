#include "gui/paint/Image.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/MemoryDataSource.h"
#include "gui/paint/GifReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace kestrel
{

namespace
{

std::size_t pixelCount(int width, int height)
{
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// How the samples of one line lie in a bottom-up pixel array: a row (samples side by side) or a column
// (samples one row apart). The same resampling code serves both axes.
struct Lines
{
    int count;      // number of lines
    bool alongRows; // true: a line is a row; false: a line is a column

    std::size_t index(int line, int sample, int length) const
    {
        if (alongRows) {
            return static_cast<std::size_t>(line) * static_cast<std::size_t>(length) + sample;
        }
        return static_cast<std::size_t>(sample) * static_cast<std::size_t>(count) + line;
    }
};

// Linear resampling in 16.16 fixed point. Shrinking samples at i x step; stretching starts half a step below
// the end and walks down. Each target blends the source sample at the integer part with the next one (the
// last sample blends with itself).
PixelWords resampleLinear(const PixelWords& source, int oldLength, int newLength, const Lines& lines)
{
    PixelWords target(pixelCount(newLength, lines.count), 0);
    const std::uint64_t step = (static_cast<std::uint64_t>(oldLength) << 16) / static_cast<std::uint64_t>(newLength);
    const bool stretching = newLength > oldLength;
    for (int line = 0; line < lines.count; ++line) {
        std::uint64_t position = (static_cast<std::uint64_t>(oldLength) << 16) - step / 2;
        for (int k = 0; k < newLength; ++k) {
            const int i = stretching ? newLength - 1 - k : k;
            if (!stretching) {
                position = static_cast<std::uint64_t>(i) * step;
            }
            // Stretching by more than 2^15 leaves less than two units of step, so the start position
            // can land on the end itself.
            const int at = std::min(static_cast<int>(position >> 16), oldLength - 1);
            const int next = std::min(at + 1, oldLength - 1);
            const std::uint32_t fraction = static_cast<std::uint32_t>(position & 0xFFFF);
            target[lines.index(line, i, newLength)] = blendPixels(source[lines.index(line, at, oldLength)],
                                                                  source[lines.index(line, next, oldLength)], fraction);
            if (stretching) {
                position -= step;
            }
        }
    }
    return target;
}

// Halves every line by averaging neighbouring pairs.
PixelWords halve(const PixelWords& source, int oldLength, const Lines& lines)
{
    const int newLength = oldLength / 2;
    PixelWords target(pixelCount(newLength, lines.count), 0);
    for (int line = 0; line < lines.count; ++line) {
        for (int i = 0; i < newLength; ++i) {
            target[lines.index(line, i, newLength)] = averagePixels(source[lines.index(line, 2 * i, oldLength)],
                                                                    source[lines.index(line, 2 * i + 1, oldLength)]);
        }
    }
    return target;
}

// Brings every line from oldLength to newLength samples. Shrinking first resamples linearly to the largest
// newLength x 2^k not above oldLength, then halves k times, so every source sample counts.
PixelWords scaleLines(PixelWords pixels, int oldLength, int newLength, const Lines& lines)
{
    if (newLength == oldLength) {
        return pixels;
    }
    if (newLength > oldLength) {
        return resampleLinear(pixels, oldLength, newLength, lines);
    }
    std::int64_t length = newLength;
    int halvings = 0;
    while (length * 2 <= oldLength) {
        length *= 2;
        ++halvings;
    }
    if (length != oldLength) {
        pixels = resampleLinear(pixels, oldLength, static_cast<int>(length), lines);
    }
    for (; halvings > 0; --halvings) {
        pixels = halve(pixels, static_cast<int>(length), lines);
        length /= 2;
    }
    return pixels;
}

}

std::uint32_t blendPixels(std::uint32_t a, std::uint32_t b, std::uint32_t fraction)
{
    const std::uint32_t keep = 65536 - fraction;
    std::uint32_t result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const std::uint32_t channelA = (a >> shift) & 0xFF;
        const std::uint32_t channelB = (b >> shift) & 0xFF;
        result |= ((channelA * keep + channelB * fraction) >> 16) << shift;
    }
    return result;
}

std::uint32_t averagePixels(std::uint32_t a, std::uint32_t b)
{
    return ((((a & 0x0F0F0F0F) + (b & 0x0F0F0F0F)) >> 1) & 0x0F0F0F0F) + ((a >> 1) & 0x78787878) +
           ((b >> 1) & 0x78787878);
}

ImageBody::ImageBody(int width, int height, bool withPixels, PixelStart start)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0))
{
    if (!withPixels) {
        return;
    }
    if (start == PixelStart::Unset) {
        m_pixels.resize(pixelCount(m_width, m_height));
    } else {
        m_pixels.assign(pixelCount(m_width, m_height), 0);
    }
}

void ImageBody::setComponents(int components)
{
    m_components = components;
    markModified();
}

void ImageBody::markModified()
{
    m_modified = true;
    m_derived = Image();
}

void ImageBody::resize(int width, int height)
{
    if (m_pixels.empty() || m_pixels.size() != pixelCount(m_width, m_height)) {
        m_pixels.assign(pixelCount(width, height), 0);
    } else {
        m_pixels = scaleLines(std::move(m_pixels), m_width, width, Lines{m_height, true});
        m_pixels = scaleLines(std::move(m_pixels), m_height, height, Lines{width, false});
    }
    m_width = width;
    m_height = height;
    markModified();
}

void ImageBody::fill(std::uint32_t pixel)
{
    if (m_pixels.size() != pixelCount(m_width, m_height)) {
        heron::debug("Oooops! in Image::fill()\n");
    }
    std::fill(m_pixels.begin(), m_pixels.end(), pixel);
    markModified();
}

bool Image::acceptableSize(int width, int height)
{
    return width >= 1 && height >= 1 && width <= heron::limits::maxImageSide &&
           height <= heron::limits::maxImageSide &&
           static_cast<std::int64_t>(width) * height <= heron::limits::maxImagePixels;
}

namespace
{

// Sizes below 1 are the ordinary way to ask for an empty image; larger ones than the caps are worth a line.
bool refusedSize(int width, int height)
{
    if (Image::acceptableSize(width, height)) {
        return false;
    }
    if (width >= 1 && height >= 1) {
        heron::debug("Image: %d x %d pixels is too large, refused\n", width, height);
    }
    return true;
}

}

Image::Image(int width, int height, const std::uint32_t* source)
    : Image(width, height, source != nullptr ? PixelStart::Unset : PixelStart::Zeroed)
{
    if (m_body != nullptr && source != nullptr) {
        std::memcpy(m_body->pixels().data(), source, pixelCount(width, height) * sizeof(std::uint32_t));
    }
}

Image::Image(int width, int height, PixelStart start)
{
    if (refusedSize(width, height)) {
        return;
    }
    m_body = new ImageBody(width, height, true, start);
    m_body->addRef();
}

Image::Image(const Image& other, int x, int y, int width, int height)
{
    if (other.isEmpty()) {
        return;
    }
    std::int64_t left = x;
    std::int64_t bottom = y;
    std::int64_t w = width;
    std::int64_t h = height;
    if (left < 0) {
        w += left;
        left = 0;
    }
    if (bottom < 0) {
        h += bottom;
        bottom = 0;
    }
    w = std::min<std::int64_t>(w, other.width() - left);
    h = std::min<std::int64_t>(h, other.height() - bottom);
    if (w < 1 || h < 1) {
        return;
    }
    // Every row is copied below.
    m_body = new ImageBody(static_cast<int>(w), static_cast<int>(h), true, PixelStart::Unset);
    m_body->addRef();
    m_body->setComponents(other.components());
    for (int row = 0; row < h; ++row) {
        const std::uint32_t* from = other.pixelAt(static_cast<int>(left), static_cast<int>(bottom) + row);
        std::memcpy(m_body->pixels().data() + pixelCount(static_cast<int>(w), row), from,
                    static_cast<std::size_t>(w) * sizeof(std::uint32_t));
    }
}

Image::Image(ImageBody* body) : m_body(body)
{
    if (m_body != nullptr) {
        m_body->addRef();
    }
}

Image::Image(const Image& other) : Image(other.m_body)
{
}

Image::Image(Image&& other) noexcept : m_body(other.m_body)
{
    other.m_body = nullptr;
}

Image& Image::operator=(const Image& other)
{
    if (other.m_body == m_body) {
        return *this;
    }
    if (other.m_body != nullptr) {
        other.m_body->addRef();
    }
    release();
    m_body = other.m_body;
    return *this;
}

Image& Image::operator=(Image&& other) noexcept
{
    if (&other == this) {
        return *this;
    }
    release();
    m_body = other.m_body;
    other.m_body = nullptr;
    return *this;
}

Image::~Image()
{
    release();
}

void Image::release()
{
    ImageBody* const body = m_body;
    m_body = nullptr;
    if (body != nullptr) {
        body->release();
    }
}

void Image::markModified()
{
    if (m_body != nullptr) {
        m_body->markModified();
    }
}

void Image::copyFrom(const Image& other)
{
    const Image keep(other);
    release();
    if (keep.isEmpty()) {
        return;
    }
    *this = Image(keep.width(), keep.height(), keep.pixels());
    m_body->setComponents(keep.components());
}

int Image::width() const
{
    return m_body != nullptr ? m_body->width() : 0;
}

int Image::height() const
{
    return m_body != nullptr ? m_body->height() : 0;
}

int Image::components() const
{
    return m_body != nullptr ? m_body->components() : 0;
}

void Image::setComponents(int components)
{
    if (m_body != nullptr) {
        m_body->setComponents(components);
    }
}

void Image::resize(int width, int height)
{
    if (refusedSize(width, height)) {
        release();
        return;
    }
    if (isEmpty()) {
        *this = Image(width, height);
        return;
    }
    m_body->resize(width, height);
}

void Image::fill(std::uint32_t pixel)
{
    if (m_body != nullptr) {
        m_body->fill(pixel);
    }
}

void Image::fillNoise(std::uint32_t seed)
{
    if (m_body == nullptr) {
        return;
    }
    std::uint32_t z = seed;
    std::uint32_t w = ~seed & 0xFFFF;
    for (std::uint32_t& pixel : m_body->pixels()) {
        z = (z >> 16) + (z & 0xFFFF) * 36969;
        w = (w & 0xFFFF) * 18000 + (w >> 16);
        pixel = ((z << 16) + (w & 0xFFFF)) | 0xFF808080;
    }
    markModified();
}

void Image::paste(const Image& other, int x, int y)
{
    if (isEmpty() || other.isEmpty()) {
        return;
    }
    if (other.m_body == m_body) {
        Image copy;
        copy.copyFrom(other);
        paste(copy, x, y);
        return;
    }
    const std::int64_t firstColumn = std::max<std::int64_t>(0, -static_cast<std::int64_t>(x));
    const std::int64_t endColumn = std::min<std::int64_t>(other.width(), static_cast<std::int64_t>(width()) - x);
    const std::int64_t firstRow = std::max<std::int64_t>(0, -static_cast<std::int64_t>(y));
    const std::int64_t endRow = std::min<std::int64_t>(other.height(), static_cast<std::int64_t>(height()) - y);
    if (firstColumn >= endColumn || firstRow >= endRow) {
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(endColumn - firstColumn) * sizeof(std::uint32_t);
    for (std::int64_t row = firstRow; row < endRow; ++row) {
        const std::uint32_t* from = other.pixelAt(static_cast<int>(firstColumn), static_cast<int>(row));
        std::memcpy(pixelAt(static_cast<int>(x + firstColumn), static_cast<int>(y + row)), from, rowBytes);
    }
}

void Image::makeCornerTransparent()
{
    if (isEmpty()) {
        return;
    }
    PixelWords& all = m_body->pixels();
    const std::uint32_t corner = *pixelAt(0, height() - 1);
    for (std::uint32_t& pixel : all) {
        if (pixel == corner) {
            pixel &= 0x00FFFFFF;
        }
    }
    markModified();
}

std::uint32_t* Image::pixels()
{
    if (m_body == nullptr) {
        return nullptr;
    }
    markModified();
    return m_body->pixels().data();
}

std::uint32_t* Image::pixelAtIndex(int i)
{
    std::uint32_t* const first = pixels();
    return first != nullptr ? first + i : nullptr;
}

std::uint32_t* Image::pixelAt(int x, int y)
{
    std::uint32_t* const first = pixels();
    return first != nullptr ? first + (static_cast<std::size_t>(y) * width() + x) : nullptr;
}

const std::uint32_t* Image::pixels() const
{
    return m_body != nullptr ? m_body->pixels().data() : nullptr;
}

const std::uint32_t* Image::pixelAt(int x, int y) const
{
    const std::uint32_t* const first = pixels();
    return first != nullptr ? first + (static_cast<std::size_t>(y) * width() + x) : nullptr;
}

void Image::buildMask()
{
    if (m_body == nullptr) {
        return;
    }
    std::vector<std::uint32_t>& mask = m_body->mask();
    PixelWords& all = m_body->pixels();
    const auto seeThrough = [](std::uint32_t pixel) { return (pixel >> 24) < 128; };
    if (components() != 4 || std::none_of(all.begin(), all.end(), seeThrough)) {
        mask.clear();
        return;
    }
    mask.assign(all.size(), 0);
    bool changed = false;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!seeThrough(all[i])) {
            continue;
        }
        mask[i] = 0xFFFFFFFF;
        changed = changed || all[i] != 0;
        all[i] = 0;
    }
    if (changed) {
        markModified();
    }
}

const std::vector<std::uint32_t>& Image::mask() const
{
    static const std::vector<std::uint32_t> none;
    return m_body != nullptr ? m_body->mask() : none;
}

Image Image::derivedImage() const
{
    return m_body != nullptr ? m_body->derivedImage() : Image();
}

void Image::setDerivedImage(const Image& derived)
{
    if (m_body != nullptr) {
        m_body->setDerivedImage(derived);
    }
}

void Image::fromGIF(const void* data, std::size_t length)
{
    const std::uint32_t bounded = static_cast<std::uint32_t>(
        std::min<std::size_t>(length, std::numeric_limits<std::uint32_t>::max()));
    heron::MemoryDataSource source(data, bounded, false);
    *this = GifReader(source).read();
}

}
