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
        EXPECT_DOUBLE_EQ(ServiceAmountsSettled(c.amounts, c.follows).amounts.cost, c.cost)
            << c.amounts.cost << " " << c.amounts.parts << " " << c.amounts.labor << " " << c.follows;
    }
}

// What the service page does with each amount typed and left: a cost typed stops following the
// details, and the five are settled.
TEST(SaveChecks, AServicesAmountsSettleAsTheyAreTypedAndLeft) {
    struct Edit {
        const char* field;
        double value;
    };
    struct Case {
        std::vector<Edit> edits;
        ServiceAmounts expected;
        const char* adjustedLast;  // how the last edit settled them
    };
    const Case cases[] = {
        {{{"parts", 20}, {"labor", 30}}, {50, 20, 30, 0, 0}, "computed"},
        {{{"labor", 30}, {"parts", 20}, {"tax", 4.5}}, {54.5, 20, 30, 0, 4.5}, "computed"},
        {{{"parts", 20}, {"labor", 30}, {"parts", 0}}, {30, 0, 30, 0, 0}, "computed"},
        {{{"cost", 100}, {"parts", 20}}, {100, 20, 0, 0, 0}, ""},
        {{{"cost", 100}, {"parts", 20}, {"labor", 30}, {"other", 10}}, {100, 20, 30, 10, 40}, "computed"},
        {{{"cost", 100}, {"parts", 20}, {"labor", 30}, {"tax", 60}}, {100, 20, 30, -10, 60}, "computed"},
        {{{"cost", 40}, {"parts", 20}, {"labor", 30}, {"tax", 5}}, {40, 20, 30, -15, 5}, "computed"},  // other < 0
        {{{"cost", 40}, {"parts", 20}, {"labor", 30}, {"other", 5}}, {40, 20, 30, 5, 0}, ""},          // tax may not be
        {{{"cost", 100}, {"parts", 20}, {"labor", 30}, {"other", 10}, {"tax", 5}}, {65, 20, 30, 10, 5}, "corrected"},
        {{{"parts", 20}, {"cost", 0}}, {20, 20, 0, 0, 0}, "computed"},
    };
    for (const Case& c : cases) {
        ServiceAmounts amounts;
        bool follows = true;
        std::string adjusted;
        std::string what;
        for (const Edit& edit : c.edits) {
            const std::string field = edit.field;
            what += field + "=" + std::to_string(edit.value) + " ";
            double* const target = field == "cost"    ? &amounts.cost
                                   : field == "parts" ? &amounts.parts
                                   : field == "labor" ? &amounts.labor
                                   : field == "other" ? &amounts.other
                                                      : &amounts.tax;
            *target = edit.value;
            if (field == "cost") follows = edit.value == 0;
            const ServiceSettled settled = ServiceAmountsSettled(amounts, follows);
            amounts = settled.amounts;
            adjusted = settled.adjusted;
        }
        EXPECT_DOUBLE_EQ(amounts.cost, c.expected.cost) << what;
        EXPECT_DOUBLE_EQ(amounts.parts, c.expected.parts) << what;
        EXPECT_DOUBLE_EQ(amounts.labor, c.expected.labor) << what;
        EXPECT_DOUBLE_EQ(amounts.other, c.expected.other) << what;
        EXPECT_DOUBLE_EQ(amounts.tax, c.expected.tax) << what;
        EXPECT_EQ(adjusted, c.adjustedLast) << what;
    }
    EXPECT_EQ(ServiceCostCorrected(),
              "The Cost value doesn't match the Parts, Labor, Other and Tax values.  The Cost value will be adjusted "
              "accordingly.");
    EXPECT_EQ(ServiceCostQuestion(),
              "The Cost value doesn't match the Parts, Labor, Other and Tax values.  Do you want to save anyway?");
}

TEST(SaveChecks, LeavingAFillUpsOdometerOrDistanceWorksOutTheOther) {
    struct Case {
        const char* what;
        bool fromOdometer;  // the odometer left (else the distance)
        double left, other;
        std::optional<double> previous;
        std::string outcome;
        double value;
    };
    const Case cases[] = {
        {"the distance since the fill-up before", true, 12300, 0, 12000, "worked", 300},
        {"a distance that agrees within a twentieth is shown as worked out", true, 12300, 300.04, 12000, "worked", 300},
        {"one that does not: the page asks", true, 12300, 280, 12000, "differs", 300},
        {"an odometer below the one before: the page warns", true, 11900, 0, 12000, "below", 0},
        {"no fill-up before", true, 12300, 0, std::nullopt, "", 0},
        {"no odometer", true, 0, 300, 12000, "", 0},
        {"the odometer the distance gives", false, 287.5, 0, 12000, "worked", 12287.5},
        {"an odometer that disagrees: the page asks", false, 287.5, 12400, 12000, "differs", 12287.5},
        {"no distance", false, 0, 12400, 12000, "", 0},
    };
    for (const Case& c : cases) {
        const ReadingSettled settled = c.fromOdometer ? DistanceFromOdometer(c.left, c.other, c.previous)
                                                      : OdometerFromDistance(c.left, c.other, c.previous);
        EXPECT_EQ(settled.outcome, c.outcome) << c.what;
        EXPECT_DOUBLE_EQ(settled.value, c.value) << c.what;
    }
}

// What the fuel page does with each amount typed and left: the field joins the typed ones (the
// latest last) and the three are settled.
TEST(SaveChecks, AFillUpsAmountsSettleTheSameWhateverTheOrderAndNumberOfEdits) {
    struct Edit {
        const char* field;
        double value;
    };
    struct Case {
        FuelAmounts start;
        std::vector<Edit> edits;
        FuelAmounts expected;
    };
    const FuelAmounts blank{0, 0, 0};
    const FuelAmounts stored{38.051, 1.719, 65.41};
    const Case cases[] = {
        {blank, {{"volume", 10}, {"costPer", 3.1}}, {10, 3.1, 31}},
        {blank, {{"cost", 40}, {"volume", 12.5}}, {12.5, 3.2, 40}},
        {blank, {{"costPer", 2.5}, {"cost", 30}}, {12, 2.5, 30}},
        {blank, {{"volume", 10.5}, {"costPer", 3.199}, {"cost", 33.59}}, {10.5, 3.199, 33.59}},  // rounding agrees
        {blank, {{"volume", 10}, {"costPer", 3.1}, {"cost", 31.2}}, {10.065, 3.1, 31.2}},  // the two typed last stay
        {blank, {{"volume", 10}, {"costPer", 3.1}, {"cost", 40}, {"costPer", 3.5}}, {11.429, 3.5, 40}},
        {blank, {{"volume", 10}, {"cost", 40}, {"volume", 8}}, {8, 5, 40}},
        // A stored purchase: the total paid is kept longest.
        {stored, {{"costPer", 1.729}}, {37.831, 1.729, 65.41}},
        {stored, {{"costPer", 1.729}, {"costPer", 1.739}}, {37.614, 1.739, 65.41}},
        {stored, {{"costPer", 1.729}, {"volume", 38.051}}, {38.051, 1.729, 65.79}},
        {stored, {{"volume", 40}}, {40, 1.635, 65.41}},
        {stored, {{"cost", 70}, {"costPer", 1.8}, {"volume", 39}}, {39, 1.8, 70.2}},
        {stored, {{"volume", 0}}, {38.051, 1.719, 65.41}},  // a cleared one is worked out
    };
    for (const Case& c : cases) {
        FuelAmounts amounts = c.start;
        std::vector<std::string> typed;
        std::string what;
        for (const Edit& edit : c.edits) {
            const std::string field = edit.field;
            what += field + "=" + std::to_string(edit.value) + " ";
            std::erase(typed, field);
            if (edit.value != 0) typed.push_back(field);
            (field == "volume" ? amounts.volume : field == "costPer" ? amounts.costPer : amounts.cost) = edit.value;
            amounts = FuelAmountsSettled(amounts, typed).amounts;
            // After every edit the three agree, or fewer than three are given.
            if (amounts.volume != 0 && amounts.costPer != 0 && amounts.cost != 0) {
                EXPECT_EQ(FuelAmountsSettled(amounts, typed).adjusted, "") << what;
            }
        }
        EXPECT_DOUBLE_EQ(amounts.volume, c.expected.volume) << what;
        EXPECT_DOUBLE_EQ(amounts.costPer, c.expected.costPer) << what;
        EXPECT_DOUBLE_EQ(amounts.cost, c.expected.cost) << what;
    }
    // How the page is told what gave way.
    const std::pair<std::vector<std::string>, std::string> adjusted[] = {
        {{"volume", "costPer"}, "cost"}, {{"cost", "costPer"}, "volume"}, {{"volume", "cost"}, "costPer"}};
    for (const auto& [order, gives] : adjusted)
        EXPECT_EQ(FuelAmountsSettled({10, 3, 40}, order).adjusted, gives) << gives;
    EXPECT_EQ(FuelAmountsSettled({10, 3, 0}, {"volume", "costPer"}).adjusted, "computed");
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
    for (const Case& c : cases) EXPECT_EQ(CarRefusal(c.fields, 2027).message, c.refusal) << c.what;
}

TEST(SaveChecks, TheCursorGoesToTheFirstFieldTheCarLacks) {
    const std::pair<CarFields, std::string> cases[] = {
        {{true, true, "2004", "", "", "", ""}, "CustomCarMake"},
        {{true, true, "1850", "Acura", "", "", ""}, "CustomCarYear"},  // a year the page empties
        {{true, true, "2004", "Acura", "", "", ""}, "CustomCarModel"},
        {{true, true, "2004", "Acura", "Integra", "", ""}, "CustomCarStyle"},
        {{true, true, "2004", "Acura", "Integra", "GS", ""}, "CarCurrentOdometer"},
        {{false, true, "", "", "", "", ""}, "CarCurrentOdometer"},
        {{false, false, "", "", "", "", ""}, ""},
    };
    for (const auto& [fields, field] : cases) EXPECT_EQ(CarRefusal(fields, 2027).field, field) << field;
    // The page checks the style of a car from the lists between the two.
    EXPECT_EQ(CustomCarRefusal({false, true, "", "", "", "", ""}, 2027).message, "");
    EXPECT_EQ(OdometerRefusal({true, false, "", "", "", "", ""}).message, "");
}

TEST(SaveChecks, ACustomYearIsFourDigitsFrom1900ToNextYear) {
    const std::pair<const char*, bool> cases[] = {
        {"", true},        {"1900", true},   {" 2004 ", true}, {"2027", true},   {"2028", false}, {"1899", false},
        {"abc", false},    {"20o4", false},  {"0", false},     {"19e2", false},  {"2e3", false},  {"0x7D0", false},
        {"1950.5", false}, {"1950.", false}, {"+1950", false}, {"01950", false}, {"195", false},  {"19 50", false},
    };
    for (const auto& [typed, taken] : cases) EXPECT_EQ(CustomYearAccepted(typed, 2027), taken) << typed;
    EXPECT_EQ(YearRefusal(2027), "Year must be between 1900 and 2027.");
}

}  // namespace
