#include "store/Numbers.h"

#include <cstdint>
#include <limits>

namespace cc {

namespace {

constexpr std::int64_t kIntMin = std::numeric_limits<int>::min();
constexpr std::int64_t kIntMax = std::numeric_limits<int>::max();

int Saturate(std::int64_t value)
{
    if (value < kIntMin)
        return static_cast<int>(kIntMin);
    if (value > kIntMax)
        return static_cast<int>(kIntMax);
    return static_cast<int>(value);
}

// The white space of the C locale, which atoi skips.
bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int ParseIntSaturated(const char* text)
{
    while (IsSpace(*text))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    // Accumulating one past the limit is enough to know the result saturates.
    std::int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (magnitude <= kIntMax)
            magnitude = magnitude * 10 + (*text - '0');
    }
    return Saturate(negative ? -magnitude : magnitude);
}

int MultiplySaturated(int a, int b)
{
    return Saturate(static_cast<std::int64_t>(a) * b);
}

}  // namespace cc
