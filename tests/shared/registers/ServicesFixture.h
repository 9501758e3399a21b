#pragma once

#include <string>
#include <vector>

#include "tests/shared/registers/CostsFixture.h"

// The registers' database of CostsTest, with cars that have a maintenance plan of their own, for
// the tests of the service register, the automatic entries and the reminders. The clock stands
// at 18 March 2024, midnight, unless a test moves it.
class ServicesTest : public CostsTest {
protected:
    ServicesTest();

    struct PlanItem {
        std::string item;
        std::string action;
        int initialMileage = 0;
        int initialMonth = 0;
        int intervalMileage = 0;
        int intervalMonth = 0;
        bool skip = false;
    };

    // A car with a plan of its own (no model year); returns the plan items' ids in the order given.
    std::vector<int> AddCarWithPlan(const std::string& vehicleId, const std::string& name,
                                    const std::vector<PlanItem>& plan, bool sold = false);
    // The car as the program loads it: with its daily rates and its current odometer.
    CCar LoadCar(const std::string& vehicleId);
};
