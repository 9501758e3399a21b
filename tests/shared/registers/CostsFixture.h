#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/DateTime.h"
#include "platform/base/NumberFormat.h"
#include "platform/db/Connection.h"
#include "shared/data/Car.h"
#include "shared/data/UserPreferences.h"
#include "tests/support/TestSupport.h"

// A user database copied from the blank one into a temporary folder and opened as the program
// opens it, with its own trace log, a fixed clock (1 June 2024, noon) and a user who counts in
// miles and gallons. Cars and readings are written with plain SQL, so the registers and the
// overview are checked against rows whose meaning the test states itself.
class CostsTest : public ::testing::Test {
protected:
    CostsTest();
    ~CostsTest() override;

    static constexpr const char* kCar = "11111111-2222-3333-4444-555555555555";
    static constexpr const char* kOtherCar = "66666666-7777-8888-9999-AAAAAAAAAAAA";

    void AddCar(const std::string& vehicleId, const std::string& name, bool sold = false);
    void AddReading(const std::string& vehicleId, const jv::DateTime& date, double value);
    // The cars as the home page loads them: with their rates and current odometers.
    std::vector<CCar> LoadCars();

    // The car's readings, oldest first, as "m/d/yyyy=value".
    std::vector<std::string> Readings(const std::string& vehicleId);
    long Count(const std::string& fromWhere);
    // The first column of the first row as text; "" for no row or NULL.
    std::string Text(const std::string& sql);
    // The id of the row last inserted, as text.
    std::string LastId();
    std::string Log() const;

    jv::test::IsolatedHome home_;
    jv::FixedClock clock_{jv::DateTime(2024, 6, 1, 12, 0, 0)};
    jv::ScopedClock useClock_{clock_};
    jv::db::Connection db_;
    CUserPreferences prefs_;
    const jv::NumberFormat us_ = jv::NumberFormat::UnitedStates();

private:
    std::string logPath_;
};

// "m/d/yyyy", the way the tests write and compare dates.
std::string Day(const jv::DateTime& date);
