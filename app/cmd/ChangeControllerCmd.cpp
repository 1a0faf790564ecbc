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
#include "apply/Exceptions.h"
#include "apply/Resolve.h"
#include "discovery/AddressRanges.h"
#include "discovery/ControllerListing.h"
#include "discovery/ControllerScan.h"
#include "discovery/LocalNetworks.h"
#include "framework/ModulePath.h"
#include "framework/SystemDlls.h"
#include "store/ExeDirectory.h"
#include "store/FileOps.h"
#include "store/RefreshRate.h"
#include "store/SettingsFile.h"
#include "version.h"

namespace cc {
namespace {

using Clock = std::chrono::steady_clock;

// Text already in its bytes, its lines ending in CR LF.
void WriteBytes(std::FILE* stream, const std::string& bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

// Both streams are binary, so each line ends in exactly one CR LF.
void Write(std::FILE* stream, const std::string& text)
{
    std::string bytes;
    for (char c : text)
        bytes += c == '\n' ? std::string("\r\n") : std::string(1, c);
    WriteBytes(stream, bytes);
}

void PrintLine(std::FILE* stream, const std::string& text)
{
    Write(stream, text + "\n");
}

// A failure: its message on standard error, after the program's name when `named`, and
// with JSON one object on standard output too, so that a script reading the output
// always has one to read; set's says, as its every object does, that nothing changed.
int Failed(const CommandLine& line, ExitCode code, const std::string& message, bool named = true)
{
    PrintLine(stderr, (named ? "ChangeControllerCmd: " : "") + message);
    if (line.format == OutputFormat::Json) {
        const Failure failure{code, message};
        WriteBytes(stdout,
                   line.command == Command::Set ? FormatSetFailure(failure, line.dryRun) : FormatFailure(failure));
    }
    return code;
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

// A text in the system code page, each character it cannot spell a "?" (never a
// look-alike, which could name another, existing file).
std::string InCodePage(const std::wstring& text)
{
    if (text.empty())
        return {};
    const auto convert = [&text](DWORD flags, char* bytes, int size) {
        const char unspellable = '?';
        return WideCharToMultiByte(CP_ACP, flags, text.data(), static_cast<int>(text.size()), bytes, size,
                                   flags ? &unspellable : nullptr, nullptr);
    };
    // Code pages such as UTF-8 take no such flag; they spell every character.
    const DWORD flags = convert(WC_NO_BEST_FIT_CHARS, nullptr, 0) > 0 ? WC_NO_BEST_FIT_CHARS : 0;
    std::string bytes(static_cast<size_t>(convert(flags, nullptr, 0)), '\0');
    convert(flags, bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

// The program's own directory, spelled as InCodePage spells it.
std::string ProgramDirectory()
{
    return DirectoryOf(InCodePage(fw::AfxGetModuleFileNameW()));
}

std::string ServiceDirectory(const CommandLine& line)
{
    return line.directory.empty() ? ProgramDirectory() : line.directory;
}

// Why the programs cannot work in the directory at all, naming the limit; none when
// they can. The settings calls take single-byte paths of fewer than 260 characters.
std::optional<std::string> UnhandledDirectory(const std::string& directory)
{
    const bool extendedPrefix = directory.compare(0, 4, "\\\\?\\") == 0;
    if (directory.find('?', extendedPrefix ? 4 : 0) != std::string::npos) {
        return "the directory " + directory +
               " cannot be handled: its path holds characters that the system code page (" + std::to_string(GetACP()) +
               ") cannot spell, shown here as \"?\"";
    }
    const std::string path = SettingsPathFor(directory);
    if (path.size() >= MAX_PATH) {
        return "the directory " + directory + " cannot be handled: the path of its settings file is " +
               std::to_string(path.size()) + " characters long, and the settings calls take at most " +
               std::to_string(MAX_PATH - 1);
    }
    return std::nullopt;
}

// Why the directory holds no settings to read, naming the path; none when it holds them.
std::optional<std::string> MissingSettings(const std::string& directory)
{
    if (std::optional<std::string> unhandled = UnhandledDirectory(directory))
        return unhandled;
    if (KindOf(directory) != PathKind::Directory)
        return "no settings here: the directory " + directory + " does not exist";
    const std::string path = SettingsPathFor(directory);
    if (KindOf(path) == PathKind::Missing)
        return "no settings here: " + path + " does not exist";
    return std::nullopt;
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
    if (!result.sweepStarted)
        return Failed(line, kUnexpectedFailure, "the address ranges could not be queried");
    const std::string listing = FormatListing(ListedNodes(engine, line.withMembers), line.format, line.withMembers);
    WriteBytes(stdout, listing);
    if (result.sweep.sent < result.sweep.total) {
        PrintLine(stderr, "ChangeControllerCmd: incomplete: the listing ended after " + Seconds(result.took, 1) +
                              " s with " + std::to_string(result.sweep.sent) + " of " +
                              std::to_string(result.sweep.total) +
                              " addresses of the ranges queried; controllers at the others are not listed");
        return kIncomplete;
    }
    return kDone;
}

// RefreshRate as it stands: whole milliseconds as exact seconds, a negative number as
// stored, anything else quoted; never a value the file does not hold.
int Show(const CommandLine& line)
{
    const std::string directory = ServiceDirectory(line);
    if (const std::optional<std::string> missing = MissingSettings(directory))
        return Failed(line, kNoSettings, *missing);
    const std::string path = SettingsPathFor(directory);
    if (line.format == OutputFormat::Json) {
        WriteBytes(stdout, FormatStoredChoice(ReadStoredChoice(path)));
        return kDone;
    }
    const std::string address = ReadSetting(path, kAddressKey);
    const StoredRefreshRate refreshRate = ReadStoredRefreshRate(path);
    const auto value = [&path](const char* key, const std::string& text) {
        return HasSetting(path, key) ? text : "not stored (" + path + " has no " + key + ")";
    };
    PrintLine(stdout, "Host Controller: " + value(kAddressKey, address));
    PrintLine(stdout, "Refresh rate:    " + value(kRefreshRateKey, RefreshRateAsStored(refreshRate)));
    return kDone;
}

// The rate set stores, in milliseconds, and why it differs from the rate stored now,
// when it does.
struct RateToStore {
    int milliseconds;
    std::optional<std::string> change;
};

// The rate set keeps when none is given: the stored one in whole seconds, within the
// bounds.
RateToStore KeptRefreshRate(const StoredRefreshRate& stored)
{
    const auto seconds = [](int whole, std::optional<std::string> change) {
        return RateToStore{RefreshRateMilliseconds(whole), std::move(change)};
    };
    if (!stored.milliseconds)
        return seconds(kShortestRefreshSeconds, "is not a number");
    const int milliseconds = *stored.milliseconds;
    if (milliseconds < kShortestRefreshSeconds * 1000)
        return seconds(kShortestRefreshSeconds,
                       "is below the shortest rate, " + std::to_string(kShortestRefreshSeconds) + " s");
    if (milliseconds / 1000 > kLongestRefreshSeconds)
        return seconds(kLongestRefreshSeconds,
                       "is above the longest rate, " + std::to_string(kLongestRefreshSeconds) + " s");
    if (milliseconds % 1000 != 0)
        return seconds(milliseconds / 1000, "is not a whole number of seconds");
    return {milliseconds, std::nullopt};
}

// Whether the process runs with an administrator's full rights; as far as can be told,
// yes, so that a failure to tell never blames the rights.
bool RunsElevated()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return true;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool known = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) != 0;
    CloseHandle(token);
    return !known || elevation.TokenIsElevated != 0;
}

// The line that says the stored rate is not kept, and what is stored (or with a dry run
// would be) in its place.
std::string RateChangeNotice(const StoredRefreshRate& stored, const RateToStore& rate, bool dryRun)
{
    return "The stored RefreshRate \"" + stored.text + "\" " + *rate.change + "; " + ExactSeconds(rate.milliseconds) +
           (dryRun ? " s would be stored in its place" : " s is stored in its place");
}

int Set(const CommandLine& line)
{
    const std::string directory = ServiceDirectory(line);
    if (const std::optional<std::string> missing = MissingSettings(directory))
        return Failed(line, kNoSettings, *missing);
    if (!IsServiceFolder(directory)) {
        return Failed(line, kNoSettings,
                      "not the service's folder: " + ServiceExecutablePath(directory) + " does not exist");
    }
    const std::string settingsPath = SettingsPathFor(directory);
    const StoredRefreshRate storedRate = ReadStoredRefreshRate(settingsPath);
    if (!line.refreshMilliseconds && !storedRate.present) {
        return Failed(line, kNoSettings,
                      "no settings here: " + settingsPath +
                          " has no RefreshRate to keep; give one with --refresh-rate or --refresh-ms");
    }
    const RateToStore rate = line.refreshMilliseconds
                                 ? RateToStore{FlooredRefreshMilliseconds(*line.refreshMilliseconds), std::nullopt}
                                 : KeptRefreshRate(storedRate);

    // Even a choice that is stored already is resolved: a desired state that names a
    // controller that no longer answers must not pass.
    const std::vector<std::string> localAddresses = LocalHostAddresses();
    NRController controller(FirstOf(localAddresses));
    NRFindControllers& engine = *controller.getFindControllers();
    if (!FindListedName(engine, BroadcastAddressesFor(localAddresses), line.controller,
                        std::chrono::seconds(line.nameSearchSeconds), false)) {
        const Resolution resolution = AskLibrary(engine, line.controller);
        if (resolution.outcome != ResolveOutcome::Found) {
            return Failed(line, resolution.outcome == ResolveOutcome::MemberNode ? kMemberNode : kNotFound,
                          ResolveFailureMessage(resolution.outcome, line.controller).text, false);
        }
    }

    const bool json = line.format == OutputFormat::Json;
    const StoredChoice replaced = ReadStoredChoice(settingsPath);
    SetReport report{line.controller, rate.milliseconds, true, line.dryRun, replaced};
    if (line.dryRun || line.ifChanged) {
        report.changed = !AlreadyStored(replaced, line.controller, rate.milliseconds);
        if (!report.changed)
            report.was.reset();
        if (line.dryRun || !report.changed) {
            // With JSON, standard output holds the one object and nothing else.
            if (report.changed && rate.change)
                PrintLine(json ? stderr : stdout, RateChangeNotice(storedRate, rate, line.dryRun));
            WriteBytes(stdout, FormatSetReport(report, line.format));
            return kDone;
        }
    }

    // As in the dialog, the settings get the text as typed.
    const ApplyResult result = ApplySelection(directory, line.controller, rate.milliseconds);
    const std::string message = ApplyResultMessage(result).text;
    if (result.outcome == ApplyOutcome::NotSaved) {
        Failed(line, kNotSaved, message, false);
        if (!RunsElevated()) {
            PrintLine(stderr,
                      "ChangeControllerCmd: this prompt has no administrator's rights, which set needs to write "
                      "into the service's directory and restart the service: run it from an elevated prompt");
        }
        return kNotSaved;
    }
    if (rate.change)
        PrintLine(json ? stderr : stdout, RateChangeNotice(storedRate, rate, false));
    if (result.outcome == ApplyOutcome::RestartFailed) {
        PrintLine(stderr, message);
        WriteBytes(stdout, FormatSetReport(report, line.format, Failure{kRestartFailed, message}));
        return kRestartFailed;
    }
    if (!json)
        PrintLine(stdout, message);
    WriteBytes(stdout, FormatSetReport(report, line.format));
    return kDone;
}

const char* StateName(CheckState state)
{
    for (const auto& [listed, name, meaning] : kCheckStateMeanings) {
        if (listed == state)
            return name;
    }
    return "UNKNOWN";
}

// What the check measured: the whole check, from the program's start to its verdict,
// as a monitoring engine measures it, and the controller's own answer time, from the
// query that decided until its answer or its end (none when no query decided).
struct CheckTimes {
    Clock::time_point start;
    std::optional<Clock::duration> answer;
};

// The check's one line: state, what happened, and with times the performance data.
int CheckResult(CheckState state, const std::string& text, const CheckTimes* times = nullptr)
{
    std::string line = std::string(StateName(state)) + " - " + PluginText(text);
    if (times) {
        line += " | time=" + Seconds(Clock::now() - times->start, 3) + "s;;;0";
        if (times->answer)
            line += " answer=" + Seconds(*times->answer, 3) + "s;;;0";
    }
    PrintLine(stdout, line);
    return state;
}

// A member node answered for the stored controller, whether among the broadcast
// answers or to the one-node query: critical, naming the node by what the stored text
// does not say (its host name, or its address when the text is that name) and its
// controller.
int MemberNodeResult(const std::string& stored, const std::string& hostName, const std::string& address,
                     const std::string& controllerAddress, const CheckTimes& times)
{
    const std::string& other = EqualIgnoringCase(stored, hostName) ? address : hostName;
    return CheckResult(kCheckCritical,
                       "Host Controller " + stored + " (" + other + ") is a member node of the controller " +
                           controllerAddress + ", not a controller",
                       &times);
}

int Check(const CommandLine& line, Clock::time_point programStart)
{
    const std::string directory = ServiceDirectory(line);
    if (const std::optional<std::string> missing = MissingSettings(directory))
        return CheckResult(kCheckUnknown, *missing);
    const std::string settingsPath = SettingsPathFor(directory);
    const std::string stored = ReadSettings(settingsPath).address;
    if (stored.empty())
        return CheckResult(kCheckUnknown, "no Host Controller is stored in " + settingsPath);

    const std::vector<std::string> localAddresses = LocalHostAddresses();
    NRController controller(FirstOf(localAddresses));
    NRFindControllers& engine = *controller.getFindControllers();
    const std::string named = "Host Controller " + stored;
    CheckTimes times{programStart, std::nullopt};
    // A listed name, as set takes it: from the broadcasts until its answer.
    Clock::time_point asked = Clock::now();
    if (const std::optional<ListedNode> node = FindListedName(engine, BroadcastAddressesFor(localAddresses), stored,
                                                              std::chrono::seconds(line.nameSearchSeconds), true)) {
        times.answer = Clock::now() - asked;
        if (node->member)
            return MemberNodeResult(stored, node->hostName, node->address, node->controllerAddress, times);
        return CheckResult(kCheckOk, named + " answers from " + node->address, &times);
    }
    // Otherwise the one-node query of the address the name resolves to, when it resolves.
    const std::optional<std::string> address = ResolveToDottedAddress(stored);
    if (!address) {
        return CheckResult(kCheckCritical,
                           "no controller named " + stored + " answered, and the name resolves to no address", &times);
    }
    asked = Clock::now();
    try {
        const std::string answered = engine.AddSpecificController(*address);
        times.answer = Clock::now() - asked;
        if (answered.empty())
            return CheckResult(kCheckCritical, named + " does not answer", &times);
        return CheckResult(kCheckOk, named + " answers from " + answered, &times);
    } catch (const ExceptionMemberFound& member) {
        times.answer = Clock::now() - asked;
        return MemberNodeResult(stored, member.Text(), *address, member.ControllerAddress(), times);
    } catch (const ExceptionCommunicationsError& error) {
        return CheckResult(kCheckUnknown, "the check could not query: " + error.Text());
    }
}

// The text of an exception that escaped, for the last line the program prints.
std::string Describe(const std::exception& error)
{
    if (dynamic_cast<const ExceptionGui*>(&error))
        return error.what();
    if (const auto* library = dynamic_cast<const Exception*>(&error)) {
        return !library->Text().empty() ? library->Text()
                                        : "the discovery library failed (code " + std::to_string(library->Code()) + ")";
    }
    return *error.what() ? error.what() : "internal error";
}

}  // namespace
}  // namespace cc

// The wide entry point, so that an argument is converted once, by InCodePage, and a
// character outside the code page never becomes a look-alike.
int wmain(int argc, wchar_t** argv)
{
    using namespace cc;
    const Clock::time_point programStart = Clock::now();
    const std::optional<std::string> dllFailure = fw::LoadDllsFromSystemDirectoryOnly();
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back(InCodePage(argv[i]));
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    const bool checking = parsed.line.command == Command::Check;
    if (dllFailure) {
        if (checking)
            return CheckResult(kCheckUnknown, *dllFailure);
        return Failed(parsed.line, kUnexpectedFailure, *dllFailure);
    }
    if (!parsed.valid) {
        if (checking)
            return CheckResult(kCheckUnknown, parsed.error);
        Failed(parsed.line, kUsageError, parsed.error);
        PrintLine(stderr, "Run ChangeControllerCmd /? for the usage.");
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
            return Check(parsed.line, programStart);
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
        return Failed(parsed.line, kUnexpectedFailure, Describe(error));
    }
}
