#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "shared/data/CarsDB.h"
#include "shared/data/MaintenancePlanDatabaseObject.h"
#include "tests/platform/db/SqliteFixture.h"
#include "tests/shared/data/CarsTestDatabase.h"

namespace {

using jv::DateTime;

class Cars : public CarsTestDatabase {
protected:
    // The cars as getCars loads them for a pattern.
    std::vector<CCar> Load(const std::string& pattern = "%") {
        CCarsDB cars(connection);
        EXPECT_TRUE(cars.getCars(pattern, prefs));
        return cars.m_cars;
    }

    CCar LoadOne(const std::string& vehicleID) {
        const auto cars = Load(vehicleID);
        EXPECT_EQ(cars.size(), 1u);
        return cars.empty() ? CCar() : cars[0];
    }

    static CCar FullCar() {
        CCar car;
        car.Name = "Family wagon";
        car.MakeID = "12";
        car.Make = "Volvo";
        car.ModelID = "345";
        car.Model = "V70";
        car.StyleYear = 2004;
        car.Style = "2.4 Wagon";
        car.StyleID = "100234";
        car.DriveType = "FWD";
        car.Engine = "2.4L I5";
        car.Transmission = "Automatic";
        car.Region = "US";
        car.Notes = "Bought from O'Brien's";
        car.DrivingCondition = "N";
        car.VIN = "YV1SW61R041234567";
        car.Color = "Silver";
        car.PurchaseDate = DateTime(2019, 8, 17);
        car.PurchasePrice = 8500.0f;
        car.PurchaseVendor = "Lakeside Motors";
        car.PurchaseType = "U";
        car.PurchaseOrLease = "P";
        car.PurchaseOdometer = 98000.0f;
        car.SoldDate = DateTime::Null();
        car.InsuranceProvider = "Mutual";
        car.PolicyNumber = "P-778";
        car.LicensePlate = "ABC 123";
        CMaintenancePlanItem oil;
        oil.ITEM_DESCRIPTION = "Engine oil";
        oil.ACTION_DESCRIPTION = "Replace";
        oil.DisplayText = "Engine oil - Replace";
        oil.INTERVAL_MILEAGE = 5000;
        oil.INTERVAL_MONTH = 6;
        car.MaintenancePlan.Name = "Volvo plan";
        car.MaintenancePlan.DrivingCondition = "N";
        car.MaintenancePlan.Items.push_back(oil);
        return car;
    }
};

TEST_F(Cars, AddedAndLoadedBack) {
    CCar car = FullCar();
    CCarsDB cars(connection);
    ASSERT_TRUE(cars.addCar(car));
    EXPECT_TRUE(
        std::regex_match(car.VehicleID, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}")))
        << car.VehicleID;
    EXPECT_FALSE(car.MaintenancePlan.MaintenancePlanID.empty());

    const CCar loaded = LoadOne(car.VehicleID);
    EXPECT_EQ(loaded.Name, car.Name);
    EXPECT_EQ(loaded.MakeID, "12");
    EXPECT_EQ(loaded.Make, "Volvo");
    EXPECT_EQ(loaded.ModelID, "345");
    EXPECT_EQ(loaded.Model, "V70");
    EXPECT_EQ(loaded.StyleYear, 2004);
    EXPECT_EQ(loaded.Style, "2.4 Wagon");
    EXPECT_EQ(loaded.StyleID, "100234");
    EXPECT_EQ(loaded.DriveType, "FWD");
    EXPECT_EQ(loaded.Engine, "2.4L I5");
    EXPECT_EQ(loaded.Transmission, "Automatic");
    EXPECT_EQ(loaded.Region, "US");
    EXPECT_FALSE(loaded.Custom);
    EXPECT_EQ(loaded.Notes, "Bought from O'Brien's");
    EXPECT_EQ(loaded.DrivingCondition, "N");
    EXPECT_EQ(loaded.VIN, car.VIN);
    EXPECT_EQ(loaded.Color, "Silver");
    EXPECT_EQ(loaded.PurchaseDate, DateTime(2019, 8, 17));
    EXPECT_FLOAT_EQ(loaded.PurchasePrice, 8500.0f);
    EXPECT_EQ(loaded.PurchaseVendor, "Lakeside Motors");
    EXPECT_EQ(loaded.PurchaseType, "U");
    EXPECT_EQ(loaded.PurchaseOrLease, "P");
    EXPECT_FLOAT_EQ(loaded.PurchaseOdometer, 98000.0f);
    EXPECT_FALSE(loaded.Sold);
    EXPECT_EQ(loaded.SoldDate.GetStatus(), DateTime::Status::Null);
    EXPECT_FLOAT_EQ(loaded.SoldPrice, -1.0f);
    EXPECT_EQ(loaded.InsuranceProvider, "Mutual");
    EXPECT_EQ(loaded.PolicyNumber, "P-778");
    EXPECT_EQ(loaded.LicensePlate, "ABC 123");
    EXPECT_EQ(loaded.MaintenancePlan.MaintenancePlanID, car.MaintenancePlan.MaintenancePlanID);
    EXPECT_TRUE(loaded.MaintenancePlan.Items.empty());
    EXPECT_FLOAT_EQ(loaded.CurrentOdometer, 0.0f);

    // The purchase date is stored as a date, not as text.
    EXPECT_EQ(Scalar("SELECT typeof(PurchaseDate) FROM Vehicles WHERE VehicleID='" + car.VehicleID + "'"), "real");

    CMaintenancePlan plan;
    CMaintenancePlanDatabaseObject plans(connection);
    ASSERT_TRUE(plans.GetMaintenancePlan(car.MaintenancePlan.MaintenancePlanID, plan, true));
    ASSERT_EQ(plan.Items.size(), 1u);
    EXPECT_EQ(plan.Items[0].DisplayText, "Engine oil - Replace");
}

// What the user typed is stored and read back as typed, through an add and an update: a price or a
// reading never goes through single precision (54321.7 would become 54321.699219).
TEST_F(Cars, PurchaseOdometerAndPricesKeepTheirDecimals) {
    for (const double value : {54321.7, 12345.6, 999999.9, 1234567.89, 0.01}) {
        SCOPED_TRACE(value);
        CCar car = FullCar();
        car.Name = "Car " + std::to_string(value);
        car.PurchaseOdometer = value;
        car.PurchasePrice = value;
        car.SoldPrice = value;
        CCarsDB cars(connection);
        ASSERT_TRUE(cars.addCar(car));
        CCar loaded = LoadOne(car.VehicleID);
        EXPECT_EQ(loaded.PurchaseOdometer, value);
        EXPECT_EQ(loaded.PurchasePrice, value);
        EXPECT_EQ(loaded.SoldPrice, value);
        // Saved again unchanged, as a save of another field does.
        loaded.Color = "Blue";
        ASSERT_TRUE(cars.updateCar(loaded));
        const std::string stored = Scalar(
            "SELECT PurchaseOdometer || '|' || PurchasePrice || '|' || SoldPrice FROM "
            "Vehicles WHERE VehicleID='" +
            car.VehicleID + "'");
        const std::string text = Scalar("SELECT CAST(" + std::to_string(value) + " AS TEXT)");
        EXPECT_EQ(stored, text + "|" + text + "|" + text);
    }
}

TEST_F(Cars, TextIsCutToItsColumnAndQuotesSurvive) {
    CCar car;
    car.Name = std::string(39, 'n') + "'";
    car.Make = "Ma'ke";
    car.MakeID = "1' OR '1'='1";
    car.PurchaseType = "'";
    CCarsDB cars(connection);
    ASSERT_TRUE(cars.addCar(car));
    const CCar loaded = LoadOne(car.VehicleID);
    EXPECT_EQ(loaded.Name, std::string(30, 'n'));
    EXPECT_EQ(loaded.Make, "Ma'ke");
    EXPECT_EQ(loaded.MakeID, "1' OR '1'='1");
    EXPECT_EQ(loaded.PurchaseType, "'");
    EXPECT_EQ(Count("SELECT count(*) FROM Vehicles"), 1);
}

TEST_F(Cars, CustomCarGetsAStyleIdOfItsOwn) {
    CCarsDB cars(connection);
    std::set<std::string> styles;
    for (int i = 0; i < 5; ++i) {
        CCar car;
        car.Name = "Custom " + std::to_string(i);
        car.Custom = true;
        car.StyleID = "ignored";
        ASSERT_TRUE(cars.addCar(car));
        EXPECT_TRUE(std::regex_match(car.StyleID, std::regex("JV[0-9]{6}"))) << car.StyleID;
        styles.insert(car.StyleID);
        EXPECT_TRUE(LoadOne(car.VehicleID).Custom);
    }
    EXPECT_EQ(styles.size(), 5u);
}

TEST_F(Cars, UntouchedRecordAndNullColumns) {
    const CCar fresh;
    EXPECT_FLOAT_EQ(fresh.PurchaseOdometer, -1.0f);
    EXPECT_FLOAT_EQ(fresh.PurchasePrice, -1.0f);
    EXPECT_FLOAT_EQ(fresh.SoldPrice, -1.0f);
    EXPECT_FLOAT_EQ(fresh.CurrentOdometer, 0.0f);
    EXPECT_TRUE(fresh.PurchaseDate.IsValid());
    EXPECT_DOUBLE_EQ(fresh.PurchaseDate.Days(), 0.0);

    Exec("INSERT INTO Vehicles (VehicleID, Name) VALUES ('0f0e0d0c-0000-4000-8000-000000000001', 'Bare')");
    const CCar bare = LoadOne("0f0e0d0c-0000-4000-8000-000000000001");
    EXPECT_EQ(bare.Name, "Bare");
    EXPECT_FLOAT_EQ(bare.PurchaseOdometer, -1.0f);
    EXPECT_FLOAT_EQ(bare.PurchasePrice, -1.0f);
    EXPECT_FLOAT_EQ(bare.SoldPrice, -1.0f);
    EXPECT_EQ(bare.PurchaseDate.GetStatus(), DateTime::Status::Null);
    EXPECT_EQ(bare.SoldDate.GetStatus(), DateTime::Status::Null);
    EXPECT_EQ(bare.StyleYear, 0);
    EXPECT_TRUE(bare.MaintenancePlan.MaintenancePlanID.empty());
}

TEST_F(Cars, Updated) {
    CCar car = FullCar();
    CCarsDB cars(connection);
    ASSERT_TRUE(cars.addCar(car));

    car.Name = "Old wagon";
    car.Color = "Rust";
    car.MakeID = "";
    car.PurchasePrice = -1.0f;
    car.PurchaseDate = DateTime::Invalid();  // keeps the stored date
    car.MaintenancePlan.Items[0].INTERVAL_MILEAGE = 7500;
    ASSERT_TRUE(cars.updateCar(car));

    const CCar loaded = LoadOne(car.VehicleID);
    EXPECT_EQ(loaded.Name, "Old wagon");
    EXPECT_EQ(loaded.Color, "Rust");
    EXPECT_EQ(loaded.MakeID, "");
    EXPECT_FLOAT_EQ(loaded.PurchasePrice, -1.0f);
    EXPECT_EQ(loaded.PurchaseDate, DateTime(2019, 8, 17));
    EXPECT_EQ(Scalar("SELECT INTERVAL_MILEAGE FROM MaintenancePlanItems WHERE MaintenancePlanID=" +
                     car.MaintenancePlan.MaintenancePlanID),
              "7500");

    CCar stranger = car;
    stranger.VehicleID = "x' OR ''='";
    EXPECT_FALSE(cars.updateCar(stranger));
    EXPECT_EQ(LoadOne(car.VehicleID).Name, "Old wagon");
}

TEST_F(Cars, UpdateLinksANewPlanToTheCar) {
    CCar car = FullCar();
    car.MaintenancePlan = CMaintenancePlan();
    CCarsDB cars(connection);
    ASSERT_TRUE(cars.addCar(car));
    const std::string emptyPlan = car.MaintenancePlan.MaintenancePlanID;

    // A plan fetched again from the web service comes without an id.
    car.MaintenancePlan = FullCar().MaintenancePlan;
    ASSERT_TRUE(cars.updateCar(car));
    ASSERT_FALSE(car.MaintenancePlan.MaintenancePlanID.empty());
    EXPECT_NE(car.MaintenancePlan.MaintenancePlanID, emptyPlan);

    const CCar loaded = LoadOne(car.VehicleID);
    EXPECT_EQ(loaded.MaintenancePlan.MaintenancePlanID, car.MaintenancePlan.MaintenancePlanID);
    CMaintenancePlan plan;
    CMaintenancePlanDatabaseObject plans(connection);
    ASSERT_TRUE(plans.GetMaintenancePlan(loaded.MaintenancePlan.MaintenancePlanID, plan, false));
    ASSERT_EQ(plan.Items.size(), 1u);
    EXPECT_EQ(plan.Items[0].DisplayText, "Engine oil - Replace");
}

TEST_F(Cars, Sold) {
    CCar car = FullCar();
    CCarsDB cars(connection);
    ASSERT_TRUE(cars.addCar(car));

    EXPECT_FALSE(cars.soldCar(car.VehicleID, "05/20/2024", "1'; DELETE FROM Vehicles; --", "Buyer"));
    EXPECT_FALSE(cars.soldCar(car.VehicleID, "05/20/2024#", "1500", "Buyer"));
    // A price no "single" column holds would make every later loading of the cars fail.
    EXPECT_FALSE(cars.soldCar(car.VehicleID, "05/20/2024", "1000000000000000000000000000000000000000", "Buyer"));
    EXPECT_FALSE(LoadOne(car.VehicleID).Sold);

    ASSERT_TRUE(cars.soldCar(car.VehicleID, "05/20/2024", "1500.50", "Jo's Autos"));
    const std::string where = " FROM Vehicles WHERE VehicleID='" + car.VehicleID + "'";
    EXPECT_EQ(Scalar("SELECT typeof(SoldPrice)" + where), "real");
    EXPECT_EQ(Scalar("SELECT typeof(SoldDate)" + where), "real");

    // Hidden while sold cars are not shown, also when asked for by its own id.
    CCarsDB hidden(connection);
    ASSERT_TRUE(hidden.getCars(car.VehicleID, prefs));
    EXPECT_TRUE(hidden.m_cars.empty());

    prefs.ShowSoldCars = true;
    const CCar sold = LoadOne(car.VehicleID);
    EXPECT_TRUE(sold.Sold);
    EXPECT_EQ(sold.SoldDate, DateTime(2024, 5, 20));
    EXPECT_FLOAT_EQ(sold.SoldPrice, 1500.5f);
    EXPECT_EQ(sold.SoldVendor, "Jo's Autos");
}

TEST_F(Cars, DeletedWithEveryRowThatBelongsToIt) {
    CCarsDB cars(connection);
    CCar doomed = FullCar();
    CCar kept = FullCar();
    kept.Name = "Kept";
    ASSERT_TRUE(cars.addCar(doomed));
    ASSERT_TRUE(cars.addCar(kept));
    for (const CCar* car : {&doomed, &kept}) {
        const std::string id = "'" + car->VehicleID + "'";
        Exec("INSERT INTO Accidents (VehicleID) VALUES (" + id + ")");
        Exec("INSERT INTO Expenses (VehicleID, ExpenseDate, Cost) VALUES (" + id + ", #01/02/2024#, 10)");
        Exec("INSERT INTO Services (VehicleID, ServiceDate, Odometer) VALUES (" + id + ", #01/03/2024#, 100)");
        Exec("INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) SELECT max(ServiceID), 1 FROM Services");
        Exec("INSERT INTO Trips (VehicleID, StartOdometer, EndOdometer, Distance) VALUES (" + id + ", 1, 2, 1)");
        Exec("INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer) VALUES (" + id +
             ", #01/04/2024#, 150)");
        AddReading(car->VehicleID, DateTime(2024, 1, 5), 200);
    }
    const auto rowsOf = [this](const CCar& car) {
        const std::string id = "'" + car.VehicleID + "'";
        const std::string plan = car.MaintenancePlan.MaintenancePlanID;
        int rows = 0;
        for (const char* table :
             {"Accidents", "Expenses", "Services", "Trips", "FuelPurchases", "OdometerValues", "Vehicles"}) {
            rows += Count(std::string("SELECT count(*) FROM ") + table + " WHERE VehicleID=" + id);
        }
        rows += Count(
            "SELECT count(*) FROM ServiceItems WHERE ServiceID IN (SELECT ServiceID FROM Services WHERE "
            "VehicleID=" +
            id + ")");
        rows += Count("SELECT count(*) FROM ServiceItems WHERE ServiceID NOT IN (SELECT ServiceID FROM Services)");
        rows += Count("SELECT count(*) FROM MaintenancePlan WHERE MaintenancePlanID=" + plan);
        rows += Count("SELECT count(*) FROM MaintenancePlanItems WHERE MaintenancePlanID=" + plan);
        return rows;
    };
    ASSERT_EQ(rowsOf(doomed), 10);

    // A step that fails undoes the steps before it.
    Exec("ALTER TABLE Trips RENAME TO TripsAway");
    EXPECT_FALSE(cars.deleteCar(doomed.VehicleID));
    EXPECT_NE(Trace().find("Error Executing query DELETE from Trips"), std::string::npos);
    Exec("ALTER TABLE TripsAway RENAME TO Trips");
    EXPECT_EQ(rowsOf(doomed), 10);

    EXPECT_FALSE(cars.deleteCar("%"));
    EXPECT_FALSE(cars.deleteCar(doomed.VehicleID + "' OR ''='"));
    EXPECT_EQ(rowsOf(doomed), 10);

    ASSERT_TRUE(cars.deleteCar(doomed.VehicleID));
    EXPECT_EQ(rowsOf(doomed), 0);
    EXPECT_EQ(rowsOf(kept), 10);
}

TEST_F(Cars, Questions) {
    CCarsDB cars(connection);
    CCar first = FullCar();
    CCar second = FullCar();
    second.Name = "Run'about";
    ASSERT_TRUE(cars.addCar(first));
    ASSERT_TRUE(cars.addCar(second));
    ASSERT_TRUE(cars.soldCar(second.VehicleID, "", "", "Buyer"));

    EXPECT_EQ(cars.getCarCount(true), 2);
    EXPECT_EQ(cars.getCarCount(false), 1);

    EXPECT_FALSE(cars.isCarNameUnique("Family wagon"));
    EXPECT_FALSE(cars.isCarNameUnique("family WAGON"));
    EXPECT_FALSE(cars.isCarNameUnique("Run'about"));
    EXPECT_TRUE(cars.isCarNameUnique("Runabout"));
    // A name is stored cut to 30 characters, so a longer one that begins alike is taken.
    CCar longName;
    longName.Name = std::string(30, 'L');
    ASSERT_TRUE(cars.addCar(longName));
    EXPECT_FALSE(cars.isCarNameUnique(std::string(40, 'L')));

    prefs.ShowSoldCars = true;
    ASSERT_TRUE(cars.getCars("%", prefs));
    EXPECT_EQ(cars.m_cars.size(), 3u);
    EXPECT_EQ(cars.getCarName(second.VehicleID), "Run'about");
    EXPECT_EQ(cars.getCarName("%"), "All Cars");
    EXPECT_EQ(cars.getCarName("00000000-0000-0000-0000-000000000000"), "");

    // A pattern that is not a VehicleID runs nothing and keeps the loaded cars.
    EXPECT_FALSE(cars.getCars("%' OR ''='", prefs));
    EXPECT_EQ(cars.m_cars.size(), 3u);
}

}  // namespace

TEST_F(Cars, ACarIsAddedAndUpdatedWithItsPlanOrNotAtAll) {
    // A plan item the file refuses, as a full disk or the other program's failure midway would.
    jv::test::SqliteFile(file.path())
        .Run(
            "CREATE TRIGGER RefuseItem BEFORE INSERT ON MaintenancePlanItems WHEN NEW.ITEM_DESCRIPTION = 'Refused'"
            " BEGIN SELECT RAISE(ABORT, 'refused'); END");
    CMaintenancePlanItem refused;
    refused.ITEM_DESCRIPTION = "Refused";
    refused.ACTION_DESCRIPTION = "Check";
    refused.DisplayText = "Refused - Check";
    const int plans = Count("SELECT count(*) FROM MaintenancePlan");
    const int items = Count("SELECT count(*) FROM MaintenancePlanItems");
    CCarsDB cars(connection);

    CCar broken = FullCar();
    broken.MaintenancePlan.Items.push_back(refused);
    EXPECT_FALSE(cars.addCar(broken));
    EXPECT_EQ(Count("SELECT count(*) FROM Vehicles"), 0);
    EXPECT_EQ(Count("SELECT count(*) FROM MaintenancePlan"), plans);
    EXPECT_EQ(Count("SELECT count(*) FROM MaintenancePlanItems"), items);

    CCar car = FullCar();
    ASSERT_TRUE(cars.addCar(car));
    car.Name = "Renamed wagon";
    car.MaintenancePlan.Items.push_back(refused);
    EXPECT_FALSE(cars.updateCar(car));
    EXPECT_EQ(LoadOne(car.VehicleID).Name, "Family wagon");
    CMaintenancePlan stored;
    ASSERT_TRUE(CMaintenancePlanDatabaseObject(connection)
                    .GetMaintenancePlan(car.MaintenancePlan.MaintenancePlanID, stored, false));
    ASSERT_EQ(stored.Items.size(), 1u);
    EXPECT_EQ(stored.Items[0].DisplayText, "Engine oil - Replace");
    EXPECT_FALSE(connection.InTransaction());
}
