#include "base/FilePath.h"

#include "base/DataDest.h"
#include "base/DataSource.h"
#include "base/Debug.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace heron
{

namespace
{

// Merged separators logged one by one; the rest of a damaged path is summed up in one line.
constexpr std::uint32_t maxLoggedMerges = 16;

bool isDriveLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDot(const std::string& name)
{
    return name == "." || name == "..";
}

bool lstatExists(const std::string& path)
{
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

// Calls visit with the name of every entry of folder but "." and ".."; false when it cannot be read.
template <typename Visit>
bool forEachEntry(const std::string& folder, Visit visit)
{
    DIR* const dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!isDot(name)) {
            visit(name);
        }
    }
    ::closedir(dir);
    return true;
}

// The entry of folder whose name equals name ignoring case; the first in byte order when several do.
std::optional<std::string> findNoCase(const std::string& folder, const std::string& name)
{
    std::optional<std::string> best;
    forEachEntry(folder, [&](const std::string& entry) {
        if (compareNoCase(entry.c_str(), name.c_str()) == 0 && (!best || entry < *best)) {
            best = entry;
        }
    });
    return best;
}

std::vector<std::string> splitComponents(const std::string& path)
{
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        if (slash > start) {
            components.push_back(path.substr(start, slash - start));
        }
        start = slash + 1;
    }
    return components;
}

// Spells each component of a '/'-separated path as it is on disk, as far as the components exist.
std::string matchOnDisk(const std::string& path)
{
    const std::vector<std::string> components = splitComponents(path);
    const bool trailingSlash = !path.empty() && path.back() == '/';
    std::string result = (!path.empty() && path[0] == '/') ? "/" : "";
    bool searching = true;
    for (std::size_t i = 0; i < components.size(); ++i) {
        std::string component = components[i];
        if (searching && !isDot(component) && !lstatExists(result + component)) {
            const std::optional<std::string> found = findNoCase(result.empty() ? "." : result, component);
            searching = found.has_value();
            component = found.value_or(component);
        }
        result += component;
        if (i + 1 < components.size() || trailingSlash) {
            result += '/';
        }
    }
    return result;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

bool deleteOnDisk(const std::string& path, bool recursive)
{
    const std::string target = withoutTrailingSlashes(path);
    struct stat info;
    // lstat, so a symbolic link is removed itself and never followed into what it points to.
    if (::lstat(target.c_str(), &info) != 0) {
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        return std::remove(target.c_str()) == 0;
    }
    if (recursive) {
        std::vector<std::string> entries;
        forEachEntry(target, [&](const std::string& name) { entries.push_back(name); });
        for (const std::string& entry : entries) {
            if (!deleteOnDisk(target + '/' + entry, true)) {
                return false;
            }
        }
    }
    return ::rmdir(target.c_str()) == 0;
}

std::uint32_t saturate(long long value)
{
    if (value < 0) {
        return 0;
    }
    return value > 0xffffffffLL ? 0xffffffffu : static_cast<std::uint32_t>(value);
}

}

FilePath::FilePath()
{
}

FilePath::FilePath(const char* text)
    : m_path(text)
{
    normalise();
}

FilePath::FilePath(const heron_string& text)
    : m_path(text)
{
    normalise();
}

void FilePath::changed()
{
    m_directoryValid = false;
    m_nameValid = false;
    m_extensionValid = false;
}

void FilePath::normalise()
{
    changed();
    m_path.toLower();
    // One pass that copies each kept character down over the merged ones, so that a text of many
    // separators costs no more than its length.
    std::uint32_t merged = 0;
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < m_path.length(); ++i) {
        const char c = m_path[i] == '/' ? pathSeparator : m_path[i];
        // The first two characters are never merged, so a leading "\\" (a network path) stays.
        if (kept >= 2 && c == pathSeparator && m_path[kept - 1] == pathSeparator) {
            if (++merged <= maxLoggedMerges) {
                debug("Erasing at %d\n", static_cast<int>(kept));
            }
            continue;
        }
        m_path[kept++] = c;
    }
    m_path.resize(kept);
    if (merged > maxLoggedMerges) {
        debug("%u more doubled separators merged\n", merged - maxLoggedMerges);
    }
}

const heron_string& FilePath::directory() const
{
    if (!m_directoryValid) {
        const std::uint32_t last = m_path.find_last_of(pathSeparator);
        m_directory = last == heron_string::npos ? heron_string() : m_path.substr(0, last + 1);
        m_directoryValid = true;
    }
    return m_directory;
}

const heron_string& FilePath::name() const
{
    if (!m_nameValid) {
        const std::uint32_t last = m_path.find_last_of(pathSeparator);
        m_name = last == heron_string::npos ? m_path : m_path.substr(last + 1);
        m_nameValid = true;
    }
    return m_name;
}

const heron_string& FilePath::extension() const
{
    if (!m_extensionValid) {
        const std::uint32_t dot = name().find_last_of('.');
        m_extension = dot == heron_string::npos ? heron_string() : name().substr(dot);
        m_extensionValid = true;
    }
    return m_extension;
}

void FilePath::setDirectory(const char* directoryText)
{
    heron_string text = FilePath(directoryText).str();
    if (!text.empty() && text[text.length() - 1] != pathSeparator) {
        text.push_back(pathSeparator);
    }
    text.append(name());
    m_path = text;
    changed();
}

void FilePath::setName(const char* nameText)
{
    heron_string text = directory();
    text.append(nameText);
    m_path = text;
    changed();
}

void FilePath::setExtension(const char* extensionText)
{
    const std::uint32_t length = extension().length();
    if (length == 0) {
        return;
    }
    m_path.resize(m_path.length() - length);
    m_path.append(extensionText);
    changed();
}

void FilePath::intoSubdirectory(const char* subFolder)
{
    heron_string text = directory();
    text.append(subFolder);
    text.push_back(pathSeparator);
    text.append(name());
    m_path = text;
    normalise();
}

void FilePath::replacePrefix(const char* oldPrefix, const char* newPrefix)
{
    const FilePath prefix(oldPrefix);
    const std::uint32_t length = prefix.str().length();
    if (length > m_path.length() || m_path.compare(0, length, prefix.str()) != 0) {
        return;
    }
    heron_string text(newPrefix);
    text.append(m_path.c_str() + length, m_path.length() - length);
    m_path = text;
    normalise();
}

FileStatus FilePath::stat() const
{
    FileStatus status;
    if (m_path.empty()) {
        return status;
    }
    const heron_string disk = diskPath();
    struct stat info;
    if (::stat(disk.c_str(), &info) != 0) {
        return status;
    }
    status.exists = true;
    status.isDirectory = S_ISDIR(info.st_mode);
    status.readable = ::access(disk.c_str(), R_OK) == 0;
    status.writable = ::access(disk.c_str(), W_OK) == 0;
    status.size = saturate(info.st_size);
    status.creationTime = saturate(info.st_ctime);
    status.modificationTime = saturate(info.st_mtime);
    return status;
}

bool FilePath::directoryExists() const
{
    if (m_path.empty()) {
        return false;
    }
    const heron_string& folder = directory();
    if (folder.length() == 1 || (folder.length() == 3 && isDriveLetter(folder[0]) && folder[1] == ':')) {
        return true;
    }
    if (folder.empty()) {
        return false;
    }
    const heron_string disk = heron::diskPath(folder.substr(0, folder.length() - 1).c_str());
    struct stat info;
    return ::stat(disk.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FilePath::createDirectories() const
{
    if (directoryExists() || m_path.find_first_of(pathSeparator) == heron_string::npos) {
        return true;
    }
    for (std::uint32_t i = m_path.find_first_of(pathSeparator); i != heron_string::npos;
         i = m_path.find_first_of(pathSeparator, i + 1)) {
        const FilePath prefix(m_path.substr(0, i + 1));
        if (prefix.directoryExists()) {
            continue;
        }
        const heron_string disk = heron::diskPath(prefix.c_str());
        if (::mkdir(disk.c_str(), 0777) != 0 && !(errno == EEXIST && prefix.directoryExists())) {
            return false;
        }
    }
    return true;
}

heron_string FilePath::diskPath() const
{
    return heron::diskPath(m_path.c_str());
}

heron_string diskPath(const char* path)
{
    if (path == nullptr) {
        return heron_string();
    }
    std::string text = path;
    if (text.size() >= 2 && isDriveLetter(text[0]) && text[1] == ':') {
        text = text.size() == 2 ? "/" : text.substr(2);
    }
    std::replace(text.begin(), text.end(), pathSeparator, '/');
    if (text.empty() || lstatExists(text)) {
        return heron_string(text.c_str());
    }
    return heron_string(matchOnDisk(text).c_str());
}

void listDirectory(const FilePath& path, std::vector<heron_string>& names)
{
    names.clear();
    const heron_string& folder = path.directory();
    const std::string disk = folder.empty() ? std::string(".") : std::string(diskPath(folder.c_str()).c_str());
    forEachEntry(disk, [&](const std::string& name) {
        if (name[0] != '.') {
            names.emplace_back(name.c_str());
        }
    });
    std::sort(names.begin(), names.end());
}

bool deletePath(const FilePath& path, bool recursive)
{
    if (path.str().empty()) {
        return false;
    }
    return deleteOnDisk(path.diskPath().c_str(), recursive);
}

DataDest& DataDest::writePath(const FilePath& value)
{
    return writeString(value.str());
}

DataSource& DataSource::readPath(FilePath& value)
{
    heron_string text;
    readString(text);
    if (!hasError()) {
        value = FilePath(text);
    }
    return *this;
}

}
