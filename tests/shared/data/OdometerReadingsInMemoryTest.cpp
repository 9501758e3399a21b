#include <gtest/gtest.h>

#include "shared/data/CarsDB.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "tests/shared/data/CarsTestDatabase.h"

namespace {

using jv::DateTime;

class OdometerReadingsInMemory : public CarsTestDatabase {};

// The reminders keep a car's readings in memory; every estimate must come out exactly as the
// statements on the file give it, also for readings that are out of order, share a day, carry a
// time of day or lie before the first and after the last reading.
// Every estimate of every loaded car, from statements on the file and from what is kept of the
// readings, compared; the number of estimates compared.
int CompareEstimates(jv::db::Connection& connection, std::vector<CCar>& cars, const CUserPreferences& prefs) {
    COdometerValuesDatabaseObject fromFile(connection);
    COdometerValuesDatabaseObject inMemory(connection);
    inMemory.KeepReadingsInMemory();
    int compared = 0;
    for (CCar& loaded : cars) {
        for (DateTime date(2022, 12, 1); date < DateTime(2024, 9, 1); date += 7.5) {
            EXPECT_FLOAT_EQ(inMemory.CalculateOdometerFromDate(loaded, date, prefs),
                            fromFile.CalculateOdometerFromDate(loaded, date, prefs))
                << loaded.Name << " " << date.Format("%m/%d/%Y %H:%M");
            ++compared;
        }
        for (float odometer : {0.0f, 1000.1f, 5000.0f, 11999.0f, 12000.0f, 12250.0f, 12500.0f, 14800.0f, 14900.0f,
                               15000.0f, 18000.25f, 18000.5f, 20000.0f, 21000.0f, 30000.0f}) {
            const DateTime a = inMemory.CalculateDateFromOdometer(loaded, odometer, prefs);
            const DateTime b = fromFile.CalculateDateFromOdometer(loaded, odometer, prefs);
            EXPECT_EQ(a.IsValid(), b.IsValid()) << loaded.Name << " " << odometer;
            if (a.IsValid() && b.IsValid()) {
                EXPECT_DOUBLE_EQ(a.Days(), b.Days()) << loaded.Name << " " << odometer;
            }
            ++compared;
        }
    }
    return compared;
}

// Readings that rise with their dates are answered from the indexes and remembered while the
// file stays the same: a reading written (by the other program too) is seen by the next estimate,
// one that breaks the order as well, inside a transaction as outside.
TEST_F(OdometerReadingsInMemory, EstimatesOfOrderedReadingsFollowEveryChangeOfTheFile) {
    CCar car = AddCar("Ordered", 2019);
    AddReading(car.VehicleID, DateTime(2022, 11, 1), 1000.1);
    AddReading(car.VehicleID, DateTime(2023, 3, 1), 12000);
    AddReading(car.VehicleID, DateTime(2023, 3, 1), 12250);  // two on one day
    AddReading(car.VehicleID, DateTime(2023, 6, 1), 14800);
    AddReading(car.VehicleID, DateTime(2023, 6, 1, 17, 30, 0), 15000);
    AddReading(car.VehicleID, DateTime(2023, 9, 9), 15000);  // the same value later
    AddReading(car.VehicleID, DateTime(2024, 2, 29), 21000);
    CCarsDB cars(connection);
    ASSERT_TRUE(cars.getCars("%", prefs));
    cars.getCurrentOdometers(prefs);
    const auto steps = [&](const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_GT(CompareEstimates(connection, cars.m_cars, prefs), 50);
    };
    steps("as stored");
    steps("remembered");
    AddReading(car.VehicleID, DateTime(2024, 5, 1), 24000);
    steps("a later reading");
    jv::db::Connection::Open(file.path())
        .ExecuteNonQuery("UPDATE OdometerValues SET OdometerValue = 16000 WHERE OdometerValue = 14800");
    steps("a reading out of order, written by another program");
    Exec("DELETE FROM OdometerValues WHERE OdometerValue = 16000");
    steps("in order again");
    connection.BeginTrans();
    connection.ExecuteNonQuery("UPDATE OdometerValues SET OdometerValue = 500 WHERE OdometerValue = 24000");
    steps("inside a transaction");
    connection.RollbackTrans();
    steps("rolled back");
}

TEST_F(OdometerReadingsInMemory, EstimatesEqualThoseReadFromTheFile) {
    CCar car = AddCar("Irregular", 2019);
    AddReading(car.VehicleID, DateTime(2023, 3, 1), 12000);
    AddReading(car.VehicleID, DateTime(2023, 1, 15), 12500);  // a lower value later in the table
    AddReading(car.VehicleID, DateTime(2023, 6, 1, 17, 30, 0), 15000);
    AddReading(car.VehicleID, DateTime(2023, 6, 1), 14800);
    AddReading(car.VehicleID, DateTime(2023, 9, 9), 18000.5);
    AddReading(car.VehicleID, DateTime(2024, 2, 29), 21000);
    AddReading(car.VehicleID, DateTime(2022, 11, 1), 1000.1);  // not exactly a single
    AddCar("No readings", 2021);

    CCarsDB cars(connection);
    ASSERT_TRUE(cars.getCars("%", prefs));
    cars.getCurrentOdometers(prefs);
    ASSERT_EQ(cars.m_cars.size(), 2u);

    COdometerValuesDatabaseObject fromFile(connection);
    COdometerValuesDatabaseObject inMemory(connection);
    inMemory.KeepReadingsInMemory();
    int compared = 0;
    for (CCar& loaded : cars.m_cars) {
        for (DateTime date(2022, 12, 1); date < DateTime(2024, 9, 1); date += 7.5) {
            ASSERT_FLOAT_EQ(inMemory.CalculateOdometerFromDate(loaded, date, prefs),
                            fromFile.CalculateOdometerFromDate(loaded, date, prefs))
                << loaded.Name << " " << date.Format("%m/%d/%Y %H:%M");
            ++compared;
        }
        for (float odometer : {0.0f, 1000.1f, 5000.0f, 11999.0f, 12000.0f, 12250.0f, 12500.0f, 14800.0f, 14900.0f,
                               15000.0f, 18000.25f, 18000.5f, 20000.0f, 21000.0f, 30000.0f}) {
            const DateTime a = inMemory.CalculateDateFromOdometer(loaded, odometer, prefs);
            const DateTime b = fromFile.CalculateDateFromOdometer(loaded, odometer, prefs);
            ASSERT_EQ(a.IsValid(), b.IsValid()) << loaded.Name << " " << odometer;
            if (a.IsValid()) {
                ASSERT_DOUBLE_EQ(a.Days(), b.Days()) << loaded.Name << " " << odometer;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 100);
}

}  // namespace
