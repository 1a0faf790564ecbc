// A scriptable discovery engine: a table the test fills, answers that arrive on chosen
// listens, a log of every call, and a chosen reaction to AddSpecificController.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "nrcore/NRController.h"

struct FakeEntry {
    std::string address;
    std::string hostName;
    bool member = false;
    std::string controllerAddress = {};
};

class FakeEngine : public NRFindControllers {
public:
    std::vector<FakeEntry> table;
    // Each listen takes the front batch into the table; an empty batch is a quiet tick.
    std::deque<std::vector<FakeEntry>> arrivals;
    bool newsOnEveryListen = false;
    std::vector<std::string> calls;
    std::function<std::string(const std::string&)> addSpecific = [](const std::string&) { return std::string(); };

    int CountCalls(const std::string& prefix) const
    {
        int count = 0;
        for (const std::string& call : calls)
            count += call.compare(0, prefix.size(), prefix) == 0;
        return count;
    }

    void SuspendPoll() override { calls.push_back("SuspendPoll"); }
    void ResumePoll() override { calls.push_back("ResumePoll"); }
    int SendBroadcast(char* address) override
    {
        calls.push_back(std::string("SendBroadcast ") + address);
        return 1;
    }
    void ClearControllerList() override
    {
        calls.push_back("ClearControllerList");
        table.clear();
    }
    int ListenForControllers(int waitMs) override
    {
        calls.push_back("ListenForControllers " + std::to_string(waitMs));
        if (arrivals.empty())
            return newsOnEveryListen ? 1 : 0;
        std::vector<FakeEntry> batch = std::move(arrivals.front());
        arrivals.pop_front();
        table.insert(table.end(), batch.begin(), batch.end());
        return batch.empty() && !newsOnEveryListen ? 0 : 1;
    }
    int GetControllerCount() override { return static_cast<int>(table.size()); }
    std::string GetNodeAddress(int index) override { return Valid(index) ? table[index].address : std::string(); }
    std::string GetHostName(int index) override { return Valid(index) ? table[index].hostName : std::string(); }
    unsigned char IsMember(int index) override { return Valid(index) && table[index].member; }
    std::string GetControllerAddress(int index) override
    {
        return Valid(index) ? table[index].controllerAddress : std::string();
    }
    std::string AddSpecificController(std::string nameOrAddress) override
    {
        calls.push_back("AddSpecificController " + nameOrAddress);
        return addSpecific(nameOrAddress);
    }
    bool StartSweep(const std::vector<NRAddressRange>& ranges, int queriesPerSecond) override
    {
        calls.push_back("StartSweep " + std::to_string(ranges.size()) + " " + std::to_string(queriesPerSecond));
        return true;
    }
    NRSweepProgress GetSweepProgress() override { return {}; }
    void StopSweep() override { calls.push_back("StopSweep"); }

private:
    bool Valid(int index) const { return index >= 0 && index < static_cast<int>(table.size()); }
};

// A controller object around a fake engine. The harness makes it before the dialog opens,
// so a test can fill the table first, and hands it over to the dialog.
class FakeController : public NRController {
public:
    FakeController() : NRController("", std::make_unique<FakeEngine>()) {}
    FakeEngine& Engine() { return static_cast<FakeEngine&>(*getFindControllers()); }
};
