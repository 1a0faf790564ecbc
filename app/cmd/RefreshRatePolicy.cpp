#include "app/cmd/RefreshRatePolicy.h"

#include "app/cmd/Output.h"
#include "store/RefreshRate.h"

namespace cc {

namespace {

// The rate set keeps when none is given: the stored one in whole seconds, within the
// bounds; the companion adds only the reason.
RateToStore KeptRefreshRate(const StoredRefreshRate& stored)
{
    if (!stored.milliseconds)
        return {RefreshRateMilliseconds(kShortestRefreshSeconds), "is not a number"};
    const int wholeSeconds = *stored.milliseconds / 1000;
    const int kept = ClampRefreshSeconds(wholeSeconds);
    const int milliseconds = RefreshRateMilliseconds(kept);
    if (kept > wholeSeconds)
        return {milliseconds, "is below the shortest rate, " + std::to_string(kShortestRefreshSeconds) + " s"};
    if (kept < wholeSeconds)
        return {milliseconds, "is above the longest rate, " + std::to_string(kLongestRefreshSeconds) + " s"};
    if (milliseconds != *stored.milliseconds)
        return {milliseconds, "is not a whole number of seconds"};
    return {milliseconds, std::nullopt};
}

}  // namespace

RateToStore RateToStoreFor(const std::optional<int>& givenMilliseconds, const StoredRefreshRate& stored)
{
    if (givenMilliseconds)
        return {FlooredRefreshMilliseconds(*givenMilliseconds), std::nullopt};
    return KeptRefreshRate(stored);
}

std::string RateChangeNotice(const StoredRefreshRate& stored, const RateToStore& rate, bool dryRun)
{
    return "The stored RefreshRate \"" + stored.text + "\" " + *rate.change + "; " + ExactSeconds(rate.milliseconds) +
           (dryRun ? " s would be stored in its place" : " s is stored in its place");
}

}  // namespace cc
