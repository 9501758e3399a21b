#include <gtest/gtest.h>

#include "shared/data/CarsDB.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "tests/shared/data/CarsTestDatabase.h"

namespace {

using jv::DateTime;

class OdometerValues : public CarsTestDatabase {
protected:
    std::vector<COdometerValue> Readings(const std::string& pattern) {
        std::vector<COdometerValue> values;
        EXPECT_TRUE(odometers.GetOdometerValues(pattern, values, prefs));
        return values;
    }

    int ReadingCount(const CCar& car) {
        return Count("SELECT count(*) FROM OdometerValues WHERE VehicleID='" + car.VehicleID + "'");
    }

    COdometerValuesDatabaseObject odometers{connection};
};

TEST_F(OdometerValues, AddedOnceAndListedInDateOrder) {
    const CCar car = AddCar("Reader");
    EXPECT_TRUE(odometers.AddOdometerValue(car.VehicleID, "03/01/2024", "1500"));
    EXPECT_TRUE(odometers.AddOdometerValue(car.VehicleID, "1/1/2024", "1000.5"));
    EXPECT_TRUE(odometers.AddOdometerValue(car.VehicleID, "2024-02-01", "1200"));

    const auto values = Readings(car.VehicleID);
    ASSERT_EQ(values.size(), 3u);
    EXPECT_EQ(values[0].OdometerDate, DateTime(2024, 1, 1));
    EXPECT_FLOAT_EQ(values[0].OdometerValue, 1000.5f);
    EXPECT_EQ(values[0].VehicleID, car.VehicleID);
    EXPECT_EQ(values[1].OdometerDate, DateTime(2024, 2, 1));
    EXPECT_EQ(values[2].OdometerDate, DateTime(2024, 3, 1));
    EXPECT_GT(values[2].OdometerValueID, 0);
}

TEST_F(OdometerValues, RefusedEntries) {
    const CCar car = AddCar("Refusals");
    const CCar other = AddCar("Other car");
    ASSERT_TRUE(odometers.AddOdometerValue(car.VehicleID, "01/01/2024", "1000"));

    struct Case {
        const char* vehicle;  // "car" or a literal id
        const char* date;
        const char* value;
        const char* logged;  // text the trace log must show, or ""
    };
    const Case cases[] = {
        {"car", "06/01/2024", "1000", ""},      // a value the car has already, whatever the date
        {"car", "06/01/2024", "1000.000", ""},  // the same number written otherwise
        {"car", "06/01/2024", "12a", "Invalid odometer value - 12a"},
        {"car", "06/01/2024", "", "Invalid odometer value - "},
        {"car", "06/01/2024", "1 OR 1=1", "Invalid odometer value - 1 OR 1=1"},
        // Beyond what a "single" column holds: stored, it would make every list of readings fail.
        {"car", "06/01/2024", "1000000000000000000000000000000000000000",
         "Invalid odometer value - 1000000000000000000000000000000000000000"},
        {"car", "13/45/2024", "2000", "Invalid date - 13/45/2024"},
        {"car", "#1/1/2024#", "2000", "Invalid date - #1/1/2024#"},
        {"x' OR '1'='1", "06/01/2024", "2000", "Invalid vehicle id - x' OR '1'='1"},
        {"%", "06/01/2024", "2000", "Invalid vehicle id - %"},
    };
    for (const Case& c : cases) {
        const std::string vehicle = std::string(c.vehicle) == "car" ? car.VehicleID : c.vehicle;
        EXPECT_FALSE(odometers.AddOdometerValue(vehicle, c.date, c.value)) << c.value << " " << c.date;
        if (*c.logged) {
            EXPECT_NE(Trace().find(c.logged), std::string::npos) << c.logged;
        }
    }
    EXPECT_EQ(Count("SELECT count(*) FROM OdometerValues"), 1);
    // Another car may hold the same value.
    EXPECT_TRUE(odometers.AddOdometerValue(other.VehicleID, "01/01/2024", "1000"));
}

TEST_F(OdometerValues, Updated) {
    const CCar car = AddCar("Updates");
    ASSERT_TRUE(odometers.AddOdometerValue(car.VehicleID, "01/01/2024", "1000"));
    ASSERT_TRUE(odometers.AddOdometerValue(car.VehicleID, "02/01/2024", "2000"));
    const auto values = Readings(car.VehicleID);
    const std::string id = std::to_string(values[0].OdometerValueID);

    // Keeping its own value is allowed; taking the other reading's value is not.
    EXPECT_TRUE(odometers.UpdateOdometerValue(id, car.VehicleID, "01/05/2024", "1000"));
    EXPECT_FALSE(odometers.UpdateOdometerValue(id, car.VehicleID, "01/05/2024", "2000"));
    EXPECT_FALSE(odometers.UpdateOdometerValue(id, car.VehicleID, "1/5/2024", "1000; DELETE FROM Vehicles"));
    EXPECT_FALSE(
        odometers.UpdateOdometerValue(id, car.VehicleID, "1/5/2024", "-1000000000000000000000000000000000000000"));
    EXPECT_FALSE(odometers.UpdateOdometerValue(id, car.VehicleID, "not a date", "1100"));
    EXPECT_NE(Trace().find("Invalid date - not a date"), std::string::npos);
    EXPECT_FALSE(odometers.UpdateOdometerValue(id + " OR 1=1", car.VehicleID, "01/05/2024", "1100"));
    EXPECT_TRUE(odometers.UpdateOdometerValue(id, car.VehicleID, "01/06/2024", "1100"));

    const auto updated = Readings(car.VehicleID);
    ASSERT_EQ(updated.size(), 2u);
    EXPECT_EQ(updated[0].OdometerDate, DateTime(2024, 1, 6));
    EXPECT_FLOAT_EQ(updated[0].OdometerValue, 1100.0f);
    EXPECT_FLOAT_EQ(updated[1].OdometerValue, 2000.0f);
}

TEST_F(OdometerValues, DeletedByKey) {
    const CCar car = AddCar("Deletes");
    ASSERT_TRUE(odometers.AddOdometerValue(car.VehicleID, "01/01/2024", "1000"));
    ASSERT_TRUE(odometers.AddOdometerValue(car.VehicleID, "02/01/2024", "2000"));
    const auto values = Readings(car.VehicleID);

    EXPECT_FALSE(odometers.DeleteOdometerValue(std::to_string(values[0].OdometerValueID) + " OR 1=1"));
    EXPECT_FALSE(odometers.DeleteOdometerValue(""));
    EXPECT_EQ(ReadingCount(car), 2);
    EXPECT_TRUE(odometers.DeleteOdometerValue(std::to_string(values[0].OdometerValueID)));
    const auto left = Readings(car.VehicleID);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_FLOAT_EQ(left[0].OdometerValue, 2000.0f);
}

TEST_F(OdometerValues, MirroredReadingDeletedWhateverItsCentury) {
    const CCar car = AddCar("Mirrors");
    AddReading(car.VehicleID, DateTime(2031, 5, 1), 1000);
    AddReading(car.VehicleID, DateTime(1925, 5, 1), 500.5);
    AddReading(car.VehicleID, DateTime(2024, 5, 1), 700);
    AddReading(car.VehicleID, DateTime(2024, 5, 1), 701);

    EXPECT_TRUE(odometers.DeleteOdometerValue(car.VehicleID, DateTime(2031, 5, 1), 1000.0f));
    EXPECT_TRUE(odometers.DeleteOdometerValue(car.VehicleID, "05/01/1925", 500.0f));
    // Strictly within one of the value: 700 goes, 701 stays.
    EXPECT_TRUE(odometers.DeleteOdometerValue(car.VehicleID, "5/1/2024", 700.0f));
    EXPECT_FALSE(odometers.DeleteOdometerValue("", "5/1/2024", 701.0f));
    EXPECT_FALSE(odometers.DeleteOdometerValue(car.VehicleID, "", 701.0f));

    const auto left = Readings(car.VehicleID);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_FLOAT_EQ(left[0].OdometerValue, 701.0f);
}

TEST_F(OdometerValues, MirroredReadingDeletedAtAnyMagnitude) {
    // From 2^53 on, value - 1 and value + 1 round onto the value or past its neighbours.
    const CCar car = AddCar("Large");
    const float values[] = {9007199254740992.0f, 1152921504606846976.0f, 1e30f};
    for (const float value : values) AddReading(car.VehicleID, DateTime(2024, 5, 1), static_cast<double>(value));
    for (const float value : values) {
        EXPECT_TRUE(odometers.DeleteOdometerValue(car.VehicleID, "5/1/2024", value));
    }
    EXPECT_TRUE(Readings(car.VehicleID).empty());
}

TEST_F(OdometerValues, SoldCarsListedOnlyWhenShown) {
    const CCar kept = AddCar("Kept");
    const CCar sold = AddCar("Sold");
    AddReading(kept.VehicleID, DateTime(2024, 1, 1), 100);
    AddReading(sold.VehicleID, DateTime(2024, 1, 2), 200);
    Exec("UPDATE Vehicles SET Sold=-1 WHERE VehicleID='" + sold.VehicleID + "'");

    EXPECT_EQ(Readings("%").size(), 1u);
    EXPECT_EQ(Readings(sold.VehicleID).size(), 0u);
    prefs.ShowSoldCars = true;
    EXPECT_EQ(Readings("%").size(), 2u);

    std::vector<COdometerValue> values;
    EXPECT_FALSE(odometers.GetOdometerValues("%' OR ''='", values, prefs));
    EXPECT_TRUE(values.empty());
}

TEST_F(OdometerValues, ReadingOfADay) {
    const CCar car = AddCar("Day");
    AddReading(car.VehicleID, DateTime(2024, 4, 2), 4321);
    COdometerValue value;
    // The time of day plays no part.
    ASSERT_TRUE(odometers.GetOdometerValue(car.VehicleID, DateTime(2024, 4, 2, 17, 30, 0), value));
    EXPECT_FLOAT_EQ(value.OdometerValue, 4321.0f);
    EXPECT_EQ(value.VehicleID, car.VehicleID);
    EXPECT_FALSE(odometers.GetOdometerValue(car.VehicleID, DateTime(2024, 4, 3), value));
    EXPECT_FALSE(odometers.GetOdometerValue(car.VehicleID, DateTime::Invalid(), value));
    EXPECT_FALSE(odometers.GetOdometerValue("", DateTime(2024, 4, 2), value));
}

}  // namespace
