// Answers that a correct receiver must drop: each variant breaks at least one rule
// of the protocol, so none can pass for a valid answer.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "Protocol.h"
#include "Scenario.h"

namespace nrsim {

// kind is any Malformation but Off and WrongPort; Fuzz picks a random breakage.
std::vector<std::uint8_t> Malform(const nrproto::Answer& valid, Malformation kind, std::mt19937_64& random);

}  // namespace nrsim
