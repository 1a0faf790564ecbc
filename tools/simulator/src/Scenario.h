// What the simulated nodes are and how they answer: nodes, faults and counters,
// changed by text commands (from the command line or the control port).
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "Protocol.h"

namespace nrsim {

enum class Malformation { Off, Truncated, Oversized, Version, Nonce, Magic, Kind, Length, Role, WrongPort, Fuzz };

struct SimNode {
    std::string name;
    bool member = false;
    std::uint32_t controller = 0;
    bool silent = false;
};

struct Faults {
    int delayMs = 0;
    int jitterMs = 0;
    int lossPercent = 0;
    int duplicates = 1;
    Malformation malformed = Malformation::Off;
    int fuzzCount = 8;
    bool honourWindow = true;
};

struct Counters {
    std::uint64_t queries = 0;
    std::uint64_t broadcastQueries = 0;
    std::uint64_t unicastQueries = 0;
    std::uint64_t badQueries = 0;
    std::uint64_t answers = 0;
    std::uint64_t malformed = 0;
    std::uint64_t sendFailures = 0;
};

// One datagram to send after a delay, from a node's address.
struct PlannedDatagram {
    std::chrono::milliseconds delay;
    std::uint32_t source;
    bool fromWrongPort;
    bool malformed;
    std::vector<std::uint8_t> bytes;
};

class Scenario {
public:
    explicit Scenario(std::uint64_t seed);

    // Runs one command ("controllers 3 127.0.0.2", "stats", ...). The reply starts
    // with "ok" or "error". quitRequested is set by "quit".
    std::string Execute(const std::string& commandLine);
    bool QuitRequested() const { return m_quit; }
    // Counts "reset" commands; whoever holds planned answers drops them at each.
    std::uint64_t Resets() const { return m_resets; }

    // The answers to a query that arrived for `destination`: only that node for a
    // node's own address, none for a vacant address, every node for any other
    // (broadcast) address.
    std::vector<PlannedDatagram> Plan(const nrproto::Query& query, std::uint32_t destination);
    void CountBadQuery() { ++m_counters.badQueries; }
    void CountSent(const PlannedDatagram& datagram);
    void CountSendFailure() { ++m_counters.sendFailures; }
    void SetPending(std::size_t pending) { m_pending = pending; }

private:
    std::string AddControllers(std::istringstream& arguments);
    std::string SetNode(std::istringstream& arguments, bool member);
    std::string SetMalformed(std::istringstream& arguments);
    std::string SetVacant(std::istringstream& arguments);
    std::string Stats() const;
    void PlanNode(const nrproto::Query& query, std::uint32_t address, const SimNode& node,
                  std::vector<PlannedDatagram>& plan);

    std::map<std::uint32_t, SimNode> m_nodes;
    // Ranges (first, last) where an address without a node is vacant, not a broadcast.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_vacant;
    Faults m_faults;
    Counters m_counters;
    std::size_t m_pending = 0;
    bool m_quit = false;
    std::uint64_t m_resets = 0;
    std::mt19937_64 m_random;
};

}  // namespace nrsim
