#include "discovery/ControllerScan.h"

#include <mbstring.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <unordered_set>

#include "nrcore/NRController.h"

namespace cc {

namespace {

constexpr std::chrono::seconds kQuietBeforeRebroadcast(3);

}  // namespace

// In place, without upper-cased copies: the sort of a large list makes many comparisons.
int CompareHostNames(const std::string& first, const std::string& second)
{
    const size_t common = std::min(first.size(), second.size());
    for (size_t i = 0; i < common; ++i) {
        const int a = std::toupper(static_cast<unsigned char>(first[i]));
        const int b = std::toupper(static_cast<unsigned char>(second[i]));
        if (a != b)
            return a < b ? -1 : 1;
    }
    return first.size() == second.size() ? 0 : (first.size() < second.size() ? -1 : 1);
}

bool EqualIgnoringCase(const std::string& first, const std::string& second)
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(first.c_str()),
                    reinterpret_cast<const unsigned char*>(second.c_str())) == 0;
}

void SendBroadcasts(NRFindControllers& engine, const std::vector<std::string>& broadcastAddresses)
{
    for (const std::string& address : broadcastAddresses) {
        char target[16] = {};
        std::strncpy(target, address.c_str(), sizeof target - 1);
        engine.SendBroadcast(target);
    }
}

ScanStep DecideScanStep(bool news, ScanTime now, ScanTime scanStart, ScanTime lastNews, std::chrono::seconds timeout)
{
    if (news)
        return ScanStep::FillAndSort;
    if (now - scanStart > timeout)
        return ScanStep::StopAndSort;
    if (now - lastNews > kQuietBeforeRebroadcast)
        return ScanStep::Rebroadcast;
    return ScanStep::Wait;
}

ControllerRowChanges
ChangedControllerRows(NRFindControllers& engine,
                      const std::function<const std::string*(const std::string& address)>& shownName)
{
    ControllerRowChanges changes;
    std::unordered_set<std::string> taken;
    const int count = engine.GetControllerCount();
    for (int index = 0; index < count; ++index) {
        std::string address = engine.GetNodeAddress(index);
        if (address == kLoopbackAddress || engine.IsMember(index) || !taken.insert(address).second)
            continue;
        std::string hostName = engine.GetHostName(index);
        if (const std::string* shown = shownName(address)) {
            if (*shown != hostName)
                changes.renamed.push_back({index, std::move(hostName), std::move(address)});
            continue;
        }
        changes.added.push_back({index, std::move(hostName), std::move(address)});
    }
    return changes;
}

}  // namespace cc
