#include "tests/shared/registers/ServicesFixture.h"

#include "shared/data/CarsDB.h"

ServicesTest::ServicesTest() {
    clock_.Set(jv::DateTime(2024, 3, 18));
}

std::vector<int> ServicesTest::AddCarWithPlan(const std::string& vehicleId, const std::string& name,
                                              const std::vector<PlanItem>& plan, bool sold) {
    db_.ExecuteNonQuery("INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', '" + name +
                        "', 'N')");
    const std::string planId = LastId();
    db_.ExecuteNonQuery("INSERT INTO Vehicles (VehicleID, Name, StyleYear, MaintenancePlanID, Sold, Custom) VALUES ('" +
                        vehicleId + "', '" + name + "', 0, " + planId + ", " + (sold ? "-1" : "0") + ", -1)");
    std::vector<int> ids;
    for (const PlanItem& item : plan) {
        db_.ExecuteNonQuery(
            "INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, "
            "INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Skip) VALUES (" +
            planId + ", '" + item.item + "', '" + item.action + "', " + std::to_string(item.initialMileage) + ", " +
            std::to_string(item.initialMonth) + ", " + std::to_string(item.intervalMileage) + ", " +
            std::to_string(item.intervalMonth) + ", " + (item.skip ? "-1" : "0") + ")");
        ids.push_back(std::stoi(LastId()));
    }
    return ids;
}

CCar ServicesTest::LoadCar(const std::string& vehicleId) {
    CCarsDB cars(db_);
    cars.getCars(vehicleId, prefs_);
    cars.getCurrentOdometers(prefs_);
    EXPECT_EQ(cars.m_cars.size(), 1u);
    return cars.m_cars.empty() ? CCar() : cars.m_cars.front();
}
