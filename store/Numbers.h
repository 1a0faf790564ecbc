#pragma once

#include <optional>
#include <string>

namespace cc {

// Text-to-number conversions for stored values. They follow atoi, except that a
// value beyond the 32-bit range saturates at the nearest limit instead of overflowing.

// Leading white space, an optional sign, then decimal digits up to the first other
// character; no digits gives 0.
int ParseIntSaturated(const char* text);

// The whole text as a 32-bit number: an optional minus sign and decimal digits, nothing
// else; none when it is not one or lies beyond the limits. For showing a stored value
// exactly, where ParseIntSaturated would read "25000ms" as 25000.
std::optional<int> ParseWholeInt(const std::string& text);

// The 32-bit product, saturated at the limits.
int MultiplySaturated(int a, int b);

}  // namespace cc
