// The IPv4 addresses of the local interfaces that are up, with their on-link masks.
#pragma once

#include <vector>

#include "BroadcastPlan.h"

namespace nrcore {

// Empty when the adapter list cannot be read.
std::vector<InterfaceAddress> ListLocalInterfaces();

}  // namespace nrcore
