#include "base/files/RegistryKey.h"

#include "base/Debug.h"
#include "base/MemoryDataDest.h"
#include "base/MemoryDataSource.h"
#include "base/Mutex.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace heron
{

namespace
{

const char* typeName(std::uint32_t type)
{
    switch (type) {
    case RegString:
        return "text";
    case RegBinary:
        return "bytes";
    case RegDword:
    case RegDwordBigEndian:
        return "number";
    default:
        return "unknown";
    }
}

}

RegistryKey::RegistryKey(const heron_string& subKey, bool create, std::int32_t hive)
    : m_path(heron_string(hive == localMachine ? "LocalMachine\\Software\\" : "Software\\") + subKey)
{
    if (!SettingsFile::isValidKeyPath(m_path)) {
        debug("Settings key \"%s\" is not a valid key name\n", m_path.c_str());
        return;
    }
    SettingsFile file;
    m_open = file.load() && file.hasKey(m_path);
    if (m_open || !create) {
        m_writable = m_open && create ? 1 : 0;
        return;
    }
    m_open = SettingsFile::update([this](SettingsFile& current) {
        current.addKey(m_path);
        return true;
    });
    m_writable = m_open ? 1 : 0;
}

RegistryKey::~RegistryKey() = default;

bool RegistryKey::setAll(const std::vector<RegNamedValue>& values)
{
    if (!m_open || m_writable != 1) {
        return false;
    }
    return SettingsFile::update([&](SettingsFile& file) {
        return std::all_of(values.begin(), values.end(),
                           [&](const auto& value) { return file.set(m_path, heron_string(value.first), value.second); });
    });
}

bool RegistryKey::setInt(const char* name, std::int32_t value)
{
    return store(name, SettingsValue::dword(static_cast<std::uint32_t>(value)));
}

bool RegistryKey::setBool(const char* name, bool value)
{
    return setInt(name, value ? 1 : 0);
}

bool RegistryKey::setUnsigned(const char* name, std::uint32_t value)
{
    return store(name, SettingsValue::dword(value));
}

bool RegistryKey::setString(const char* name, const char* value)
{
    return value == nullptr ? store(name, SettingsValue::text("", 0)) : store(name, SettingsValue::text(value, std::strlen(value)));
}

bool RegistryKey::setString(const char* name, const heron_string& value)
{
    return setString(name, value.c_str());
}

bool RegistryKey::setBinary(const char* name, const void* data, std::uint32_t size)
{
    return store(name, SettingsValue::binary(data, size));
}

bool RegistryKey::setBinary(const char* name, const MemoryDataDest& data)
{
    return setBinary(name, data.data(), data.size());
}

bool RegistryKey::readValue(const char* name, RegReadCallback& callback) const
{
    if (!m_open) {
        return false;
    }
    MutexLock lock(SettingsFile::accessor(), 10);
    SettingsFile file;
    if (!file.load()) {
        return false;
    }
    const SettingsValue* value = file.find(m_path, heron_string(name));
    if (value == nullptr) {
        return false;
    }
    if (!callback.handle(value->type, &value->bytes)) {
        debug("Settings value \"%s\" of key %s holds a %s of the wrong kind; the default stays\n", name, m_path.c_str(),
              typeName(value->type));
        return false;
    }
    return true;
}

void RegSessionValues::remember(std::vector<RegNamedValue> values)
{
    m_file = SettingsFile::filePath();
    m_values = std::move(values);
    m_set.clear();
}

void RegSessionValues::noteChanges(const std::vector<RegNamedValue>& values)
{
    for (const RegNamedValue& value : values) {
        if (!remembers(value) && !isSet(value.first)) {
            m_set.push_back(value.first);
        }
    }
}

bool RegSessionValues::write(const std::vector<RegNamedValue>& values)
{
    noteChanges(values);
    const bool sameFile = SettingsFile::filePath() == m_file;
    std::vector<RegNamedValue> changed;
    std::copy_if(values.begin(), values.end(), std::back_inserter(changed),
                 [&](const RegNamedValue& value) { return !sameFile || isSet(value.first); });
    if (changed.empty()) {
        return true;
    }
    RegistryKey key(m_subKey, true);
    if (!key.setAll(changed)) {
        return false;
    }
    remember(values);
    return true;
}

bool RegSessionValues::remembers(const RegNamedValue& value) const
{
    return std::any_of(m_values.begin(), m_values.end(), [&](const RegNamedValue& known) {
        return std::strcmp(known.first, value.first) == 0 && known.second.type == value.second.type &&
               known.second.bytes == value.second.bytes;
    });
}

bool RegSessionValues::isSet(const char* name) const
{
    return std::any_of(m_set.begin(), m_set.end(), [&](const char* set) { return std::strcmp(set, name) == 0; });
}

RegReadCallback::~RegReadCallback() = default;

RegIntReader::RegIntReader(const RegistryKey& key, const char* name, std::int32_t* target)
    : RegTargetReader(target)
{
    read(key, name);
}

bool RegIntReader::handle(std::uint32_t type, const std::vector<std::uint8_t>* value)
{
    if ((type != RegDword && type != RegDwordBigEndian) || value->size() != 4) {
        return false;
    }
    const SettingsValue number{type, *value};
    *m_target = static_cast<std::int32_t>(number.dwordNumber());
    return true;
}

bool RegIntReader::readBool(const RegistryKey& key, const char* name, bool* target)
{
    std::int32_t value = 0;
    if (!RegIntReader(key, name, &value)) {
        return false;
    }
    *target = value != 0;
    return true;
}

RegStringReader::RegStringReader(const RegistryKey& key, const char* name, heron_string* target)
    : RegTargetReader(target)
{
    read(key, name);
}

bool RegStringReader::handle(std::uint32_t type, const std::vector<std::uint8_t>* value)
{
    if (type != RegString) {
        return false;
    }
    const auto* text = reinterpret_cast<const char*>(value->data());
    const void* nul = std::memchr(text, 0, value->size());
    const std::size_t length = nul != nullptr ? static_cast<const char*>(nul) - text : value->size();
    m_target->assign(text, static_cast<std::uint32_t>(length));
    return true;
}

RegMemoryDataSourceReader::RegMemoryDataSourceReader(const RegistryKey& key, const char* name, MemoryDataSource* target)
    : RegTargetReader(target)
{
    read(key, name);
}

bool RegMemoryDataSourceReader::handle(std::uint32_t type, const std::vector<std::uint8_t>* value)
{
    if (type != RegBinary) {
        return false;
    }
    m_target->assign(value->data(), static_cast<std::uint32_t>(value->size()), true);
    return true;
}

}
