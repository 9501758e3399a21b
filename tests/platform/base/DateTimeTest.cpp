#include "platform/base/DateTime.h"

#include <gtest/gtest.h>

#include "platform/base/Clock.h"

using jv::DateTime;

TEST(DateTime, DayNumbersMatchTheStoredEpoch) {
    EXPECT_EQ(DateTime(1899, 12, 30).Days(), 0.0);
    EXPECT_EQ(DateTime(1900, 1, 1).Days(), 2.0);
    EXPECT_EQ(DateTime(2000, 1, 1).Days(), 36526.0);
    EXPECT_EQ(DateTime(2024, 1, 1).Days(), 45292.0);
    EXPECT_DOUBLE_EQ(DateTime(2024, 1, 1, 18, 0, 0).Days(), 45292.75);
    // Before the epoch the fraction is still the time of day.
    EXPECT_DOUBLE_EQ(DateTime(1899, 12, 29, 6, 0, 0).Days(), -1.25);
    EXPECT_EQ(DateTime(-1.25).GetHour(), 6);
    EXPECT_EQ(DateTime(-1.25).GetDay(), 29);
}

TEST(DateTime, PartsRoundToTheNearestSecond) {
    const DateTime almostMidnight(45292.0 + 86399.6 / 86400.0);
    EXPECT_EQ(almostMidnight.GetDay(), 2);
    EXPECT_EQ(almostMidnight.GetHour(), 0);
    EXPECT_EQ(almostMidnight.GetSecond(), 0);
    const DateTime noon(45292.5 + 0.4 / 86400.0);
    EXPECT_EQ(noon.GetHour(), 12);
    EXPECT_EQ(noon.GetSecond(), 0);
}

TEST(DateTime, OutOfRangePartsGiveAnInvalidDate) {
    EXPECT_FALSE(DateTime(2023, 2, 29).IsValid());
    EXPECT_TRUE(DateTime(2024, 2, 29).IsValid());
    EXPECT_FALSE(DateTime(2024, 13, 1).IsValid());
    EXPECT_FALSE(DateTime(2024, 4, 31).IsValid());
    EXPECT_FALSE(DateTime(99, 1, 1).IsValid());
    EXPECT_FALSE(DateTime(2024, 1, 1, 24, 0, 0).IsValid());
}

TEST(DateTime, ComparisonsWithAnInvalidDateAreFalse) {
    const DateTime a(2024, 1, 1);
    const DateTime invalid = DateTime::Invalid();
    const DateTime null = DateTime::Null();
    EXPECT_FALSE(a < invalid);
    EXPECT_FALSE(a > invalid);
    EXPECT_FALSE(a == invalid);
    EXPECT_FALSE(a != invalid);
    EXPECT_FALSE(invalid == invalid);
    EXPECT_FALSE(null <= a);
    EXPECT_TRUE(a < DateTime(2024, 1, 2));
    EXPECT_TRUE(DateTime(1899, 12, 29) < DateTime(1899, 12, 30));
    EXPECT_TRUE(DateTime(1850, 6, 1, 12, 0, 0) < DateTime(1850, 6, 1, 13, 0, 0));
}

TEST(DateTime, ArithmeticWorksOnTheDayCount) {
    const DateTime jan1(2024, 1, 1);
    EXPECT_EQ((jan1 + 10).Format("%m/%d/%Y"), "01/11/2024");
    EXPECT_EQ((jan1 - 1).Format("%m/%d/%Y"), "12/31/2023");
    EXPECT_DOUBLE_EQ(DateTime(2024, 1, 11) - jan1, 10.0);
    EXPECT_DOUBLE_EQ(DateTime(2024, 3, 1) - DateTime(2023, 3, 1), 366.0);
    // Across the epoch the count stays continuous.
    EXPECT_EQ((DateTime(1899, 12, 31) - 3).Format("%m/%d/%Y"), "12/28/1899");
    EXPECT_DOUBLE_EQ(DateTime(1899, 12, 31) - DateTime(1899, 12, 28, 12, 0, 0), 2.5);
    EXPECT_FALSE((DateTime::Invalid() + 1).IsValid());
}

TEST(DateTime, FormatsWithTheCodesTheProgramUses) {
    const DateTime d(2007, 3, 5, 14, 7, 9);
    EXPECT_EQ(d.Format("%m/%d/%Y"), "03/05/2007");
    EXPECT_EQ(d.Format("%m/%d/%y"), "03/05/07");
    EXPECT_EQ(d.Format("%Y/%m/%d %I:%M:%S %p"), "2007/03/05 02:07:09 PM");
    EXPECT_EQ(d.Format("%B %Y"), "March 2007");
    EXPECT_EQ(d.Format("%a %b"), "Mon Mar");
    EXPECT_EQ(d.GetDayOfWeek(), 2);
    EXPECT_EQ(d.GetDayOfYear(), 64);
    EXPECT_EQ(DateTime::Invalid().Format("%Y"), "");
}

// A two-digit year is the latest year with those digits that is not after the current year: typed
// in 2030, "30" is this year, "31" is 1931; typed in 2026, "27" is 1927.
TEST(DateTime, TwoDigitYearsAreTheLatestNotAfterTheCurrentYear) {
    struct Case {
        const char* today;
        const char* text;
        const char* expected;
    } cases[] = {
        {"2030-01-10", "1/5/30", "2030-01-05"},   {"2030-01-10", "12/31/99", "1999-12-31"},
        {"2030-01-10", "01/01/00", "2000-01-01"}, {"2030-01-10", "12/31/31", "1931-12-31"},
        {"2030-01-10", "6/15/29", "2029-06-15"},  {"2026-12-09", "12/25/27", "1927-12-25"},
        {"2026-12-09", "12/31/26", "2026-12-31"}, {"2026-12-09", "12/09/26 13:05", "2026-12-09"},
        {"2099-06-01", "1/1/99", "2099-01-01"},   {"2100-01-01", "1/1/00", "2100-01-01"},
        {"2100-01-01", "1/1/01", "2001-01-01"},   {"2026-12-09", "1/5/1930", "1930-01-05"},
    };
    for (const auto& c : cases) {
        DateTime today;
        ASSERT_TRUE(today.ParseIsoDate(c.today));
        jv::FixedClock clock(today);
        jv::ScopedClock installed(clock);
        DateTime d;
        EXPECT_TRUE(d.ParseDateTime(c.text)) << c.today << " " << c.text;
        EXPECT_EQ(d.Format("%Y-%m-%d"), c.expected) << c.today << " " << c.text;
        // The same with the year given, without the clock.
        EXPECT_TRUE(d.ParseDateTime(c.text, today.GetYear())) << c.text;
        EXPECT_EQ(d.Format("%Y-%m-%d"), c.expected) << c.today << " " << c.text;
    }
}

TEST(DateTime, ParsesMonthDayYearText) {
    struct Case {
        const char* text;
        bool ok;
        const char* expected;
    } cases[] = {
        {"1/31/2024", true, "2024-01-31 00:00:00"},
        {"01/31/24", true, "2024-01-31 00:00:00"},
        {"2/29/2024 13:05", true, "2024-02-29 13:05:00"},
        {"2/29/2024 1:05:07 PM", true, "2024-02-29 13:05:07"},
        {"2/29/2024 12:00 AM", true, "2024-02-29 00:00:00"},
        {"2/29/2023", false, ""},
        {"13/1/2024", false, ""},
        {"1/1/2024x", false, ""},
        {"2024-01-01", false, ""},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        DateTime d;
        EXPECT_EQ(d.ParseDateTime(c.text), c.ok) << c.text;
        EXPECT_EQ(d.IsValid(), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(d.Format("%Y-%m-%d %H:%M:%S"), c.expected) << c.text;
        }
    }
    DateTime iso;
    EXPECT_TRUE(iso.ParseIsoDate("2024-02-29"));
    EXPECT_EQ(iso, DateTime(2024, 2, 29));
    EXPECT_FALSE(iso.ParseIsoDate("2024-02-30"));
}
