#include "content/ImageFormat.h"

#include <cstdio>
#include <cstring>

namespace pelican
{

void checkImageSize(const char* who, int width, int height)
{
    if (width < 1 || height < 1 || width > maxImageSide || height > maxImageSide) {
        char message[128];
        std::snprintf(message, sizeof message, "%s - bad image size (%d x %d)", who, width, height);
        throw ImageError(message);
    }
}

kestrel::Image makeDecodedImage(const char* who, int width, int height, int components)
{
    checkImageSize(who, width, height);
    kestrel::Image image(width, height);
    image.setComponents(components);
    return image;
}

bool isGifSignature(const std::uint8_t* bytes)
{
    return std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0;
}

}
