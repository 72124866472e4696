#include "content/ImageFiles.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/MemoryDataSource.h"
#include "base/ReadError.h"
#include "content/DataFiles.h"
#include "content/GIFdecoder.h"
#include "content/JpegDecoder.h"
#include "content/LoadNotice.h"
#include "content/SGIdecoder.h"
#include "gui/paint/GifCore.h"
#include "scene/core/Clock.h"

#include <cstdio>
#include <optional>
#include <vector>

namespace pelican
{

namespace
{

constexpr std::uint32_t signatureSize = 6;

// The whole file, read through the data-file layer; nothing when it does not open.
std::optional<std::vector<std::uint8_t>> readImageBytes(const heron::FilePath& name)
{
    DataFileName record(name, texturesCategory);
    const heron::counted_ptr<heron::DataSource> source = openDataFile(record);
    if (!source) {
        return std::nullopt;
    }
    const std::uint32_t size = source->remaining();
    if (size > heron::limits::maxImageFileBytes) {
        throw heron::ReadError("image file too large");
    }
    std::vector<std::uint8_t> bytes(size);
    bytes.resize(source->read(bytes.data(), size));
    return bytes;
}

// A file whose first bytes name its format (a GIF signature, the SGI magic) but in which its
// decoder found no image is refused for that decoder's reason. It is not tried as another format
// (whose files all start otherwise), so the reason logged tells what is wrong with the file.
void refuseMatched(const char* reason)
{
    if (reason) {
        throw heron::ReadError(reason);
    }
}

bool startsAsGif(const std::vector<std::uint8_t>& bytes)
{
    return bytes.size() >= signatureSize && kestrel::isGifSignature(bytes.data());
}

ImageInfo readInfoFromBytes(const std::vector<std::uint8_t>& bytes)
{
    const auto size = static_cast<std::uint32_t>(bytes.size());
    heron::MemoryDataSource source(bytes.data(), size, false);
    if (startsAsGif(bytes)) {
        source.skip(signatureSize);
        return GIFdecoder(source).readInfo();
    }
    const SGIdecoder sgi(source);
    if (const std::optional<ImageInfo> info = sgi.readInfo()) {
        return *info;
    }
    refuseMatched(sgi.refusal());
    source.assign(bytes.data(), size, false);
    return readJpegInfo(source);
}

void logFailure(const heron::ReadError& error, const heron::FilePath& name)
{
    heron::debug("---An image reader failed, reason=%s\n", error.what());
    heron::debug("---Bad file is: %s\n", name.c_str());
}

void noteMissing(const heron::FilePath& name)
{
    noteFile(FileList::Missing, DataFileName(name, plainCategory), "---Image file %s not found\n");
}

}

kestrel::Image decodeImageBytes(const std::uint8_t* bytes, std::uint32_t size)
{
    heron::MemoryDataSource source(bytes, size, false);
    if (size >= signatureSize && kestrel::isGifSignature(bytes)) {
        source.skip(signatureSize);
        kestrel::Image image = GIFdecoder(source).decode();
        refuseMatched(image.isEmpty() ? "GIFdecoder - no image in file" : nullptr);
        return image;
    }
    SGIdecoder sgi(source);
    kestrel::Image image = sgi.decode();
    if (!image.isEmpty()) {
        return image;
    }
    refuseMatched(sgi.refusal());
    source.assign(bytes, size, false);
    return decodeJpeg(source);
}

kestrel::Image loadImageFile(const heron::FilePath& name)
{
    LoadNotice notice(LoadKind::Image, name.str());
    const double start = finch::Clock::now();
    try {
        if (const std::optional<std::vector<std::uint8_t>> bytes = readImageBytes(name)) {
            kestrel::Image image = decodeImageBytes(bytes->data(), static_cast<std::uint32_t>(bytes->size()));
            char message[96];
            std::snprintf(message, sizeof message, "Image file %%s read OK  (time taken=%f)\n",
                          finch::Clock::now() - start);
            noteFile(FileList::Used, DataFileName(name, texturesCategory), message);
            notice.done();
            return image;
        }
    } catch (const heron::ReadError& error) {
        logFailure(error, name);
    }
    noteMissing(name);
    return kestrel::Image();
}

ImageInfo readImageByType(const heron::FilePath& name)
{
    try {
        if (const std::optional<std::vector<std::uint8_t>> bytes = readImageBytes(name)) {
            return readInfoFromBytes(*bytes);
        }
    } catch (const heron::ReadError& error) {
        logFailure(error, name);
        noteMissing(name);
    }
    return ImageInfo();
}

bool checkImageFile(const heron::FilePath& name)
{
    DataFileName record(name, texturesCategory);
    if (resolveDataFile(record).empty()) {
        return false;
    }
    noteFile(FileList::Used, record, "Image file %s found\n");
    return true;
}

}
