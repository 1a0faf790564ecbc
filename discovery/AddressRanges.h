// IPv4 address texts: the dotted form every reader agrees on, and address ranges as an
// operator writes them: "10.1.0.0/16", "10.1.2.10-10.1.2.200" or one address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "nrcore/NRController.h"
#include "store/Parsed.h"

namespace cc {

enum class DottedForm {
    NotDotted,    // not four decimal parts of 0 to 255: a host name, or no address at all
    Canonical,    // four decimal parts of 0 to 255, without leading zeros
    LeadingZero,  // four decimal parts, one with a leading zero, such as 127.0.0.010
};

// How a text reads as a dotted IPv4 address. A leading zero makes a part octal to some
// readers (inet_addr reads 127.0.0.010 as 127.0.0.8) and decimal to others, so such a
// text names no one address.
DottedForm DottedFormOf(const std::string& text);

// The first IPv4 address that a host name or canonical dotted address stands for, in
// dotted form; none when it stands for none. A text with a leading zero in a dotted
// part stands for none.
std::optional<std::string> ResolveToDottedAddress(const std::string& nameOrAddress);

// The range a text names; without one, the error says why: the text names none, or
// only addresses a sweep never queries.
Parsed<NRAddressRange> ParseAddressRange(const std::string& text);

}  // namespace cc
