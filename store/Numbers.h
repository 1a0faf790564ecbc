#pragma once

#include <string>

namespace cc {

// Text-to-number conversions for stored values. They follow atoi, except that a
// value beyond the 32-bit range saturates at the nearest limit instead of overflowing.

// Leading white space, an optional sign, then decimal digits up to the first other
// character; no digits gives 0.
int ParseIntSaturated(const char* text);

// The 32-bit product, saturated at the limits.
int MultiplySaturated(int a, int b);

// The shortest refresh rate the operator can choose, in seconds; also the rate a
// settings file without one reads as.
constexpr int kShortestRefreshSeconds = 20;

// The longest refresh rate either program stores, in seconds: one day. A service that
// refreshes less often shows data too old to be of use.
constexpr int kLongestRefreshSeconds = 86400;

// A refresh rate to store: never below the shortest rate.
int FlooredRefreshSeconds(int seconds);

// The refresh rate the operator typed, in whole seconds: anything that reads as less
// than the shortest rate (empty, not a number, 0, negative) is the shortest rate, and
// anything above the longest rate is the longest rate.
int RefreshSecondsFromText(const std::string& text);

// The refresh rate stored in milliseconds for whole seconds; one conversion for the
// settings file and refreshRate.xml, so the two always agree.
int RefreshRateMilliseconds(int seconds);

}  // namespace cc
