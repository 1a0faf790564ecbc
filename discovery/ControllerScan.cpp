#include "discovery/ControllerScan.h"

#include <mbstring.h>

#include <cctype>
#include <unordered_set>

#include "nrcore/NRController.h"

namespace cc {

namespace {

constexpr std::chrono::seconds kQuietBeforeRebroadcast(3);

std::string UpperCased(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

int CompareHostNames(const std::string& first, const std::string& second)
{
    const int order = UpperCased(first).compare(UpperCased(second));
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

bool EqualIgnoringCase(const std::string& first, const std::string& second)
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(first.c_str()),
                    reinterpret_cast<const unsigned char*>(second.c_str())) == 0;
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

std::vector<ControllerRow> NewControllerRows(NRFindControllers& engine,
                                             const std::function<bool(const std::string& address)>& isListed)
{
    std::vector<ControllerRow> rows;
    std::unordered_set<std::string> taken;
    const int count = engine.GetControllerCount();
    for (int index = 0; index < count; ++index) {
        std::string address = engine.GetNodeAddress(index);
        if (address == kLoopbackAddress || taken.count(address) != 0 || isListed(address) || engine.IsMember(index))
            continue;
        taken.insert(address);
        rows.push_back({index, engine.GetHostName(index), std::move(address)});
    }
    return rows;
}

}  // namespace cc
