// Where one discovery broadcast goes: the requested directed-broadcast address and,
// for a classful network broadcast, the subnet broadcast of every local interface
// inside that network. A router drops a classful broadcast such as 10.255.255.255
// that leaves a subnetted segment, so the subnets must be named one by one.
#pragma once

#include <cstdint>
#include <vector>

namespace nrcore {

struct InterfaceAddress {
    std::uint32_t address;  // host order
    std::uint32_t mask;     // host order, contiguous
};

// The requested address first, then the added subnet broadcasts, each once.
std::vector<std::uint32_t> BroadcastTargets(std::uint32_t requested, const std::vector<InterfaceAddress>& interfaces);

}  // namespace nrcore
