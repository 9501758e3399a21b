#include "mainapp/pages/SaveChecks.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace savechecks;

TEST(SaveChecks, AServiceIsAskedAboutOnlyWhenItsCostIsNotTheSumOfTheDetailsGiven) {
    struct Case {
        ServiceAmounts amounts;
        bool asks;
    };
    const Case cases[] = {
        {{50, 0, 0, 0, 0}, false},           // no details: the cost stands alone
        {{0, 0, 0, 0, 0}, false},            // nothing at all
        {{50, 20, 30, 0, 0}, false},         // the sum
        {{50.004, 20, 30, 0, 0}, false},     // within half a cent
        {{60, 20, 30, 0, 0}, true},          // the mismatch
        {{0, 20, 0, 0, 0}, true},            // details but no cost
        {{10, 0, 0, -5, 0}, true},           // a negative other counts as given
        {{108.25, 40, 60, 0, 8.25}, false},  // tax among the details
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ServiceCostDiffers(c.amounts), c.asks)
            << c.amounts.cost << " " << c.amounts.parts << " " << c.amounts.labor << " " << c.amounts.other << " "
            << c.amounts.tax;
    }
}

TEST(SaveChecks, AServiceCostNotTypedByTheUserIsTheSumOfItsDetails) {
    struct Case {
        ServiceAmounts amounts;
        bool follows;
        double cost;
    };
    const Case cases[] = {
        {{0, 20, 30, 0, 0}, true, 50},
        {{0, 20, 30, 0, 0}, false, 50},   // no cost at all: the sum whatever the mark
        {{20, 20, 30, 0, 0}, true, 50},   // worked out from the parts before the labor came
        {{20, 20, 30, 0, 0}, false, 20},  // the user's own cost stays (the save asks about it)
        {{0, 0.125, 0.125, 0, 0}, true, 0.25},
        {{0, 40, 60, -10, 8.25}, true, 98.25},
        {{35, 0, 0, 0, 0}, true, 35},  // no details: the cost stands
        {{0, 0, 0, 0, 0}, true, 0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(ServiceCostWorkedOut(c.amounts, c.follows), c.cost)
            << c.amounts.cost << " " << c.amounts.parts << " " << c.amounts.labor << " " << c.follows;
    }
}

TEST(SaveChecks, AFillUpsOdometerAndDistanceAreWorkedOutAsThePageDoesOnLeavingTheField) {
    struct Case {
        const char* what;
        FuelReading typed;
        std::optional<double> previous;
        FuelReading expected;
    };
    const Case cases[] = {
        {"the odometer typed: the distance since the fill-up before", {12400, 0}, 12000, {12400, 400}},
        {"rounded to a tenth as shown", {12400.26, 0}, 12000, {12400.26, 400.3}},
        {"the distance typed: the odometer it gives", {0, 350}, 12000, {12350, 350}},
        {"no fill-up before: as typed", {12400, 0}, std::nullopt, {12400, 0}},
        {"an odometer below the one before works out nothing", {11000, 0}, 12000, {11000, 0}},
        {"a distance that disagrees is kept (the question goes unanswered)", {12400, 380}, 12000, {12400, 380}},
        {"a distance that agrees within a twentieth", {12400, 400.04}, 12000, {12400, 400}},
        {"nothing typed", {0, 0}, 12000, {0, 0}},
    };
    for (const Case& c : cases) {
        const FuelReading worked = FuelReadingWorkedOut(c.typed, c.previous);
        EXPECT_DOUBLE_EQ(worked.odometer, c.expected.odometer) << c.what;
        EXPECT_DOUBLE_EQ(worked.distance, c.expected.distance) << c.what;
    }
}

TEST(SaveChecks, AFillUpsAmountsAreSettledAsThePageSettlesThemOnLeavingTheField) {
    struct Case {
        FuelAmounts typed;
        std::vector<std::string> order;  // the fields typed, the latest last
        bool changed;                    // an amount typed over or emptied
        FuelAmounts expected;
    };
    const Case cases[] = {
        {{10.5, 3.199, 0}, {"volume", "costPer"}, true, {10.5, 3.199, 33.59}},
        {{10.5, 0, 33.59}, {"cost", "volume"}, true, {10.5, 3.199, 33.59}},
        {{0, 3.199, 33.59}, {"costPer", "cost"}, true, {10.5, 3.199, 33.59}},
        // Three that agree within their shown decimals stay.
        {{10.5, 3.199, 33.59}, {"volume", "costPer", "cost"}, true, {10.5, 3.199, 33.59}},
        {{10.5, 3.2, 33.6}, {"volume", "costPer", "cost"}, true, {10.5, 3.2, 33.6}},
        // Three that do not: the one typed longest ago gives way.
        {{10, 3, 40}, {"volume", "costPer", "cost"}, true, {13.333, 3, 40}},
        {{10, 3, 40}, {"costPer", "volume", "cost"}, true, {10, 4, 40}},
        {{10, 3, 40}, {"cost", "costPer", "volume"}, true, {10, 3, 30}},
        // One never typed gives way first: the price before the volume before the total.
        {{10, 3, 40}, {"cost"}, true, {10, 4, 40}},
        {{10, 3, 40}, {"costPer", "cost"}, true, {13.333, 3, 40}},
        {{10, 3, 40}, {"costPer", "volume"}, true, {10, 3, 30}},
        // One or none given: as typed, shown rounded.
        {{10.5, 0, 0}, {"volume"}, true, {10.5, 0, 0}},
        {{0, 0, 0}, {}, true, {0, 0, 0}},
        // The field still being typed in, rounded as the page shows it once it is left (the
        // amount worked out from what was typed, not from the rounded figure).
        {{10, 0, 31.555}, {"volume", "cost"}, true, {10, 3.156, 31.56}},
        {{10.1234, 3.199, 0}, {"costPer", "volume"}, true, {10.123, 3.199, 32.38}},
        {{0, 3.1999, 0}, {"costPer"}, true, {0, 3.2, 0}},
        // A stored fill-up's total emptied: worked out from the other two, nothing typed.
        {{10.5, 3.199, 0}, {}, true, {10.5, 3.199, 33.59}},
        // Amounts left alone (their notes edited): as stored.
        {{10, 3, 40}, {}, false, {10, 3, 40}},
        {{10.5, 3.199, 0}, {}, false, {10.5, 3.199, 0}},
        {{10.1234, 3.1999, 0}, {}, false, {10.1234, 3.1999, 0}},
    };
    for (const Case& c : cases) {
        const FuelAmounts worked = FuelAmountsWorkedOut(c.typed, c.order, c.changed);
        const std::string what = ::testing::PrintToString(c.order) + (c.changed ? " changed" : " left alone");
        EXPECT_DOUBLE_EQ(worked.volume, c.expected.volume) << what;
        EXPECT_DOUBLE_EQ(worked.costPer, c.expected.costPer) << what;
        EXPECT_DOUBLE_EQ(worked.cost, c.expected.cost) << what;
    }
}

TEST(SaveChecks, NumbersAreRoundedAsThePageShowsThem) {
    struct Case {
        double value;
        int digits;
        double shown;
    };
    const Case cases[] = {
        {31.555, 2, 31.56}, {80.456, 2, 80.46},     {12.555, 2, 12.56},      {10.1234, 3, 10.123},
        {3.1999, 3, 3.2},   {12600.55, 1, 12600.6}, {12600.549, 1, 12600.5}, {2.5, 0, 3},
        {-2.345, 2, -2.35}, {0.0005, 3, 0.001},     {33.59, 2, 33.59},       {0, 2, 0},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(RoundedAsShown(c.value, c.digits), c.shown) << c.value << " " << c.digits;
}

TEST(SaveChecks, TheVehiclePageRefusesACarWithoutMakeYearModelStyleOrOdometer) {
    const std::string missing = "Please enter your car's make, year, model and style.";
    const std::string odometer =
        "Please enter a value for your car's current odometer.  If you don't know for sure what it is, just make an "
        "estimated guess.  Jorvane needs a basis to begin recommending services.";
    struct Case {
        const char* what;
        CarFields fields;
        std::string refusal;
    };
    const Case cases[] = {
        {"a stored custom car, complete", {true, false, "2004", "Acura", "Integra", "GS", ""}, ""},
        {"its make emptied", {true, false, "2004", "", "Integra", "GS", ""}, missing},
        {"its make only blanks", {true, false, "2004", "  ", "Integra", "GS", ""}, missing},
        {"no year", {true, false, "", "Acura", "Integra", "GS", ""}, missing},
        {"a year the page empties", {true, false, "1850", "Acura", "Integra", "GS", ""}, missing},
        {"a year after next year", {true, false, "2028", "Acura", "Integra", "GS", ""}, missing},
        {"next year's model", {true, false, "2027", "Acura", "Integra", "GS", ""}, ""},
        {"no model", {true, false, "2004", "Acura", "", "GS", ""}, missing},
        {"no style", {true, false, "2004", "Acura", "Integra", "", ""}, missing},
        {"a car from the lists: the custom fields do not count", {false, false, "", "", "", "", ""}, ""},
        {"a new car without its current odometer", {false, true, "", "", "", "", " "}, odometer},
        {"a new car with it", {false, true, "", "", "", "", "4321"}, ""},
        {"a new custom car without make says that first", {true, true, "2004", "", "Integra", "GS", ""}, missing},
    };
    for (const Case& c : cases) EXPECT_EQ(CarRefusal(c.fields, 2027), c.refusal) << c.what;
}

TEST(SaveChecks, ACustomYearIsTakenFrom1900ToNextYear) {
    const std::pair<const char*, bool> cases[] = {
        {"", true},      {"1900", true}, {" 2004 ", true}, {"2027", true}, {"2028", false},
        {"1899", false}, {"abc", false}, {"20o4", false},  {"0", false},
    };
    for (const auto& [typed, taken] : cases) EXPECT_EQ(CustomYearAccepted(typed, 2027), taken) << typed;
    EXPECT_EQ(YearRefusal(2027), "Year must be between 1900 and 2027.");
}

}  // namespace
