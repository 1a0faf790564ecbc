#include "store/SettingsFile.h"

#include "store/Numbers.h"

#include <windows.h>

namespace cc {

namespace {

// Some implementations do not fail on a longer path but write elsewhere.
bool ProfileCallsCanTake(const std::string& settingsPath)
{
    return settingsPath.size() < MAX_PATH;
}

}  // namespace

bool WriteSetting(const std::string& settingsPath, const char* key, const std::string& value)
{
    return ProfileCallsCanTake(settingsPath) &&
           WritePrivateProfileStringA(kSettingsSection, key, value.c_str(), settingsPath.c_str());
}

std::string ReadSetting(const std::string& settingsPath, const char* key)
{
    // A 256-byte buffer with 255 given as its size lets at most 254 characters arrive.
    char buffer[256] = {};
    if (ProfileCallsCanTake(settingsPath))
        GetPrivateProfileStringA(kSettingsSection, key, "", buffer, 255, settingsPath.c_str());
    return buffer;
}

bool HasSetting(const std::string& settingsPath, const char* key)
{
    if (!ProfileCallsCanTake(settingsPath))
        return false;
    // The key names, each ended by a zero; a section holds at most 32,767 characters.
    std::string names(32768, '\0');
    const DWORD length = GetPrivateProfileStringA(kSettingsSection, nullptr, "", names.data(),
                                                  static_cast<DWORD>(names.size()), settingsPath.c_str());
    for (size_t start = 0; start < length;) {
        const size_t end = names.find('\0', start);
        if (lstrcmpiA(names.substr(start, end - start).c_str(), key) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

std::string SettingsPathFor(const std::string& exeDirectory)
{
    return exeDirectory + "\\GlasswayConfig.ini";
}

SettingsFile::SettingsFile(const std::string& settingsPath) : m_path(settingsPath)
{
    WriteSetting(m_path, kResetKey, "0");
}

SettingsFile::~SettingsFile() = default;

const std::string& SettingsFile::Path() const
{
    return m_path;
}

StoredSettings ReadSettings(const std::string& settingsPath)
{
    StoredSettings settings;
    settings.address = ReadSetting(settingsPath, kAddressKey);
    const int milliseconds = ParseIntSaturated(ReadSetting(settingsPath, kRefreshRateKey).c_str());
    settings.refreshSeconds = milliseconds != 0 ? milliseconds / 1000 : kShortestRefreshSeconds;
    return settings;
}

}  // namespace cc
