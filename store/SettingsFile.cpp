#include "store/SettingsFile.h"

#include "store/Numbers.h"
#include "store/RefreshRate.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>

namespace cc {

namespace {

// As the service reads a value.
constexpr size_t kLongestReadableValue = 254;
// The blanks the profile read drops around a value.
constexpr const char kBlanks[] = " \t\v\f";

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
    char buffer[kLongestReadableValue + 2] = {};
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

std::optional<std::string> ProfileReadBackProblem(const std::string& value)
{
    if (value.find_first_of("\r\n") != std::string::npos)
        return "a line break ends a value in the settings file";
    if (WithoutSurroundingBlanks(value) != value)
        return "the settings file drops blanks around a value";
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return "the settings file drops the quotes around a value";
    if (value.size() > kLongestReadableValue)
        return "the settings file gives at most " + std::to_string(kLongestReadableValue) + " characters back";
    return std::nullopt;
}

std::string WithoutSurroundingBlanks(const std::string& text)
{
    const size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string SettingsPathFor(const std::string& exeDirectory)
{
    return exeDirectory + "\\GlasswayConfig.ini";
}

void ClearResetFlag(const std::string& settingsPath)
{
    WriteSetting(settingsPath, kResetKey, "0");
}

StoredRefreshRate ReadStoredRefreshRate(const std::string& settingsPath)
{
    StoredRefreshRate stored;
    stored.present = HasSetting(settingsPath, kRefreshRateKey);
    stored.text = ReadSetting(settingsPath, kRefreshRateKey);
    const std::string& text = stored.text;
    const size_t firstDigit = text.compare(0, 1, "-") == 0 ? 1 : 0;
    if (text.size() == firstDigit || text.find_first_not_of("0123456789", firstDigit) != std::string::npos)
        return stored;
    const size_t significant = std::min(text.find_first_not_of('0', firstDigit), text.size());
    // Eleven significant digits are beyond 32 bits whatever they are.
    std::int64_t value = 0;
    if (text.size() - significant > 10)
        value = INT64_MAX;
    else if (significant < text.size())
        value = std::stoll(text.substr(significant));
    const std::int64_t signedValue = firstDigit ? -value : value;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX)
        return stored;
    stored.milliseconds = static_cast<int>(signedValue);
    return stored;
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
