#include "app/cmd/SetReport.h"

#include "app/cmd/Output.h"
#include "store/SettingsFile.h"

namespace cc {

StoredChoice ReadStoredChoice(const std::string& settingsPath)
{
    const StoredSettings stored = ReadSettings(settingsPath);
    StoredChoice choice;
    if (HasSetting(settingsPath, kAddressKey))
        choice.controller = stored.address;
    if (HasSetting(settingsPath, kRefreshRateKey))
        choice.refreshSeconds = stored.refreshSeconds;
    return choice;
}

namespace {

std::string JsonChoice(const StoredChoice& choice)
{
    return "\"controller\": " + (choice.controller ? JsonString(*choice.controller) : "null") +
           ", \"refreshSeconds\": " + (choice.refreshSeconds ? std::to_string(*choice.refreshSeconds) : "null");
}

}  // namespace

std::string FormatReplaced(const StoredChoice& applied, const StoredChoice& replaced, OutputFormat format)
{
    if (format == OutputFormat::Json)
        return "{" + JsonChoice(applied) + ", \"was\": {" + JsonChoice(replaced) + "}}\r\n";
    return "was " + replaced.controller.value_or("no controller") + ", " +
           (replaced.refreshSeconds ? std::to_string(*replaced.refreshSeconds) + " s" : "no refresh rate") + "\r\n";
}

}  // namespace cc
