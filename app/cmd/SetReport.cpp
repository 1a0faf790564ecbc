#include "app/cmd/SetReport.h"

#include "app/cmd/Output.h"
#include "store/SettingsFile.h"

namespace cc {

ChoiceAsStored ReadChoiceAsStored(const std::string& settingsPath)
{
    ChoiceAsStored choice;
    if (HasSetting(settingsPath, kAddressKey))
        choice.controller = ReadSetting(settingsPath, kAddressKey);
    choice.refreshRate = ReadStoredRefreshRate(settingsPath);
    return choice;
}

namespace {

// The members of a choice's JSON object: "controller", null when the file lacks it;
// "refreshSeconds", as scripts have read it since before --refresh-ms: the exact seconds,
// the stored text when it is no number, null when there is none; "refreshMs", the stored
// rate when it is a whole number of milliseconds, as --refresh-ms takes it back,
// otherwise null; and "refreshText", the stored text, when the file holds a rate that is
// no such number, which set cannot store back.
std::string JsonChoice(const ChoiceAsStored& choice)
{
    const StoredRefreshRate& rate = choice.refreshRate;
    const std::string seconds = !rate.present       ? "null"
                                : rate.milliseconds ? ExactSeconds(*rate.milliseconds)
                                                    : JsonString(rate.text);
    std::string members = "\"controller\": " + (choice.controller ? JsonString(*choice.controller) : "null") +
                          ", \"refreshSeconds\": " + seconds +
                          ", \"refreshMs\": " + (rate.milliseconds ? std::to_string(*rate.milliseconds) : "null");
    if (rate.present && !rate.milliseconds)
        members += ", \"refreshText\": " + JsonString(rate.text);
    return members;
}

}  // namespace

std::string FormatChoiceAsStored(const ChoiceAsStored& choice)
{
    return "{" + JsonChoice(choice) + "}\n";
}

bool AlreadyStored(const ChoiceAsStored& stored, const Choice& choice)
{
    return stored.controller == choice.controller && stored.refreshRate.milliseconds == choice.refreshMilliseconds;
}

std::string FormatSetReport(const SetReport& report, OutputFormat format, const std::optional<Failure>& failure)
{
    if (format == OutputFormat::Json) {
        const ChoiceAsStored chosen{report.choice.controller, {true, "", report.choice.refreshMilliseconds}};
        return "{" + JsonChoice(chosen) + ", \"changed\": " + (report.changed ? "true" : "false") +
               (report.dryRun ? ", \"dryRun\": true" : "") +
               (report.was ? ", \"was\": {" + JsonChoice(*report.was) + "}" : "") +
               (failure ? ", " + JsonFailureMembers(*failure) : "") + "}\n";
    }
    std::string text;
    if (!report.changed || report.dryRun) {
        text += std::string(report.changed ? "would change: " : "unchanged: ") + report.choice.controller + ", " +
                ExactSeconds(report.choice.refreshMilliseconds) + " s\n";
    }
    if (const std::optional<ChoiceAsStored>& was = report.was) {
        text += "was " + was->controller.value_or("no controller") + ", " +
                (was->refreshRate.present ? RefreshRateAsStored(was->refreshRate) : "no refresh rate") + "\n";
    }
    return text;
}

std::string FormatSetFailure(const Failure& failure, bool dryRun)
{
    return std::string("{\"changed\": false") + (dryRun ? ", \"dryRun\": true" : "") + ", " +
           JsonFailureMembers(failure) + "}\n";
}

}  // namespace cc
