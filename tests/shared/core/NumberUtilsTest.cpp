#include "shared/core/NumberUtils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <cmath>

#include "platform/base/Paths.h"

#include "tests/support/TestSupport.h"

TEST(NumberUtils, IsNumericAcceptsSignedNumbersOnly) {
    struct Case {
        const char* text;
        bool decimals;
        bool expected;
    } cases[] = {
        {"123", false, true},  {"x123", false, false},   {"12a", false, false},      {"", false, false},
        {"-", false, false},   {"-5", false, true},      {"+5", false, true},        {"1.5", false, false},
        {"1.5", true, true},   {"1.5.1", true, false},   {".", true, false},         {"5.", true, true},
        {"1 2", false, false}, {"1;DROP", false, false}, {"\xc2\xb2", false, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsNumeric(c.text, c.decimals), c.expected) << c.text;
}

TEST(NumberUtils, RoundsHalvesAwayFromZeroAndClamps) {
    EXPECT_EQ(RoundFloat(0.5f), 1);
    EXPECT_EQ(RoundFloat(-0.5f), -1);
    EXPECT_EQ(RoundFloat(0.49f), 0);
    EXPECT_EQ(RoundDouble(2.5), 3);
    EXPECT_EQ(RoundDouble(-2.5), -3);
    EXPECT_EQ(RoundDouble(1e20), INT_MAX);
    EXPECT_EQ(RoundDouble(-1e20), INT_MIN);
    EXPECT_EQ(RoundDouble(std::nan("")), 0);
}

TEST(NumberUtils, LocaleTextFollowsTheGivenFormat) {
    std::string out;
    EXPECT_EQ(DoubleToLocaleString(out, 1234.5, 2, jv::NumberFormat::UnitedStates()), "1,234.50");
    EXPECT_EQ(DoubleToLocaleString(out, 1234.5, 0, jv::NumberFormat::UnitedStates()), "1,235");
    EXPECT_EQ(DoubleToLocaleString(out, 1.25, -1, jv::NumberFormat::German()), "1,250000");
    EXPECT_DOUBLE_EQ(LocaleStringToDouble("1.234,5", jv::NumberFormat::German()), 1234.5);
    EXPECT_DOUBLE_EQ(LocaleStringToDouble("1,234.5", jv::NumberFormat::UnitedStates()), 1234.5);
}

TEST(NumberUtils, MonthAndYearStepsClampToTheMonthEnd) {
    struct Case {
        jv::DateTime from;
        int months;
        jv::DateTime expected;
    } months[] = {
        {{2007, 1, 31}, 1, {2007, 2, 28}},
        {{2008, 1, 31}, 1, {2008, 2, 29}},
        {{2007, 3, 31}, 1, {2007, 4, 30}},
        {{2007, 3, 15}, -3, {2006, 12, 15}},
        {{2007, 1, 15}, -13, {2005, 12, 15}},
        {{2007, 1, 15}, 0, {2007, 1, 15}},
        {{2007, 12, 31}, 2, {2008, 2, 29}},
        {{2007, 5, 31}, 12, {2008, 5, 31}},
        {{2007, 1, 31, 10, 30, 0}, 1, {2007, 2, 28, 10, 30, 0}},
    };
    for (const auto& c : months) {
        jv::DateTime d = c.from;
        EXPECT_EQ(AddMonths(d, c.months), c.expected) << c.from.Format("%m/%d/%Y") << " + " << c.months;
    }
    jv::DateTime leap(2008, 2, 29);
    EXPECT_EQ(AddYears(leap, 1), jv::DateTime(2009, 2, 28));
    jv::DateTime leap2(2008, 2, 29);
    EXPECT_EQ(AddYears(leap2, 4), jv::DateTime(2012, 2, 29));
    jv::DateTime invalid = jv::DateTime::Invalid();
    EXPECT_FALSE(AddMonths(invalid, 1).IsValid());
    jv::DateTime edge(9999, 12, 1);
    EXPECT_EQ(AddMonths(edge, 1), jv::DateTime(9999, 12, 1));
}

TEST(NumberUtils, SystemErrorTextIsEmptyForNumbersTheSystemDoesNotKnow) {
    const std::pair<uint32_t, const char*> cases[] = {
        {2, "No such file or directory\n"}, {13, "Permission denied\n"}, {5000, ""}, {0xC00CE55F, ""}, {0xFFFFFFFF, ""},
    };
    for (const auto& [code, expected] : cases) {
        std::string out = "old";
        EXPECT_EQ(GetSystemErrorText(out, code), expected) << code;
    }
}

TEST(NumberUtils, CapitalizeWordsRaisesLettersAfterBlanks) {
    std::string out;
    EXPECT_EQ(CapitalizeWords(out, "CHECK tire pressure"), "Check Tire Pressure");
    EXPECT_EQ(CapitalizeWords(out, "oil (engine)"), "Oil (engine)");
    EXPECT_EQ(CapitalizeWords(out, "2nd gear"), "2nd Gear");
    EXPECT_EQ(CapitalizeWords(out, "air-filter/cabin"), "Air-filter/cabin");
    EXPECT_EQ(CapitalizeWords(out, ""), "");
    EXPECT_EQ(CapitalizeWords(out, "\xc3\x89TAT"), "\xc3\x89tat");
}

TEST(NumberUtils, LaunchBrowserOpensOnlyWebAndMailAddressesAsOneArgument) {
    jv::test::TempDir dir;
    const std::string record = dir.File("args");
    // The record takes its name once it is whole.
    jv::test::WriteFile(dir.File("bin/xdg-open"), "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" +
                                                      record + ".part'\nmv '" + record + ".part' '" + record + "'\n");
    chmod(dir.File("bin/xdg-open").c_str(), 0755);
    jv::test::ScopedEnv path("PATH", dir.File("bin") + ":/usr/bin:/bin");

    EXPECT_TRUE(LaunchBrowser("https://example.org/help?a=1&b=$(id)"));
    for (int i = 0; i < 500 && !jv::paths::FileExists(record); ++i) usleep(20000);
    EXPECT_EQ(jv::test::ReadFile(record), "[https://example.org/help?a=1&b=$(id)]");

    EXPECT_FALSE(LaunchBrowser("file:///etc/passwd"));
    EXPECT_FALSE(LaunchBrowser("javascript:alert(1)"));
    EXPECT_FALSE(LaunchBrowser("--help"));
    EXPECT_FALSE(LaunchBrowser("http://x\n--y"));
    EXPECT_TRUE(LaunchBrowser("mailto:support@example.org"));
}
