#include "discovery/AddressRanges.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>

namespace cc {

namespace {

// A dotted address in the canonical form, nothing else.
bool ParseDotted(const std::string& text, std::uint32_t& address)
{
    return DottedFormOf(text, &address) == DottedForm::Canonical;
}

}  // namespace

DottedForm DottedFormOf(const std::string& text, std::uint32_t* address)
{
    std::uint32_t value = 0;
    bool leadingZero = false;
    size_t position = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (position >= text.size() || text[position] != '.')
                return DottedForm::NotDotted;
            ++position;
        }
        const size_t start = position;
        unsigned number = 0;
        while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
            if (number <= 255)
                number = number * 10 + static_cast<unsigned>(text[position] - '0');
            ++position;
        }
        if (position == start)
            return DottedForm::NotDotted;
        if (text[start] == '0' && position - start > 1)
            leadingZero = true;
        else if (number > 255)
            return DottedForm::NotDotted;
        value = value << 8 | (number & 0xFF);
    }
    if (position != text.size())
        return DottedForm::NotDotted;
    if (leadingZero)
        return DottedForm::LeadingZero;
    if (address)
        *address = value;
    return DottedForm::Canonical;
}

std::optional<std::string> ResolveToDottedAddress(const std::string& nameOrAddress)
{
    switch (DottedFormOf(nameOrAddress)) {
    case DottedForm::Canonical:
        return nameOrAddress;
    case DottedForm::LeadingZero:
        return std::nullopt;
    case DottedForm::NotDotted:
        break;
    }
    if (nameOrAddress.empty())
        return std::nullopt;
    // Name resolution needs Windows Sockets started; they are never shut down.
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* results = nullptr;
    if (getaddrinfo(nameOrAddress.c_str(), nullptr, &hints, &results) != 0 || !results)
        return std::nullopt;
    char text[INET_ADDRSTRLEN] = {};
    const in_addr found = reinterpret_cast<const sockaddr_in*>(results->ai_addr)->sin_addr;
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", found.S_un.S_un_b.s_b1, found.S_un.S_un_b.s_b2,
                  found.S_un.S_un_b.s_b3, found.S_un.S_un_b.s_b4);
    freeaddrinfo(results);
    return std::string(text);
}

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
