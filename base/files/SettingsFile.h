#pragma once

#include "base/heron_string.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace heron
{

class Mutex;

// Value types of the settings store, numbered as the registry numbers them.
enum RegistryValueType : std::uint32_t
{
    RegString = 1,        // text; the stored bytes end with one NUL
    RegBinary = 3,        // any bytes
    RegDword = 4,         // 4 bytes, least significant first
    RegDwordBigEndian = 5 // 4 bytes, most significant first
};

// One typed value: its type and its bytes as the registry would hold them.
struct SettingsValue
{
    // A RegDword, or with bigEndian a RegDwordBigEndian, of the 32 bits of number.
    static SettingsValue dword(std::uint32_t number, bool bigEndian = false);
    // A RegString of the text's bytes and its terminating zero.
    static SettingsValue text(const char* text, std::size_t length);
    // A RegBinary of the bytes.
    static SettingsValue binary(const void* data, std::size_t size);
    // True for a RegDword or RegDwordBigEndian of 4 bytes.
    bool isDword() const;
    // The number of a value for which isDword() holds, in its type's byte order.
    std::uint32_t dwordNumber() const;

    std::uint32_t type = RegBinary;
    std::vector<std::uint8_t> bytes;
};

// The settings file: keys named by backslash paths ("Software\Maker\Product"), each holding named,
// typed values. Key paths and value names match without regard to the case of 'A'..'Z' and keep
// the spelling they were first stored with. One object is used by one thread at a time; the
// static file operations may be called from any thread.
//
// Text form, one item per line (lines end at LF, CR, CR LF or LF CR; it is written with LF):
//   ; comment                          (also '#')
//   [Software\Maker\Product]           a key; the values below belong to it
//   "Value name" = dword:-1            signed or unsigned decimal, 32 bits
//   "Value name" = dword_be:256        the same, stored most significant byte first
//   "Value name" = sz:"text"           escapes \\ \" \n \r \t \xHH
//   "Value name" = binary:00ff10       two hex digits per byte, possibly none
// A text that starts with a byte-order mark is read as UTF-8 or UTF-16 (as an editor may save it).
class SettingsFile
{
public:
    // What the store met that the player should hear of, gathered since the last takeTrouble().
    struct Trouble
    {
        heron_string damagedCopy; // where a damaged settings file was kept; empty when none was
        heron_string tooLarge;    // a settings file read only in part, never rewritten; empty when none
        bool unsaved = false;     // a write failed (logged)
    };
    // Pauses a write between tries of the file lock that another process holds.
    using LockPause = std::function<void(std::chrono::milliseconds)>;

    // Replaces the contents with the parsed text. A damaged line is logged with its number and
    // skipped; values after a damaged key line are skipped too, as their key is unknown. A key line
    // whose only fault is a missing ']' or '[', or control bytes before its '[', counts as damaged
    // but is read as its key.
    void parse(const char* text, std::size_t size);
    // Damaged lines skipped by the last parse.
    std::uint32_t damagedLines() const { return m_damagedLines; }
    // The whole text form, keys and values in name order.
    heron_string format() const;

    // True when the key, or a key below it, exists.
    bool hasKey(const heron_string& path) const;
    // Creates the key when missing (the path must be valid).
    void addKey(const heron_string& path);
    // The value, or null when the key or the value is missing. Valid until the next change.
    const SettingsValue* find(const heron_string& path, const heron_string& name) const;
    // Stores the value, creating its key when missing. False (nothing stored) for an invalid key
    // path, a value name holding a NUL, or a value the text form cannot hold.
    [[nodiscard]] bool set(const heron_string& path, const heron_string& name, const SettingsValue& value);

    // True for a non-empty key path of printable ASCII without ']' whose backslash-separated
    // components are not empty.
    static bool isValidKeyPath(const heron_string& path);

    // The lock "RegistryAccessor", which serialises every use of the settings file in the process.
    static Mutex& accessor();
    // Folder of the file: the one set by setFolder, else $XDG_CONFIG_HOME/aurelle, else
    // $HOME/.config/aurelle.
    static heron_string folder();
    // Redirects the folder (tests); the empty text restores the default.
    static void setFolder(const heron_string& folder);
    // The settings file "registry.conf" in that folder.
    static heron_string filePath();
    // Makes the folder and its missing parents, private to the user; false when it cannot be made
    // (logged).
    [[nodiscard]] static bool makeFolder();
    // Replaces the contents with the file's (under the accessor lock). A missing file gives an
    // empty store and true; an unreadable one is logged and gives false. A file with damaged lines,
    // or one that holds more than blanks but no key, is first kept whole as "registry.conf.damaged"
    // (one copy, replaced by a later damaged file) and takeTrouble() then names that copy. Of a
    // file over limits::maxSettingsFileSize only the lines that fit are read (takeTrouble() names
    // it).
    [[nodiscard]] bool load();
    // Under the accessor lock and a file lock shared with other processes: loads the file, lets
    // change alter it, and (unless change returns false) writes the whole file to a temporary file
    // that is flushed and renamed over the old one, so readers see either the old or the new file.
    // False when the folder or the file cannot be written, was too large to read whole, is damaged
    // and could not be kept, or another process holds the file lock for over 2 s (logged, and
    // takeTrouble() tells it); the old file then stays as it was.
    [[nodiscard]] static bool update(const std::function<bool(SettingsFile&)>& change);
    // The trouble met since the last call, which it clears. Any thread.
    static Trouble takeTrouble();
    // How update() pauses between tries of the file lock: it sleeps, until a pause is given here
    // (tests count the time instead); an empty one restores sleeping.
    static void setLockPause(LockPause pause);

private:
    struct Entry
    {
        heron_string name;
        SettingsValue value;
    };
    struct Key
    {
        heron_string path;
        std::map<heron_string, Entry> values; // by lower-cased name
    };

    enum class Outcome
    {
        Written,
        Refused,  // the change refused to be made
        TooLarge, // the file was read only in part (logged, and told when it was read)
        Failed    // logged
    };
    // update() under the accessor lock.
    static Outcome rewrite(const std::function<bool(SettingsFile&)>& change);

    Key& keyFor(const heron_string& path);
    void parseText(const char* text, std::size_t size);
    void parseLine(const char* begin, const char* end, std::uint32_t lineNumber, Key*& current);
    // After parsing the bytes of the file at path: true when they had damaged lines, or held more
    // than blanks but yielded no key (logged).
    bool isDamaged(const heron_string& path, const std::vector<char>& bytes) const;

    std::map<heron_string, Key> m_keys; // by lower-cased path
    std::uint32_t m_damagedLines = 0;
    // The last load read only the first limits::maxSettingsFileSize bytes of the file; such a file
    // is never rewritten, so that what it holds beyond the limit is not lost.
    bool m_partial = false;
    // The last load found damaged lines and could not keep the file whole beside it; such a file
    // is never rewritten, so that what its damaged lines held is not lost.
    bool m_damagedNotKept = false;
};

}
