// set: point the web service at a controller, storing the choice and restarting the
// service as the dialog does; with --if-changed or --dry-run only when it differs.
#include <chrono>
#include <optional>

#include "app/cmd/Commands.h"
#include "app/cmd/Console.h"
#include "app/cmd/Elevation.h"
#include "app/cmd/ExitCodes.h"
#include "app/cmd/Failures.h"
#include "app/cmd/LocalDiscovery.h"
#include "app/cmd/RefreshRatePolicy.h"
#include "app/cmd/ServiceDirectory.h"
#include "app/cmd/SetReport.h"
#include "apply/Resolve.h"
#include "discovery/ControllerListing.h"
#include "store/SettingsFile.h"

namespace cc {

namespace {

// Why set cannot store in the settings found: not the service's folder, or no rate
// given and none stored to keep; none when it can.
std::optional<std::string> CannotStore(const CommandLine& line, const SettingsPlace& settings,
                                       const StoredRefreshRate& storedRate)
{
    if (std::optional<std::string> notService = NotServiceFolder(settings.directory))
        return notService;
    if (!line.refreshMilliseconds && !storedRate.present) {
        return "no settings here: " + settings.settingsPath +
               " has no RefreshRate to keep; give one with --refresh-rate or --refresh-ms";
    }
    return std::nullopt;
}

// Even a choice that is stored already is resolved: a desired state that names a
// controller that no longer answers must not pass. None when the controller answers;
// otherwise the exit code, the failure reported.
std::optional<int> UnansweredController(const CommandLine& line)
{
    LocalDiscovery discovery;
    if (FindListedName(discovery.engine(), discovery.broadcastAddresses(), line.controller,
                       std::chrono::seconds(line.nameSearchSeconds), false))
        return std::nullopt;
    const Resolution resolution = AskLibrary(discovery.engine(), line.controller);
    if (resolution.outcome == ResolveOutcome::Found)
        return std::nullopt;
    return Failed(line, resolution.outcome == ResolveOutcome::MemberNode ? kMemberNode : kNotFound,
                  ResolveFailureMessage(resolution.outcome, line.controller).text, false);
}

// Where the notice of a rate not kept goes: with JSON, standard output holds the one
// object and nothing else.
std::FILE* NoticeStream(const CommandLine& line)
{
    return line.format == OutputFormat::Json ? stderr : stdout;
}

// With --dry-run, or --if-changed and the choice stored already: the report, and nothing
// stored. None when the choice is to be stored.
std::optional<int> ReportedWithoutStoring(const CommandLine& line, const StoredRefreshRate& storedRate,
                                          const RateToStore& rate, SetReport& report)
{
    if (!line.dryRun && !line.ifChanged)
        return std::nullopt;
    report.changed = !AlreadyStored(*report.was, report.choice);
    if (!report.changed)
        report.was.reset();
    if (!line.dryRun && report.changed)
        return std::nullopt;
    if (report.changed && rate.change)
        PrintLine(NoticeStream(line), RateChangeNotice(storedRate, rate, line.dryRun));
    Write(stdout, FormatSetReport(report, line.format));
    return kDone;
}

// The choice stored and the service restarted, and what happened reported.
int StoreAndReport(const CommandLine& line, const std::string& directory, const StoredRefreshRate& storedRate,
                   const RateToStore& rate, const SetReport& report)
{
    // As in the dialog, the settings get the text as typed.
    const ApplyResult result = ApplySelection(directory, report.choice);
    const std::string message = ApplyResultMessage(result).text;
    if (result.outcome == ApplyOutcome::NotSaved) {
        Failed(line, kNotSaved, message, false);
        if (!RunsElevated()) {
            PrintLine(stderr, std::string(kProgramName) +
                                  ": this prompt has no administrator's rights, which set needs to write "
                                  "into the service's directory and restart the service: run it from an elevated "
                                  "prompt");
        }
        return kNotSaved;
    }
    if (rate.change)
        PrintLine(NoticeStream(line), RateChangeNotice(storedRate, rate, false));
    if (result.outcome == ApplyOutcome::RestartFailed) {
        PrintLine(stderr, message);
        Write(stdout, FormatSetReport(report, line.format, Failure{kRestartFailed, message}));
        return kRestartFailed;
    }
    if (line.format != OutputFormat::Json)
        PrintLine(stdout, message);
    Write(stdout, FormatSetReport(report, line.format));
    return kDone;
}

}  // namespace

int Set(const CommandLine& line)
{
    const SettingsPlace settings = LocateSettings(line);
    if (settings.missing)
        return Failed(line, kNoSettings, *settings.missing);
    const StoredRefreshRate storedRate = ReadStoredRefreshRate(settings.settingsPath);
    if (const std::optional<std::string> refusal = CannotStore(line, settings, storedRate))
        return Failed(line, kNoSettings, *refusal);
    const RateToStore rate = RateToStoreFor(line.refreshMilliseconds, storedRate);
    if (const std::optional<int> failed = UnansweredController(line))
        return *failed;

    SetReport report{
        {line.controller, rate.milliseconds}, true, line.dryRun, ReadChoiceAsStored(settings.settingsPath)};
    if (const std::optional<int> reported = ReportedWithoutStoring(line, storedRate, rate, report))
        return *reported;
    return StoreAndReport(line, settings.directory, storedRate, rate, report);
}

}  // namespace cc
