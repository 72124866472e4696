#pragma once

#include "base/Refcountable.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace kestrel
{

class ImageBody;
class MipmapperInfo;

// How the pixels of a new image start: zero, or unset for a maker that writes every pixel before
// anything reads them (a decoder), which so saves filling them first.
enum class PixelStart
{
    Zeroed,
    Unset,
};

// Allocates as std::allocator does, except that an element made without a value is left
// uninitialised: a store grown by resize(n) is not filled. Elements made with a value get it.
template <class T>
struct UnsetAllocator : std::allocator<T>
{
    UnsetAllocator() = default;
    template <class U>
    UnsetAllocator(const UnsetAllocator<U>&) noexcept
    {
    }
    template <class U>
    void construct(U* place) noexcept
    {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... Args>
    void construct(U* place, Args&&... args)
    {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

// The pixel words of an image body. Sized with a value (assign(n, 0), a count and a value) they are
// filled; only resize(n) leaves them unset.
using PixelWords = std::vector<std::uint32_t, UnsetAllocator<std::uint32_t>>;

// A picture: a handle to a shared, reference-counted body of 32-bit pixels 0xAARRGGBB (blue in the lowest
// byte, alpha 255 opaque), rows stored bottom row first, each row left to right. Copying a handle shares the
// body, so a change through one handle is seen through all; copyFrom makes a separate copy. A handle without
// a body is an empty image. Images belong to the main thread.
class Image
{
public:
    // True when width x height lies within 1..heron::limits::maxImageSide on each side and maxImagePixels in
    // all: the largest image the program makes, so every decoder and resize inherits these caps.
    static bool acceptableSize(int width, int height);

    // An empty image.
    Image() = default;
    // A new width x height body with 4 components; pixels copied from source (width x height words) when
    // given, else zero. A width or height below 1 gives an empty image; one beyond the caps too, logged.
    Image(int width, int height, const std::uint32_t* source = nullptr);
    // The same without a source, the pixels starting as start says.
    Image(int width, int height, PixelStart start);
    // A new body holding the part of other inside the rectangle (x, y from the bottom-left), clipped to other;
    // empty when nothing is left.
    Image(const Image& other, int x, int y, int width, int height);
    Image(const Image& other);
    Image(Image&& other) noexcept;
    Image& operator=(const Image& other);
    Image& operator=(Image&& other) noexcept;
    ~Image();

    // Drops this handle's body and takes a separate copy of other's size, components and pixels.
    void copyFrom(const Image& other);
    // True when the image has no body.
    bool isEmpty() const { return m_body == nullptr; }
    // Size in pixels; 0 for an empty image.
    int width() const;
    int height() const;
    // 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA; 0 for an empty image.
    int components() const;
    void setComponents(int components);

    // Resamples to width x height (averaging when shrinking, linear when stretching); an empty image gets a
    // new zeroed body. A width or height below 1, or a size beyond the caps, leaves the image empty.
    void resize(int width, int height);
    // Sets every pixel to the value.
    void fill(std::uint32_t pixel);
    // Fills with opaque pseudo-random pixels; the same seed gives the same pixels.
    void fillNoise(std::uint32_t seed);
    // Copies other's pixels so that its bottom-left pixel lands at (x, y); parts outside this image are skipped.
    void paste(const Image& other, int x, int y);
    // Gives every pixel equal to the top-left pixel alpha 0.
    void makeCornerTransparent();

    // Writable pixels (marks the body modified): the first pixel, pixel i, or pixel (x, y). No bounds check.
    // Null for an empty image.
    std::uint32_t* pixels();
    std::uint32_t* pixelAtIndex(int i);
    std::uint32_t* pixelAt(int x, int y);
    // Read-only pixels; null for an empty image.
    const std::uint32_t* pixels() const;
    const std::uint32_t* pixelAt(int x, int y) const;

    // For a 4-component image with pixels of alpha below 128: those pixels become 0 and get mask word
    // 0xFFFFFFFF, every other pixel mask 0. Otherwise the mask is emptied.
    void buildMask();
    // The mask of buildMask, one word per pixel; empty when the image needs none.
    const std::vector<std::uint32_t>& mask() const;

    // An image derived from this one (for example its disabled look), kept until the pixels change.
    Image derivedImage() const;
    void setDerivedImage(const Image& derived);

    // Decodes a GIF87a or GIF89a picture of length bytes held in memory into this image; a damaged picture
    // leaves the image empty and is logged.
    void fromGIF(const void* data, std::size_t length);

    // Uploads the image into the texture bound to GL_TEXTURE_2D of the current context through the
    // GL texture builder, as options ask; false for an empty image (nothing is uploaded).
    bool makeTexture(const MipmapperInfo& options) const;

    // The shared body, null for an empty image (the GL layer renders into it).
    ImageBody* body() const { return m_body; }

private:
    explicit Image(ImageBody* body);
    void release();
    void markModified();

    ImageBody* m_body = nullptr;
};

// The shared body of images, counted by its handles. A body made without pixels is a bare size record
// (a GL window's drawable).
class ImageBody : public heron::Refcountable
{
public:
    // A body of width x height pixels starting as start says (none without withPixels) and 4 components.
    ImageBody(int width, int height, bool withPixels = true, PixelStart start = PixelStart::Zeroed);
    ImageBody(const ImageBody&) = delete;
    ImageBody& operator=(const ImageBody&) = delete;

    int width() const { return m_width; }
    int height() const { return m_height; }
    int components() const { return m_components; }
    void setComponents(int components);

    // Pixel words, bottom row first.
    PixelWords& pixels() { return m_pixels; }
    const PixelWords& pixels() const { return m_pixels; }
    const std::vector<std::uint32_t>& mask() const { return m_mask; }
    std::vector<std::uint32_t>& mask() { return m_mask; }

    // True once the pixels were written; every write drops the derived image.
    bool isModified() const { return m_modified; }
    void markModified();
    const Image& derivedImage() const { return m_derived; }
    void setDerivedImage(const Image& derived) { m_derived = derived; }

    // Resamples the pixels to width x height (both at least 1): halving by pair averages after a linear step
    // when shrinking, linear stretching when growing; width first, then height.
    void resize(int width, int height);
    // Sets every pixel held to the value.
    void fill(std::uint32_t pixel);

private:
    bool m_modified = false;
    PixelWords m_pixels;
    int m_components = 4;
    int m_width = 0;
    int m_height = 0;
    Image m_derived;
    std::vector<std::uint32_t> m_mask;
};

// Blends two pixels channel by channel; fraction 0..65535 is the weight of b.
std::uint32_t blendPixels(std::uint32_t a, std::uint32_t b, std::uint32_t fraction);
// Averages two pixels channel by channel without carries between channels.
std::uint32_t averagePixels(std::uint32_t a, std::uint32_t b);

}
