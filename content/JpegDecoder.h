#pragma once

#include "content/ImageFormat.h"
#include "gui/paint/Image.h"

namespace heron
{
class DataSource;
}

// JPEG decoding through libjpeg, reading from the system's byte sources. Grey files give
// 1-component images whose pixels carry the grey in red, green and blue; colour files give 3
// components; alpha is 255. A file the library refuses, a CMYK file, one wider or higher than
// heron::limits::maxDecodedImageSide, one whose bytes or one of whose data segments end before the
// image is complete, one whose bytes are too few for the image its header claims, and a
// progressive file of more scans than maxJpegScans and maxJpegScanArea allow or that needs more
// than maxJpegWorkingBytes of the library's working memory logs the reason and throws
// heron::ReadError("Bad jpg file"). One thread at a time uses a source.
namespace pelican
{

[[nodiscard]] kestrel::Image decodeJpeg(heron::DataSource& source);
// Size and components from the file's header, without decoding its pixels.
[[nodiscard]] ImageInfo readJpegInfo(heron::DataSource& source);

}
