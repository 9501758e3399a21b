#include <gtest/gtest.h>

#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/SqlValue.h"
#include "tests/shared/data/CarsTestDatabase.h"

namespace {

using jv::DateTime;

TEST(SqlValue, DateLiteralsAlwaysCarryFourYearDigits) {
    EXPECT_EQ(sqlvalue::Date(DateTime(2024, 3, 5, 13, 0, 0)), "#03/05/2024#");
    EXPECT_EQ(sqlvalue::Date(DateTime(100, 1, 1)), "#01/01/0100#");
    EXPECT_EQ(sqlvalue::Date(DateTime(999, 12, 31)), "#12/31/0999#");
}

class SqlValueOnFile : public CarsTestDatabase {};

// Every date the program accepts can also be stored and found again.
TEST_F(SqlValueOnFile, EarlyYearsAreStoredAndFound) {
    CCar car = AddCar("Veteran", 2020);
    COdometerValuesDatabaseObject readings(connection);
    ASSERT_TRUE(readings.AddOdometerValue(car.VehicleID, "1/1/0100", "10"));
    COdometerValue value;
    ASSERT_TRUE(readings.GetOdometerValue(car.VehicleID, DateTime(100, 1, 1), value));
    EXPECT_FLOAT_EQ(value.OdometerValue, 10.0f);
    EXPECT_EQ(Trace().find("ERR"), std::string::npos) << Trace();
}

}  // namespace
