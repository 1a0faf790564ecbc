#include "discovery/AddressRanges.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdio>

namespace cc {

namespace {

struct DottedReading {
    DottedForm form;
    std::uint32_t address;  // host byte order, with Canonical
};

DottedReading ReadDotted(const std::string& text)
{
    std::uint32_t value = 0;
    bool leadingZero = false;
    size_t position = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (position >= text.size() || text[position] != '.')
                return {DottedForm::NotDotted, 0};
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
            return {DottedForm::NotDotted, 0};
        if (text[start] == '0' && position - start > 1)
            leadingZero = true;
        else if (number > 255)
            return {DottedForm::NotDotted, 0};
        value = value << 8 | (number & 0xFF);
    }
    if (position != text.size())
        return {DottedForm::NotDotted, 0};
    if (leadingZero)
        return {DottedForm::LeadingZero, 0};
    return {DottedForm::Canonical, value};
}

// A dotted address in the canonical form, nothing else.
std::optional<std::uint32_t> ParseDotted(const std::string& text)
{
    const DottedReading reading = ReadDotted(text);
    if (reading.form != DottedForm::Canonical)
        return std::nullopt;
    return reading.address;
}

}  // namespace

DottedForm DottedFormOf(const std::string& text)
{
    return ReadDotted(text).form;
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

Parsed<NRAddressRange> ParseAddressRange(const std::string& text)
{
    const auto failure = [&text](const std::string& why) {
        return Parsed<NRAddressRange>{std::nullopt, "\"" + text + "\" " + why};
    };
    const size_t slash = text.find('/');
    const size_t dash = text.find('-');
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    if (slash != std::string::npos) {
        const std::string bits = text.substr(slash + 1);
        const bool digitsOnly =
            !bits.empty() && bits.size() <= 2 && bits.find_first_not_of("0123456789") == std::string::npos;
        const std::optional<std::uint32_t> network = ParseDotted(text.substr(0, slash));
        if (!network || !digitsOnly || std::stoi(bits) > 32)
            return failure("is not a network such as 10.1.0.0/16");
        const int prefixBits = std::stoi(bits);
        const std::uint32_t mask = prefixBits == 0 ? 0 : ~std::uint32_t{0} << (32 - prefixBits);
        first = *network & mask;
        last = first | ~mask;
    } else if (dash != std::string::npos) {
        const std::optional<std::uint32_t> from = ParseDotted(text.substr(0, dash));
        const std::optional<std::uint32_t> to = ParseDotted(text.substr(dash + 1));
        if (!from || !to)
            return failure("is not a range such as 10.1.2.10-10.1.2.200");
        if (*from > *to)
            return failure("ends before it begins");
        first = *from;
        last = *to;
    } else {
        const std::optional<std::uint32_t> address = ParseDotted(text);
        if (!address)
            return failure("is not an IPv4 address, a network or a range");
        first = last = *address;
    }
    if (last < kFirstSweepableAddress || first > kLastSweepableAddress)
        return failure("holds no address to query (0.0.0.0 and 255.255.255.255 are never queried)");
    return {NRAddressRange{first, last}, {}};
}

}  // namespace cc
