#include "mainapp/pages/RegisterFields.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

using registerfields::DateForDatabase;
using registerfields::NumberForDatabase;
using registerfields::NumberForPage;

TEST(RegisterFields, NumbersTypedIntoARegisterReachTheDatabaseAsTypedOrNotAtAll) {
    const jv::NumberFormat us = jv::NumberFormat::UnitedStates();
    const jv::NumberFormat german = jv::NumberFormat::German();
    struct Case {
        std::string typed, tip;
        const jv::NumberFormat& format;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        // Empty fields and tips are "not given", never a zero.
        {"", "Odometer", us, ""},
        {"   ", "Odometer", us, ""},
        {"Odometer", "Odometer", us, ""},
        {"Total Cost", "Total Cost", us, ""},
        // A tip text in another field is no tip there (and no number).
        {"Volume", "Odometer", us, std::nullopt},
        // Numbers in the user's format.
        {"12300", "Odometer", us, "12300.000000"},
        {"12,300.5", "Odometer", us, "12300.500000"},
        {" 3.199 ", "Cost Per", us, "3.199000"},
        {"0", "Distance", us, "0.000000"},
        {"-2.5", "", us, "-2.500000"},
        {".5", "", us, "0.500000"},
        {"12.300,5", "Odometer", german, "12300.500000"},
        {"3,199", "Cost Per", german, "3.199000"},
        // Not numbers: refused rather than saved as a guess (a pasted "12abc" is not 12).
        {"12abc", "Odometer", us, std::nullopt},
        {"1.2.3", "", us, std::nullopt},
        {"-", "", us, std::nullopt},
        {"abc", "", us, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NumberForDatabase(c.typed, c.tip, c.format), c.expected) << "typed \"" << c.typed << "\"";
    }
}

TEST(RegisterFields, AnAmountEmptiedInAStoredEntryIsStoredAsZero) {
    EXPECT_EQ(registerfields::AmountForUpdate(""), "0.000000");
    EXPECT_EQ(registerfields::AmountForUpdate("12.500000"), "12.500000");
}

TEST(RegisterFields, StoredNumbersShowInTheUsersFormatAndZeroCanShowEmpty) {
    const jv::NumberFormat us = jv::NumberFormat::UnitedStates();
    const jv::NumberFormat german = jv::NumberFormat::German();
    struct Case {
        double value;
        int digits;
        bool emptyWhenZero;
        const jv::NumberFormat& format;
        std::string expected;
    };
    const Case cases[] = {
        {12000.0, 1, true, us, "12,000.0"},
        {0.0, 1, true, us, ""},
        {0.0, 2, false, us, "0.00"},
        {10.5, 3, true, us, "10.500"},
        {3.1995, 3, true, us, "3.200"},
        {33.59, 2, false, german, "33,59"},
        {-1.0, 1, true, us, ""},
        {1234.5, 1, false, german, "1.234,5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NumberForPage(c.value, c.digits, c.emptyWhenZero, c.format), c.expected) << c.value;
    }
}

TEST(RegisterFields, ANumberFieldLeftShowsItsNumberWithItsDecimals) {
    const jv::NumberFormat us = jv::NumberFormat::UnitedStates();
    const jv::NumberFormat german = jv::NumberFormat::German();
    struct Case {
        std::string typed;
        int digits;
        const jv::NumberFormat& format;
        std::string shown;
    };
    const Case cases[] = {
        {"31.555", 2, us, "31.56"},
        {"80.456", 2, us, "80.46"},
        {"12600.55", 1, us, "12,600.6"},
        {"10", 3, us, "10.000"},
        {" 12.5 ", 2, us, "12.50"},
        {"80,456", 2, german, "80,46"},
        {"12.600,55", 1, german, "12.600,6"},
        // Nothing the page would show anew: as it is.
        {"", 2, us, ""},
        {"Cost", 2, us, "Cost"},
        {"12abc", 1, us, "12abc"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(registerfields::NumberAsLeft(c.typed, c.digits, c.format), c.shown) << "typed \"" << c.typed << "\"";
    }
}

// What the register sends for an entry's date, with today 01/10/2030 (or 12/09/2026) and the stored
// entry's date, reaches the database with four year digits, or is refused.
TEST(RegisterFields, EntryDatesKeepTheirCenturyAndRefuseTheFutureAndYearsBefore1900) {
    using Problem = registerfields::EntryDate::Problem;
    const jv::DateTime in2030(2030, 1, 10);
    const jv::DateTime in2026(2026, 12, 9);
    const jv::DateTime none = jv::DateTime::Invalid();
    struct Case {
        std::string typed;
        const jv::DateTime& today;
        jv::DateTime stored;  // invalid: the new entry
        Problem problem;
        std::string text;
    } cases[] = {
        // A stored date shown and sent back as it was keeps its year.
        {"01/05/30", in2030, jv::DateTime(2030, 1, 5), Problem::None, "01/05/2030"},
        {"12/31/99", in2030, jv::DateTime(2099, 12, 31), Problem::None, "12/31/2099"},
        {"01/01/00", in2030, jv::DateTime(1900, 1, 1), Problem::None, "01/01/1900"},
        {"12/31/99", in2026, jv::DateTime(1899, 12, 31), Problem::None, "12/31/1899"},
        {" 1/5/30 ", in2030, jv::DateTime(2030, 1, 5, 18, 0, 0), Problem::None, "01/05/2030"},
        // A date the user changed: four digits as typed, a two-digit year the one with those digits
        // nearest the stored year (of two as near, the earlier), then checked as any other.
        {"01/06/30", in2030, jv::DateTime(2030, 1, 5), Problem::None, "01/06/2030"},
        {"01/05/1930", in2030, jv::DateTime(2030, 1, 5), Problem::None, "01/05/1930"},
        {"03/02/25", in2030, jv::DateTime(1925, 3, 1), Problem::None, "03/02/1925"},
        {"3/2/05", in2030, jv::DateTime(1905, 3, 1), Problem::None, "03/02/1905"},
        {"3/2/2025", in2030, jv::DateTime(1925, 3, 1), Problem::None, "03/02/2025"},
        {"01/05/30", in2030, jv::DateTime(1905, 3, 1), Problem::None, "01/05/1930"},
        {"12/31/99", in2030, jv::DateTime(2030, 1, 5), Problem::None, "12/31/1999"},
        {"1/1/99", in2030, jv::DateTime(1950, 6, 1), Problem::None, "01/01/1999"},
        {"1/1/10", in2030, jv::DateTime(1960, 6, 1), Problem::None, "01/01/1910"},
        {"1/1/50", in2030, jv::DateTime(2000, 6, 1), Problem::None, "01/01/1950"},
        {"12/30/99", in2030, jv::DateTime(2099, 12, 31), Problem::Future, ""},
        {"1/1/99", in2030, jv::DateTime(1905, 3, 1), Problem::Before1900, ""},
        {"1/1/75", in2030, jv::DateTime(1925, 3, 1), Problem::Before1900, ""},
        {"12/25/26", in2026, jv::DateTime(2026, 12, 1), Problem::Future, ""},
        // Typed into the new entry: the latest year with those digits, not after today's.
        {"1/5/30", in2030, none, Problem::None, "01/05/2030"},
        {"6/15/29", in2030, none, Problem::None, "06/15/2029"},
        {"12/31/31", in2030, none, Problem::None, "12/31/1931"},
        {"12/09/26", in2026, none, Problem::None, "12/09/2026"},
        {"1/2/2024", in2026, none, Problem::None, "01/02/2024"},
        {"1/1/1900", in2026, none, Problem::None, "01/01/1900"},
        // Refused.
        {"12/25/2026", in2026, none, Problem::Future, ""},
        {"12/10/26", in2026, none, Problem::Future, ""},
        {"12/31/2099", in2026, none, Problem::Future, ""},
        {"12/31/1899", in2026, none, Problem::Before1900, ""},
        {"12/31/2099", in2030, jv::DateTime(2030, 1, 5), Problem::Future, ""},
        {"2/30/2024", in2026, none, Problem::NotADate, ""},
        {"13/01/2024", in2026, jv::DateTime(2024, 1, 13), Problem::NotADate, ""},
        {"", in2026, none, Problem::NotADate, ""},
        {"tomorrow", in2026, none, Problem::NotADate, ""},
    };
    for (const Case& c : cases) {
        const auto date = DateForDatabase(c.typed, c.today, c.stored.IsValid() ? &c.stored : nullptr);
        EXPECT_EQ(date.problem, c.problem) << c.typed;
        EXPECT_EQ(date.text, c.text) << c.typed;
    }
}

}  // namespace
