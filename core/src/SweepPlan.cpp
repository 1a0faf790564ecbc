#include "SweepPlan.h"

#include <algorithm>

namespace nrcore {
namespace {

std::uint64_t RotateLeft(std::uint64_t value, int bits)
{
    return value << bits | value >> (64 - bits);
}

void SipRound(std::uint64_t& v0, std::uint64_t& v1, std::uint64_t& v2, std::uint64_t& v3)
{
    v0 += v1;
    v1 = RotateLeft(v1, 13);
    v1 ^= v0;
    v0 = RotateLeft(v0, 32);
    v2 += v3;
    v3 = RotateLeft(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = RotateLeft(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = RotateLeft(v1, 17);
    v1 ^= v2;
    v2 = RotateLeft(v2, 32);
}

}  // namespace

std::uint64_t SweepNonce(const SweepKey& key, std::uint32_t address)
{
    std::uint64_t v0 = key.k0 ^ 0x736f6d6570736575ull;
    std::uint64_t v1 = key.k1 ^ 0x646f72616e646f6dull;
    std::uint64_t v2 = key.k0 ^ 0x6c7967656e657261ull;
    std::uint64_t v3 = key.k1 ^ 0x7465646279746573ull;
    // The message is 4 bytes, so there is one block: the bytes read little-endian,
    // with the length in the top byte.
    const std::uint64_t block = std::uint64_t{4} << 56 | (address >> 24 & 0xFF) | (address >> 16 & 0xFF) << 8 |
                                (address >> 8 & 0xFF) << 16 | std::uint64_t{address & 0xFF} << 24;
    v3 ^= block;
    SipRound(v0, v1, v2, v3);
    SipRound(v0, v1, v2, v3);
    v0 ^= block;
    v2 ^= 0xFF;
    for (int round = 0; round < 4; ++round)
        SipRound(v0, v1, v2, v3);
    const std::uint64_t hash = v0 ^ v1 ^ v2 ^ v3;
    return hash != 0 ? hash : 1;
}

std::vector<NRAddressRange> SweepRanges(const std::vector<NRAddressRange>& ranges)
{
    std::vector<NRAddressRange> clipped;
    for (const NRAddressRange& range : ranges) {
        const std::uint32_t first = std::max(range.first, kFirstSweepableAddress);
        const std::uint32_t last = std::min(range.last, kLastSweepableAddress);
        if (first <= last)
            clipped.push_back(NRAddressRange{first, last});
    }
    std::sort(clipped.begin(), clipped.end(),
              [](const NRAddressRange& a, const NRAddressRange& b) { return a.first < b.first; });
    std::vector<NRAddressRange> merged;
    for (const NRAddressRange& range : clipped) {
        // Adjacent ranges merge too; last + 1 cannot overflow after the clipping.
        if (!merged.empty() && range.first <= merged.back().last + 1) {
            merged.back().last = std::max(merged.back().last, range.last);
        } else {
            merged.push_back(range);
        }
    }
    return merged;
}

}  // namespace nrcore

std::uint64_t NRSweptAddressCount(const std::vector<NRAddressRange>& ranges)
{
    return NRAddressCount(nrcore::SweepRanges(ranges));
}
