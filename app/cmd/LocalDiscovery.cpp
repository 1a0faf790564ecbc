#include "app/cmd/LocalDiscovery.h"

#include "discovery/LocalNetworks.h"

namespace cc {

namespace {

std::string FirstOf(const std::vector<std::string>& addresses)
{
    return addresses.empty() ? std::string() : addresses.front();
}

}  // namespace

LocalDiscovery::LocalDiscovery()
    : m_localAddresses(LocalHostAddresses()),
      m_controller(FirstOf(m_localAddresses)),
      m_broadcastAddresses(BroadcastAddressesFor(m_localAddresses))
{}

}  // namespace cc
