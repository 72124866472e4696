#include "content/ImageFormat.h"

#include "base/Limits.h"
#include "base/ReadError.h"

#include <cstdio>

namespace pelican
{

void checkImageSize(const char* who, int width, int height)
{
    constexpr int largest = heron::limits::maxDecodedImageSide;
    if (width < 1 || height < 1 || width > largest || height > largest) {
        char message[128];
        std::snprintf(message, sizeof message, "%s - bad image size (%d x %d)", who, width, height);
        throw heron::ReadError(message);
    }
}

void refuseTooLittleData(const char* who, int width, int height)
{
    char message[128];
    std::snprintf(message, sizeof message, "%s - too little image data for %d x %d pixels", who, width, height);
    throw heron::ReadError(message);
}

kestrel::Image makeDecodedImage(const char* who, int width, int height, int components, kestrel::PixelStart start)
{
    checkImageSize(who, width, height);
    kestrel::Image image(width, height, start);
    image.setComponents(components);
    return image;
}

}
