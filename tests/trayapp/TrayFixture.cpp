#include "tests/trayapp/TrayFixture.h"

#include <filesystem>

#include "platform/base/Paths.h"
#include "shared/core/ConfigUser.h"

unsigned FakeTimers::Start(std::chrono::milliseconds delay, std::function<void()> fire) {
    EXPECT_FALSE(pending.has_value()) << "a second timer while one is pending";
    pending = Pending{nextId++, delay, std::move(fire)};
    return pending->id;
}

void FakeTimers::Stop(unsigned id) {
    if (pending && pending->id == id) pending.reset();
}

bool FakeTimers::Fire(jv::FixedClock& clock) {
    if (!pending) return false;
    Pending due = std::move(*pending);
    pending.reset();
    clock.Set(clock.Now() + static_cast<double>(due.delay.count()) / 86400000.0);
    due.fire();
    return true;
}

TrayTest::TrayTest() {
    CMainFrame::Settings settings;
    frame_ = std::make_unique<CMainFrame>(loop_, nullptr, timers_, clock_, settings);
}

TrayTest::~TrayTest() {
    frame_.reset();
}

std::string TrayTest::DefaultDatabasePath() const {
    return jv::paths::Join(home_.Documents(), "Jorvane/user.data");
}

jv::db::Connection TrayTest::CreateDatabase(const std::string& path) {
    jv::paths::MakeSureDirectoryPathExists(jv::paths::DirName(path));
    std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, path);
    return jv::db::Connection::Open(path);
}

void TrayTest::AddCar(jv::db::Connection& db, const std::string& vehicleId, const std::string& name, bool oilDue) {
    db.ExecuteNonQuery("INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', '" + name +
                       "', 'N')");
    db.ExecuteNonQuery(
        "INSERT INTO Vehicles (VehicleID, Name, StyleYear, Make, Model, Style, MaintenancePlanID, Sold, Custom) "
        "VALUES ('" +
        vehicleId + "', '" + name + "', 2019, 'Ford', 'Focus', 'SE', (SELECT max(MaintenancePlanID) FROM " +
        "MaintenancePlan), 0, -1)");
    if (oilDue) {
        AddItem(db, name, "Oil", "Change", 3000, 3);
        db.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + vehicleId +
                           "', #1/2/2024#, 1000)");
        db.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + vehicleId +
                           "', #3/10/2024#, 5000)");
    } else {
        AddItem(db, name, "Timing belt", "Replace", 0, 12);
        db.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + vehicleId +
                           "', #2/15/2024#, 100)");
        db.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + vehicleId +
                           "', #3/15/2024#, 400)");
    }
}

void TrayTest::AddItem(jv::db::Connection& db, const std::string& name, const std::string& item,
                       const std::string& action, int intervalMileage, int intervalMonth) {
    db.ExecuteNonQuery(
        "INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, INITIAL_MILEAGE, "
        "INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Skip) VALUES ((SELECT MaintenancePlanID FROM Vehicles WHERE "
        "Name = '" +
        name + "'), '" + item + "', '" + action + "', 0, 0, " + std::to_string(intervalMileage) + ", " +
        std::to_string(intervalMonth) + ", 0)");
}

void TrayTest::PointConfigurationAt(const std::string& path) {
    const std::string file = CConfigUser::FilePath();
    jv::paths::MakeSureDirectoryPathExists(jv::paths::DirName(file));
    jv::test::WriteFile(
        file, "<?xml version='1.0' encoding='utf-8'?><jorvaneUser version='1.0'><mostRecentUserDB path='" + path +
                  "' prependMyDocs='no'/></jorvaneUser>");
}
