#pragma once

#include "base/heron_string.h"
#include "gui/paint/Image.h"

namespace kestrel
{

// Reads image files by name. The toolkit and the scene engine load every named picture through the one
// process-wide reader; the content layer installs a reader over its data file.
class ImageReader
{
public:
    virtual ~ImageReader();
    // Reads the named file into image. An entry point for the file's bytes: a file that cannot be read
    // leaves image empty, logged once by the reader with the file's name; no heron::ReadError gets out.
    virtual void readImage(const heron_string& fileName, Image& image) = 0;
    // True when the named file can be opened; the default asks the file system.
    virtual bool exists(const heron_string& fileName);
    // The name under which the file is found; the default returns it unchanged.
    virtual heron_string resolvePath(const heron_string& fileName);
};

// Answers every request with a 32 x 32 noise image of its own (the same pixels each time), so that a
// missing reader still yields visible pictures.
class DummyImageReader : public ImageReader
{
public:
    void readImage(const heron_string& fileName, Image& image) override;
};

// Installs the process-wide reader (not owned; null restores the noise reader). Main thread.
void setImageReader(ImageReader* reader);
// The process-wide reader: the one installed, else a DummyImageReader. Never null.
ImageReader* getImageReader();

}
