#pragma once

#include "base/FilePath.h"
#include "base/heron_string.h"

#include <cstdint>

namespace pelican
{

// Search-folder categories of a file name. Each category has its own list of folders; the common
// list is tried after a category's own for every category.
constexpr std::int32_t texturesCategory = 0;
constexpr std::int32_t soundsCategory = 1;
constexpr std::int32_t databasesCategory = 2;
constexpr std::int32_t commonCategory = 8;
// Names with no folder list of their own (directory entries, most lookups).
constexpr std::int32_t plainCategory = 9;

// The name by which every file of the content layer and the game is opened: a path in the
// system's form, the category of search folders to try, and the text it resolved to (empty until
// resolved, and when it was not found).
struct DataFileName
{
    DataFileName() = default;
    DataFileName(const heron::FilePath& filePath, std::int32_t fileCategory = plainCategory)
        : path(filePath), category(fileCategory)
    {
    }

    // Equal paths and equal categories; the resolved text does not count.
    bool operator==(const DataFileName& other) const
    {
        return category == other.category && path == other.path;
    }

    heron::FilePath path;
    std::int32_t category = plainCategory;
    heron_string resolved;
};

}
