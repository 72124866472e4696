#pragma once

#include "gui/paint/Image.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>

// What the image decoders of the content layer share: the message they raise for a file they
// cannot decode, the size record of readImageByType, and the limits every decoder checks before
// it allocates.
namespace pelican
{

// A damaged or unsupported image file. The text is the decoder's reason; the loader logs it with
// the file's name.
class ImageError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// Size and components of an image file, read without decoding its pixels.
struct ImageInfo
{
    int width = 0;
    int height = 0;
    // 1 grey, 3 RGB, 4 RGBA.
    int components = 3;

    bool operator==(const ImageInfo&) const = default;
};

// Largest width or height any decoder accepts: 4096 x 4096 pixels take 64 MiB.
constexpr int maxImageSide = 4096;
// Bytes of the pixels of the largest image.
constexpr std::size_t maxImageBytes = std::size_t(maxImageSide) * maxImageSide * sizeof(std::uint32_t);
// Largest image file read into memory.
constexpr std::uint32_t maxImageFileBytes = 256u << 20;

// Raises "<who> - bad image size (<width> x <height>)" for a decoder named who when the width or
// height is below 1 or above maxImageSide. Decoders check this before they check that the file
// holds enough data for the size, and that before they make the image.
void checkImageSize(const char* who, int width, int height);
// A new image of the size with the components, checked as by checkImageSize.
kestrel::Image makeDecodedImage(const char* who, int width, int height, int components);

// True when the six bytes are "GIF87a" or "GIF89a".
bool isGifSignature(const std::uint8_t* bytes);

}
