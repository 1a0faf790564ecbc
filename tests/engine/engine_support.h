// Shared helpers for the tests of the real engine: a fresh engine per test, the
// simulator's control port from the environment, and bounded waits on conditions.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>

#include "SimulatorControl.h"
#include "nrcore/NRController.h"

struct EngineEntry {
    std::string address;
    std::string hostName;
    bool member;
    bool operator<(const EngineEntry& other) const
    {
        return std::tie(address, hostName, member) < std::tie(other.address, other.hostName, other.member);
    }
    bool operator==(const EngineEntry& other) const
    {
        return std::tie(address, hostName, member) == std::tie(other.address, other.hostName, other.member);
    }
};

inline std::ostream& operator<<(std::ostream& out, const EngineEntry& entry)
{
    return out << entry.address << " " << entry.hostName << (entry.member ? " (member)" : "");
}

inline std::set<EngineEntry> TableOf(NRFindControllers& engine)
{
    std::set<EngineEntry> entries;
    for (int i = 0; i < engine.GetControllerCount(); ++i) {
        entries.insert({engine.GetNodeAddress(i), engine.GetHostName(i), engine.IsMember(i) != 0});
    }
    return entries;
}

// Listens in 100 ms steps until `done` holds or `limit` has passed; true when it held.
inline bool ListenUntil(NRFindControllers& engine, const std::function<bool()>& done,
                        std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        engine.ListenForControllers(100);
    }
    return true;
}

inline int Broadcast(NRFindControllers& engine, const std::string& address)
{
    std::string text = address;
    return engine.SendBroadcast(&text[0]);
}
