#pragma once

#include "base/FilePath.h"
#include "content/ImageFormat.h"
#include "gui/paint/Image.h"

// Images named by file name, read through the data-file layer (category textures) and decoded as
// GIF, SGI or JPEG, tried in that order. Main thread (the load time comes from the scene clock).
namespace pelican
{

// The decoded image; empty when the file is missing or no decoder takes it. A decoded file is
// noted as used with "Image file %s read OK  (time taken=<seconds>)"; a failure logs the decoder's
// "---An image reader failed, reason=..." and "---Bad file is: ..." lines, and every failure notes
// the name as missing with "---Image file %s not found". A load notice covers the whole load.
// These two entry points catch the decoders' heron::ReadError; running out of memory is no read
// failure and is not caught.
[[nodiscard]] kestrel::Image loadImageFile(const heron::FilePath& name);
// Width, height and components from the file's header without decoding the pixels; (0, 0, 3)
// when the file is missing or no decoder recognises it (a decoder's reason is logged as above).
[[nodiscard]] ImageInfo readImageByType(const heron::FilePath& name);
// True when the name resolves among the textures; notes it as used with "Image file %s found".
[[nodiscard]] bool checkImageFile(const heron::FilePath& name);

// The image held in the bytes of a whole file: GIF when they start with a GIF signature, else
// SGI, else JPEG, each tried when the one before found no image. Never empty: a file that no
// decoder takes throws heron::ReadError with the reason of the decoder whose format the file's
// first bytes name (a GIF without an image, an SGI file too short or of a header it cannot read),
// else JPEG's "Bad jpg file".
[[nodiscard]] kestrel::Image decodeImageBytes(const std::uint8_t* bytes, std::uint32_t size);

}
