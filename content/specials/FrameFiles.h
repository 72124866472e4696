#pragma once

#include "base/heron_string.h"

#include <vector>

namespace heron
{
class DataDest;
class DataSource;
}

namespace pelican_specials
{

// The frame files of a cycling texture: the folder's listed files, sorted, without the system's
// thumbnail caches, each as the folder, a separator and the name. Empty (nothing drawn
// differently) when the folder is missing or holds no frame.
std::vector<heron_string> frameFiles(const heron_string& folder);

// The stored frame list: a count, then the names. A count the bytes left cannot hold, or past
// the cap, fails the read; a failed read leaves files empty and the source's error flag set.
void writeFrameFiles(heron::DataDest& dest, const std::vector<heron_string>& files);
void readFrameFiles(heron::DataSource& source, std::vector<heron_string>& files);

// The first frame, or empty text.
heron_string firstFrame(const std::vector<heron_string>& files);

}
