#include "BroadcastPlan.h"

#include <algorithm>

#include "nrcore/NRController.h"

namespace nrcore {

std::vector<std::uint32_t> BroadcastTargets(std::uint32_t requested, const std::vector<InterfaceAddress>& interfaces)
{
    std::vector<std::uint32_t> targets{requested};
    const std::uint32_t classMask = NRClassfulMask(requested);
    const bool classfulBroadcast = classMask != 0 && (requested | classMask) == 0xFFFFFFFFu;
    if (!classfulBroadcast)
        return targets;
    for (const InterfaceAddress& local : interfaces) {
        const bool insideNetwork = (local.address & classMask) == (requested & classMask);
        // Longer than the class mask, and shorter than /31, which has no broadcast address.
        const bool subnetted = (local.mask & ~classMask) != 0 && (~local.mask >> 1) != 0;
        if (!insideNetwork || !subnetted)
            continue;
        const std::uint32_t subnetBroadcast = local.address | ~local.mask;
        if (std::find(targets.begin(), targets.end(), subnetBroadcast) == targets.end()) {
            targets.push_back(subnetBroadcast);
        }
    }
    return targets;
}

}  // namespace nrcore

std::uint32_t NRClassfulMask(std::uint32_t address)
{
    const std::uint32_t firstOctet = address >> 24;
    if (firstOctet == 0 || firstOctet == 127)
        return 0;
    if (firstOctet < 128)
        return 0xFF000000u;
    if (firstOctet < 192)
        return 0xFFFF0000u;
    if (firstOctet < 224)
        return 0xFFFFFF00u;
    return 0;
}
