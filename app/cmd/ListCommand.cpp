// list: the controllers that answer, and with ranges those the sweep finds.
#include <windows.h>

#include <algorithm>

#include "app/cmd/Commands.h"
#include "app/cmd/Console.h"
#include "app/cmd/ExitCodes.h"
#include "app/cmd/Failures.h"
#include "app/cmd/LocalDiscovery.h"
#include "app/cmd/Output.h"
#include "discovery/ControllerListing.h"

namespace cc {

namespace {

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
            Write(stderr, "\r" + std::string(m_width, ' ') + "\r");
    }

    void Show(const ListingProgress& progress)
    {
        if (!m_shown)
            return;
        const std::string text = "Listening, " + std::to_string((progress.left.count() + 999) / 1000) +
                                 " s left: " + std::to_string(progress.nodesKnown) + " nodes answered";
        Write(stderr, "\r" + text + std::string(m_width - std::min(m_width, text.size()), ' '));
        m_width = std::max(m_width, text.size());
    }

private:
    bool m_shown = false;
    size_t m_width = 0;
};

ListingPlan PlanFor(const CommandLine& line, const std::vector<std::string>& broadcastAddresses)
{
    ListingPlan plan;
    plan.broadcastAddresses = broadcastAddresses;
    plan.sweepRanges = line.ranges;
    plan.sweepQueriesPerSecond = line.queriesPerSecond;
    if (line.listSeconds)
        plan.longest = std::chrono::seconds(*line.listSeconds);
    plan.untilSwept = !line.listSeconds;
    return plan;
}

ListingResult RunWithProgress(NRFindControllers& engine, const ListingPlan& plan)
{
    ProgressLine progressLine;
    const auto enough = [] { return false; };
    const auto progress = [&progressLine](const ListingProgress& now) { progressLine.Show(now); };
    return RunListing(engine, plan, enough, progress);
}

}  // namespace

int List(const CommandLine& line)
{
    LocalDiscovery discovery;
    const ListingResult result = RunWithProgress(discovery.engine(), PlanFor(line, discovery.broadcastAddresses()));
    if (!result.sweepStarted)
        return Failed(line, kUnexpectedFailure, "the address ranges could not be queried");
    Write(stdout, FormatListing(ListedNodes(discovery.engine(), line.withMembers), line.format, line.withMembers));
    if (result.sweep.sent < result.sweep.total) {
        PrintLine(stderr, std::string(kProgramName) + ": incomplete: the listing ended after " +
                              SecondsText(result.took, 1) + " s with " + std::to_string(result.sweep.sent) + " of " +
                              std::to_string(result.sweep.total) +
                              " addresses of the ranges queried; controllers at the others are not listed");
        return kIncomplete;
    }
    return kDone;
}

}  // namespace cc
