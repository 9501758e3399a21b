#include <gtest/gtest.h>

#include <cmath>

#include "shared/data/CarsDB.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "tests/shared/data/CarsTestDatabase.h"

namespace {

using jv::DateTime;

class OdometerEstimation : public CarsTestDatabase {
protected:
    // Loads the car as the program does: rates from getCars, current odometer from
    // getCurrentOdometers.
    CCar Load(const CCar& car) {
        CCarsDB cars(connection);
        EXPECT_TRUE(cars.getCars(car.VehicleID, prefs));
        EXPECT_EQ(cars.m_cars.size(), 1u);
        cars.getCurrentOdometers(prefs);
        return cars.m_cars.empty() ? CCar() : cars.m_cars[0];
    }

    // A car with readings of 1,000 on 1 January 2024 and 1,500 on 11 January 2024.
    CCar TwoReadings(int styleYear = 2020) {
        CCar car = AddCar("Two readings", styleYear);
        AddReading(car.VehicleID, DateTime(2024, 1, 1), 1000);
        AddReading(car.VehicleID, DateTime(2024, 1, 11), 1500);
        return Load(car);
    }

    COdometerValuesDatabaseObject odometers{connection};
};

TEST_F(OdometerEstimation, TwoReadingsGiveFiftyADayBothWays) {
    CCar car = TwoReadings();
    EXPECT_FLOAT_EQ(car.ForwardRate, 50.0f);
    EXPECT_FLOAT_EQ(car.BackwardRate, 50.0f);

    EXPECT_FLOAT_EQ(odometers.CalculateOdometerFromDate(car, DateTime(2024, 1, 6), prefs), 1250.0f);
    const DateTime reached = odometers.CalculateDateFromOdometer(car, 1250.0f, prefs);
    ASSERT_TRUE(reached.IsValid());
    EXPECT_DOUBLE_EQ(reached.Days(), DateTime(2024, 1, 6).Days());
}

TEST_F(OdometerEstimation, RatePerUnit) {
    CCar car = TwoReadings();
    struct Case {
        const char* unit;
        float rate;
    };
    const Case cases[] = {
        {"Day", 50.0f}, {"Week", 350.0f}, {"Month", 1522.0f}, {"Year", 18262.5f}, {"day", 0.0f}, {"Fortnight", 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(odometers.GetDistanceRate(car, c.unit, prefs, true), c.rate, 0.01) << c.unit;
    }
}

TEST_F(OdometerEstimation, SingleReadingStartsAtTheModelYear) {
    CCar car = AddCar("One reading", 2024);
    AddReading(car.VehicleID, DateTime(2024, 3, 1), 100);
    car = Load(car);
    // 1 January to 1 March 2024: 60 whole days.
    EXPECT_NEAR(car.BackwardRate, 100.0 / 60.0, 1e-5);
    EXPECT_NEAR(car.ForwardRate, 100.0 / 60.0, 1e-5);
}

TEST_F(OdometerEstimation, CustomCarWithoutModelYearTravelsThirtyFiveADay) {
    CCar car = AddCar("Custom", 0);
    AddReading(car.VehicleID, DateTime(2024, 3, 1), 100);
    car = Load(car);
    EXPECT_FLOAT_EQ(car.ForwardRate, 35.0f);
    struct Case {
        const char* unit;
        double rate;
    };
    for (const Case& c : {Case{"Day", 35.0}, Case{"Week", 245.0}, Case{"Month", 1065.4}, Case{"Year", 12783.75}}) {
        EXPECT_NEAR(odometers.GetDistanceRate(car, c.unit, prefs, false), c.rate, 0.01) << c.unit;
    }
    EXPECT_NE(Trace().find("Error calculating date for original odometer."), std::string::npos);
}

TEST_F(OdometerEstimation, ReadingsOutOfOrder) {
    // Stored newest first, and values that fall: the first reading is the earliest date with the
    // lowest value, the last the latest date with the highest value.
    CCar car = AddCar("Out of order", 2020);
    AddReading(car.VehicleID, DateTime(2024, 3, 1), 200);
    AddReading(car.VehicleID, DateTime(2024, 1, 1), 500);
    COdometerValue first, last;
    ASSERT_TRUE(odometers.GetFirstOdometerValue(car.VehicleID, first));
    ASSERT_TRUE(odometers.GetLastOdometerValue(car.VehicleID, last));
    EXPECT_EQ(first.OdometerDate, DateTime(2024, 1, 1));
    EXPECT_FLOAT_EQ(first.OdometerValue, 200.0f);
    EXPECT_EQ(last.OdometerDate, DateTime(2024, 3, 1));
    EXPECT_FLOAT_EQ(last.OdometerValue, 500.0f);

    car = Load(car);
    EXPECT_FLOAT_EQ(car.BackwardRate, 300.0f / 60.0f);

    CCar ordered = AddCar("Added backwards", 2020);
    AddReading(ordered.VehicleID, DateTime(2024, 1, 11), 1500);
    AddReading(ordered.VehicleID, DateTime(2024, 1, 1), 1000);
    ordered = Load(ordered);
    EXPECT_FLOAT_EQ(ordered.ForwardRate, 50.0f);
    EXPECT_FLOAT_EQ(odometers.CalculateOdometerFromDate(ordered, DateTime(2024, 1, 6), prefs), 1250.0f);
}

TEST_F(OdometerEstimation, BeyondTheReadings) {
    CCar car = TwoReadings();
    struct Case {
        DateTime date;
        float odometer;
    };
    const Case cases[] = {
        {DateTime(2023, 12, 22), 500.0f},                // before the first: back along the backward rate
        {DateTime(2024, 1, 21), 2000.0f},                // after the last, in the past: on along the forward rate
        {DateTime(2024, 6, 25), 1500.0f + 166 * 50.0f},  // in the future: no later reading is looked for
        {DateTime(2023, 1, 1), 0.0f},                    // far back: never below 0
        {DateTime(2024, 1, 11), 1500.0f},                // on a reading
    };
    for (const Case& c : cases) {
        EXPECT_FLOAT_EQ(odometers.CalculateOdometerFromDate(car, c.date, prefs), c.odometer)
            << c.date.Format("%m/%d/%Y");
    }
    EXPECT_FLOAT_EQ(odometers.CalculateOdometerFromDate(car, DateTime::Invalid(), prefs), 0.0f);

    // Above every reading: on from the last at the forward rate.
    car.CurrentOdometer = 1500.0f;
    EXPECT_EQ(odometers.CalculateDateFromOdometer(car, 2000.0f, prefs), DateTime(2024, 1, 21));
    // Below every reading: between the original odometer (model year 2020, value 0) and the first.
    car.CurrentOdometer = 1600.0f;
    const DateTime early = odometers.CalculateDateFromOdometer(car, 500.0f, prefs);
    const double span = DateTime(2024, 1, 1) - DateTime(2020, 1, 1);
    EXPECT_DOUBLE_EQ(early.Days(), (DateTime(2020, 1, 1) + span / 2).Days());
}

TEST_F(OdometerEstimation, DateOfAnOdometerThatCannotBeComputedIsInvalid) {
    CCar car = TwoReadings();
    car.CurrentOdometer = 1500.0f;
    car.ForwardRate = 0.0f;
    EXPECT_FALSE(odometers.CalculateDateFromOdometer(car, 2000.0f, prefs).IsValid());

    // A single reading of 200 is its own original odometer: from it to the reading nothing is
    // travelled, so no date can be worked out for a lower value.
    CCar single = AddCar("Single", 2020);
    AddReading(single.VehicleID, DateTime(2024, 2, 1), 200);
    single = Load(single);
    single.CurrentOdometer = 200.0f;
    const DateTime none = odometers.CalculateDateFromOdometer(single, 100.0f, prefs);
    EXPECT_FALSE(none.IsValid());
    EXPECT_TRUE(std::isfinite(none.Days()));

    CCar empty = AddCar("No readings", 2020);
    EXPECT_FALSE(odometers.CalculateDateFromOdometer(empty, 100.0f, prefs).IsValid());
    EXPECT_FLOAT_EQ(odometers.CalculateOdometerFromDate(empty, DateTime(2024, 1, 1), prefs), 0.0f);
}

TEST_F(OdometerEstimation, UnknownPurchaseOdometerIsNoReading) {
    // Bought on 1 December 2023; the purchase odometer unknown (-1), then known (500).
    CCar car = AddCar("Bought", 2020);
    Exec("UPDATE Vehicles SET PurchaseDate=#12/01/2023#, PurchaseOdometer=-1 WHERE VehicleID='" + car.VehicleID + "'");
    AddReading(car.VehicleID, DateTime(2024, 1, 1), 1000);
    AddReading(car.VehicleID, DateTime(2024, 1, 11), 1500);
    COdometerValue purchase;
    EXPECT_FALSE(odometers.GetPurchaseOdometerValue(car.VehicleID, purchase));
    EXPECT_FLOAT_EQ(Load(car).ForwardRate, 50.0f);

    Exec("UPDATE Vehicles SET PurchaseOdometer=500 WHERE VehicleID='" + car.VehicleID + "'");
    const CCar known = Load(car);
    EXPECT_FLOAT_EQ(known.ForwardRate, 1000.0f / 41.0f);
    EXPECT_FLOAT_EQ(known.BackwardRate, 50.0f);
}

TEST_F(OdometerEstimation, OriginalOdometer) {
    COdometerValue original;

    CCar low = AddCar("Low first reading", 2020);
    AddReading(low.VehicleID, DateTime(2023, 1, 1), 300);
    AddReading(low.VehicleID, DateTime(2024, 1, 1), 9000);
    low = Load(low);
    ASSERT_TRUE(odometers.GetOriginalOdometer(low, original, prefs));
    EXPECT_EQ(original.OdometerDate, DateTime(2023, 1, 1));
    EXPECT_FLOAT_EQ(original.OdometerValue, 300.0f);

    // 300.5 needs more than 180 days of readings: 181 days back-calculate along the backward rate.
    CCar spanned = AddCar("Long span", 2020);
    AddReading(spanned.VehicleID, DateTime(2023, 1, 1), 300.5);
    AddReading(spanned.VehicleID, DateTime(2023, 1, 1) + 181.0, 300.5 + 181 * 10.0);
    spanned = Load(spanned);
    ASSERT_FLOAT_EQ(spanned.BackwardRate, 10.0f);
    ASSERT_TRUE(odometers.GetOriginalOdometer(spanned, original, prefs));
    EXPECT_NEAR(original.OdometerDate.Days(), DateTime(2023, 1, 1).Days() - 30.05, 1e-6);
    EXPECT_FLOAT_EQ(original.OdometerValue, 0.0f);

    // 180 days are not enough: the model year gives the start.
    CCar shortSpan = AddCar("Short span", 2021);
    AddReading(shortSpan.VehicleID, DateTime(2023, 1, 1), 300.5);
    AddReading(shortSpan.VehicleID, DateTime(2023, 1, 1) + 180.0, 2100.5);
    shortSpan = Load(shortSpan);
    ASSERT_TRUE(odometers.GetOriginalOdometer(shortSpan, original, prefs));
    EXPECT_EQ(original.OdometerDate, DateTime(2021, 1, 1));
    EXPECT_FLOAT_EQ(original.OdometerValue, 0.0f);

    // Enough readings but no backward rate: no original odometer.
    spanned.BackwardRate = 0.0f;
    EXPECT_FALSE(odometers.GetOriginalOdometer(spanned, original, prefs));
}

TEST_F(OdometerEstimation, ModelYearAndSpanOfReadings) {
    COdometerValue start;
    ASSERT_TRUE(odometers.GetOdometerValueFromModelYear(2023, start));
    EXPECT_EQ(start.OdometerDate, DateTime(2023, 1, 1));
    // A model year ahead of the clock (15 June 2024) steps back 180 days at a time.
    ASSERT_TRUE(odometers.GetOdometerValueFromModelYear(2025, start));
    EXPECT_EQ(start.OdometerDate, DateTime(2025, 1, 1) - 360.0);
    EXPECT_FALSE(odometers.GetOdometerValueFromModelYear(0, start));

    CCar car = AddCar("Span", 2020);
    AddReading(car.VehicleID, DateTime(2023, 1, 1), 100);
    AddReading(car.VehicleID, DateTime(2023, 1, 1) + 180.0, 200);
    EXPECT_FALSE(odometers.ThereAreEnoughOdometerValues(car.VehicleID));
    AddReading(car.VehicleID, DateTime(2023, 1, 1) + 181.0, 300);
    EXPECT_TRUE(odometers.ThereAreEnoughOdometerValues(car.VehicleID));
}

TEST_F(OdometerEstimation, CurrentOdometers) {
    CCar none = AddCar("No readings", 2020);
    CCar tenDays = AddCar("Ten days", 2020);
    AddReading(tenDays.VehicleID, DateTime(2024, 6, 5), 1000);
    CCar today = AddCar("Today", 2020);
    AddReading(today.VehicleID, DateTime(2024, 6, 15), 1000);
    CCar noRate = AddCar("No rate", 2020);
    AddReading(noRate.VehicleID, DateTime(2024, 6, 13), 1000);

    CCarsDB cars(connection);
    ASSERT_TRUE(cars.getCars("%", prefs));
    for (CCar& car : cars.m_cars) {
        if (car.Name == "Ten days") car.ForwardRate = 30.0f;
        if (car.Name == "No rate") car.ForwardRate = 0.0f;
    }
    cars.getCurrentOdometers(prefs);
    struct Expected {
        const char* name;
        float odometer;
        bool estimated;
    };
    for (const Expected& e : {Expected{"No readings", 0.0f, false}, Expected{"Ten days", 1300.0f, true},
                              Expected{"Today", 1000.0f, false}, Expected{"No rate", 0.0f, false}}) {
        bool seen = false;
        for (const CCar& car : cars.m_cars) {
            if (car.Name != e.name) continue;
            seen = true;
            EXPECT_FLOAT_EQ(car.CurrentOdometer, e.odometer) << e.name;
            EXPECT_EQ(car.OdometerEstimated, e.estimated) << e.name;
            EXPECT_FLOAT_EQ(car.PurchaseOdometer, -1.0f) << e.name;
        }
        EXPECT_TRUE(seen) << e.name;
    }
}

TEST_F(OdometerEstimation, PurchaseOdometerFromTheReadingOfThePurchaseDay) {
    CCar onDay = AddCar("Reading on the day", 2020);
    Exec("UPDATE Vehicles SET PurchaseDate=#03/01/2024# WHERE VehicleID='" + onDay.VehicleID + "'");
    AddReading(onDay.VehicleID, DateTime(2024, 3, 1), 12000);
    CCar dayLater = AddCar("Reading a day later", 2020);
    Exec("UPDATE Vehicles SET PurchaseDate=#03/01/2024# WHERE VehicleID='" + dayLater.VehicleID + "'");
    AddReading(dayLater.VehicleID, DateTime(2024, 3, 2), 12000);

    EXPECT_FLOAT_EQ(Load(onDay).PurchaseOdometer, 12000.0f);
    EXPECT_FLOAT_EQ(Load(dayLater).PurchaseOdometer, -1.0f);
}

TEST_F(OdometerEstimation, OdometerAtDate) {
    CCar car = TwoReadings();
    CCarsDB cars(connection);
    COdometerValue value;
    value.OdometerDate = DateTime(2024, 1, 11);
    ASSERT_TRUE(cars.getOdometerAtDate(car, value, prefs));
    EXPECT_FLOAT_EQ(value.OdometerValue, 1500.0f);

    value.OdometerDate = DateTime(2024, 1, 21, 18, 0, 0);
    ASSERT_TRUE(cars.getOdometerAtDate(car, value, prefs));
    EXPECT_FLOAT_EQ(value.OdometerValue, 2000.0f);

    // Back from the last reading, but never below 0.
    value.OdometerDate = DateTime(2023, 1, 1);
    ASSERT_TRUE(cars.getOdometerAtDate(car, value, prefs));
    EXPECT_FLOAT_EQ(value.OdometerValue, 0.0f);

    // No estimate for a date that is not valid (not the last reading either).
    for (const DateTime& date : {DateTime::Invalid(), DateTime::Null()}) {
        value.OdometerValue = -1.0f;
        value.OdometerDate = date;
        EXPECT_FALSE(cars.getOdometerAtDate(car, value, prefs));
        EXPECT_FLOAT_EQ(value.OdometerValue, -1.0f);
    }

    car.ForwardRate = 0.0f;
    value.OdometerValue = -1.0f;
    value.OdometerDate = DateTime(2024, 2, 1);
    EXPECT_FALSE(cars.getOdometerAtDate(car, value, prefs));
    EXPECT_FLOAT_EQ(value.OdometerValue, -1.0f);
}

}  // namespace
