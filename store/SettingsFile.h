#pragma once

#include <optional>
#include <string>

#include "store/RefreshRate.h"

namespace cc {

// The settings file shared with the web service: section "NorrinGlassway" of
// GlasswayConfig.ini in the tool's directory.
constexpr const char* kSettingsSection = "NorrinGlassway";
constexpr const char* kResetKey = "Reset";
constexpr const char* kAddressKey = "IPAddress";
constexpr const char* kRefreshRateKey = "RefreshRate";

// exeDirectory + "\GlasswayConfig.ini".
std::string SettingsPathFor(const std::string& exeDirectory);

// One value of the section. The platform's profile calls cannot take a path of 260
// characters or more, so for such a path a write fails and a read gives "".
// A write is false when the value could not be stored. A read gives at most 254
// characters, as the service reads them.
bool WriteSetting(const std::string& settingsPath, const char* key, const std::string& value);
std::string ReadSetting(const std::string& settingsPath, const char* key);
// Whether the section holds the key at all, even with an empty value.
bool HasSetting(const std::string& settingsPath, const char* key);

// Why the profile read would not give `value` back as written; none when it would.
// It drops blanks around a value and one pair of like quotes around it, a line break
// ends it, and the service reads at most 254 characters.
std::optional<std::string> ProfileReadBackProblem(const std::string& value);

// The text without the blanks the profile read drops at either end.
std::string WithoutSurroundingBlanks(const std::string& text);

// Writes Reset "0", which tells the service that the tool's dialog has opened. A
// failed write is not reported: the dialog opens either way.
void ClearResetFlag(const std::string& settingsPath);

struct StoredSettings {
    std::string address;     // IPAddress as stored, at most 254 characters
    int refreshSeconds = 0;  // RefreshRate in whole seconds
};

// RefreshRate as stored, for showing it as it stands.
struct StoredRefreshRate {
    bool present = false;  // the section holds the key
    std::string text;      // as the profile read gives it
    // The text as a whole number of milliseconds: an optional minus sign and decimal
    // digits, nothing else, within 32 bits; none when it is not one.
    std::optional<int> milliseconds;
};
StoredRefreshRate ReadStoredRefreshRate(const std::string& settingsPath);

// Reads IPAddress, then RefreshRate. A RefreshRate that is 0, empty, missing or not a
// number gives kShortestRefreshSeconds; milliseconds become seconds truncated toward zero.
StoredSettings ReadSettings(const std::string& settingsPath);

}  // namespace cc
