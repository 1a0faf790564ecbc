#include "discovery/AddressRanges.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace cc {

namespace {

// A dotted address of four decimal parts, each 0 to 255, nothing else.
bool ParseDotted(const std::string& text, std::uint32_t& address)
{
    in_addr parsed{};
    if (InetPtonA(AF_INET, text.c_str(), &parsed) != 1)
        return false;
    address = ntohl(parsed.s_addr);
    return true;
}

}  // namespace

bool ParseAddressRange(const std::string& text, NRAddressRange& range, std::string& error)
{
    const size_t slash = text.find('/');
    const size_t dash = text.find('-');
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    if (slash != std::string::npos) {
        const std::string bits = text.substr(slash + 1);
        const bool digitsOnly =
            !bits.empty() && bits.size() <= 2 && bits.find_first_not_of("0123456789") == std::string::npos;
        if (!ParseDotted(text.substr(0, slash), first) || !digitsOnly || std::stoi(bits) > 32) {
            error = "\"" + text + "\" is not a network such as 10.1.0.0/16";
            return false;
        }
        const int prefixBits = std::stoi(bits);
        const std::uint32_t mask = prefixBits == 0 ? 0 : ~std::uint32_t{0} << (32 - prefixBits);
        first &= mask;
        last = first | ~mask;
    } else if (dash != std::string::npos) {
        if (!ParseDotted(text.substr(0, dash), first) || !ParseDotted(text.substr(dash + 1), last)) {
            error = "\"" + text + "\" is not a range such as 10.1.2.10-10.1.2.200";
            return false;
        }
        if (first > last) {
            error = "\"" + text + "\" ends before it begins";
            return false;
        }
    } else {
        if (!ParseDotted(text, first)) {
            error = "\"" + text + "\" is not an IPv4 address, a network or a range";
            return false;
        }
        last = first;
    }
    if (last < kFirstSweepableAddress || first > kLastSweepableAddress) {
        error = "\"" + text + "\" holds no address to query (0.0.0.0 and 255.255.255.255 are never queried)";
        return false;
    }
    range = {first, last};
    return true;
}

}  // namespace cc
