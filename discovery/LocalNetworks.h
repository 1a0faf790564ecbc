// The local host's IPv4 addresses and the directed-broadcast address of each one's
// classful network: where a discovery scan sends its broadcasts.
#pragma once

#include <string>
#include <vector>

namespace cc {

// The local host's IPv4 addresses as Windows Sockets 1.1 reports them for its own host
// name, in the host's order; empty on any failure. Sockets are started and never shut down.
std::vector<std::string> LocalHostAddresses();

// The classful network part of a dotted address ("10.1.2.3" gives "10"); "" without a dot;
// the whole address (cut to 31 characters) outside classes A to C, such as 127.0.0.1.
// The classes are the discovery library's (NRClassfulMask), which finds the subnets
// of such a network by the same rule.
std::string GetNetworkPrefix(const std::string& address);

// Completes a network prefix to its directed-broadcast address: ".255" appended once for
// each of the four dot-separated parts that is missing.
std::string CompleteBroadcastAddress(const std::string& prefix);

// The network prefix of each local address, in order; equal ones all stay.
std::vector<std::string> GetLocalNetworks(const std::vector<std::string>& localAddresses);

// The completed prefixes of GetLocalNetworks: one broadcast address for each local address.
std::vector<std::string> BroadcastAddressesFor(const std::vector<std::string>& localAddresses);

}  // namespace cc
