// Two programs on one user database: the companion's reminders pass, and a save of the service
// register, on a file nobody else uses and on a file that one or two other programs write at full
// speed (each saving services with their items, one after another). The garage: 10 cars, each
// with a plan of 20 items, 500 services and 5,000 odometer readings.
//
// The other programs are forked before this one opens the file (an open connection must not be
// carried across a fork) and killed at the end; their saves are counted in shared memory.

#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/NumberText.h"
#include "platform/db/Connection.h"
#include "shared/data/MaintenancePlanItem.h"
#include "shared/data/UserData.h"
#include "shared/data/UserPreferences.h"
#include "shared/registers/RemindersDatabaseObject.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"

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

// The garage in a new user database under the temporary folder, built once and closed again.
class Garage {
public:
    Garage() {
        folder_ = std::filesystem::temp_directory_path() / ("jvbench-sharing-" + std::to_string(getpid()));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        path_ = (folder_ / "user.jvdb").string();
        std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, path_);
        // Opened as the program opens a new user's file, which brings it to the current version.
        CUserData userData;
        if (!userData.OpenConnections(path_)) std::abort();
        jv::db::Connection db = userData.GetDatabaseConnection();
        db.BeginTrans();
        for (int car = 0; car < kCars; ++car) {
            const std::string vehicle = VehicleId(car);
            db.ExecuteNonQuery(
                "INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', 'Plan', 'N')");
            const std::string plan = *db.Execute("SELECT @@IDENTITY AS id").GetText("id");
            db.ExecuteNonQuery(
                "INSERT INTO Vehicles (VehicleID, Name, StyleYear, MaintenancePlanID, Sold, Custom) VALUES ('" +
                vehicle + "', 'Car " + std::to_string(car) + "', 2000, " + plan + ", 0, -1)");
            std::vector<int> items;
            for (int item = 0; item < kPlanItems; ++item) {
                db.ExecuteNonQuery(
                    "INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, "
                    "INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Skip) VALUES (" +
                    plan + ", 'Item " + std::to_string(item) + "', 'Service', 0, 0, " +
                    std::to_string(3000 + 1000 * item) + ", " + std::to_string(3 + item % 12) + ", 0)");
                items.push_back(*db.Execute("SELECT @@IDENTITY AS id").GetInt("id"));
            }
            items_.push_back(items);
            for (int day = 0; day < kReadings; ++day) {
                db.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" +
                                   vehicle + "', " + jv::number::FormatFixed((kFirstDay + day).Days(), 6) + ", " +
                                   std::to_string(day * 40 + car) + ")");
            }
            for (int service = 0; service < kServices; ++service) {
                const int day = service * (kReadings / kServices);
                db.ExecuteNonQuery(
                    "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Skipped) VALUES ('" + vehicle +
                    "', " + jv::number::FormatFixed((kFirstDay + day).Days(), 6) + ", " +
                    std::to_string(day * 40 + car) + ", 'Garage', 0)");
                const std::string id = *db.Execute("SELECT @@IDENTITY AS id").GetText("id");
                db.ExecuteNonQuery("INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES (" + id + ", " +
                                   std::to_string(items[static_cast<size_t>(service % kPlanItems)]) + ")");
            }
        }
        db.CommitTrans();
    }
    ~Garage() { std::filesystem::remove_all(folder_); }

    const std::string& path() const { return path_; }
    jv::DateTime now() const { return kFirstDay + kReadings + 10.0; }
    // Three items of the car's plan, for a new service.
    std::vector<CMaintenancePlanItem> Items(int car, long save) const {
        std::vector<CMaintenancePlanItem> items(3);
        for (size_t i = 0; i < items.size(); ++i) {
            items[i].MaintenancePlanItemID =
                items_[static_cast<size_t>(car)][static_cast<size_t>(save + static_cast<long>(i)) % kPlanItems];
        }
        return items;
    }

private:
    std::filesystem::path folder_;
    std::string path_;
    std::vector<std::vector<int>> items_;
};

Garage& TheGarage() {
    static Garage garage;
    return garage;
}

// A writer's saves of the service register: first kOwnServices services, each with three items
// and its reading, then those same services again and again with new odometers, dates and items,
// so that the file keeps its size however long the writers run. Odometers are the writer's own.
class ServiceWriter {
public:
    static constexpr long kOwnServices = 20;

    ServiceWriter(const Garage& garage, int writer)
        : garage_(garage), writer_(writer), db_(jv::db::Connection::Open(garage.path())) {}

    bool SaveOne() {
        const long save = saves_++;
        const int car = static_cast<int>(save % kOwnServices % kCars);
        const std::string date = (garage_.now() - static_cast<double>(1 + save % 7)).Format("%m/%d/%Y");
        const std::string odometer = std::to_string(1000000L * (writer_ + 1) + save * 3);
        if (save < kOwnServices) {
            std::string id;
            const bool added = db_.AddService(id, VehicleId(car), date, odometer, "Garage", "", "12.5", "", "", "", "",
                                              "", false, garage_.Items(car, save));
            ids_.push_back(id);
            return added;
        }
        return db_.UpdateService(ids_[static_cast<size_t>(save % kOwnServices)], "", date, odometer, "", "", "", "", "",
                                 "", "", "", garage_.Items(car, save));
    }

private:
    const Garage& garage_;
    int writer_;
    CServiceRegisterDatabaseObject db_;
    long saves_ = 0;
    std::vector<std::string> ids_;
};

// The other programs: each saves services without pause until it is killed. Their saves and
// failed saves are counted in memory shared with this program.
class OtherWriters {
public:
    OtherWriters(const Garage& garage, int count) {
        void* shared = mmap(nullptr, sizeof(Counts), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        counts_ = new (shared) Counts();
        for (int writer = 0; writer < count; ++writer) {
            const pid_t pid = fork();
            if (pid == 0) {
                ServiceWriter writing(garage, writer + 1);
                for (;;) {
                    if (writing.SaveOne()) {
                        counts_->saves.fetch_add(1);
                    } else {
                        counts_->failed.fetch_add(1);
                    }
                }
            }
            pids_.push_back(pid);
        }
        // Let them get going before anything is measured.
        std::this_thread::sleep_for(std::chrono::milliseconds(count > 0 ? 200 : 0));
        start_ = counts_->saves.load();
        started_ = std::chrono::steady_clock::now();
    }
    ~OtherWriters() {
        for (pid_t pid : pids_) kill(pid, SIGKILL);
        for (pid_t pid : pids_) waitpid(pid, nullptr, 0);
        munmap(counts_, sizeof(Counts));
    }

    void Report(benchmark::State& state) const {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
        state.counters["other_saves_per_s"] = static_cast<double>(counts_->saves.load() - start_) / seconds;
        state.counters["other_failed_saves"] = static_cast<double>(counts_->failed.load());
    }

private:
    struct Counts {
        std::atomic<long> saves{0};
        std::atomic<long> failed{0};
    };
    Counts* counts_ = nullptr;
    std::vector<pid_t> pids_;
    long start_ = 0;
    std::chrono::steady_clock::time_point started_;
};

// The companion's reminders pass over every car. The first argument is the number of other
// writers; the second, when 1, changes the file before each pass (untimed), so that nothing the
// program worked out from the file before still holds, as when another program writes.
void BM_RemindersPass(benchmark::State& state) {
    Garage& garage = TheGarage();
    OtherWriters others(garage, static_cast<int>(state.range(0)));
    const bool changeFirst = state.range(1) == 1;
    std::unique_ptr<ServiceWriter> changer;
    if (changeFirst) changer = std::make_unique<ServiceWriter>(garage, 9);
    jv::FixedClock clock(garage.now());
    jv::ScopedClock useClock(clock);
    CUserPreferences preferences;
    CRemindersDatabaseObject db(jv::db::Connection::Open(garage.path()));
    double slowest = 0.0;
    long failed = 0;
    for (auto _ : state) {
        if (changer) {
            state.PauseTiming();
            changer->SaveOne();
            state.ResumeTiming();
        }
        const auto start = std::chrono::steady_clock::now();
        std::vector<CReminder> reminders;
        if (!db.GetReminders("%", jv::DateTime::Null(), garage.now() + 365.0, reminders, preferences)) ++failed;
        benchmark::DoNotOptimize(reminders.data());
        slowest = std::max(slowest,
                           std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["slowest_ms"] = slowest;
    state.counters["failed_passes"] = static_cast<double>(failed);
    others.Report(state);
}
BENCHMARK(BM_RemindersPass)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({2, 0})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->UseRealTime();

// A save of the service register (a service with three items and its reading, one transaction
// synced to the disk); the argument is the number of other writers.
void BM_ServiceSave(benchmark::State& state) {
    Garage& garage = TheGarage();
    OtherWriters others(garage, static_cast<int>(state.range(0)));
    ServiceWriter writing(garage, 0);
    double slowest = 0.0;
    long failed = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!writing.SaveOne()) ++failed;
        slowest = std::max(slowest,
                           std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    state.counters["slowest_ms"] = slowest;
    state.counters["failed_saves"] = static_cast<double>(failed);
    others.Report(state);
}
BENCHMARK(BM_ServiceSave)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
