#include "gui/ImageReader.h"

#include "base/FileDataSource.h"

#include <atomic>

namespace kestrel
{

namespace
{

std::atomic<ImageReader*> installedReader{nullptr};

}

ImageReader::~ImageReader() = default;

bool ImageReader::exists(const heron_string& fileName)
{
    const heron::FileDataSource file(fileName.c_str());
    return file.isOK();
}

heron_string ImageReader::resolvePath(const heron_string& fileName)
{
    return fileName;
}

void DummyImageReader::readImage(const heron_string&, Image& image)
{
    static const Image noise = [] {
        Image made(32, 32);
        made.fillNoise(0x12345678);
        return made;
    }();
    image = noise;
}

void setImageReader(ImageReader* reader)
{
    installedReader.store(reader);
}

ImageReader* getImageReader()
{
    static DummyImageReader dummy;
    ImageReader* const reader = installedReader.load();
    return reader != nullptr ? reader : &dummy;
}

}
