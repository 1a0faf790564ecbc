#include "app/cmd/SetReport.h"

#include "app/cmd/Output.h"
#include "store/SettingsFile.h"

namespace cc {

StoredChoice ReadStoredChoice(const std::string& settingsPath)
{
    StoredChoice choice;
    if (HasSetting(settingsPath, kAddressKey))
        choice.controller = ReadSetting(settingsPath, kAddressKey);
    choice.refreshRate = ReadStoredRefreshRate(settingsPath);
    return choice;
}

namespace {

std::string JsonChoice(const std::optional<std::string>& controller, const std::string& refreshSeconds)
{
    return "\"controller\": " + (controller ? JsonString(*controller) : "null") +
           ", \"refreshSeconds\": " + refreshSeconds;
}

std::string JsonRefreshSeconds(const StoredRefreshRate& rate)
{
    if (!rate.present)
        return "null";
    return rate.milliseconds ? ExactSeconds(*rate.milliseconds) : JsonString(rate.text);
}

}  // namespace

std::string FormatReplaced(const std::string& controller, int refreshSeconds, const StoredChoice& replaced,
                           OutputFormat format)
{
    if (format == OutputFormat::Json) {
        return "{" + JsonChoice(controller, std::to_string(refreshSeconds)) + ", \"was\": {" +
               JsonChoice(replaced.controller, JsonRefreshSeconds(replaced.refreshRate)) + "}}\r\n";
    }
    return "was " + replaced.controller.value_or("no controller") + ", " +
           (replaced.refreshRate.present ? RefreshRateAsStored(replaced.refreshRate) : "no refresh rate") + "\r\n";
}

}  // namespace cc
