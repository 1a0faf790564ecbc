// check: a monitoring check of the stored controller, one line as monitoring engines
// read it: state, what happened, and the times as performance data.
#include <optional>

#include "app/cmd/Commands.h"
#include "app/cmd/Console.h"
#include "app/cmd/ExitCodes.h"
#include "app/cmd/LocalDiscovery.h"
#include "app/cmd/Output.h"
#include "app/cmd/ServiceDirectory.h"
#include "apply/Exceptions.h"
#include "apply/Resolve.h"
#include "discovery/AddressRanges.h"
#include "discovery/ControllerListing.h"
#include "discovery/ControllerScan.h"
#include "store/SettingsFile.h"

namespace cc {

namespace {

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
        line += " | time=" + SecondsText(Clock::now() - times->start, 3) + "s;;;0";
        if (times->answer)
            line += " answer=" + SecondsText(*times->answer, 3) + "s;;;0";
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

// The one-node query of the address the stored name resolves to, when it resolves.
int AskOneNode(NRFindControllers& engine, const std::string& stored, CheckTimes& times)
{
    const std::optional<std::string> address = ResolveToDottedAddress(stored);
    if (!address) {
        return CheckResult(kCheckCritical,
                           "no controller named " + stored + " answered, and the name resolves to no address", &times);
    }
    const std::string named = "Host Controller " + stored;
    const Clock::time_point asked = Clock::now();
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

}  // namespace

int CheckUnknown(const std::string& text)
{
    return CheckResult(kCheckUnknown, text);
}

int Check(const CommandLine& line, Clock::time_point programStart)
{
    const SettingsPlace settings = LocateSettings(line);
    if (settings.missing)
        return CheckUnknown(*settings.missing);
    const std::string stored = ReadSettings(settings.settingsPath).address;
    if (stored.empty())
        return CheckUnknown("no Host Controller is stored in " + settings.settingsPath);

    LocalDiscovery discovery;
    CheckTimes times{programStart, std::nullopt};
    // A listed name, as set takes it: from the broadcasts until its answer.
    const Clock::time_point asked = Clock::now();
    if (const std::optional<ListedNode> node =
            FindListedName(discovery.engine(), discovery.broadcastAddresses(), stored,
                           std::chrono::seconds(line.nameSearchSeconds), true)) {
        times.answer = Clock::now() - asked;
        if (node->member)
            return MemberNodeResult(stored, node->hostName, node->address, node->controllerAddress, times);
        return CheckResult(kCheckOk, "Host Controller " + stored + " answers from " + node->address, &times);
    }
    // Otherwise the one-node query.
    return AskOneNode(discovery.engine(), stored, times);
}

}  // namespace cc
