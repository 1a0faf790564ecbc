// The discovery library as list, set and check use it: set up on this host's
// addresses, with the broadcast addresses of this host's networks.
#pragma once

#include <string>
#include <vector>

#include "nrcore/NRController.h"

namespace cc {

class LocalDiscovery {
public:
    LocalDiscovery();

    NRFindControllers& engine() { return *m_controller.getFindControllers(); }
    const std::vector<std::string>& broadcastAddresses() const { return m_broadcastAddresses; }

private:
    std::vector<std::string> m_localAddresses;
    NRController m_controller;
    std::vector<std::string> m_broadcastAddresses;
};

}  // namespace cc
