#include "discovery/ControllerListing.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "discovery/ControllerScan.h"

namespace cc {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kListenMs = 100;
const char kLoopbackAddress[] = "127.0.0.1";

std::chrono::milliseconds Since(Clock::time_point start, Clock::time_point now)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(now - start);
}

}  // namespace

bool RunListing(NRFindControllers& engine, const ListingPlan& plan, const std::function<bool()>& enough,
                const std::function<void(const ListingProgress&)>& progress)
{
    const Clock::time_point start = Clock::now();
    for (const std::string& address : plan.broadcastAddresses) {
        char target[16] = {};
        std::strncpy(target, address.c_str(), sizeof target - 1);
        engine.SendBroadcast(target);
    }
    const bool sweeping = !plan.sweepRanges.empty();
    if (sweeping && !engine.StartSweep(plan.sweepRanges, plan.sweepQueriesPerSecond))
        return false;

    Clock::time_point lastEvent = start;  // the last news, or the last query sent
    for (;;) {
        const bool news = engine.ListenForControllers(kListenMs) != 0;
        const Clock::time_point now = Clock::now();
        if (news || (sweeping && engine.GetSweepProgress().running))
            lastEvent = now;
        const std::chrono::milliseconds elapsed = Since(start, now);
        progress({std::max(plan.longest - elapsed, std::chrono::milliseconds(0)), engine.GetControllerCount()});
        if ((news && enough()) || elapsed >= plan.longest || Since(lastEvent, now) >= plan.quietEnough)
            break;
    }
    if (sweeping)
        engine.StopSweep();
    return true;
}

std::vector<ListedNode> ListedNodes(NRFindControllers& engine, bool withMembers)
{
    std::vector<ListedNode> nodes;
    std::unordered_set<std::string> listed;
    for (ControllerRow& row : NewControllerRows(engine, [](const std::string&) { return false; })) {
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

}  // namespace cc
