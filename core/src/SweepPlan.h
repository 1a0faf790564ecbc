// What a unicast sweep queries and with which nonces. A sweep may query 65,536
// addresses or more, far beyond what the nonce book remembers, so its nonces are not
// stored: each is a keyed hash of the queried address under a random key of the
// sweep, recomputed on receipt from the answer's source address. Memory stays
// constant, each query has its own unpredictable nonce, and an answer counts only
// from the address its query went to.
#pragma once

#include <cstdint>
#include <vector>

#include "nrcore/NRController.h"

namespace nrcore {

struct SweepKey {
    std::uint64_t k0 = 0;
    std::uint64_t k1 = 0;
};

// SipHash-2-4 under `key` of the address's four bytes in network order; never 0,
// since 0 is no nonce.
std::uint64_t SweepNonce(const SweepKey& key, std::uint32_t address);

// The ranges sorted and merged, so that each address is queried once, without
// 0.0.0.0 and 255.255.255.255 (which no answer may come from); ranges whose first
// address lies above their last are empty.
std::vector<NRAddressRange> SweepRanges(const std::vector<NRAddressRange>& ranges);

}  // namespace nrcore
