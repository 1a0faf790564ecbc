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

// The decimal digits from `text` on, which it passes. Past one more than the largest int
// the value stops growing: enough to tell that it lies beyond either limit.
std::int64_t DigitsValue(const char*& text)
{
    std::int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        if (magnitude <= kIntMax + 1)
            magnitude = magnitude * 10 + (*text - '0');
    }
    return magnitude;
}

}  // namespace

int ParseIntSaturated(const char* text)
{
    while (IsSpace(*text))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    const std::int64_t magnitude = DigitsValue(text);
    return Saturate(negative ? -magnitude : magnitude);
}

std::optional<int> ParseWholeInt(const std::string& text)
{
    const char* position = text.c_str();
    const bool negative = *position == '-';
    if (negative)
        ++position;
    const char* const firstDigit = position;
    const std::int64_t magnitude = DigitsValue(position);
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (position == firstDigit || position != text.c_str() + text.size() || value != Saturate(value))
        return std::nullopt;
    return static_cast<int>(value);
}

int MultiplySaturated(int a, int b)
{
    return Saturate(static_cast<std::int64_t>(a) * b);
}

}  // namespace cc
