#include "app/cmd/SetReport.h"

#include "app/cmd/Output.h"
#include "store/RefreshRate.h"
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

// The members of a choice's JSON object: "controller", null when the file lacks it;
// "refreshMs", the stored rate when it is a whole number of milliseconds, as --refresh-ms
// takes it back, otherwise null; and "refreshText", the stored text, when the file holds
// a rate that is no such number, which set cannot store back.
std::string JsonChoice(const StoredChoice& choice)
{
    const StoredRefreshRate& rate = choice.refreshRate;
    std::string members = "\"controller\": " + (choice.controller ? JsonString(*choice.controller) : "null") +
                          ", \"refreshMs\": " + (rate.milliseconds ? std::to_string(*rate.milliseconds) : "null");
    if (rate.present && !rate.milliseconds)
        members += ", \"refreshText\": " + JsonString(rate.text);
    return members;
}

}  // namespace

std::string FormatStoredChoice(const StoredChoice& choice)
{
    return "{" + JsonChoice(choice) + "}\r\n";
}

std::string FormatReplaced(const std::string& controller, int refreshSeconds, const StoredChoice& replaced,
                           OutputFormat format)
{
    if (format == OutputFormat::Json) {
        const StoredChoice applied{controller, {true, "", RefreshRateMilliseconds(refreshSeconds)}};
        return "{" + JsonChoice(applied) + ", \"was\": {" + JsonChoice(replaced) + "}}\r\n";
    }
    return "was " + replaced.controller.value_or("no controller") + ", " +
           (replaced.refreshRate.present ? RefreshRateAsStored(replaced.refreshRate) : "no refresh rate") + "\r\n";
}

}  // namespace cc
