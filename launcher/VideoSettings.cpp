#include "launcher/VideoSettings.h"

#include "base/Debug.h"
#include "base/files/RegistryKey.h"
#include "base/files/SettingsFile.h"

#include <cstdint>
#include <vector>

namespace game_launcher
{

namespace
{

constexpr std::int32_t lastResolution = 4;
constexpr std::int32_t lastDepth = 1;
constexpr std::int32_t lastRefresh = 2;

constexpr const char* useCurrentName = "Use current";
constexpr const char* resolutionName = "Screen resolution";
constexpr const char* depthName = "Screen color depth";
constexpr const char* refreshName = "Screen Hz";
constexpr const char* compressionName = "Texture res";
constexpr const char* accelerationName = "Use display lists";
constexpr const char* fogName = "Enable fog";

// Reads the stored index into target when it lies within 0..last.
void readIndex(const heron::RegistryKey& key, const char* name, std::int32_t last, std::int32_t& target)
{
    std::int32_t stored = 0;
    if (!heron::RegIntReader(key, name, &stored)) {
        return;
    }
    if (stored < 0 || stored > last) {
        heron::debug("Setting \"%s\" = %d is outside 0..%d and is ignored\n", name, stored, last);
        return;
    }
    target = stored;
}

// The seven values as the settings store holds them, booleans as 0 or 1.
std::vector<heron::RegNamedValue> storedValues(const VideoSettings& settings)
{
    const auto dword = [](std::int32_t value) { return heron::SettingsValue::dword(static_cast<std::uint32_t>(value)); };
    const kestrel::ScreenMode& mode = settings.chosenScreenMode;
    return {
        {useCurrentName, dword(settings.useCurrentMode)},
        {resolutionName, dword(mode.resolution)},
        {depthName, dword(mode.depth)},
        {refreshName, dword(mode.refresh)},
        {compressionName, dword(settings.textureCompression)},
        {accelerationName, dword(settings.fullGLacceleration)},
        {fogName, dword(settings.fogEnabled)},
    };
}

// The values as this session read or last wrote them.
heron::RegSessionValues& sessionValues()
{
    static heron::RegSessionValues values(productRegistryKeyName());
    return values;
}

// The settings read, remembered as this session's.
VideoSettings remembered(const VideoSettings& settings)
{
    sessionValues().remember(storedValues(settings));
    return settings;
}

}

VideoSettings& launcherVideoSettings()
{
    static VideoSettings settings;
    return settings;
}

heron_string productRegistryKeyName()
{
    return "Pellmore Interactive Ltd\\Aurelle";
}

VideoSettings defaultVideoSettings(const kestrel::ScreenMode& desktop)
{
    VideoSettings settings;
    settings.chosenScreenMode = desktop;
    if (settings.chosenScreenMode.refresh > lastRefresh) {
        settings.chosenScreenMode.refresh = lastRefresh;
    }
    return settings;
}

VideoSettings readVideoSettings(const kestrel::ScreenMode& desktop)
{
    VideoSettings settings = defaultVideoSettings(desktop);
    const heron::RegistryKey key(productRegistryKeyName(), false);
    if (!key.isOpen()) {
        return remembered(settings);
    }
    heron::RegIntReader::readBool(key, useCurrentName, &settings.useCurrentMode);
    readIndex(key, resolutionName, lastResolution, settings.chosenScreenMode.resolution);
    readIndex(key, depthName, lastDepth, settings.chosenScreenMode.depth);
    readIndex(key, refreshName, lastRefresh, settings.chosenScreenMode.refresh);
    heron::RegIntReader::readBool(key, compressionName, &settings.textureCompression);
    heron::RegIntReader::readBool(key, accelerationName, &settings.fullGLacceleration);
    heron::RegIntReader::readBool(key, fogName, &settings.fogEnabled);
    return remembered(settings);
}

bool writeVideoSettings(const VideoSettings& settings)
{
    return sessionValues().write(storedValues(settings));
}

}
