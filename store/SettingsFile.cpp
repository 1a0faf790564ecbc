#include "store/SettingsFile.h"

#include "store/ExeDirectory.h"
#include "store/Numbers.h"

#include <windows.h>

namespace {

constexpr int kDefaultRefreshRateMilliseconds = 20000;

// Values are read into a 256-byte buffer with 255 given as its size, so at most
// 254 characters of a value arrive; the service reads the file the same way.
std::string ReadValue(const std::string& settingsPath, const char* key)
{
    char buffer[256] = {};
    GetPrivateProfileStringA(kSettingsSection, key, "", buffer, 255, settingsPath.c_str());
    return buffer;
}

}  // namespace

std::string SettingsPathFor(const std::string& exeDirectory)
{
    return exeDirectory + "\\GlasswayConfig.ini";
}

SettingsFile::SettingsFile() : SettingsFile(GetExeDirectory()) {}

SettingsFile::SettingsFile(const std::string& exeDirectory) : path_(SettingsPathFor(exeDirectory))
{
    WritePrivateProfileStringA(kSettingsSection, kResetKey, "0", path_.c_str());
}

SettingsFile::~SettingsFile() = default;

const std::string& SettingsFile::Path() const
{
    return path_;
}

StoredSettings ReadSettings(const std::string& settingsPath)
{
    StoredSettings settings;
    settings.address = ReadValue(settingsPath, kAddressKey);
    int milliseconds = ParseIntSaturated(ReadValue(settingsPath, kRefreshRateKey).c_str());
    if (milliseconds == 0)
        milliseconds = kDefaultRefreshRateMilliseconds;
    settings.refreshRateText = std::to_string(milliseconds / 1000);
    return settings;
}
