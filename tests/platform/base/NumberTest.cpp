#include <gtest/gtest.h>
#include <cmath>
#include <limits>

#include "platform/base/NumberFormat.h"
#include "platform/base/NumberText.h"

using jv::NumberFormat;

TEST(NumberFormat, RoundsHalfAwayFromZeroOnTheDecimalText) {
    const NumberFormat us = NumberFormat::UnitedStates();
    struct Case {
        double value;
        int digits;
        const char* expected;
    } cases[] = {
        {0.125, 2, "0.13"},      {2.675, 2, "2.68"},       {18262.5, 0, "18,263"},
        {1234.5, 2, "1,234.50"}, {1234.5, 0, "1,235"},     {-2.5, 0, "-3"},
        {-0.001, 2, "0.00"},     {999.999, 2, "1,000.00"}, {1234567.891, 1, "1,234,567.9"},
        {0.5, -1, "0.500000"},   {12, 3, "12.000"},
    };
    for (const auto& c : cases) EXPECT_EQ(us.Format(c.value, c.digits), c.expected) << c.value;
}

TEST(NumberFormat, CommaDecimalLocaleRoundTrips) {
    const NumberFormat de = NumberFormat::German();
    EXPECT_EQ(de.Format(1234.5, 2), "1.234,50");
    // Six decimals are kept when no digit count is given, whatever the separator.
    EXPECT_EQ(de.Format(0.25, -1), "0,250000");
    EXPECT_DOUBLE_EQ(de.Parse("1.234,5"), 1234.5);
    for (double v : {0.0, 1.5, -17.25, 1234567.125, 0.001}) {
        EXPECT_DOUBLE_EQ(de.Parse(de.Format(v, 3)), v) << v;
    }
    EXPECT_DOUBLE_EQ(NumberFormat::UnitedStates().Parse("1,234.5"), 1234.5);
}

TEST(NumberFormat, NonFiniteAndHugeValuesStaySane) {
    const NumberFormat us = NumberFormat::UnitedStates();
    EXPECT_EQ(us.Format(std::nan(""), 2), "0.00");
    EXPECT_EQ(us.Format(std::numeric_limits<double>::infinity(), 0), "1,000,000,000,000,000");
    EXPECT_LT(us.Format(-1e300, 2).size(), 40u);
}

TEST(NumberFormat, ParsingReadsPlainDecimalsOnly) {
    const NumberFormat us = NumberFormat::UnitedStates();
    struct Case {
        const char* text;
        double expected;
    } cases[] = {
        {"  42.5 litres", 42.5}, {"abc", 0}, {"", 0},    {"inf", 0},  {"nan", 0},     {"0x1A", 0},
        {"-3.25", -3.25},        {"+7", 7},  {"1e5", 1}, {".5", 0.5}, {"1.2.3", 1.2},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(us.Parse(c.text), c.expected) << c.text;
}

TEST(NumberText, IsLocaleFreeAndStrict) {
    EXPECT_EQ(jv::number::FormatFixed(1234.5, 2), "1234.50");
    EXPECT_EQ(jv::number::FormatFixed(-0.0001, 2), "0.00");
    EXPECT_EQ(jv::number::FormatShortest(0.1), "0.1");
    EXPECT_EQ(jv::number::ParseDouble("12.5"), 12.5);
    EXPECT_FALSE(jv::number::ParseDouble("12.5x"));
    EXPECT_FALSE(jv::number::ParseDouble("1e3"));
    EXPECT_FALSE(jv::number::ParseDouble("inf"));
    EXPECT_FALSE(jv::number::ParseDouble("."));
    EXPECT_EQ(jv::number::ParseInt("-42"), -42);
    EXPECT_EQ(jv::number::ParseInt("+42"), 42);
    EXPECT_FALSE(jv::number::ParseInt("4 2"));
    EXPECT_FALSE(jv::number::ParseInt("+-42"));
    EXPECT_FALSE(jv::number::ParseInt("-"));
    EXPECT_EQ(jv::number::ParseId("0042"), 42);
    EXPECT_FALSE(jv::number::ParseId("-1"));
    EXPECT_FALSE(jv::number::ParseId("1;DROP"));
    EXPECT_FALSE(jv::number::ParseId("99999999999"));
}
