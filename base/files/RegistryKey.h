#pragma once

#include "base/files/SettingsFile.h"
#include "base/heron_string.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace heron
{

class MemoryDataDest;
class MemoryDataSource;
class RegReadCallback;

// A value with its name, a text that lives as long as the pair is used (a constant).
using RegNamedValue = std::pair<const char*, SettingsValue>;

// A key of the settings store (the file of SettingsFile): "Software\" + the sub-key, in the
// current user's settings or, for hive 1, the machine's. Values are typed: 32-bit numbers, texts
// and byte blocks. Reads see the file as it is now; each write replaces the whole file. Any
// thread; writes from other threads and processes are serialised.
class RegistryKey
{
public:
    // Hive selector of the machine-wide settings; any other value means the current user's.
    static constexpr std::int32_t localMachine = 1;

    // Opens the key. With create the key is made when missing and may be written; without, it
    // opens only when it exists and refuses every write. A failure leaves the key closed.
    RegistryKey(const heron_string& subKey, bool create, std::int32_t hive = 0);
    ~RegistryKey();
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool isOpen() const { return m_open; }
    // The key's full path in the settings file.
    const heron_string& path() const { return m_path; }

    // Each setter stores one value and returns true; false when the key is closed, was opened
    // without create, or the file cannot be written (logged).
    // A 32-bit number.
    [[nodiscard]] bool setInt(const char* name, std::int32_t value);
    // A number, 0 or 1.
    [[nodiscard]] bool setBool(const char* name, bool value);
    // A number with the same bits.
    [[nodiscard]] bool setUnsigned(const char* name, std::uint32_t value);
    // A text up to its first NUL; null stores the empty text.
    [[nodiscard]] bool setString(const char* name, const char* value);
    [[nodiscard]] bool setString(const char* name, const heron_string& value);
    // A block of size bytes (size 0 gives an empty block; data may then be null).
    [[nodiscard]] bool setBinary(const char* name, const void* data, std::uint32_t size);
    // The sink's bytes from its start to its end.
    [[nodiscard]] bool setBinary(const char* name, const MemoryDataDest& data);
    // Stores every named value in one write of the file, so a set of values never stands half old,
    // half new; the same failures as the setters.
    [[nodiscard]] bool setAll(const std::vector<RegNamedValue>& values);

    // Hands the value's type and bytes to callback and returns its result; false when the key is
    // closed or the value is missing. A value the callback refuses (wrong type) is logged.
    bool readValue(const char* name, RegReadCallback& callback) const;

private:
    bool store(const char* name, const SettingsValue& value) { return setAll({{name, value}}); }

    heron_string m_path;
    std::int32_t m_writable = 0;
    bool m_open = false;
};

// The values of one key as this session read them or last wrote them, so that it writes back
// only those it set: a value that another copy of the program changed meanwhile stays as that copy
// left it, unless this session set it too. They belong to one settings file: once the store's file
// is another (tests), every value counts as set. One thread at a time.
class RegSessionValues
{
public:
    // The key below "Software\", in the current user's settings.
    explicit RegSessionValues(heron_string subKey) : m_subKey(std::move(subKey)) {}

    // Takes the values as those read now from the store's file; none counts as set.
    void remember(std::vector<RegNamedValue> values);
    // Counts those of the values that differ from the ones remembered as set, until the next write
    // stores them: a value changed and set back before that is still written.
    void noteChanges(const std::vector<RegNamedValue>& values);
    // Notes the changes, then stores in one write (the file read again under its lock, these
    // changes made to it, the rest left as read) the values set, and then remembers them.
    // Nothing is written, not even the key, when none is set. False when the write failed (logged
    // by the store); the values are then still remembered as before, and those set stay set.
    [[nodiscard]] bool write(const std::vector<RegNamedValue>& values);

private:
    bool remembers(const RegNamedValue& value) const;
    bool isSet(const char* name) const;

    heron_string m_subKey;
    heron_string m_file; // the settings file the values were read from or written to
    std::vector<RegNamedValue> m_values;
    std::vector<const char*> m_set; // names of the values set since they were read or written
};

// Receives one value read by RegistryKey::readValue.
class RegReadCallback
{
public:
    virtual ~RegReadCallback();
    // Stores the value (type of RegistryValueType, bytes valid during the call) into the target
    // when the type is one it accepts; returns whether it did. Otherwise the target is unchanged.
    virtual bool handle(std::uint32_t type, const std::vector<std::uint8_t>* value) = 0;
};

// A callback with a target of type Target that remembers whether it stored a value there.
template <typename Target>
class RegTargetReader : public RegReadCallback
{
public:
    // True when a value was stored.
    explicit operator bool() const { return m_stored; }

protected:
    explicit RegTargetReader(Target* target) : m_target(target) {}
    // Reads the value now; the target keeps its value unless one was stored.
    void read(const RegistryKey& key, const char* name) { m_stored = key.readValue(name, *this); }

    Target* const m_target;

private:
    bool m_stored = false;
};

// Reads a number (RegDword, or RegDwordBigEndian) into an int.
class RegIntReader : public RegTargetReader<std::int32_t>
{
public:
    RegIntReader(const RegistryKey& key, const char* name, std::int32_t* target);
    bool handle(std::uint32_t type, const std::vector<std::uint8_t>* value) override;
    // Reads a number and stores whether it is non-zero; returns whether a value was stored.
    static bool readBool(const RegistryKey& key, const char* name, bool* target);
};

// Reads a text (RegString) into a heron_string.
class RegStringReader : public RegTargetReader<heron_string>
{
public:
    RegStringReader(const RegistryKey& key, const char* name, heron_string* target);
    bool handle(std::uint32_t type, const std::vector<std::uint8_t>* value) override;
};

// Reads a byte block (RegBinary) into a memory source holding a copy, at position 0.
class RegMemoryDataSourceReader : public RegTargetReader<MemoryDataSource>
{
public:
    RegMemoryDataSourceReader(const RegistryKey& key, const char* name, MemoryDataSource* target);
    bool handle(std::uint32_t type, const std::vector<std::uint8_t>* value) override;
};

}
