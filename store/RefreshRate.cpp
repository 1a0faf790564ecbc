#include "store/RefreshRate.h"

#include <algorithm>

#include "store/Numbers.h"

namespace cc {

int FlooredRefreshSeconds(int seconds)
{
    return seconds < kShortestRefreshSeconds ? kShortestRefreshSeconds : seconds;
}

int FlooredRefreshMilliseconds(int milliseconds)
{
    const int shortest = RefreshRateMilliseconds(kShortestRefreshSeconds);
    return milliseconds < shortest ? shortest : milliseconds;
}

int ClampRefreshSeconds(long long seconds)
{
    return static_cast<int>(std::clamp<long long>(seconds, kShortestRefreshSeconds, kLongestRefreshSeconds));
}

int RefreshSecondsFromText(const std::string& text)
{
    return ClampRefreshSeconds(ParseIntSaturated(text.c_str()));
}

int RefreshRateMilliseconds(int seconds)
{
    return MultiplySaturated(seconds, 1000);
}

}  // namespace cc
