#include <string>
#include <vector>

#include "shared/registers/FuelRegisterDatabaseObject.h"
#include "tests/shared/registers/CostsFixture.h"

namespace {

class FuelRegister : public CostsTest {
protected:
    FuelRegister() {
        AddCar(kCar, "Blue");
        AddCar(kOtherCar, "Red");
    }

    struct Purchase {
        std::string car = kCar;
        std::string date = "6/1/2024";
        std::string odometer{}, distance{}, vendor{};
        bool fillUp = true;
        std::string volume{}, costPer{}, cost{}, octane{}, roads{}, notes{};
    };

    bool Add(const Purchase& p) {
        return CFuelRegisterDatabaseObject(db_).AddFuelData(p.car, p.date, p.odometer, p.distance, p.vendor, p.fillUp,
                                                            p.volume, p.costPer, p.cost, p.octane, p.roads, p.notes);
    }
    bool Update(const std::string& id, const Purchase& p) {
        return CFuelRegisterDatabaseObject(db_).UpdateFuelData(id, p.car, p.date, p.odometer, p.distance, p.vendor,
                                                               p.fillUp, p.volume, p.costPer, p.cost, p.octane, p.roads,
                                                               p.notes);
    }
    std::vector<CFuelPurchase> Register(const std::string& pattern = "%") {
        std::vector<CFuelPurchase> rows;
        CFuelRegisterDatabaseObject(db_).GetFuelRegister(pattern, rows, prefs_);
        return rows;
    }
};

TEST_F(FuelRegister, APurchaseWithEmptyValuesWritesOnlyCarDateFillUpAndRoads) {
    ASSERT_TRUE(Add({.fillUp = false}));
    EXPECT_EQ(Count("FROM FuelPurchases WHERE Odometer IS NULL AND Distance IS NULL AND Vendor IS NULL AND Volume IS "
                    "NULL AND CostPer IS NULL AND Cost IS NULL AND OctaneRating IS NULL AND Notes IS NULL AND "
                    "Fillup = 0 AND Roads = ''"),
              1);
    const std::vector<CFuelPurchase> rows = Register();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_FALSE(rows[0].GetFillUp());
    EXPECT_EQ(rows[0].GetOdometer(), 0.0f);
    EXPECT_EQ(rows[0].GetOctaneRating(), 0);
    EXPECT_EQ(rows[0].GetVendor(), "");
    EXPECT_TRUE(Readings(kCar).empty());
    EXPECT_EQ(Log().find("ERR"), std::string::npos) << Log();
}

TEST_F(FuelRegister, APurchaseKeepsEveryValue) {
    ASSERT_TRUE(Add({.odometer = "12345.500000",
                     .distance = "310.200000",
                     .vendor = "Joe's Gas",
                     .volume = "10.250000",
                     .costPer = "3.599000",
                     .cost = "36.890000",
                     .octane = "91",
                     .roads = "H",
                     .notes = "Trip to the 'coast'"}));
    const std::vector<CFuelPurchase> rows = Register(kCar);
    ASSERT_EQ(rows.size(), 1u);
    const CFuelPurchase& p = rows[0];
    EXPECT_GT(p.GetFuelPurchaseID(), 0);
    EXPECT_EQ(p.GetVehicleID(), kCar);
    EXPECT_EQ(Day(p.GetFuelPurchaseDate()), "6/1/2024");
    EXPECT_EQ(p.GetOdometer(), 12345.5f);
    EXPECT_EQ(p.GetDistance(), 310.2f);
    EXPECT_EQ(p.GetVendor(), "Joe's Gas");
    EXPECT_TRUE(p.GetFillUp());
    EXPECT_EQ(p.GetVolume(), 10.25f);
    EXPECT_EQ(p.GetCostPer(), 3.599f);
    EXPECT_EQ(p.GetCost(), 36.89f);
    EXPECT_EQ(p.GetOctaneRating(), 91);
    EXPECT_EQ(p.GetRoads(), "H");
    EXPECT_EQ(p.GetNotes(), "Trip to the 'coast'");
    EXPECT_EQ(Readings(kCar), std::vector<std::string>{"6/1/2024=12345.5"});
}

TEST_F(FuelRegister, RoadsIsOneLetterAndEscapedLikeEveryText) {
    struct Case {
        std::string typed, stored;
    };
    const Case cases[] = {{"C", "C"}, {"City", "C"}, {"'", "'"}, {"'); DROP TABLE FuelPurchases; --", "'"}};
    for (const Case& c : cases) {
        ASSERT_TRUE(Add({.roads = c.typed})) << c.typed;
        EXPECT_EQ(Text("SELECT Roads FROM FuelPurchases WHERE FuelPurchaseID=" + LastId()), c.stored) << c.typed;
        const std::string id = LastId();
        ASSERT_TRUE(Update(id, {.car = "", .roads = "H" + c.typed})) << c.typed;
        EXPECT_EQ(Text("SELECT Roads FROM FuelPurchases WHERE FuelPurchaseID=" + id), "H") << c.typed;
        ASSERT_TRUE(Update(id, {.car = "", .roads = c.typed})) << c.typed;
        EXPECT_EQ(Text("SELECT Roads FROM FuelPurchases WHERE FuelPurchaseID=" + id), c.stored) << c.typed;
        ASSERT_TRUE(Update(id, {.car = "", .roads = ""})) << c.typed;  // empty keeps it
        EXPECT_EQ(Text("SELECT Roads FROM FuelPurchases WHERE FuelPurchaseID=" + id), c.stored) << c.typed;
    }
}

TEST_F(FuelRegister, TheVendorIsCutToAHundredCharactersOnAddAndUpdate) {
    const std::string vendor = std::string(99, 'v') + "'s";
    ASSERT_TRUE(Add({.vendor = vendor}));
    const std::string id = LastId();
    EXPECT_EQ(Text("SELECT Vendor FROM FuelPurchases"), vendor.substr(0, 100));
    ASSERT_TRUE(Update(id, {.car = "", .vendor = "O'" + vendor}));
    EXPECT_EQ(Text("SELECT Vendor FROM FuelPurchases"), ("O'" + vendor).substr(0, 100));
}

TEST_F(FuelRegister, BadValuesAreRefusedAndNothingIsWritten) {
    const Purchase cases[] = {
        {.car = "not-a-guid!"}, {.date = "yesterday"}, {.odometer = "1,000"}, {.distance = "12 miles"},
        {.volume = "1e3"},      {.cost = "$5"},        {.octane = "91.5"},    {.octane = "99999999999"},
    };
    for (const Purchase& p : cases) EXPECT_FALSE(Add(p)) << p.car << p.date << p.odometer << p.octane;
    EXPECT_EQ(Count("FROM FuelPurchases"), 0);
    EXPECT_EQ(Count("FROM OdometerValues"), 0);
    EXPECT_FALSE(Update("7; DELETE FROM FuelPurchases", {.odometer = "1"}));
    EXPECT_FALSE(CFuelRegisterDatabaseObject(db_).DeleteFuelRegisterRow("+7"));
}

TEST_F(FuelRegister, TheReadingFollowsItsRowOnChangeMoveAndDelete) {
    ASSERT_TRUE(Add({.odometer = "12000", .distance = "300", .volume = "10"}));
    const std::string id = LastId();
    EXPECT_EQ(Readings(kCar), std::vector<std::string>{"6/1/2024=12000"});

    ASSERT_TRUE(Update(id, {.car = "", .date = "6/2/2024", .odometer = "12050"}));
    EXPECT_EQ(Readings(kCar), std::vector<std::string>{"6/2/2024=12050"});
    EXPECT_EQ(Register()[0].GetDistance(), 300.0f);  // an empty distance keeps the stored one

    ASSERT_TRUE(Update(id, {.car = kOtherCar, .date = "6/2/2024"}));
    EXPECT_TRUE(Readings(kCar).empty());
    EXPECT_EQ(Readings(kOtherCar), std::vector<std::string>{"6/2/2024=12050"});
    EXPECT_EQ(Register(kOtherCar).size(), 1u);

    ASSERT_TRUE(CFuelRegisterDatabaseObject(db_).DeleteFuelRegisterRow(id));
    EXPECT_EQ(Count("FROM FuelPurchases"), 0);
    EXPECT_TRUE(Readings(kOtherCar).empty());
}

TEST_F(FuelRegister, AFailedDeleteKeepsTheReading) {
    ASSERT_TRUE(Add({.odometer = "12000"}));
    const std::string id = LastId();
    // The rows can still be read but no longer deleted once the table stands behind a view.
    db_.ExecuteNonQuery("ALTER TABLE FuelPurchases RENAME TO StoredFuelPurchases");
    db_.ExecuteNonQuery("CREATE VIEW FuelPurchases AS SELECT * FROM StoredFuelPurchases");
    EXPECT_FALSE(CFuelRegisterDatabaseObject(db_).DeleteFuelRegisterRow(id));
    EXPECT_EQ(Count("FROM FuelPurchases"), 1);
    EXPECT_EQ(Readings(kCar), std::vector<std::string>{"6/1/2024=12000"});
}

TEST_F(FuelRegister, TheRegisterListsByDateThenOdometerAndAppends) {
    AddCar("CCCCCCCC-0000-0000-0000-000000000000", "Sold", true);
    ASSERT_TRUE(Add({.date = "3/1/2024", .odometer = "300"}));
    ASSERT_TRUE(Add({.car = kOtherCar, .date = "3/1/2024", .odometer = "100"}));
    ASSERT_TRUE(Add({.car = kOtherCar, .date = "1/1/2024", .odometer = "200"}));
    ASSERT_TRUE(Add({.car = "CCCCCCCC-0000-0000-0000-000000000000", .date = "2/1/2024", .odometer = "50"}));

    std::vector<CFuelPurchase> rows;
    CFuelRegisterDatabaseObject(db_).GetFuelRegister("%", rows, prefs_);
    CFuelRegisterDatabaseObject(db_).GetFuelRegister("%", rows, prefs_);
    std::vector<float> odometers;
    for (const CFuelPurchase& row : rows) odometers.push_back(row.GetOdometer());
    EXPECT_EQ(odometers, (std::vector<float>{200, 100, 300, 200, 100, 300}));
    prefs_.ShowSoldCars = true;
    EXPECT_EQ(Register().size(), 4u);
}

}  // namespace
