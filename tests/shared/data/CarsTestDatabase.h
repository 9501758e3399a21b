#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/base/Clock.h"
#include "platform/db/Connection.h"
#include "shared/data/Car.h"
#include "shared/data/UserPreferences.h"
#include "tests/shared/data/TestDatabase.h"
#include "tests/support/TestSupport.h"

// A copy of the blank user database in a temporary folder, a trace log next to it and a fixed
// clock (15 June 2024, noon), for the tests of cars, plans, preferences and readings.
class CarsTestDatabase : public ::testing::Test {
protected:
    CarsTestDatabase();

    // Runs a statement straight on the file, bypassing the classes under test.
    void Exec(const std::string& sql);
    // The first column of the first row as text ("" for NULL or no row).
    std::string Scalar(const std::string& sql);
    int Count(const std::string& sql) { return std::stoi(Scalar(sql)); }

    // Adds a car through CCarsDB::addCar and returns it with its new VehicleID.
    CCar AddCar(const std::string& name, int styleYear = 2020);
    // Stores a reading straight into OdometerValues.
    void AddReading(const std::string& vehicleID, const jv::DateTime& date, double value);

    // What the trace log holds so far.
    std::string Trace() const { return trace.Text(); }

    jv::test::TestDatabase file;
    jv::test::TraceCapture trace;
    jv::FixedClock clock{jv::DateTime(2024, 6, 15, 12, 0, 0)};
    jv::ScopedClock scopedClock{clock};
    jv::db::Connection connection;
    CUserPreferences prefs;
};
