// A discovery run without a window: broadcasts to the local networks, optionally a
// unicast sweep of address ranges, and listening until the answers stop coming; then
// the nodes found, by the same rules and in the same order as the dialog's list.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "nrcore/NRController.h"

namespace cc {

struct ListingPlan {
    std::vector<std::string> broadcastAddresses;
    std::vector<NRAddressRange> sweepRanges;
    int sweepQueriesPerSecond = NRFindControllers::kDefaultSweepQueriesPerSecond;
    std::chrono::milliseconds longest{5000};
    // Once every query has gone out, a run ends after this long without news.
    std::chrono::milliseconds quietEnough{1500};
};

struct ListingProgress {
    std::chrono::milliseconds left;
    int nodesKnown;
};

// Runs the plan on the engine. `enough`, asked after each news, ends the run early;
// `progress` hears of every listen. False when the sweep could not be started.
bool RunListing(NRFindControllers& engine, const ListingPlan& plan, const std::function<bool()>& enough,
                const std::function<void(const ListingProgress&)>& progress);

struct ListedNode {
    std::string hostName;
    std::string address;
    bool member = false;
    std::string controllerAddress;  // of a member
};

// The controllers the dialog would list (NewControllerRows), and with `withMembers` the
// member nodes too, one per address, in the dialog's name order.
std::vector<ListedNode> ListedNodes(NRFindControllers& engine, bool withMembers);

}  // namespace cc
