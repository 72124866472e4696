#include "content/specials/FrameFiles.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/FilePath.h"
#include "base/Limits.h"
#include "content/DataFiles.h"
#include "scene/core/TaggedBlock.h"

#include <algorithm>
#include <cstring>

namespace pelican_specials
{

namespace
{

// Part of the name of the thumbnail caches some systems leave in picture folders.
constexpr const char* thumbnailCache = "humbs.db";

}

std::vector<heron_string> frameFiles(const heron_string& folder)
{
    // With its separator, the path names the folder itself rather than a file in its parent.
    heron_string withSeparator = folder;
    withSeparator += '\\';
    const pelican::DataFileName record(heron::FilePath(withSeparator), pelican::texturesCategory);
    const std::vector<heron_string> listed = pelican::findDataFolder(record);
    std::vector<heron_string> files;
    for (const heron_string& name : listed) {
        if (std::strstr(name.c_str(), thumbnailCache) == nullptr) {
            files.push_back(heron::FilePath(withSeparator + name).str());
        }
    }
    std::sort(files.begin(), files.end(), [](const heron_string& a, const heron_string& b) { return a.compare(b) < 0; });
    return files;
}

void writeFrameFiles(heron::DataDest& dest, const std::vector<heron_string>& files)
{
    dest.writeTag(std::uint32_t(files.size()));
    for (const heron_string& file : files) {
        dest.writeString(file);
    }
}

void readFrameFiles(heron::DataSource& source, std::vector<heron_string>& files)
{
    files.clear();
    std::uint32_t count = 0;
    // Each name takes at least its length byte.
    if (!finch::readArrayCount(source, count, 1)) {
        return;
    }
    if (count > heron::limits::maxSpecialFrameFiles) {
        finch::failRead(source);
        return;
    }
    for (std::uint32_t i = 0; i < count && !source.hasError(); ++i) {
        heron_string file;
        source.readString(file);
        files.push_back(file);
    }
    if (source.hasError()) {
        files.clear();
    }
}

heron_string firstFrame(const std::vector<heron_string>& files)
{
    return files.empty() ? heron_string() : files.front();
}

}
