#pragma once

#include "gui/paint/ImageReader.h"

namespace pelican
{

// The toolkit's image reader over the data-file layer, so that every image the toolkit and the
// scene engine load by name comes from the data file: names resolve among the textures and load
// through loadImageFile. Main thread, as the toolkit's reader is.
class PelicanImageReader : public kestrel::ImageReader
{
public:
    // The image of loadImageFile, which logs a failure and gives an empty image.
    void readImage(const heron_string& fileName, kestrel::Image& image) override;
    // True when the name is not empty and resolves among the textures.
    bool exists(const heron_string& fileName) override;
    // The text the name resolves to among the textures; empty when it does not resolve.
    heron_string resolvePath(const heron_string& fileName) override;
};

// The one reader, made on first request; the database loader installs it with
// kestrel::setImageReader.
PelicanImageReader& imageReader();

}
