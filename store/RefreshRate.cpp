#include "store/RefreshRate.h"

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

int RefreshSecondsFromText(const std::string& text)
{
    const int seconds = FlooredRefreshSeconds(ParseIntSaturated(text.c_str()));
    return seconds > kLongestRefreshSeconds ? kLongestRefreshSeconds : seconds;
}

int RefreshRateMilliseconds(int seconds)
{
    return MultiplySaturated(seconds, 1000);
}

}  // namespace cc
