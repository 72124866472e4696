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

bool isSeparator(char c)
{
    return c == '/' || c == pathSeparator;
}

std::vector<std::string> splitComponents(const std::string& path)
{
    std::vector<std::string> components;
    std::size_t start = 0;
    while (start <= path.size()) {
        const auto next = std::find_if(path.begin() + static_cast<std::ptrdiff_t>(start), path.end(), isSeparator);
        const auto slash = static_cast<std::size_t>(next - path.begin());
        if (slash > start) {
            components.push_back(path.substr(start, slash - start));
        }
        start = slash + 1;
    }
    return components;
}

// The components from first on joined by sep.
std::string joined(const std::vector<std::string>& components, std::size_t first, std::size_t count, char sep)
{
    std::string text;
    for (std::size_t i = first; i < first + count; ++i) {
        if (i > first) {
            text += sep;
        }
        text += components[i];
    }
    return text;
}

// How many components from first make up the next entry of folder as spelled: one when it
// exists, else the fewest that, joined by '\', name an entry (a name holding a backslash); 0 when
// none does.
std::size_t exactEntry(const std::string& folder, const std::vector<std::string>& components, std::size_t first)
{
    for (std::size_t count = 1; first + count <= components.size(); ++count) {
        if (lstatExists(folder + joined(components, first, count, pathSeparator))) {
            return count;
        }
    }
    return 0;
}

// Spells each component of a path as it is on disk, as far as the components exist.
std::string matchOnDisk(const std::string& path, CaseMatch match)
{
    const std::vector<std::string> components = splitComponents(path);
    const bool trailingSlash = !path.empty() && isSeparator(path.back());
    std::string result = (!path.empty() && isSeparator(path[0])) ? "/" : "";
    std::size_t i = 0;
    while (i < components.size()) {
        std::size_t count = isDot(components[i]) ? 1 : exactEntry(result, components, i);
        std::string entry = joined(components, i, count, pathSeparator);
        if (count == 0 && match == CaseMatch::AnyCase) {
            const std::optional<std::string> found = findNoCase(result.empty() ? "." : result, components[i]);
            count = found ? 1 : 0;
            entry = found.value_or(std::string());
        }
        if (count == 0) {
            return result + joined(components, i, components.size() - i, '/') + (trailingSlash ? "/" : "");
        }
        i += count;
        result += entry;
        if (i < components.size() || trailingSlash) {
            result += '/';
        }
    }
    return result;
}

bool isFolder(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// True when path is a folder afterwards, made now or before.
bool makeFolder(const std::string& path)
{
    return isFolder(path) || ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && isFolder(path));
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
    : m_spelling(text)
{
    normalise();
}

FilePath::FilePath(const heron_string& text)
    : m_spelling(text)
{
    normalise();
}

void FilePath::changed()
{
    m_directoryValid = false;
    m_nameValid = false;
    m_extensionValid = false;
}

void FilePath::assign(const heron_string& spelling, const heron_string& path)
{
    m_spelling = spelling;
    m_path = path;
    changed();
}

heron_string FilePath::spelledDirectory() const
{
    return m_spelling.substr(0, directory().length());
}

heron_string FilePath::spelledName() const
{
    return m_spelling.substr(directory().length());
}

// Works on the spelling, then makes the system's form from it: the two differ only in case.
void FilePath::normalise()
{
    changed();
    // One pass that copies each kept character down over the merged ones, so that a text of many
    // separators costs no more than its length. It works through locals: every path the game opens
    // is made here, and the string's own fields would be read again after each byte written.
    char* const text = m_spelling.data();
    const std::uint32_t length = m_spelling.length();
    std::uint32_t merged = 0;
    std::uint32_t kept = 0;
    for (std::uint32_t i = 0; i < length; ++i) {
        const char c = text[i] == '/' ? pathSeparator : text[i];
        // The first two characters are never merged, so a leading "\\" (a network path) stays.
        if (kept >= 2 && c == pathSeparator && text[kept - 1] == pathSeparator) {
            if (++merged <= maxLoggedMerges) {
                debug("Erasing at %d\n", static_cast<int>(kept));
            }
            continue;
        }
        text[kept++] = c;
    }
    m_spelling.resize(kept);
    if (merged > maxLoggedMerges) {
        debug("%u more doubled separators merged\n", merged - maxLoggedMerges);
    }
    m_path = m_spelling;
    m_path.toLower();
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
    const FilePath folder(directoryText);
    heron_string spelling = folder.spelling();
    heron_string path = folder.str();
    if (!path.empty() && path[path.length() - 1] != pathSeparator) {
        spelling.push_back(pathSeparator);
        path.push_back(pathSeparator);
    }
    assign(spelling + spelledName(), path + name());
}

void FilePath::setName(const char* nameText)
{
    assign(spelledDirectory() + nameText, directory() + nameText);
}

void FilePath::setExtension(const char* extensionText)
{
    const std::uint32_t length = extension().length();
    if (length == 0) {
        return;
    }
    const std::uint32_t kept = m_path.length() - length;
    assign(m_spelling.substr(0, kept) + extensionText, m_path.substr(0, kept) + extensionText);
}

void FilePath::intoSubdirectory(const char* subFolder)
{
    m_spelling = spelledDirectory() + subFolder + pathSeparator + spelledName();
    normalise();
}

void FilePath::replacePrefix(const char* oldPrefix, const char* newPrefix)
{
    const FilePath prefix(oldPrefix);
    const std::uint32_t length = prefix.str().length();
    if (length > m_path.length() || m_path.compare(0, length, prefix.str()) != 0) {
        return;
    }
    m_spelling = heron_string(newPrefix) + m_spelling.substr(length);
    normalise();
}

FileStatus FilePath::stat(CaseMatch match) const
{
    FileStatus status;
    if (m_path.empty()) {
        return status;
    }
    const heron_string disk = diskPath(match);
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

bool FilePath::directoryExists(CaseMatch match) const
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
    return isFolder(heron::diskPath(spelledDirectory().substr(0, folder.length() - 1).c_str(), match).c_str());
}

bool FilePath::createDirectories() const
{
    if (directoryExists(CaseMatch::Exact) || m_path.find_first_of(pathSeparator) == heron_string::npos) {
        return true;
    }
    // The folders as the disk spells them, so that a name holding a backslash stays one folder.
    const std::string folder = heron::diskPath(spelledDirectory().c_str(), CaseMatch::Exact).c_str();
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
        if (!makeFolder(folder.substr(0, slash))) {
            return false;
        }
    }
    return true;
}

heron_string FilePath::diskPath(CaseMatch match) const
{
    return heron::diskPath(m_spelling.c_str(), match);
}

heron_string diskPath(const char* path, CaseMatch match)
{
    if (path == nullptr) {
        return heron_string();
    }
    std::string text = path;
    if (text.size() >= 2 && isDriveLetter(text[0]) && text[1] == ':') {
        text = text.size() == 2 ? "/" : text.substr(2);
    }
    std::string slashed = text;
    std::replace(slashed.begin(), slashed.end(), pathSeparator, '/');
    if (slashed.empty() || lstatExists(slashed)) {
        return heron_string(slashed.c_str());
    }
    return heron_string(matchOnDisk(text, match).c_str());
}

heron_string joinPath(const heron_string& folder, const char* name)
{
    heron_string text = folder;
    if (!text.empty() && !isSeparator(text[text.length() - 1])) {
        // A folder the system spelled goes on in its own form; one in this system's form in that.
        text.push_back(text.find_first_of('/') != heron_string::npos ? '/' : pathSeparator);
    }
    text.append(name);
    return text;
}

void listDirectory(const FilePath& path, std::vector<heron_string>& names)
{
    names.clear();
    const heron_string folder = path.spelledDirectory();
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
    return deleteOnDisk(path.diskPath(CaseMatch::Exact).c_str(), recursive);
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
