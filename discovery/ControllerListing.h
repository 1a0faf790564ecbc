// A discovery run without a window: broadcasts to the local networks, optionally a
// unicast sweep of address ranges, and listening until the answers stop coming; then
// the nodes found, by the same rules and in the same order as the dialog's list.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "nrcore/NRController.h"

namespace cc {

struct ListingPlan {
    std::vector<std::string> broadcastAddresses;
    std::vector<NRAddressRange> sweepRanges;
    int sweepQueriesPerSecond = NRFindControllers::kDefaultSweepQueriesPerSecond;
    std::chrono::milliseconds longest{5000};
    // With a sweep, `longest` yields to it: the run goes on while the sweep sends,
    // until its last query and the quiet window after it. A sweep that has sent
    // nothing for `stalled` no longer holds the run beyond `longest`.
    bool untilSwept = false;
    std::chrono::milliseconds stalled{5000};
    // Once an answer has come and every query has gone out, a run ends after this
    // long without news; before the first answer it waits for `longest`.
    std::chrono::milliseconds quietEnough{1500};
};

struct ListingProgress {
    std::chrono::milliseconds left;
    int nodesKnown;
};

struct ListingResult {
    bool sweepStarted = true;  // false: the ranges could not be queried
    std::chrono::milliseconds took{0};
    // The sweep's, once stopped: sent below total when the run ended before the
    // sweep did. All zero without a sweep.
    NRSweepProgress sweep;
};

// Runs the plan on the engine. `enough`, asked after each news, ends the run early;
// `progress` hears of every listen.
ListingResult RunListing(NRFindControllers& engine, const ListingPlan& plan, const std::function<bool()>& enough,
                         const std::function<void(const ListingProgress&)>& progress);

struct ListedNode {
    std::string hostName;
    std::string address;
    bool member = false;
    std::string controllerAddress;  // of a member
};

// The controllers the dialog would list (the rows ChangedControllerRows adds to an empty
// list), and with `withMembers` the member nodes too, one per address, in the dialog's
// name order.
std::vector<ListedNode> ListedNodes(NRFindControllers& engine, bool withMembers);

// Broadcasts and listens, for at most `longest`, until the node that `name` names is
// listed: the node at that address for a dotted address, otherwise one whose host name
// is `name` (case aside, as the dialog compares names); a controller, or with
// `withMembers` a member node too. The node, or none.
std::optional<ListedNode> FindListedName(NRFindControllers& engine, const std::vector<std::string>& broadcastAddresses,
                                         const std::string& name, std::chrono::milliseconds longest, bool withMembers);

}  // namespace cc
