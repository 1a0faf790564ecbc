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

// Network mask of the address class: /8, /16 or /24 for classes A, B and C; 0 for
// 0.x, 127.x and 224.x and above, which have no network to broadcast to. The tool that
// calls the library applies the same classes to its local addresses' text
// (discovery/LocalNetworks.h); the library shares no code with it.
std::uint32_t ClassfulMask(std::uint32_t address);

// The requested address first, then the added subnet broadcasts, each once.
std::vector<std::uint32_t> BroadcastTargets(std::uint32_t requested, const std::vector<InterfaceAddress>& interfaces);

}  // namespace nrcore
