// The refresh rate the web service's pages use: its bounds and its conversions. The
// settings file, refreshRate.xml, the dialog and the command line all follow them.
#pragma once

#include <string>

namespace cc {

// The shortest refresh rate the operator can choose, in seconds; also the rate a
// settings file without one reads as.
constexpr int kShortestRefreshSeconds = 20;

// The longest refresh rate either program stores, in seconds: one day. A service that
// refreshes less often shows data too old to be of use.
constexpr int kLongestRefreshSeconds = 86400;

// A refresh rate to store: never below the shortest rate.
int FlooredRefreshSeconds(int seconds);
int FlooredRefreshMilliseconds(int milliseconds);

// A rate in whole seconds brought within the shortest and the longest rate: the one
// place the two bounds are applied.
int ClampRefreshSeconds(long long seconds);

// The refresh rate the operator typed, in whole seconds: anything that reads as less
// than the shortest rate (empty, not a number, 0, negative) is the shortest rate, and
// anything above the longest rate is the longest rate.
int RefreshSecondsFromText(const std::string& text);

// The refresh rate stored in milliseconds for whole seconds; one conversion for the
// settings file and refreshRate.xml, so the two always agree.
int RefreshRateMilliseconds(int seconds);

}  // namespace cc
