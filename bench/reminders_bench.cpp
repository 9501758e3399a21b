// The reminders of a full garage: 10 cars, each with a plan of 20 items, 500 services and 5,000
// odometer readings at 1x; the argument multiplies the services and readings of every car.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/NumberText.h"
#include "platform/db/Connection.h"
#include "shared/data/UserData.h"
#include "shared/data/UserPreferences.h"
#include "shared/registers/RemindersDatabaseObject.h"

namespace {

constexpr int kCars = 10;
constexpr int kPlanItems = 20;
constexpr int kServices = 500;
constexpr int kReadings = 5000;
const jv::DateTime kFirstDay(2000, 1, 1);

std::string VehicleId(int car) {
    char id[40];
    std::snprintf(id, sizeof id, "%08d-0000-0000-0000-000000000000", car + 1);
    return id;
}

// A garage in a new user database under the temporary folder, removed at the end.
class Garage {
public:
    explicit Garage(int scale) {
        folder_ = std::filesystem::temp_directory_path() / ("jvbench-reminders-" + std::to_string(scale));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        const std::string path = (folder_ / "user.jvdb").string();
        std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, path);
        // Opened as the program opens a new user's file, which brings it to the current version.
        CUserData userData;
        if (!userData.OpenConnections(path)) std::abort();
        db_ = userData.GetDatabaseConnection();

        const int readings = kReadings * scale;
        const int services = kServices * scale;
        db_.BeginTrans();
        for (int car = 0; car < kCars; ++car) {
            const std::string vehicle = VehicleId(car);
            db_.ExecuteNonQuery(
                "INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', "
                "'Plan', 'N')");
            const std::string plan = *db_.Execute("SELECT @@IDENTITY AS id").GetText("id");
            db_.ExecuteNonQuery(
                "INSERT INTO Vehicles (VehicleID, Name, StyleYear, MaintenancePlanID, Sold, Custom) "
                "VALUES ('" +
                vehicle + "', 'Car " + std::to_string(car) + "', 2000, " + plan + ", 0, -1)");
            std::vector<int> items;
            for (int item = 0; item < kPlanItems; ++item) {
                db_.ExecuteNonQuery(
                    "INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, "
                    "ACTION_DESCRIPTION, INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, "
                    "INTERVAL_MONTH, Skip) VALUES (" +
                    plan + ", 'Item " + std::to_string(item) + "', 'Service', 0, 0, " +
                    std::to_string(3000 + 1000 * item) + ", " + std::to_string(3 + item % 12) + ", 0)");
                items.push_back(*db_.Execute("SELECT @@IDENTITY AS id").GetInt("id"));
            }
            // One reading a day at 40 a day; a service every tenth day.
            for (int day = 0; day < readings; ++day) {
                const jv::DateTime date = kFirstDay + day;
                db_.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" +
                                    vehicle + "', " + jv::number::FormatFixed(date.Days(), 6) + ", " +
                                    std::to_string(day * 40 + car) + ")");
            }
            for (int service = 0; service < services; ++service) {
                const int day = service * (readings / services);
                const jv::DateTime date = kFirstDay + day;
                db_.ExecuteNonQuery(
                    "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Skipped) VALUES "
                    "('" +
                    vehicle + "', " + jv::number::FormatFixed(date.Days(), 6) + ", " + std::to_string(day * 40 + car) +
                    ", 'Garage', 0)");
                const std::string id = *db_.Execute("SELECT @@IDENTITY AS id").GetText("id");
                db_.ExecuteNonQuery("INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES (" + id + ", " +
                                    std::to_string(items[service % kPlanItems]) + ")");
            }
        }
        db_.CommitTrans();
        now_ = kFirstDay + readings + 10.0;
    }
    ~Garage() {
        db_.Close();
        std::filesystem::remove_all(folder_);
    }

    jv::db::Connection& db() { return db_; }
    jv::DateTime now() const { return now_; }

private:
    std::filesystem::path folder_;
    jv::db::Connection db_;
    jv::DateTime now_;
};

void BM_RemindersOfTheGarage(benchmark::State& state) {
    Garage garage(static_cast<int>(state.range(0)));
    jv::FixedClock clock(garage.now());
    jv::ScopedClock useClock(clock);
    CUserPreferences preferences;
    size_t count = 0;
    for (auto _ : state) {
        std::vector<CReminder> reminders;
        CRemindersDatabaseObject db(garage.db());
        db.GetReminders("%", jv::DateTime::Null(), garage.now() + 365.0, reminders, preferences);
        count = reminders.size();
        benchmark::DoNotOptimize(reminders.data());
    }
    state.counters["reminders"] = static_cast<double>(count);
}
BENCHMARK(BM_RemindersOfTheGarage)->Arg(1)->Arg(2)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
