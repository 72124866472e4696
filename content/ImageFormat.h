#pragma once

#include "gui/paint/Image.h"

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
// Largest image file read into memory.
constexpr std::uint32_t maxImageFileBytes = 256u << 20;

// A new image of the size with the components for a decoder named who; a width or height below 1
// or above maxImageSide raises "<who> - bad image size (<width> x <height>)".
kestrel::Image makeDecodedImage(const char* who, int width, int height, int components);

// True when the six bytes are "GIF87a" or "GIF89a".
bool isGifSignature(const std::uint8_t* bytes);

}
