// Controller discovery wire protocol, version 1 (described in core/PROTOCOL.md).
// Portable C++ with no socket dependency: the engine and the native simulator share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nrproto {

// The one well-known UDP port on which controllers take queries and from which they answer.
constexpr std::uint16_t kControllerPort = 47211;

constexpr std::uint32_t kMagic = 0x4E524344;  // "NRCD"
constexpr std::uint8_t kVersion = 1;

constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kQuerySize = kHeaderSize + 4;
constexpr std::size_t kAnswerFixedSize = kHeaderSize + 8;
constexpr std::size_t kMaxHostName = 63;
// No valid datagram is longer; receivers drop anything larger unread.
constexpr std::size_t kMaxDatagram = 512;

enum class MessageKind : std::uint8_t { Query = 1, Answer = 2 };
enum class NodeRole : std::uint8_t { Controller = 0, Member = 1 };

struct Query {
    std::uint64_t nonce = 0;
    // Answerers spread their answers uniformly over this many milliseconds, so that
    // thousands answering one broadcast do not arrive in a single burst.
    std::uint16_t answerWindowMs = 0;
};

struct Answer {
    std::uint64_t nonce = 0;
    NodeRole role = NodeRole::Controller;
    // IPv4 address (a.b.c.d as a << 24 | ...) of the controller a member belongs to; 0 for a controller.
    std::uint32_t controllerAddress = 0;
    std::string hostName;
};

enum class DecodeStatus {
    Ok,
    TooShort,
    TooLong,
    BadMagic,
    BadVersion,
    BadKind,
    BadLength,
    BadRole,
};

std::vector<std::uint8_t> EncodeQuery(const Query& query);
// Host names longer than kMaxHostName are cut to it.
std::vector<std::uint8_t> EncodeAnswer(const Answer& answer);

// Both decoders accept only a datagram of exactly the size its own fields give.
DecodeStatus DecodeQuery(const std::uint8_t* data, std::size_t size, Query& query);
// The decoded host name holds printable ASCII only: any other byte reads as '?'.
DecodeStatus DecodeAnswer(const std::uint8_t* data, std::size_t size, Answer& answer);

// Dotted-decimal helpers on host-order IPv4 values.
std::string FormatIpv4(std::uint32_t address);
// Strict a.b.c.d with four decimal octets 0-255; false for anything else.
bool ParseIpv4(const std::string& text, std::uint32_t& address);

}  // namespace nrproto
