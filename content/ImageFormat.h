#pragma once

#include "gui/paint/Image.h"

// What the image decoders of the content layer share: the size record of readImageByType and the
// size check every decoder makes before it allocates. They give up by throwing heron::ReadError
// with their reason; the loader logs it with the file's name.
namespace pelican
{

// Size and components of an image file, read without decoding its pixels.
struct ImageInfo
{
    int width = 0;
    int height = 0;
    // 1 grey, 3 RGB, 4 RGBA.
    int components = 3;

    bool operator==(const ImageInfo&) const = default;
};

// Throws "<who> - bad image size (<width> x <height>)" for a decoder named who when the width or
// height is below 1 or above heron::limits::maxDecodedImageSide.
void checkImageSize(const char* who, int width, int height);
// Throws "<who> - too little image data for <width> x <height> pixels": the file ends before the
// pixels its size needs.
[[noreturn]] void refuseTooLittleData(const char* who, int width, int height);
// A new image of the size with the components, checked as by checkImageSize; its pixels start as
// start says (Unset only for a decoder that writes every pixel or drops the image).
kestrel::Image makeDecodedImage(const char* who, int width, int height, int components, kestrel::PixelStart start);

}
