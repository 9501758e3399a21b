#include "mainapp/pages/PlanSchedule.h"

#include <gtest/gtest.h>

#include "shared/data/MaintenancePlanItem.h"
#include "shared/data/UserPreferences.h"

namespace {

CUserPreferences Units(bool kilometres) {
    CUserPreferences prefs;
    prefs.DistanceUnit = kilometres ? 1 : 0;
    return prefs;
}

CMaintenancePlanItem Item(int initialMiles, int initialMonths, int intervalMiles, int intervalMonths) {
    CMaintenancePlanItem item;
    item.INITIAL_MILEAGE = initialMiles;
    item.INITIAL_MONTH = initialMonths;
    item.INTERVAL_MILEAGE = intervalMiles;
    item.INTERVAL_MONTH = intervalMonths;
    return item;
}

TEST(PlanSchedule, ScheduleTextsLeaveOutTheZeroParts) {
    const struct {
        CMaintenancePlanItem item;
        bool kilometres;
        const char* text;
    } cases[] = {
        {Item(3000, 3, 3000, 3), false, "at 3,000 miles or 3 months<br/>and then every 3,000 miles or 3 months"},
        {Item(0, 0, 5000, 6), false, "every 5,000 miles or 6 months"},
        {Item(0, 0, 0, 12), false, "every 12 months"},
        {Item(0, 0, 7500, 0), false, "every 7,500 miles"},
        {Item(90000, 0, 0, 0), false, "at 90,000 miles"},
        {Item(0, 24, 0, 0), false, "at 24 months"},
        {Item(60000, 48, 0, 12), false, "at 60,000 miles or 48 months<br/>and then every 12 months"},
        {Item(0, 0, 0, 0), false, ""},
        // Kilometres: 5000 miles are 8046.5 km, shown cut down to a multiple of 50.
        {Item(0, 0, 5000, 6), true, "every 8,000 kilometres or 6 months"},
        {Item(3000, 0, 3000, 0), true, "at 4,800 kilometres<br/>and then every 4,800 kilometres"},
        // The largest distance a plan holds is more kilometres than a whole number holds: shown as the largest.
        {Item(0, 0, 2147483647, 2147483647), true, "every 2,147,483,647 kilometres or 2,147,483,647 months"},
        {Item(0, 0, 2147483647, 0), false, "every 2,147,483,647 miles"},
    };
    for (const auto& c : cases) {
        const CUserPreferences prefs = Units(c.kilometres);
        EXPECT_EQ(CPlanSchedule::ScheduleText(c.item, prefs, prefs.GetDistanceUnitName(false, true),
                                              jv::NumberFormat::UnitedStates()),
                  c.text);
    }
    // The user's own grouping.
    EXPECT_EQ(CPlanSchedule::ScheduleText(Item(0, 0, 15000, 0), Units(false), "miles", jv::NumberFormat::German()),
              "every 15.000 miles");
}

TEST(PlanSchedule, TypedDistancesComeBackToMilesThatShowTheSame) {
    const struct {
        bool kilometres;
        int typed;
        int stored;
        int miles;
    } cases[] = {
        {false, 5000, 3000, 5000},                             // miles are taken as typed
        {false, 0, 3000, 0},       {true, 8000, 5000, 5000},   // shown as typed: the stored miles stay, no drift
        {true, 4800, 3000, 3000},  {true, 10000, 5000, 6214},  // 10000 / 1.6093 = 6213.9, up to the next whole mile
        {true, 0, 5000, 0},        {true, 50, 0, 32},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CPlanSchedule::ToMiles(c.typed, c.stored, Units(c.kilometres)), c.miles)
            << c.typed << (c.kilometres ? " km" : " mi") << " over " << c.stored;
    }
    // Every multiple of 50 km typed is shown again as typed once stored.
    const CUserPreferences km = Units(true);
    for (int typed = 50; typed <= 400000; typed += 50) {
        const int miles = CPlanSchedule::ToMiles(typed, 1, km);
        ASSERT_EQ(CPlanSchedule::DisplayDistance(miles, km), typed) << typed;
    }
}

}  // namespace
