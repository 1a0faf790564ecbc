#include "discovery/ControllerListing.h"

#include <algorithm>
#include <unordered_set>

#include "discovery/AddressRanges.h"
#include "discovery/ControllerScan.h"

namespace cc {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Since(Clock::time_point start, Clock::time_point now)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - start);
}

}  // namespace

ListingResult RunListing(NRFindControllers& engine, const ListingPlan& plan, const std::function<bool()>& enough,
                         const std::function<void(const ListingProgress&)>& progress)
{
    const Clock::time_point start = Clock::now();
    SendBroadcasts(engine, plan.broadcastAddresses);
    const bool sweeping = !plan.sweepRanges.empty();
    ListingResult result;
    if (sweeping && !engine.StartSweep(plan.sweepRanges, plan.sweepQueriesPerSecond)) {
        result.sweepStarted = false;
        return result;
    }

    Clock::time_point lastEvent = start;  // the last news, or the last query sent
    Clock::time_point lastSent = start;   // when the sweep last sent a query
    std::uint64_t sent = 0;
    // Until the first answer, only `longest` ends the run: a slow link may keep every
    // answer back for longer than the quiet window.
    bool answered = false;
    for (;;) {
        const bool news = engine.ListenForControllers(kListenMs) != 0;
        answered = answered || news;
        const Clock::time_point now = Clock::now();
        const NRSweepProgress sweep = sweeping ? engine.GetSweepProgress() : NRSweepProgress{};
        if (sweep.sent != sent) {
            sent = sweep.sent;
            lastSent = now;
        }
        if (news || sweep.running)
            lastEvent = now;
        const std::chrono::milliseconds elapsed = Since(start, now);
        std::chrono::milliseconds left = std::max(plan.longest - elapsed, std::chrono::milliseconds(0));
        const bool sweepSetsTheEnd = plan.untilSwept && sweep.running && Since(lastSent, now) < plan.stalled;
        if (sweepSetsTheEnd) {
            const std::chrono::milliseconds sweepLeft((sweep.total - sweep.sent) * 1000 / plan.sweepQueriesPerSecond);
            left = std::max(left, sweepLeft + plan.quietEnough);
        }
        progress({left, engine.GetControllerCount()});
        if ((news && enough()) || (elapsed >= plan.longest && !sweepSetsTheEnd) ||
            (answered && Since(lastEvent, now) >= plan.quietEnough))
            break;
    }
    result.took = Since(start, Clock::now());
    if (sweeping) {
        engine.StopSweep();
        result.sweep = engine.GetSweepProgress();
    }
    return result;
}

std::vector<ListedNode> ListedNodes(NRFindControllers& engine, bool withMembers)
{
    std::vector<ListedNode> nodes;
    std::unordered_set<std::string> listed;
    const auto nothingListed = [](const std::string&) -> const std::string* { return nullptr; };
    for (ControllerRow& row : ChangedControllerRows(engine, nothingListed).added) {
        listed.insert(row.address);
        nodes.push_back({std::move(row.hostName), std::move(row.address), false, {}});
    }
    if (withMembers) {
        const int count = engine.GetControllerCount();
        for (int index = 0; index < count; ++index) {
            std::string address = engine.GetNodeAddress(index);
            if (!engine.IsMember(index) || address == kLoopbackAddress || !listed.insert(address).second)
                continue;
            nodes.push_back({engine.GetHostName(index), std::move(address), true, engine.GetControllerAddress(index)});
        }
    }
    std::stable_sort(nodes.begin(), nodes.end(), [](const ListedNode& a, const ListedNode& b) {
        return CompareHostNames(a.hostName, b.hostName) < 0;
    });
    return nodes;
}

std::optional<ListedNode> FindListedName(NRFindControllers& engine, const std::vector<std::string>& broadcastAddresses,
                                         const std::string& name, std::chrono::milliseconds longest, bool withMembers)
{
    // A dotted address names the node at that address, never a host name: a node may
    // call itself "10.0.0.9" while it answers from elsewhere.
    const bool byAddress = DottedFormOf(name) != DottedForm::NotDotted;
    const auto listed = [&]() -> std::optional<ListedNode> {
        for (ListedNode& node : ListedNodes(engine, withMembers)) {
            if (byAddress ? name == node.address : EqualIgnoringCase(name, node.hostName))
                return std::move(node);
        }
        return std::nullopt;
    };
    ListingPlan plan;
    plan.broadcastAddresses = broadcastAddresses;
    plan.longest = longest;
    RunListing(engine, plan, [&listed] { return listed().has_value(); }, [](const ListingProgress&) {});
    return listed();
}

}  // namespace cc
