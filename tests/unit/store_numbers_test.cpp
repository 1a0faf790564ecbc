#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>

#include "store/Numbers.h"
#include "store/RefreshRate.h"

using namespace cc;

TEST(ParseIntSaturated, FollowsAtoiWithinRange)
{
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"25", 25},         {"  42", 42},
        {"\t\r\n\v\f7", 7}, {"+5", 5},
        {"-17x", -17},      {"7x", 7},
        {"25000ms", 25000}, {"", 0},
        {"abc", 0},         {"- 5", 0},
        {"+-5", 0},         {"0", 0},
        {"-0", 0},          {"0000000000000000000012", 12},
        {"3 4", 3},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseIntSaturated(c.text), c.expected) << '"' << c.text << '"';
}

TEST(ParseIntSaturated, SaturatesAtThe32BitLimits)
{
    EXPECT_EQ(ParseIntSaturated("2147483647"), INT_MAX);
    EXPECT_EQ(ParseIntSaturated("2147483648"), INT_MAX);
    EXPECT_EQ(ParseIntSaturated("99999999999999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseIntSaturated("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseIntSaturated("-2147483649"), INT_MIN);
    EXPECT_EQ(ParseIntSaturated("-99999999999999999999999999999"), INT_MIN);
}

TEST(ParseWholeInt, TakesOnlyASignedWholeNumberWithin32Bits)
{
    const struct {
        std::string text;
        std::optional<int> expected;
    } cases[] = {
        {"30000", 30000},
        {"-5000", -5000},
        {"0030000", 30000},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", {}},
        {"-21474836480", {}},
        {"99999999999999999999", {}},
        {"25000ms", {}},
        {" 30000", {}},
        {"+30000", {}},
        {"", {}},
        {"-", {}},
        {std::string("5\0", 2), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseWholeInt(c.text), c.expected) << '"' << c.text << '"';
}

TEST(MultiplySaturated, SaturatesInsteadOfWrapping)
{
    EXPECT_EQ(MultiplySaturated(25, 1000), 25000);
    EXPECT_EQ(MultiplySaturated(-3, -1000), 3000);
    EXPECT_EQ(MultiplySaturated(-2, 1000), -2000);
    EXPECT_EQ(MultiplySaturated(2147483, 1000), 2147483000);
    EXPECT_EQ(MultiplySaturated(2147484, 1000), INT_MAX);
    EXPECT_EQ(MultiplySaturated(-2147484, 1000), INT_MIN);
    EXPECT_EQ(MultiplySaturated(INT_MIN, -1), INT_MAX);
    EXPECT_EQ(MultiplySaturated(INT_MAX, 0), 0);
}

TEST(RefreshRateMilliseconds, IsSecondsTimesThousand)
{
    EXPECT_EQ(RefreshRateMilliseconds(20), 20000);
    EXPECT_EQ(RefreshRateMilliseconds(-1), -1000);
    EXPECT_EQ(RefreshRateMilliseconds(ParseIntSaturated("99999999999")), INT_MAX);
    EXPECT_EQ(RefreshRateMilliseconds(-3000000), INT_MIN);
}

TEST(RefreshSecondsFromText, NothingBelowTheShortestRateNorAboveOneDay)
{
    const struct {
        const char* typed;
        int seconds;
    } cases[] = {
        {"", 20},
        {"abc", 20},
        {"0", 20},
        {"-0", 20},
        {"-5", 20},
        {"19", 20},
        {"20", 20},
        {"45", 45},
        {"45x", 45},
        {"86400", 86400},
        {"86401", 86400},
        {"999999999", 86400},
        {"99999999999", 86400},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RefreshSecondsFromText(c.typed), c.seconds) << '"' << c.typed << '"';
}
