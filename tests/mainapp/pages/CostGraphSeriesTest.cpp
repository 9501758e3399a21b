#include "mainapp/pages/CostGraphSeries.h"

#include <gtest/gtest.h>

namespace {

CCarCost Cost(const jv::DateTime& date, float cost) {
    CCarCost c;
    c.CostDate = date;
    c.Cost = cost;
    return c;
}

CFuelPurchase Fill(const jv::DateTime& date, float distance, float volume, bool fillUp) {
    CFuelPurchase p;
    p.SetFuelPurchaseDate(date);
    p.SetDistance(distance);
    p.SetVolume(volume);
    p.SetFillUp(fillUp);
    return p;
}

struct Point {
    jv::DateTime date;
    float value;
};

void ExpectSeries(const std::vector<JVGraphPoint>& got, const std::vector<Point>& want, const std::string& label) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].Date, want[i].date) << i;
        EXPECT_FLOAT_EQ(got[i].Value, want[i].value) << i;
        EXPECT_EQ(got[i].Label, label);
    }
}

const jv::DateTime d1(2026, 1, 1), d2(2026, 2, 1), d3(2026, 3, 1), d4(2026, 4, 1), d5(2026, 5, 1);

}  // namespace

TEST(CostGraphSeries, TotalCostRunsOnWithOnePointPerDate) {
    struct Case {
        const char* name;
        std::vector<CCarCost> costs;
        std::vector<Point> want;
    } cases[] = {
        {"costs of one date make one point", {Cost(d1, 10), Cost(d1, 5), Cost(d2, 20)}, {{d1, 15}, {d2, 35}}},
        {"nothing and no date are left out",
         {Cost(d1, 0), Cost(jv::DateTime::Invalid(), 99), Cost(d2, -4), Cost(d3, 7)},
         {{d3, 7}}},
        {"none", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectSeries(CCostGraphSeries::TotalCost(c.costs), c.want, "");
    }
}

TEST(CostGraphSeries, FuelEconomyBetweenFillUps) {
    struct Case {
        const char* name;
        std::vector<CFuelPurchase> purchases;
        std::vector<Point> want;
    } cases[] = {
        {"the first fill-up only starts",
         {Fill(d1, 300, 30, true), Fill(d2, 200, 10, false), Fill(d3, 200, 10, true)},
         {{d3, 20}}},
        {"a row without volume drops the interval in progress",
         {Fill(d1, 300, 30, true), Fill(d2, 100, 0, false), Fill(d3, 300, 10, true), Fill(d4, 250, 10, true)},
         {{d3, 30}, {d4, 25}}},
        {"a fill-up on a row without distance starts anew",
         {Fill(d2, 0, 10, true), Fill(d3, 120, 10, true), Fill(jv::DateTime::Invalid(), 1, 1, true),
          Fill(d5, 80, 10, true)},
         {{d3, 12}, {d5, 8}}},
        {"no fill-up", {Fill(d1, 100, 10, false), Fill(d2, 100, 10, false)}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectSeries(CCostGraphSeries::FuelEconomy(c.purchases), c.want, "175");
    }
}
