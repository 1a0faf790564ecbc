// ChangeControllerCmd: the Change Controller's two jobs without a window, for scripts
// and for people who look after many machines: list the controllers, and point the
// web service at one. It drives the same discovery, resolve and apply as the dialog.
#include <windows.h>
#include <mbstring.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/cmd/CommandLine.h"
#include "app/cmd/Output.h"
#include "apply/Resolve.h"
#include "discovery/ControllerListing.h"
#include "discovery/LocalNetworks.h"
#include "framework/SystemDlls.h"
#include "store/ExeDirectory.h"
#include "store/Numbers.h"
#include "store/SettingsFile.h"

namespace cc {
namespace {

enum ExitCode {
    kDone = 0,
    kUnexpectedFailure = 1,
    kUsageError = 2,
    kNotFound = 3,
    kMemberNode = 4,
    kNotSaved = 5,
    kRestartFailed = 6,
};

// How long `set` listens for a controller of the typed name before it asks for it directly.
constexpr std::chrono::seconds kNameSearch(3);

void PrintLine(std::FILE* stream, const std::string& text)
{
    std::fputs((text + "\n").c_str(), stream);
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

int List(const CommandLine& line)
{
    const std::vector<std::string> localAddresses = LocalHostAddresses();
    NRController controller(FirstOf(localAddresses));
    NRFindControllers& engine = *controller.getFindControllers();

    ListingPlan plan;
    plan.broadcastAddresses = BroadcastAddressesFor(localAddresses);
    plan.sweepRanges = line.ranges;
    plan.sweepQueriesPerSecond = line.queriesPerSecond;
    plan.longest = std::chrono::seconds(line.listSeconds);
    {
        ProgressLine progressLine;
        const auto enough = [] { return false; };
        const auto progress = [&progressLine](const ListingProgress& now) { progressLine.Show(now); };
        if (!RunListing(engine, plan, enough, progress)) {
            PrintLine(stderr, "ChangeControllerCmd: the address ranges could not be queried");
            return kUnexpectedFailure;
        }
    }
    std::fputs(FormatListing(ListedNodes(engine, line.withMembers), line.format, line.withMembers).c_str(), stdout);
    return kDone;
}

int Show(const CommandLine& line)
{
    const StoredSettings stored = ReadSettings(SettingsPathFor(ServiceDirectory(line)));
    PrintLine(stdout, "Host Controller: " + stored.address);
    PrintLine(stdout, "Refresh rate:    " + std::to_string(stored.refreshSeconds) + " s");
    return kDone;
}

// True when a controller of the local networks answers to the name, as a listed name
// in the dialog would: then the text is applied as typed, without a one-node query.
bool AnswersToName(NRFindControllers& engine, const std::vector<std::string>& broadcastAddresses,
                   const std::string& name)
{
    const auto listed = [&engine, &name] {
        for (const ListedNode& node : ListedNodes(engine, false)) {
            if (_mbsicmp(reinterpret_cast<const unsigned char*>(name.c_str()),
                         reinterpret_cast<const unsigned char*>(node.hostName.c_str())) == 0)
                return true;
        }
        return false;
    };
    ListingPlan plan;
    plan.broadcastAddresses = broadcastAddresses;
    plan.longest = kNameSearch;
    RunListing(engine, plan, listed, [](const ListingProgress&) {});
    return listed();
}

int Set(const CommandLine& line)
{
    const std::string directory = ServiceDirectory(line);
    const int refreshSeconds = FlooredRefreshSeconds(
        line.refreshSeconds ? *line.refreshSeconds : ReadSettings(SettingsPathFor(directory)).refreshSeconds);

    const std::vector<std::string> localAddresses = LocalHostAddresses();
    NRController controller(FirstOf(localAddresses));
    NRFindControllers& engine = *controller.getFindControllers();
    if (!AnswersToName(engine, BroadcastAddressesFor(localAddresses), line.controller)) {
        const Resolution resolution = AskLibrary(engine, line.controller);
        if (resolution.outcome != ResolveOutcome::Found) {
            PrintLine(stderr, ResolveFailureMessage(resolution.outcome, line.controller).text);
            return resolution.outcome == ResolveOutcome::MemberNode ? kMemberNode : kNotFound;
        }
    }

    // As in the dialog, the settings get the text as typed.
    const ApplyResult result = ApplySelection(directory, line.controller, refreshSeconds);
    const std::string message = ApplyResultMessage(result).text;
    switch (result.outcome) {
    case ApplyOutcome::Applied:
        PrintLine(stdout, message);
        return kDone;
    case ApplyOutcome::NotSaved:
        PrintLine(stderr, message);
        return kNotSaved;
    case ApplyOutcome::RestartFailed:
        break;
    }
    PrintLine(stderr, message);
    return kRestartFailed;
}

}  // namespace
}  // namespace cc

int main(int argc, char** argv)
{
    using namespace cc;
    const std::string missingDll = fw::LoadDllsFromSystemDirectoryOnly();
    if (!missingDll.empty()) {
        PrintLine(stderr, "ChangeControllerCmd: " + fw::SystemDllMissingText(missingDll));
        return kUnexpectedFailure;
    }
    const ParsedCommandLine parsed = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.valid) {
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
        case Command::Help:
            break;
        }
        std::fputs(kUsage, stdout);
        return kDone;
    } catch (const std::exception& error) {
        PrintLine(stderr, std::string("ChangeControllerCmd: ") + (*error.what() ? error.what() : "internal error"));
        return kUnexpectedFailure;
    }
}
