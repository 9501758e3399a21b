#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/base/NumberFormat.h"
#include "platform/base/NumberText.h"
#include "shared/registers/CarsOverviewDB.h"
#include "shared/registers/FuelRegisterDatabaseObject.h"
#include "tests/shared/registers/CostsFixture.h"

namespace {

class CarsOverview : public CostsTest {
protected:
    CarsOverview() {
        AddCar(kCar, "Blue");
        AddCar(kOtherCar, "Red");
    }

    void Fuel(const std::string& car, const jv::DateTime& date, double distance, double volume, bool fillUp,
              const std::string& cost = "NULL") {
        db_.ExecuteNonQuery(
            "INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Distance, Volume, Fillup, Cost) "
            "VALUES ('" +
            car + "', #" + date.Format("%m/%d/%Y") + "#, " + jv::number::FormatShortest(distance) + ", " +
            jv::number::FormatShortest(volume) + ", " + (fillUp ? "-1" : "0") + ", " + cost + ")");
    }
    void Service(const std::string& car, const jv::DateTime& date, const std::string& cost, bool skipped = false) {
        db_.ExecuteNonQuery("INSERT INTO Services (VehicleID, ServiceDate, Cost, Skipped) VALUES ('" + car + "', #" +
                            date.Format("%m/%d/%Y") + "#, " + cost + ", " + (skipped ? "-1" : "0") + ")");
    }
    void Expense(const std::string& car, const jv::DateTime& date, const std::string& cost) {
        db_.ExecuteNonQuery("INSERT INTO Expenses (VehicleID, ExpenseDate, Cost) VALUES ('" + car + "', #" +
                            date.Format("%m/%d/%Y") + "#, " + cost + ")");
    }

    // The clock stands at 1 June 2024, noon.
    const jv::DateTime today_{2024, 6, 1};
};

TEST_F(CarsOverview, FuelEconomyCountsFromFillUpToFillUp) {
    struct Case {
        const char* what;
        std::vector<std::tuple<double, double, bool>> purchases;  // distance, volume, fill-up
        std::string expected;
    };
    const Case cases[] = {
        {"fill-up, partial, fill-up: the last two", {{999, 99, true}, {100, 4, false}, {250, 6, true}}, "35.0"},
        {"one fill-up only", {{300, 10, true}}, "N/A"},
        {"partials only", {{300, 10, false}, {200, 5, false}}, "N/A"},
        {"two tanks", {{1, 1, true}, {300, 10, true}, {330, 11, true}}, "30.0"},
        {"a purchase without distance breaks the tank",
         {{1, 1, true}, {100, 5, false}, {0, 5, false}, {200, 5, true}, {250, 10, true}},
         "30.0"},
        {"no purchases", {}, "N/A"},
    };
    for (const Case& c : cases) {
        db_.ExecuteNonQuery("DELETE FROM FuelPurchases");
        int day = 0;
        for (const auto& [distance, volume, fillUp] : c.purchases) {
            Fuel(kCar, today_ - 100.0 + day++, distance, volume, fillUp);
        }
        std::vector<CCar> cars = LoadCars();
        CCarsOverviewDB overview(db_, us_);
        overview.getFuelEconomy(cars);
        ASSERT_EQ(overview.GetFuelEconomy().size(), 2u) << c.what;
        EXPECT_EQ(overview.GetFuelEconomy()[0], c.expected) << c.what;
        EXPECT_EQ(overview.GetFuelEconomy()[1], "N/A") << c.what;  // the other car has no purchases
    }
}

TEST_F(CarsOverview, CostPerPeriodSpreadsTheTotalOverTheDaysSinceTheFirstCost) {
    // 1000 in all, the first cost 400 days ago.
    Fuel(kCar, today_ - 400.0, 0, 0, true, "600");
    Service(kCar, today_ - 100.0, "300");
    Expense(kCar, today_ - 10.0, "100");
    struct Case {
        std::string unit;
        jv::NumberFormat format;
        std::string perUnit, total, none;
    };
    const Case cases[] = {
        {"Year", us_, "913.13", "1,000.00", "0.00"},  // 1000 / (400 / 365.25)
        {"Month", us_, "76.10", "1,000.00", "0.00"},  // 1000 / (400 / 30.44)
        {"Week", us_, "17.50", "1,000.00", "0.00"},   // 1000 / (400 / 7)
        {"Day", us_, "2.50", "1,000.00", "0.00"},    {"Year", jv::NumberFormat::German(), "913,13", "1.000,00", "0,00"},
        {"year", us_, "N/A", "1,000.00", "0.00"},    {"distance", us_, "N/A", "1,000.00", "0.00"},
    };
    for (const Case& c : cases) {
        std::vector<CCar> cars = LoadCars();
        CCarsOverviewDB overview(db_, c.format);
        ASSERT_TRUE(overview.getCostPerUnit(cars, c.unit)) << c.unit;
        EXPECT_EQ(overview.GetCostPerUnit(), (std::vector<std::string>{c.perUnit, "N/A"})) << c.unit;
        EXPECT_EQ(overview.GetTotalCost(), (std::vector<std::string>{c.total, c.none})) << c.unit;
    }
}

TEST_F(CarsOverview, CostPerDistanceUsesTheDistanceSinceTheLowestReading) {
    AddReading(kCar, today_ - 50.0, 10000);
    AddReading(kCar, today_, 12000);
    Expense(kCar, today_ - 20.0, "500");
    AddReading(kOtherCar, today_, 4000);  // a car with readings but no costs
    std::vector<CCar> cars = LoadCars();
    ASSERT_EQ(cars[0].CurrentOdometer, 12000.0f);
    CCarsOverviewDB overview(db_, us_);
    ASSERT_TRUE(overview.getCostPerUnit(cars, "Distance"));
    EXPECT_EQ(overview.GetCostPerUnit(), (std::vector<std::string>{"0.25", "N/A"}));  // 500 / 2000 miles

    // Without readings the whole current odometer counts.
    cars[0].CurrentOdometer = 0.0f;
    db_.ExecuteNonQuery("DELETE FROM OdometerValues");
    cars[1].CurrentOdometer = 1000.0f;
    Expense(kOtherCar, today_ - 20.0, "50");
    ASSERT_TRUE(overview.getCostPerUnit(cars, "Distance"));
    EXPECT_EQ(overview.GetCostPerUnit(), (std::vector<std::string>{"N/A", "0.05"}));
}

TEST_F(CarsOverview, SkippedServicesCountNeitherInTheTotalNorInTheSpan) {
    Service(kCar, today_ - 800.0, "999", true);
    Service(kCar, today_ - 400.0, "1000");
    std::vector<CCar> cars = LoadCars();
    CCarsOverviewDB overview(db_, us_);
    ASSERT_TRUE(overview.getCostPerUnit(cars, "Year"));
    EXPECT_EQ(overview.GetCostPerUnit()[0], "913.13");
    EXPECT_EQ(overview.GetTotalCost()[0], "1,000.00");
}

TEST_F(CarsOverview, ACarWithoutCostsShowsNothingPerPeriodAndAZeroTotal) {
    std::vector<CCar> cars = LoadCars();
    CCarsOverviewDB overview(db_, us_);
    for (const char* unit : {"Year", "Month", "Week", "Day", "Distance"}) {
        ASSERT_TRUE(overview.getCostPerUnit(cars, unit));
        EXPECT_EQ(overview.GetCostPerUnit(), (std::vector<std::string>{"N/A", "N/A"})) << unit;
        EXPECT_EQ(overview.GetTotalCost(), (std::vector<std::string>{"0.00", "0.00"})) << unit;
    }
}

TEST_F(CarsOverview, EachComputationStartsItsListsAfresh) {
    Expense(kCar, today_ - 400.0, "1000");
    std::vector<CCar> cars = LoadCars();
    CCarsOverviewDB overview(db_, us_);
    ASSERT_TRUE(overview.getCostPerUnit(cars, "Year"));
    ASSERT_TRUE(overview.getCostPerUnit(cars, "Year"));
    EXPECT_EQ(overview.GetCostPerUnit().size(), 2u);

    // A failing statement leaves every entry of the call at "0", none of the earlier figures.
    db_.ExecuteNonQuery("DROP TABLE Expenses");
    EXPECT_FALSE(overview.getCostPerUnit(cars, "Year"));
    EXPECT_EQ(overview.GetCostPerUnit(), (std::vector<std::string>{"0", "0"}));
    EXPECT_EQ(overview.GetTotalCost(), (std::vector<std::string>{"0", "0"}));
    EXPECT_NE(Log().find("CCarsOverviewDB::getCostPerUnit"), std::string::npos);

    // An empty car list has no entries at all.
    std::vector<CCar> none;
    EXPECT_FALSE(overview.getCostPerUnit(none, "Year"));
    EXPECT_TRUE(overview.GetCostPerUnit().empty());
    EXPECT_TRUE(overview.GetTotalCost().empty());
}

TEST_F(CarsOverview, DistancePerTimeComesFromTheReadings) {
    AddReading(kCar, jv::DateTime(2024, 1, 1), 1000);
    AddReading(kCar, jv::DateTime(2024, 1, 11), 1500);
    AddReading(kOtherCar, jv::DateTime(2024, 1, 1), 1000);
    AddReading(kOtherCar, jv::DateTime(2024, 5, 11), 13000);  // 12000 in 131 days
    std::vector<CCar> cars = LoadCars();
    CCarsOverviewDB overview(db_, us_);
    overview.getDistancePerTime(cars, "Day", prefs_);
    EXPECT_EQ(overview.GetDistancePerTime(), (std::vector<std::string>{"50", "92"}));
    overview.getDistancePerTime(cars, "Year", prefs_);
    EXPECT_EQ(overview.GetDistancePerTime(), (std::vector<std::string>{"18,263", "33,458"}));
}

TEST_F(CarsOverview, TheCostHistoryListsEveryCostRowByDate) {
    // Costs of one date in several registers, a skipped service, costs of 0 and none, a row
    // without a date, and another car's cost.
    Fuel(kCar, jv::DateTime(2024, 3, 1), 300, 10, true, "40");
    Service(kCar, jv::DateTime(2024, 1, 15), "250");
    Service(kCar, jv::DateTime(2024, 2, 1), "NULL", true);
    Expense(kCar, jv::DateTime(2024, 2, 10), "12.5");
    Expense(kCar, jv::DateTime(2024, 3, 1), "7.25");
    Fuel(kCar, jv::DateTime(2024, 3, 1), 310, 10, true, "0");
    Expense(kOtherCar, jv::DateTime(2024, 2, 11), "99");
    Service(kCar, jv::DateTime(2024, 3, 1), "30");
    db_.ExecuteNonQuery("UPDATE Services SET Odometer = 4321 WHERE Skipped <> 0");
    db_.ExecuteNonQuery("INSERT INTO Expenses (VehicleID, Cost) VALUES ('" + std::string(kCar) + "', 5)");
    const auto listed = [this] {
        std::vector<CCarCost> history;
        CCarsOverviewDB overview(db_, us_);
        EXPECT_TRUE(overview.getCostHistory(kCar, history));
        std::vector<std::string> seen;
        for (const CCarCost& cost : history) {
            seen.push_back((cost.CostDate.IsValid() ? Day(cost.CostDate) : "none") + "=" +
                           jv::number::FormatShortest(cost.Cost) +
                           (cost.Odometer != 0.0f ? "@" + jv::number::FormatShortest(cost.Odometer) : ""));
        }
        return seen;
    };
    EXPECT_EQ(listed(), (std::vector<std::string>{"none=5", "1/15/2024=250", "2/1/2024=0@4321", "2/10/2024=12.5",
                                                  "3/1/2024=40", "3/1/2024=0", "3/1/2024=30", "3/1/2024=7.25"}));
    std::vector<CCarCost> history;
    EXPECT_FALSE(CCarsOverviewDB(db_, us_).getCostHistory("x' OR 'a'='a", history));

    // Dates another program stored as text: readable ones take their place among the others; one
    // that is no date leaves its row out and says so in the trace log.
    db_.ExecuteNonQuery("DELETE FROM Expenses WHERE ExpenseDate IS NULL");
    std::string garbage;
    for (const auto& [date, cost] : {std::pair{"2024-02-10", "1"}, {"garbage", "3"}, {"2024-01-01", "2"}}) {
        db_.ExecuteNonQuery("INSERT INTO Expenses (VehicleID, ExpenseDate, Cost) VALUES ('" + std::string(kCar) +
                            "', CAST('" + date + "' AS TEXT), " + cost + ")");
        if (garbage.empty() && date[0] == 'g') garbage = LastId();
    }
    ASSERT_EQ(Count("FROM Expenses WHERE typeof(ExpenseDate) = 'text'"), 3);
    EXPECT_EQ(listed(), (std::vector<std::string>{"1/1/2024=2", "1/15/2024=250", "2/1/2024=0@4321", "2/10/2024=12.5",
                                                  "2/10/2024=1", "3/1/2024=40", "3/1/2024=0", "3/1/2024=30",
                                                  "3/1/2024=7.25"}));
    EXPECT_NE(Log().find("Expenses row " + garbage + " left out of the cost graph"), std::string::npos) << Log();
    EXPECT_EQ(Log().find("Error executing query"), std::string::npos) << Log();
}

TEST_F(CarsOverview, TheFuelEconomyHistoryIsTheFuelRegisterInItsOrder) {
    // Two purchases on one date (the register orders them by odometer, then by entry), one of the
    // other car, one without distance.
    Fuel(kCar, jv::DateTime(2024, 3, 1), 300, 10, true);
    Fuel(kCar, jv::DateTime(2024, 1, 15), 250, 9.5, false);
    Fuel(kOtherCar, jv::DateTime(2024, 2, 1), 100, 4, true);
    Fuel(kCar, jv::DateTime(2024, 3, 1), 0, 8, true);
    db_.ExecuteNonQuery("UPDATE FuelPurchases SET Odometer = 5000 - FuelPurchaseID");
    const auto shown = [](const std::vector<CFuelPurchase>& purchases) {
        std::vector<std::tuple<int, double, float, float, bool>> seen;
        for (const CFuelPurchase& p : purchases)
            seen.emplace_back(p.GetFuelPurchaseID(), p.GetFuelPurchaseDate().Days(), p.GetVolume(), p.GetDistance(),
                              p.GetFillUp());
        return seen;
    };
    std::vector<CFuelPurchase> whole;
    CFuelRegisterDatabaseObject(db_).GetFuelRegister(kCar, whole, prefs_);
    std::vector<CFuelPurchase> history;
    CCarsOverviewDB overview(db_, us_);
    ASSERT_TRUE(overview.getFuelEconomyHistory(kCar, prefs_, history));
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(shown(history), shown(whole));
    EXPECT_EQ(history[1].GetFuelPurchaseID(), 4);
    EXPECT_FALSE(overview.getFuelEconomyHistory("x' OR 'a'='a", prefs_, history));
}

TEST_F(CarsOverview, APurchaseDatedWithTextThatIsNoDateIsLeftOutOfTheFuelEconomyHistory) {
    Fuel(kCar, jv::DateTime(2024, 1, 1), 100, 4, true);
    Fuel(kCar, jv::DateTime(2024, 2, 1), 300, 10, true);
    std::string garbage;
    for (const char* date : {"13/45/2024", "2024-03-01"}) {
        db_.ExecuteNonQuery("INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Distance, Volume, Fillup) VALUES ('" +
                            std::string(kCar) + "', CAST('" + date + "' AS TEXT), 200, 5, -1)");
        if (garbage.empty()) garbage = LastId();
    }
    std::vector<CFuelPurchase> history;
    ASSERT_TRUE(CCarsOverviewDB(db_, us_).getFuelEconomyHistory(kCar, prefs_, history));
    std::vector<std::string> seen;
    for (const CFuelPurchase& p : history) seen.push_back(Day(p.GetFuelPurchaseDate()));
    EXPECT_EQ(seen, (std::vector<std::string>{"1/1/2024", "2/1/2024", "3/1/2024"}));
    EXPECT_NE(Log().find("FuelPurchases row " + garbage + " left out of the fuel economy graph"), std::string::npos)
        << Log();
    EXPECT_EQ(Log().find("Error executing query"), std::string::npos) << Log();
}

}  // namespace
