// ChangeControllerCmd: the Change Controller's two jobs without a window, for scripts
// and for people who look after many machines: list the controllers, and point the
// web service at one; and a monitoring check of the stored controller. It drives the
// same discovery, resolve and apply as the dialog.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/cmd/CommandLine.h"
#include "app/cmd/ExitCodes.h"
#include "app/cmd/Output.h"
#include "app/cmd/SetReport.h"
#include "apply/Resolve.h"
#include "discovery/ControllerListing.h"
#include "discovery/LocalNetworks.h"
#include "framework/SystemDlls.h"
#include "store/ExeDirectory.h"
#include "store/Numbers.h"
#include "store/SettingsFile.h"
#include "version.h"

namespace cc {
namespace {

using Clock = std::chrono::steady_clock;

// Both streams are binary, so each line ends in exactly one CR LF.
void Write(std::FILE* stream, const std::string& text)
{
    std::string bytes;
    for (char c : text)
        bytes += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

void PrintLine(std::FILE* stream, const std::string& text)
{
    Write(stream, text + "\n");
}

// One line on the console, rewritten in place; nothing when standard error is redirected.
class ProgressLine {
public:
    ProgressLine()
    {
        DWORD mode = 0;
        m_shown = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
    }
    ~ProgressLine()
    {
        if (m_shown && m_width > 0)
            std::fprintf(stderr, "\r%*s\r", static_cast<int>(m_width), "");
    }

    void Show(const ListingProgress& progress)
    {
        if (!m_shown)
            return;
        const std::string text = "Listening, " + std::to_string((progress.left.count() + 999) / 1000) +
                                 " s left: " + std::to_string(progress.nodesKnown) + " nodes answered";
        std::fprintf(stderr, "\r%-*s", static_cast<int>(m_width), text.c_str());
        m_width = std::max(m_width, text.size());
    }

private:
    bool m_shown = false;
    size_t m_width = 0;
};

std::string FirstOf(const std::vector<std::string>& addresses)
{
    return addresses.empty() ? std::string() : addresses.front();
}

std::string ServiceDirectory(const CommandLine& line)
{
    return line.directory.empty() ? GetExeDirectory() : line.directory;
}

// Why the directory holds no settings to read, naming the path; "" when it holds them.
std::string MissingSettings(const std::string& directory)
{
    const DWORD attributes = GetFileAttributesA(directory.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return "no settings here: the directory " + directory + " does not exist";
    const std::string path = SettingsPathFor(directory);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return "no settings here: " + path + " does not exist";
    return {};
}

std::string Seconds(Clock::duration duration, int decimals)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, std::chrono::duration<double>(duration).count());
    return text;
}

int List(const CommandLine& line)
{
    const std::vector<std::string> localAddresses = LocalHostAddresses();
    NRController controller(FirstOf(localAddresses));
    NRFindControllers& engine = *controller.getFindControllers();

    ListingPlan plan;
    plan.broadcastAddresses = BroadcastAddressesFor(localAddresses);
    plan.sweepRanges = line.ranges;
    plan.sweepQueriesPerSecond = line.queriesPerSecond;
    if (line.listSeconds)
        plan.longest = std::chrono::seconds(*line.listSeconds);
    plan.untilSwept = !line.listSeconds;
    ListingResult result;
    {
        ProgressLine progressLine;
        const auto enough = [] { return false; };
        const auto progress = [&progressLine](const ListingProgress& now) { progressLine.Show(now); };
        result = RunListing(engine, plan, enough, progress);
    }
    if (!result.sweepStarted) {
        PrintLine(stderr, "ChangeControllerCmd: the address ranges could not be queried");
        return kUnexpectedFailure;
    }
    const std::string listing = FormatListing(ListedNodes(engine, line.withMembers), line.format, line.withMembers);
    std::fwrite(listing.data(), 1, listing.size(), stdout);
    if (result.sweep.sent < result.sweep.total) {
        PrintLine(stderr, "ChangeControllerCmd: incomplete: the listing ended after " + Seconds(result.took, 1) +
                              " s with " + std::to_string(result.sweep.sent) + " of " +
                              std::to_string(result.sweep.total) +
                              " addresses of the ranges queried; controllers at the others are not listed");
        return kIncomplete;
    }
    return kDone;
}

int Show(const CommandLine& line)
{
    const std::string directory = ServiceDirectory(line);
    if (const std::string missing = MissingSettings(directory); !missing.empty()) {
        PrintLine(stderr, "ChangeControllerCmd: " + missing);
        return kNoSettings;
    }
    const std::string path = SettingsPathFor(directory);
    const StoredSettings stored = ReadSettings(path);
    const auto value = [&path](const char* key, const std::string& text) {
        return HasSetting(path, key) ? text : "not stored (" + path + " has no " + key + ")";
    };
    PrintLine(stdout, "Host Controller: " + value(kAddressKey, stored.address));
    PrintLine(stdout, "Refresh rate:    " + value(kRefreshRateKey, std::to_string(stored.refreshSeconds) + " s"));
    return kDone;
}

int Set(const CommandLine& line)
{
    const std::string directory = ServiceDirectory(line);
    if (const std::string missing = MissingSettings(directory); !missing.empty()) {
        PrintLine(stderr, "ChangeControllerCmd: " + missing);
        return kNoSettings;
    }
    const std::string settingsPath = SettingsPathFor(directory);
    if (!line.refreshSeconds && !HasSetting(settingsPath, kRefreshRateKey)) {
        PrintLine(stderr, "ChangeControllerCmd: no settings here: " + settingsPath +
                              " has no RefreshRate to keep; give one with --refresh-rate");
        return kNoSettings;
    }
    const int refreshSeconds =
        FlooredRefreshSeconds(line.refreshSeconds ? *line.refreshSeconds : ReadSettings(settingsPath).refreshSeconds);

    const std::vector<std::string> localAddresses = LocalHostAddresses();
    NRController controller(FirstOf(localAddresses));
    NRFindControllers& engine = *controller.getFindControllers();
    if (!FindListedName(engine, BroadcastAddressesFor(localAddresses), line.controller,
                        std::chrono::seconds(line.nameSearchSeconds), false)) {
        const Resolution resolution = AskLibrary(engine, line.controller);
        if (resolution.outcome != ResolveOutcome::Found) {
            PrintLine(stderr, ResolveFailureMessage(resolution.outcome, line.controller).text);
            return resolution.outcome == ResolveOutcome::MemberNode ? kMemberNode : kNotFound;
        }
    }

    // As in the dialog, the settings get the text as typed.
    const StoredChoice replaced = ReadStoredChoice(settingsPath);
    const ApplyResult result = ApplySelection(directory, line.controller, refreshSeconds);
    const std::string message = ApplyResultMessage(result).text;
    const bool applied = result.outcome == ApplyOutcome::Applied;
    if (applied && line.format != OutputFormat::Json)
        PrintLine(stdout, message);
    else if (!applied)
        PrintLine(stderr, message);
    // Even a failed apply may have stored some of the settings: what they held before
    // is what the operator or a script goes back to.
    const std::string report = FormatReplaced({line.controller, refreshSeconds}, replaced, line.format);
    std::fwrite(report.data(), 1, report.size(), stdout);
    switch (result.outcome) {
    case ApplyOutcome::Applied:
        return kDone;
    case ApplyOutcome::NotSaved:
        return kNotSaved;
    case ApplyOutcome::RestartFailed:
        break;
    }
    return kRestartFailed;
}

const char* StateName(CheckState state)
{
    switch (state) {
    case kCheckOk:
        return "OK";
    case kCheckCritical:
        return "CRITICAL";
    case kCheckUnknown:
        break;
    }
    return "UNKNOWN";
}

// The check's one line: state, what happened, and the time measured as performance data.
int CheckResult(CheckState state, const std::string& text, std::optional<Clock::duration> measured = std::nullopt)
{
    PrintLine(stdout, std::string(StateName(state)) + " - " + text +
                          (measured ? " | time=" + Seconds(*measured, 3) + "s;;;0" : std::string()));
    return state;
}

int Check(const CommandLine& line)
{
    const std::string directory = ServiceDirectory(line);
    if (const std::string missing = MissingSettings(directory); !missing.empty())
        return CheckResult(kCheckUnknown, missing);
    const std::string settingsPath = SettingsPathFor(directory);
    const std::string stored = ReadSettings(settingsPath).address;
    if (stored.empty())
        return CheckResult(kCheckUnknown, "no Host Controller is stored in " + settingsPath);

    const std::vector<std::string> localAddresses = LocalHostAddresses();
    NRController controller(FirstOf(localAddresses));
    NRFindControllers& engine = *controller.getFindControllers();
    const std::string named = "Host Controller " + stored;
    // A listed name, as set takes it: from the broadcasts until its answer.
    Clock::time_point start = Clock::now();
    if (const std::optional<ListedNode> node = FindListedName(engine, BroadcastAddressesFor(localAddresses), stored,
                                                              std::chrono::seconds(line.nameSearchSeconds), true)) {
        const Clock::duration took = Clock::now() - start;
        if (node->member) {
            return CheckResult(kCheckCritical,
                               named + " (" + node->address + ") is a member node of the controller " +
                                   node->controllerAddress + ", not a controller",
                               took);
        }
        return CheckResult(kCheckOk, named + " answers from " + node->address, took);
    }
    // Otherwise the one-node query: from its first query until its answer or its end.
    start = Clock::now();
    try {
        const std::string address = engine.AddSpecificController(stored);
        const Clock::duration took = Clock::now() - start;
        if (address.empty())
            return CheckResult(kCheckCritical, named + " does not answer", took);
        return CheckResult(kCheckOk, named + " answers from " + address, took);
    } catch (const ExceptionMemberFound& member) {
        return CheckResult(kCheckCritical,
                           named + " (" + member.Text() + ") is a member node of the controller " +
                               member.ControllerAddress() + ", not a controller",
                           Clock::now() - start);
    } catch (const ExceptionCommunicationsError& error) {
        return CheckResult(kCheckUnknown, "the check could not query: " + error.Text());
    }
}

// The text of an exception that escaped, for the last line the program prints.
std::string Describe(const std::exception& error)
{
    if (const auto* library = dynamic_cast<const Exception*>(&error)) {
        return !library->Text().empty() ? library->Text()
                                        : "the discovery library failed (code " + std::to_string(library->Code()) + ")";
    }
    return *error.what() ? error.what() : "internal error";
}

}  // namespace
}  // namespace cc

int main(int argc, char** argv)
{
    using namespace cc;
    const std::string dllFailure = fw::LoadDllsFromSystemDirectoryOnly();
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    const ParsedCommandLine parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    const bool checking = parsed.line.command == Command::Check;
    if (!dllFailure.empty()) {
        if (checking)
            return CheckResult(kCheckUnknown, dllFailure);
        PrintLine(stderr, "ChangeControllerCmd: " + dllFailure);
        return kUnexpectedFailure;
    }
    if (!parsed.valid) {
        if (checking)
            return CheckResult(kCheckUnknown, parsed.error);
        PrintLine(stderr, "ChangeControllerCmd: " + parsed.error + "\nRun ChangeControllerCmd /? for the usage.");
        return kUsageError;
    }
    try {
        switch (parsed.line.command) {
        case Command::List:
            return List(parsed.line);
        case Command::Show:
            return Show(parsed.line);
        case Command::Set:
            return Set(parsed.line);
        case Command::Check:
            return Check(parsed.line);
        case Command::Version:
            PrintLine(stdout, "ChangeControllerCmd " CC_VERSION_TEXT);
            return kDone;
        case Command::Help:
            break;
        }
        Write(stdout, UsageText());
        return kDone;
    } catch (const std::exception& error) {
        if (checking)
            return CheckResult(kCheckUnknown, "the check failed: " + Describe(error));
        PrintLine(stderr, "ChangeControllerCmd: " + Describe(error));
        return kUnexpectedFailure;
    }
}
