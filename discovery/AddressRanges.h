// IPv4 address ranges as an operator writes them: "10.1.0.0/16",
// "10.1.2.10-10.1.2.200" or one address.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "nrcore/NRController.h"

namespace cc {

// The range a text names; false, with `error` saying why, when it names none or only
// addresses a sweep never queries.
bool ParseAddressRange(const std::string& text, NRAddressRange& range, std::string& error);

}  // namespace cc
