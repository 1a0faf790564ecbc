#include "discovery/LocalNetworks.h"

#include <winsock2.h>

#include <cstdint>
#include <cstring>

#include "nrcore/NRController.h"

namespace cc {

namespace {

// The text up to (not including) the given dot, counted from 1; the whole text when it
// has fewer dots.
std::string CutAtDot(const std::string& text, int dotNumber)
{
    size_t position = std::string::npos;
    for (int i = 0; i < dotNumber; ++i) {
        position = text.find('.', position == std::string::npos ? 0 : position + 1);
        if (position == std::string::npos)
            return text;
    }
    return text.substr(0, position);
}

// The number a text starts with, as "%d" reads it: white space skipped, an optional
// sign, then decimal digits; 0 without any. Only the class ranges below matter, so
// digits beyond a value of 1000 no longer change it.
int LeadingNumber(const std::string& text)
{
    size_t position = text.find_first_not_of(" \t\n\v\f\r");
    if (position == std::string::npos)
        return 0;
    const bool negative = text[position] == '-';
    if (text[position] == '-' || text[position] == '+')
        ++position;
    int value = 0;
    for (; position < text.size() && text[position] >= '0' && text[position] <= '9'; ++position) {
        if (value <= 1000)
            value = value * 10 + (text[position] - '0');
    }
    return negative ? -value : value;
}

// How many leading parts of an address name its classful network (1 to 3), by the
// discovery library's class rule; 0 outside classes A to C.
int ClassfulNetworkParts(int firstOctet)
{
    if (firstOctet < 0 || firstOctet > 255)
        return 0;
    const std::uint32_t mask = NRClassfulMask(static_cast<std::uint32_t>(firstOctet) << 24);
    int parts = 0;
    for (std::uint32_t rest = mask; rest != 0; rest <<= 8)
        ++parts;
    return parts;
}

}  // namespace

std::vector<std::string> LocalHostAddresses()
{
    std::vector<std::string> addresses;
    WSADATA data;
    if (::WSAStartup(0x0101, &data) != 0)
        return addresses;

    char hostName[256] = {};
    if (::gethostname(hostName, 255) != 0)
        return addresses;

    const hostent* host = ::gethostbyname(hostName);
    if (!host || host->h_addrtype != AF_INET)
        return addresses;

    for (char** entry = host->h_addr_list; *entry; ++entry) {
        in_addr address;
        std::memcpy(&address, *entry, sizeof address);
        addresses.emplace_back(::inet_ntoa(address));
    }
    return addresses;
}

std::string GetNetworkPrefix(const std::string& address)
{
    const std::string working = address.substr(0, 31);
    const size_t firstDot = working.find('.');
    if (firstDot == std::string::npos)
        return {};

    const int networkParts = ClassfulNetworkParts(LeadingNumber(working.substr(0, firstDot)));
    return networkParts == 0 ? working : CutAtDot(working, networkParts);
}

std::string CompleteBroadcastAddress(const std::string& prefix)
{
    int parts = 0;
    for (size_t i = 0; i < prefix.size() && parts < 4; ++i) {
        if (prefix[i] != '.' && (i == 0 || prefix[i - 1] == '.'))
            ++parts;
    }
    std::string broadcast = prefix;
    for (; parts < 4; ++parts)
        broadcast += ".255";
    return broadcast;
}

std::vector<std::string> GetLocalNetworks(const std::vector<std::string>& localAddresses)
{
    std::vector<std::string> prefixes;
    for (const std::string& address : localAddresses)
        prefixes.push_back(GetNetworkPrefix(address));
    return prefixes;
}

std::vector<std::string> BroadcastAddressesFor(const std::vector<std::string>& localAddresses)
{
    std::vector<std::string> broadcasts = GetLocalNetworks(localAddresses);
    for (std::string& address : broadcasts)
        address = CompleteBroadcastAddress(address);
    return broadcasts;
}

}  // namespace cc
