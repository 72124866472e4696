#include "base/files/SettingsFile.h"

#include "base/Debug.h"
#include "base/Limits.h"
#include "base/MemoryDataSource.h"
#include "base/Mutex.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace heron
{

namespace
{

// Damaged lines reported one by one; the rest of a badly damaged file is summed up in one line.
constexpr std::uint32_t maxReportedLines = 20;

heron_string lowered(const heron_string& text)
{
    heron_string copy(text);
    copy.toLower();
    return copy;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c - 'A' + 10;
}

// Read position within one line.
struct Cursor
{
    const char* p;
    const char* end;

    bool atEnd() const { return p == end; }
    void skipSpaces()
    {
        while (p != end && (*p == ' ' || *p == '\t')) {
            ++p;
        }
    }
    void dropTrailingSpaces()
    {
        while (end != p && (end[-1] == ' ' || end[-1] == '\t')) {
            --end;
        }
    }
    bool eat(char c)
    {
        if (p == end || *p != c) {
            return false;
        }
        ++p;
        return true;
    }
    bool eatWord(const char* word)
    {
        const std::size_t n = std::strlen(word);
        if (static_cast<std::size_t>(end - p) < n || std::memcmp(p, word, n) != 0) {
            return false;
        }
        p += n;
        return true;
    }
};

// One escape after the backslash; false for an unknown one or a NUL byte.
bool parseEscape(Cursor& c, heron_string& out)
{
    if (c.atEnd()) {
        return false;
    }
    const char e = *c.p++;
    switch (e) {
    case '\\':
    case '"':
        out += e;
        return true;
    case 'n':
        out += '\n';
        return true;
    case 'r':
        out += '\r';
        return true;
    case 't':
        out += '\t';
        return true;
    case 'x':
        break;
    default:
        return false;
    }
    if (c.end - c.p < 2 || !isHexDigit(c.p[0]) || !isHexDigit(c.p[1])) {
        return false;
    }
    const char byte = static_cast<char>(hexValue(c.p[0]) * 16 + hexValue(c.p[1]));
    c.p += 2;
    if (byte == '\0') {
        return false;
    }
    out += byte;
    return true;
}

// A double-quoted text with escapes; raw control bytes are refused.
bool parseQuoted(Cursor& c, heron_string& out)
{
    out.clear();
    if (!c.eat('"')) {
        return false;
    }
    while (!c.atEnd()) {
        const char ch = *c.p++;
        if (ch == '"') {
            return true;
        }
        if (ch == '\\') {
            if (!parseEscape(c, out)) {
                return false;
            }
            continue;
        }
        if (isControl(ch)) {
            return false;
        }
        out += ch;
    }
    return false;
}

// A decimal 32-bit value, signed (-2147483648..-1) or unsigned (0..4294967295).
bool parseDword(Cursor& c, std::uint32_t& out)
{
    const bool negative = c.eat('-');
    std::int64_t value = 0;
    int digits = 0;
    while (!c.atEnd() && *c.p >= '0' && *c.p <= '9') {
        if (++digits > 10) {
            return false;
        }
        value = value * 10 + (*c.p++ - '0');
    }
    if (digits == 0) {
        return false;
    }
    if (negative) {
        value = -value;
    }
    if (value < INT32_MIN || value > static_cast<std::int64_t>(UINT32_MAX)) {
        return false;
    }
    out = static_cast<std::uint32_t>(value);
    return true;
}

bool parseHex(Cursor& c, std::vector<std::uint8_t>& out)
{
    while (!c.atEnd() && isHexDigit(*c.p)) {
        if (c.end - c.p < 2 || !isHexDigit(c.p[1])) {
            return false;
        }
        out.push_back(static_cast<std::uint8_t>(hexValue(c.p[0]) * 16 + hexValue(c.p[1])));
        c.p += 2;
    }
    return true;
}

// The typed part after '=': "type:value". Null on success, else why the line is damaged.
const char* parseTypedValue(Cursor& c, SettingsValue& value)
{
    const bool bigEndian = c.eatWord("dword_be:");
    if (bigEndian || c.eatWord("dword:")) {
        std::uint32_t v = 0;
        if (!parseDword(c, v)) {
            return "not a 32-bit number";
        }
        value = SettingsValue::dword(v, bigEndian);
        return nullptr;
    }
    if (c.eatWord("sz:")) {
        heron_string text;
        if (!parseQuoted(c, text)) {
            return "bad quoted text";
        }
        value.type = RegString;
        value.bytes.assign(text.c_str(), text.c_str() + text.length() + 1);
        return nullptr;
    }
    if (c.eatWord("binary:")) {
        value.type = RegBinary;
        value.bytes.clear();
        return parseHex(c, value.bytes) ? nullptr : "bad hex bytes";
    }
    return "unknown value type";
}

// Why a key line with one fault at its ends (a hand edit, a flipped byte) is damaged; it is still
// read as its key, so that the values under it are neither lost nor filed under the key before it.
constexpr const char* noClosingBracket = "no closing ']'; read as the key it names";
constexpr const char* noOpeningBracket = "no opening '['; read as the key it names";
constexpr const char* controlBeforeBracket = "control bytes before its '['; read as the key it names";

bool isReadAsKey(const char* damage)
{
    return damage == noClosingBracket || damage == noOpeningBracket || damage == controlBeforeBracket;
}

// Moves past control bytes that stand before a '['; true when there were some.
bool skipControlBeforeBracket(Cursor& c)
{
    const char* p = c.p;
    while (p != c.end && isControl(*p)) {
        ++p;
    }
    if (p == c.p || p == c.end || *p != '[') {
        return false;
    }
    c.p = p;
    return true;
}

// The rest of a key line after its '[': the path up to ']' and nothing after it. Null on
// success, else why the line is damaged; with noClosingBracket the path is still read.
const char* parseKeyLine(Cursor& c, heron_string& path)
{
    const char* close = static_cast<const char*>(std::memchr(c.p, ']', static_cast<std::size_t>(c.end - c.p)));
    if (close == nullptr) {
        c.dropTrailingSpaces();
        path.assign(c.p, static_cast<std::uint32_t>(c.end - c.p));
        return SettingsFile::isValidKeyPath(path) ? noClosingBracket : "bad key path";
    }
    path.assign(c.p, static_cast<std::uint32_t>(close - c.p));
    if (!SettingsFile::isValidKeyPath(path)) {
        return "bad key path";
    }
    c.p = close + 1;
    c.skipSpaces();
    return c.atEnd() ? nullptr : "text after the key path";
}

// True for a line that lost only its '[': a valid key path and ']', then blanks at most. A line
// that starts with a quote is a value line.
bool namesKeyWithoutBracket(Cursor c, heron_string& path)
{
    c.dropTrailingSpaces();
    if (c.atEnd() || *c.p == '"' || c.end[-1] != ']') {
        return false;
    }
    path.assign(c.p, static_cast<std::uint32_t>(c.end - 1 - c.p));
    return SettingsFile::isValidKeyPath(path);
}

// Reads the line as a key line when it is one, whole or with one fault at its ends: true, with the
// path and why the line is damaged (null when it is not; see isReadAsKey).
bool readKeyLine(Cursor& c, heron_string& path, const char*& damage)
{
    const bool controlFirst = skipControlBeforeBracket(c);
    if (c.eat('[')) {
        damage = parseKeyLine(c, path);
        if (controlFirst && damage == nullptr) {
            damage = controlBeforeBracket;
        }
        return true;
    }
    if (!namesKeyWithoutBracket(c, path)) {
        return false;
    }
    damage = noOpeningBracket;
    return true;
}

// A value line: "name" = type:value. Null on success, else why the line is damaged.
const char* parseValueLine(Cursor& c, heron_string& name, SettingsValue& value)
{
    if (!parseQuoted(c, name)) {
        return "bad value name";
    }
    c.skipSpaces();
    if (!c.eat('=')) {
        return "no '=' after the value name";
    }
    c.skipSpaces();
    if (const char* damage = parseTypedValue(c, value)) {
        return damage;
    }
    c.skipSpaces();
    return c.atEnd() ? nullptr : "text after the value";
}

void appendQuoted(heron_string& out, const char* text, std::size_t n)
{
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char ch = static_cast<unsigned char>(text[i]);
        if (ch == '\\' || ch == '"') {
            out += '\\';
            out += static_cast<char>(ch);
        } else if (ch == '\n') {
            out += "\\n";
        } else if (ch == '\r') {
            out += "\\r";
        } else if (ch == '\t') {
            out += "\\t";
        } else if (ch < 0x20 || ch >= 0x7f) {
            const char escape[] = {'\\', 'x', hex[ch >> 4], hex[ch & 15], '\0'};
            out += escape;
        } else {
            out += static_cast<char>(ch);
        }
    }
    out += '"';
}

void appendValue(heron_string& out, const SettingsValue& value)
{
    char number[16];
    switch (value.type) {
    case RegDword:
    case RegDwordBigEndian:
        std::snprintf(number, sizeof number, "%d", static_cast<std::int32_t>(value.dwordNumber()));
        out += value.type == RegDword ? "dword:" : "dword_be:";
        out += number;
        return;
    case RegString:
        out += "sz:";
        appendQuoted(out, reinterpret_cast<const char*>(value.bytes.data()), value.bytes.size() - 1);
        return;
    default:
        out += "binary:";
        for (const std::uint8_t byte : value.bytes) {
            std::snprintf(number, sizeof number, "%02x", byte);
            out += number;
        }
        return;
    }
}

// A value the text form can hold: a dword of 4 bytes, a NUL-terminated text without inner NUL.
bool isStorable(const SettingsValue& value)
{
    switch (value.type) {
    case RegDword:
    case RegDwordBigEndian:
        return value.isDword();
    case RegString:
        return !value.bytes.empty() && std::memchr(value.bytes.data(), 0, value.bytes.size()) == &value.bytes.back();
    case RegBinary:
        return true;
    default:
        return false;
    }
}

// A text that an editor saved as UTF-16 after its byte-order mark, as the bytes the text form
// holds: each unit up to 0xFF as that byte; any other unit, and an odd last byte, as a control
// byte, which damages its line (so the file is kept whole before it is rewritten).
std::string fromUtf16(const char* text, std::size_t size, bool bigEndian)
{
    constexpr char unreadable = '\x01';
    std::string bytes;
    bytes.reserve(size / 2 + 1);
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        const unsigned char first = static_cast<unsigned char>(text[i]);
        const unsigned char second = static_cast<unsigned char>(text[i + 1]);
        const unsigned high = bigEndian ? first : second;
        bytes += high == 0 ? static_cast<char>(bigEndian ? second : first) : unreadable;
    }
    if (size % 2 != 0) {
        bytes += unreadable;
    }
    return bytes;
}

heron_string& folderOverride()
{
    static heron_string folder;
    return folder;
}

// The store's trouble since the last takeTrouble, and how a write pauses between tries of the
// file lock; used under the accessor lock.
SettingsFile::Trouble& trouble()
{
    static SettingsFile::Trouble met;
    return met;
}

SettingsFile::LockPause& lockPause()
{
    static SettingsFile::LockPause pause;
    return pause;
}

heron_string defaultFolder()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        return heron_string(config) + "/aurelle";
    }
    const char* home = std::getenv("HOME");
    return heron_string(home != nullptr ? home : ".") + "/.config/aurelle";
}

// Creates the folder and its missing parents, private to the user.
bool makeFolders(const heron_string& folder)
{
    heron_string partial;
    for (std::uint32_t i = 0; i < folder.length(); ++i) {
        partial += folder[i];
        const bool componentEnd = i + 1 == folder.length() || folder[i + 1] == '/';
        if (componentEnd && partial != "/" && mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            debug("Settings folder %s cannot be made (errno=%d)\n", partial.c_str(), errno);
            return false;
        }
    }
    return true;
}

// Reads up to size bytes of an open file from offset on, growing the buffer as the bytes come, so
// that a small file costs no more than its size whatever the limit. False when unreadable (logged).
bool readAt(int fd, const heron_string& path, off_t offset, std::size_t size, std::vector<char>& bytes)
{
    constexpr std::size_t firstRead = 4096;
    bytes.clear();
    std::size_t total = 0;
    while (total < size) {
        if (bytes.size() == total) {
            bytes.resize(std::min(size, std::max(firstRead, 2 * total)));
        }
        const ssize_t n = pread(fd, bytes.data() + total, bytes.size() - total, offset + static_cast<off_t>(total));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            debug("Settings file %s cannot be read (errno=%d)\n", path.c_str(), errno);
            return false;
        }
        if (n == 0) {
            break;
        }
        total += static_cast<std::size_t>(n);
    }
    bytes.resize(total);
    return true;
}

bool isLineEnd(char c)
{
    return DataSource::isLineEnd(static_cast<unsigned char>(c));
}

bool isBlank(const std::vector<char>& bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == ' ' || c == '\t' || isLineEnd(c); });
}

// Of bytes read up to one past the limit: their length when they are within it, else the length
// of their whole lines within it (0 when the first line alone is longer), so that no value is read
// cut short.
std::size_t wholeLinesLength(const std::vector<char>& bytes)
{
    constexpr std::size_t limit = limits::maxSettingsFileSize;
    if (bytes.size() <= limit) {
        return bytes.size();
    }
    const auto lastEnd = std::find_if(std::make_reverse_iterator(bytes.begin() + limit), bytes.rend(), isLineEnd);
    return static_cast<std::size_t>(bytes.rend() - lastEnd);
}

// The offset of the first line end at or after from; false when none comes before the offset
// limits::maxSettingsLineSearched, or the file cannot be read (logged).
bool findLineEnd(int fd, const heron_string& path, off_t from, off_t& lineEnd)
{
    constexpr std::size_t blockSize = 1 << 16;
    constexpr off_t searched = static_cast<off_t>(limits::maxSettingsLineSearched);
    std::vector<char> block;
    for (off_t at = from; at < searched; at += static_cast<off_t>(block.size())) {
        if (!readAt(fd, path, at, blockSize, block) || block.empty()) {
            return false;
        }
        const auto end = std::find_if(block.begin(), block.end(), isLineEnd);
        if (end != block.end()) {
            lineEnd = at + (end - block.begin());
            return true;
        }
    }
    return false;
}

// How much of a settings file was read.
enum class Extent
{
    Whole,
    WholeLines,     // of a larger file, its whole lines within the limit
    AfterFirstLine, // the same after a first line longer than the limit, which was passed over
    Nothing         // a first line longer than the limit, without end where it was looked for
};

// Reads at most limits::maxSettingsFileSize bytes of an open file; of a larger file only its whole
// lines within that size. A first line longer than that is passed over, and the lines after it
// are read so from its line end on, which keeps their numbers. False when unreadable (logged).
bool readFile(int fd, const heron_string& path, std::vector<char>& bytes, Extent& extent)
{
    constexpr std::size_t limit = limits::maxSettingsFileSize;
    if (!readAt(fd, path, 0, limit + 1, bytes)) {
        return false;
    }
    extent = bytes.size() > limit ? Extent::WholeLines : Extent::Whole;
    if (extent == Extent::WholeLines && wholeLinesLength(bytes) == 0) {
        off_t firstLineEnd = 0;
        const bool ended = findLineEnd(fd, path, static_cast<off_t>(limit), firstLineEnd);
        extent = ended ? Extent::AfterFirstLine : Extent::Nothing;
        if (ended && !readAt(fd, path, firstLineEnd, limit + 1, bytes)) {
            return false;
        }
    }
    bytes.resize(extent == Extent::Nothing ? 0 : wholeLinesLength(bytes));
    return true;
}

void logExtent(const heron_string& path, Extent extent)
{
    if (extent == Extent::Whole) {
        return;
    }
    debug("Settings file %s is larger than %u bytes; only the lines that fit are read\n", path.c_str(),
          static_cast<unsigned>(limits::maxSettingsFileSize));
    if (extent == Extent::AfterFirstLine) {
        debug("Settings file %s: its first line, longer than that, is passed over\n", path.c_str());
    }
    if (extent == Extent::Nothing) {
        debug("Settings file %s: its first line, longer than that, has no end within %u bytes; nothing is read\n",
              path.c_str(), static_cast<unsigned>(limits::maxSettingsLineSearched));
    }
}

// The last file parsed, so that repeated reads of an unchanged file neither parse it again nor
// report its damaged lines again. It is found by the bytes read, never by the file's size and
// time, which a rewrite within one tick of the clock may leave as they were. Used under the
// accessor lock.
struct ParsedCache
{
    heron_string path;
    std::vector<char> bytes;
    Extent extent = Extent::Whole;
    SettingsFile contents;
};

ParsedCache& parsedCache()
{
    static ParsedCache cache;
    return cache;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the bytes to a temporary file of its own beside the target, flushes it to disk and renames
// it over the target, so the target is always either the old or the new file.
bool replaceFile(const heron_string& folder, const heron_string& path, const char* bytes, std::size_t size)
{
    std::string name = std::string(path.c_str()) + ".XXXXXX";
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    const heron_string temporary(name.c_str());
    if (fd < 0) {
        debug("Settings file %s cannot be written (errno=%d)\n", temporary.c_str(), errno);
        return false;
    }
    const bool written = writeAll(fd, bytes, size) && fsync(fd) == 0;
    const int writeErrno = errno;
    if (close(fd) != 0 || !written) {
        debug("Settings file %s cannot be written (errno=%d)\n", temporary.c_str(), writeErrno);
        unlink(temporary.c_str());
        return false;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        debug("Settings file %s cannot be replaced (errno=%d)\n", path.c_str(), errno);
        unlink(temporary.c_str());
        return false;
    }
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

// Holds an exclusive flock on the lock file beside the settings file while it lives; it is
// released by the system even when the process dies, so it cannot go stale. Another process
// holding it for longer than lockWait leaves it not held (logged), so that a stuck program cannot
// freeze this one.
class FileLock
{
public:
    static constexpr std::chrono::milliseconds lockWait{2000};

    FileLock(const heron_string& path, const SettingsFile::LockPause& pause)
        : m_fd(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (m_fd < 0) {
            debug("Settings lock file %s cannot be opened (errno=%d)\n", path.c_str(), errno);
            return;
        }
        constexpr std::chrono::milliseconds step{10};
        for (std::chrono::milliseconds waited{0}; flock(m_fd, LOCK_EX | LOCK_NB) != 0;) {
            if (errno == EINTR) {
                continue;
            }
            if (errno != EWOULDBLOCK) {
                debug("Settings lock file %s cannot be locked (errno=%d)\n", path.c_str(), errno);
                release();
                return;
            }
            if (waited >= lockWait) {
                debug("Settings lock file %s is held by another program for over %lld ms: this change is not "
                      "saved\n", path.c_str(), static_cast<long long>(lockWait.count()));
                release();
                return;
            }
            if (pause) {
                pause(step);
            } else {
                std::this_thread::sleep_for(step);
            }
            waited += step;
        }
    }
    ~FileLock()
    {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return m_fd >= 0; }

private:
    void release()
    {
        close(m_fd);
        m_fd = -1;
    }

    int m_fd;
};

// Keeps the bytes of a settings file with damaged lines whole as "registry.conf.damaged" beside
// it, before anything rewrites it: what the damaged lines held can be put back by hand. A copy
// that holds the same bytes already is left as it is (the player was told of it then). False when
// the copy cannot be written (logged).
bool keepDamagedFile(const heron_string& folder, const heron_string& path, const std::vector<char>& bytes)
{
    const heron_string copy = path + ".damaged";
    std::vector<char> kept;
    Extent extent = Extent::Whole;
    const int fd = open(copy.c_str(), O_RDONLY | O_CLOEXEC);
    const bool same = fd >= 0 && readFile(fd, copy, kept, extent) && extent == Extent::Whole && kept == bytes;
    if (fd >= 0) {
        close(fd);
    }
    if (same) {
        return true;
    }
    if (!replaceFile(folder, copy, bytes.data(), bytes.size())) {
        debug("Settings file %s is damaged and no copy of it can be kept: it is not rewritten\n", path.c_str());
        return false;
    }
    debug("Settings file %s is damaged: it was kept as %s\n", path.c_str(), copy.c_str());
    trouble().damagedCopy = copy;
    return true;
}

}

SettingsValue SettingsValue::text(const char* text, std::size_t length)
{
    SettingsValue value;
    value.type = RegString;
    value.bytes.assign(text, text + length);
    value.bytes.push_back(0);
    return value;
}

SettingsValue SettingsValue::binary(const void* data, std::size_t size)
{
    SettingsValue value;
    value.type = RegBinary;
    if (size > 0) {
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        value.bytes.assign(bytes, bytes + size);
    }
    return value;
}

SettingsValue SettingsValue::dword(std::uint32_t number, bool bigEndian)
{
    SettingsValue value;
    value.type = bigEndian ? RegDwordBigEndian : RegDword;
    value.bytes = {static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                   static_cast<std::uint8_t>(number >> 16), static_cast<std::uint8_t>(number >> 24)};
    if (bigEndian) {
        std::reverse(value.bytes.begin(), value.bytes.end());
    }
    return value;
}

bool SettingsValue::isDword() const
{
    return (type == RegDword || type == RegDwordBigEndian) && bytes.size() == 4;
}

std::uint32_t SettingsValue::dwordNumber() const
{
    const std::uint8_t* const b = bytes.data();
    if (type == RegDwordBigEndian) {
        return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
    }
    return std::uint32_t(b[3]) << 24 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[1]) << 8 | b[0];
}

void SettingsFile::parse(const char* text, std::size_t size)
{
    static const char utf8Mark[] = "\xEF\xBB\xBF";
    const bool littleEndian = size >= 2 && text[0] == '\xFF' && text[1] == '\xFE';
    const bool bigEndian = size >= 2 && text[0] == '\xFE' && text[1] == '\xFF';
    if (littleEndian || bigEndian) {
        debug("Settings file: read as UTF-16 text\n");
        const std::string bytes = fromUtf16(text + 2, size - 2, bigEndian);
        parseText(bytes.data(), bytes.size());
        return;
    }
    if (size >= 3 && std::memcmp(text, utf8Mark, 3) == 0) {
        parseText(text + 3, size - 3);
        return;
    }
    parseText(text, size);
}

void SettingsFile::parseText(const char* text, std::size_t size)
{
    m_keys.clear();
    m_damagedLines = 0;
    m_partial = false;
    m_damagedNotKept = false;
    Key* current = nullptr;
    // Lines end as in every text the program reads: at LF, CR, CR LF or LF CR.
    MemoryDataSource lines(text, static_cast<std::uint32_t>(size), false);
    heron_string line;
    for (std::uint32_t lineNumber = 1; lines.readLine(line); ++lineNumber) {
        parseLine(line.c_str(), line.c_str() + line.length(), lineNumber, current);
    }
    if (m_damagedLines > maxReportedLines) {
        debug("Settings file: %u more damaged lines skipped\n", m_damagedLines - maxReportedLines);
    }
}

void SettingsFile::parseLine(const char* begin, const char* end, std::uint32_t lineNumber, Key*& current)
{
    Cursor c{begin, end};
    c.skipSpaces();
    if (c.atEnd() || *c.p == ';' || *c.p == '#') {
        return;
    }
    const char* damage = nullptr;
    heron_string path;
    if (readKeyLine(c, path, damage)) {
        current = damage == nullptr || isReadAsKey(damage) ? &keyFor(path) : nullptr;
    } else {
        heron_string name;
        SettingsValue value;
        damage = parseValueLine(c, name, value);
        if (damage == nullptr && current == nullptr) {
            damage = "value outside a key";
        }
        if (damage == nullptr) {
            current->values[lowered(name)] = Entry{name, value};
        }
    }
    if (damage != nullptr && ++m_damagedLines <= maxReportedLines) {
        debug(isReadAsKey(damage) ? "Settings file line %u is damaged (%s)\n"
                                  : "Settings file line %u is damaged (%s) and was skipped\n",
              lineNumber, damage);
    }
}

heron_string SettingsFile::format() const
{
    heron_string out("; Aurelle settings: [key path] lines, each followed by its \"value name\" = type:value lines.\n");
    for (const auto& [folded, key] : m_keys) {
        out += '\n';
        out += '[';
        out += key.path;
        out += "]\n";
        for (const auto& [foldedName, entry] : key.values) {
            appendQuoted(out, entry.name.c_str(), entry.name.length());
            out += " = ";
            appendValue(out, entry.value);
            out += '\n';
        }
    }
    return out;
}

bool SettingsFile::hasKey(const heron_string& path) const
{
    const heron_string folded = lowered(path);
    if (m_keys.count(folded) != 0) {
        return true;
    }
    // The keys below it sort together from its path and a backslash on; a sibling such as
    // "path-2" may sort between the path and them.
    const heron_string below = folded + "\\";
    const auto it = m_keys.lower_bound(below);
    return it != m_keys.end() && it->first.compare(0, below.length(), below) == 0;
}

void SettingsFile::addKey(const heron_string& path)
{
    keyFor(path);
}

const SettingsValue* SettingsFile::find(const heron_string& path, const heron_string& name) const
{
    const auto key = m_keys.find(lowered(path));
    if (key == m_keys.end()) {
        return nullptr;
    }
    const auto entry = key->second.values.find(lowered(name));
    return entry == key->second.values.end() ? nullptr : &entry->second.value;
}

bool SettingsFile::set(const heron_string& path, const heron_string& name, const SettingsValue& value)
{
    if (!isValidKeyPath(path) || !isStorable(value) || name.find_first_of('\0') != name.length()) {
        return false;
    }
    Key& key = keyFor(path);
    const auto [entry, inserted] = key.values.try_emplace(lowered(name), Entry{name, value});
    if (!inserted) {
        entry->second.value = value;
    }
    return true;
}

bool SettingsFile::isValidKeyPath(const heron_string& path)
{
    if (path.empty() || path[0] == '\\' || path[path.length() - 1] == '\\') {
        return false;
    }
    for (std::uint32_t i = 0; i < path.length(); ++i) {
        const char c = path[i];
        if (c < 0x20 || c > 0x7e || c == ']' || (c == '\\' && path[i + 1] == '\\')) {
            return false;
        }
    }
    return true;
}

SettingsFile::Key& SettingsFile::keyFor(const heron_string& path)
{
    const auto [it, inserted] = m_keys.try_emplace(lowered(path));
    if (inserted) {
        it->second.path = path;
    }
    return it->second;
}

Mutex& SettingsFile::accessor()
{
    static Mutex lock("RegistryAccessor", false);
    return lock;
}

heron_string SettingsFile::folder()
{
    MutexLock lock(accessor(), 1);
    return folderOverride().empty() ? defaultFolder() : folderOverride();
}

void SettingsFile::setFolder(const heron_string& folder)
{
    MutexLock lock(accessor(), 2);
    folderOverride() = folder;
}

heron_string SettingsFile::filePath()
{
    return folder() + "/registry.conf";
}

bool SettingsFile::makeFolder()
{
    return makeFolders(folder());
}

bool SettingsFile::load()
{
    MutexLock lock(accessor(), 3);
    const heron_string path = filePath();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        *this = SettingsFile();
        return true;
    }
    if (fd < 0) {
        debug("Settings file %s cannot be read (errno=%d)\n", path.c_str(), errno);
        return false;
    }
    std::vector<char> bytes;
    Extent extent = Extent::Whole;
    const bool read = readFile(fd, path, bytes, extent);
    close(fd);
    if (!read) {
        return false;
    }
    ParsedCache& cache = parsedCache();
    if (cache.path == path && cache.extent == extent && cache.bytes == bytes) {
        *this = cache.contents;
        return true;
    }
    logExtent(path, extent);
    parse(bytes.data(), bytes.size());
    m_partial = extent != Extent::Whole;
    if (m_partial) {
        trouble().tooLarge = path;
    }
    // A file read only in part is never rewritten, so it needs no copy.
    m_damagedNotKept = !m_partial && isDamaged(path, bytes) && !keepDamagedFile(folder(), path, bytes);
    cache = ParsedCache{path, std::move(bytes), extent, *this};
    return true;
}

bool SettingsFile::isDamaged(const heron_string& path, const std::vector<char>& bytes) const
{
    if (m_damagedLines > 0) {
        return true;
    }
    if (!m_keys.empty() || isBlank(bytes)) {
        return false;
    }
    debug("Settings file %s holds no key that can be read\n", path.c_str());
    return true;
}

bool SettingsFile::update(const std::function<bool(SettingsFile&)>& change)
{
    MutexLock lock(accessor(), 4);
    const Outcome outcome = rewrite(change);
    // A file too large to be rewritten was told of as such when it was read.
    if (outcome == Outcome::Failed) {
        trouble().unsaved = true;
    }
    return outcome == Outcome::Written;
}

SettingsFile::Outcome SettingsFile::rewrite(const std::function<bool(SettingsFile&)>& change)
{
    const heron_string dir = folder();
    if (!makeFolders(dir)) {
        return Outcome::Failed;
    }
    const FileLock fileLock(dir + "/registry.conf.lock", lockPause());
    SettingsFile file;
    if (!fileLock.held() || !file.load()) {
        return Outcome::Failed;
    }
    if (file.m_partial) {
        debug("Settings file %s was read only in part and is not rewritten\n", filePath().c_str());
        return Outcome::TooLarge;
    }
    if (file.m_damagedNotKept) {
        return Outcome::Failed;
    }
    if (!change(file)) {
        return Outcome::Refused;
    }
    const heron_string text = file.format();
    return replaceFile(dir, filePath(), text.c_str(), text.length()) ? Outcome::Written : Outcome::Failed;
}

SettingsFile::Trouble SettingsFile::takeTrouble()
{
    MutexLock lock(accessor(), 5);
    return std::exchange(trouble(), Trouble());
}

void SettingsFile::setLockPause(LockPause pause)
{
    MutexLock lock(accessor(), 6);
    lockPause() = std::move(pause);
}

}
