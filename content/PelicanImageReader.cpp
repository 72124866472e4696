#include "content/PelicanImageReader.h"

#include "content/DataFiles.h"
#include "content/ImageFiles.h"

namespace pelican
{

void PelicanImageReader::readImage(const heron_string& fileName, kestrel::Image& image)
{
    image = loadImageFile(heron::FilePath(fileName));
}

bool PelicanImageReader::exists(const heron_string& fileName)
{
    return !fileName.empty() && !resolvePath(fileName).empty();
}

heron_string PelicanImageReader::resolvePath(const heron_string& fileName)
{
    DataFileName record(heron::FilePath(fileName), texturesCategory);
    return resolveDataFile(record);
}

PelicanImageReader& imageReader()
{
    static PelicanImageReader reader;
    return reader;
}

}
