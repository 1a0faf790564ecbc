#pragma once

namespace cc {

// Text-to-number conversions for stored values. They follow atoi, except that a
// value beyond the 32-bit range saturates at the nearest limit instead of overflowing.

// Leading white space, an optional sign, then decimal digits up to the first other
// character; no digits gives 0.
int ParseIntSaturated(const char* text);

// The 32-bit product, saturated at the limits.
int MultiplySaturated(int a, int b);

}  // namespace cc
