// The refresh rate set stores: the one given, or the stored one kept within the
// bounds, with the reason when what is kept differs from what is stored.
#pragma once

#include <optional>
#include <string>

#include "store/SettingsFile.h"

namespace cc {

// The rate set stores, in milliseconds, and why it differs from the rate stored now,
// when it does.
struct RateToStore {
    int milliseconds;
    std::optional<std::string> change;
};

// The rate given on the command line, never below the shortest; without one, the stored
// rate kept in whole seconds within the bounds (ClampRefreshSeconds), and why that
// differs from the stored rate when it does.
RateToStore RateToStoreFor(const std::optional<int>& givenMilliseconds, const StoredRefreshRate& stored);

// The line that says the stored rate is not kept, and what is stored (or with a dry run
// would be) in its place.
std::string RateChangeNotice(const StoredRefreshRate& stored, const RateToStore& rate, bool dryRun);

}  // namespace cc
