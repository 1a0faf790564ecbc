#include "Malformer.h"

namespace nrsim {
namespace {

std::uint8_t RandomByte(std::mt19937_64& random)
{
    return static_cast<std::uint8_t>(random() & 0xFF);
}

std::size_t Uniform(std::mt19937_64& random, std::size_t low, std::size_t high)
{
    return std::uniform_int_distribution<std::size_t>(low, high)(random);
}

// A byte value in 0-255 other than `avoid`.
std::uint8_t ByteOtherThan(std::uint8_t avoid, std::mt19937_64& random)
{
    return static_cast<std::uint8_t>(avoid + Uniform(random, 1, 255));
}

constexpr std::size_t kVersionOffset = 4;
constexpr std::size_t kKindOffset = 5;
constexpr std::size_t kNonceOffset = 8;
constexpr std::size_t kRoleOffset = 16;
constexpr std::size_t kNameLengthOffset = 17;
constexpr std::size_t kControllerOffset = 20;

}  // namespace

std::vector<std::uint8_t> Malform(const nrproto::Answer& valid, Malformation kind, std::mt19937_64& random)
{
    std::vector<std::uint8_t> bytes = nrproto::EncodeAnswer(valid);
    if (kind == Malformation::Fuzz) {
        kind = static_cast<Malformation>(Uniform(random, static_cast<std::size_t>(Malformation::Truncated),
                                                 static_cast<std::size_t>(Malformation::Role)));
        // Now and then pure noise instead, with a first byte that rules out the magic.
        if (Uniform(random, 0, 9) == 0) {
            std::vector<std::uint8_t> noise(Uniform(random, 0, nrproto::kMaxDatagram + 64));
            for (auto& byte : noise)
                byte = RandomByte(random);
            if (!noise.empty())
                noise[0] = ByteOtherThan(static_cast<std::uint8_t>(nrproto::kMagic >> 24), random);
            return noise;
        }
    }
    switch (kind) {
    case Malformation::Truncated:
        bytes.resize(Uniform(random, 0, bytes.size() - 1));
        break;
    case Malformation::Oversized:
        // Either past the protocol's maximum, or just a few bytes more than the fields give.
        bytes.resize(Uniform(random, 0, 1) ? Uniform(random, nrproto::kMaxDatagram + 1, 1400)
                                           : bytes.size() + Uniform(random, 1, 40),
                     RandomByte(random));
        break;
    case Malformation::Version:
        bytes[kVersionOffset] = ByteOtherThan(nrproto::kVersion, random);
        break;
    case Malformation::Nonce:
        for (std::size_t i = 0; i < 8; ++i)
            bytes[kNonceOffset + i] = RandomByte(random);
        bytes[kNonceOffset] = ByteOtherThan(static_cast<std::uint8_t>(valid.nonce >> 56), random);
        break;
    case Malformation::Magic:
        bytes[Uniform(random, 0, 3)] ^= static_cast<std::uint8_t>(Uniform(random, 1, 255));
        break;
    case Malformation::Kind:
        bytes[kKindOffset] = ByteOtherThan(static_cast<std::uint8_t>(nrproto::MessageKind::Answer), random);
        break;
    case Malformation::Length:
        bytes[kNameLengthOffset] = ByteOtherThan(bytes[kNameLengthOffset], random);
        break;
    case Malformation::Role:
        if (Uniform(random, 0, 1)) {
            bytes[kRoleOffset] = static_cast<std::uint8_t>(Uniform(random, 2, 255));
        } else if (valid.role == nrproto::NodeRole::Controller) {
            bytes[kControllerOffset + 3] = static_cast<std::uint8_t>(Uniform(random, 1, 255));
        } else {
            for (std::size_t i = 0; i < 4; ++i)
                bytes[kControllerOffset + i] = 0;
        }
        break;
    case Malformation::Off:
    case Malformation::WrongPort:
    case Malformation::Fuzz:
        break;
    }
    return bytes;
}

}  // namespace nrsim
