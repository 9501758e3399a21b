// The home page of a full garage: 10 cars, each with 3,000 fuel purchases, 500 services and 500
// expenses, every one with its odometer reading, and a plan of 20 items. Timed together, as the
// home page asks for them: loading the cars with their current odometers, the distance per year,
// the cost per year with the totals, the fuel economy and the reminders of the next 14 days. The
// argument multiplies the rows of every car.
//
// In the same run: the same data read with the most direct statements the schema allows
// (BM_DirectHomePage, see DirectStatements.h); the first home page after another connection saved
// an entry, both ways; and the peak memory of a process that shows the home page. Before
// any timing, the fast paths' results are compared with the plain statements' on an irregular
// garage (IrregularGarage.h); a difference ends the program.

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/DirectStatements.h"
#include "bench/IrregularGarage.h"
#include "platform/base/Clock.h"
#include "platform/base/NumberFormat.h"
#include "platform/base/NumberText.h"
#include "platform/db/Connection.h"
#include "shared/data/CarsDB.h"
#include "shared/data/UserData.h"
#include "shared/data/UserPreferences.h"
#include "shared/registers/CarsOverviewDB.h"
#include "shared/registers/RemindersDatabaseObject.h"

namespace {

constexpr int kCars = 10;
constexpr int kPlanItems = 20;
constexpr int kFuelPurchases = 3000;
constexpr int kServices = 500;
constexpr int kExpenses = 500;
constexpr int kSpanDays = 3000;        // the rows of every scale fall within these days
constexpr double kMilesPerDay = 40.0;  // how far each car goes
const jv::DateTime kFirstDay(2016, 1, 1);

std::string VehicleId(int car) {
    char id[40];
    std::snprintf(id, sizeof id, "%08d-0000-0000-0000-0000000000AB", car + 1);
    return id;
}

std::string Number(double value) {
    return jv::number::FormatFixed(value, 3);
}

// A garage in a new user database under the temporary folder, removed at the end.
class Garage {
public:
    explicit Garage(int scale) {
        folder_ = std::filesystem::temp_directory_path() / ("jvbench-overview-" + std::to_string(scale));
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        const std::string path = (folder_ / "user.jvdb").string();
        std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, path);
        // Opened as the program opens a new user's file, which brings it to the current version.
        CUserData userData;
        if (!userData.OpenConnections(path)) std::abort();
        db_ = userData.GetDatabaseConnection();
        db_.BeginTrans();
        for (int car = 0; car < kCars; ++car) AddCar(car, scale);
        db_.CommitTrans();
        now_ = kFirstDay + (kSpanDays + 3) + 0.5;
    }
    ~Garage() {
        db_.Close();
        std::filesystem::remove_all(folder_);
    }

    jv::db::Connection& db() { return db_; }
    jv::DateTime now() const { return now_; }
    std::string path() const { return db_.path(); }

private:
    std::string Id() { return *db_.Execute("SELECT @@IDENTITY AS id").GetText("id"); }

    void AddCar(int car, int scale) {
        const std::string vehicle = VehicleId(car);
        db_.ExecuteNonQuery(
            "INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', 'Plan', "
            "'N')");
        const std::string plan = Id();
        db_.ExecuteNonQuery(
            "INSERT INTO Vehicles (VehicleID, Name, StyleYear, MaintenancePlanID, Sold, Custom) VALUES "
            "('" +
            vehicle + "', 'Car " + std::to_string(car) + "', 2015, " + plan + ", 0, -1)");
        std::vector<std::string> items;
        for (int item = 0; item < kPlanItems; ++item) {
            db_.ExecuteNonQuery(
                "INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, "
                "ACTION_DESCRIPTION, INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, "
                "Skip) VALUES (" +
                plan + ", 'Item " + std::to_string(item) + "', 'Service', 0, 0, " + std::to_string(3000 + 1000 * item) +
                ", " + std::to_string(3 + item % 12) + ", 0)");
            items.push_back(Id());
        }

        // One timeline of rows: of every 8, six fuel purchases, one service and one expense.
        const int rows = (kFuelPurchases + kServices + kExpenses) * scale;
        const double daysPerRow = static_cast<double>(kSpanDays) / rows;
        double lastFuelOdometer = 0.0;
        int services = 0;
        for (int row = 0; row < rows; ++row) {
            const double day = static_cast<int>(row * daysPerRow);
            const std::string date = Number((kFirstDay + day).Days());
            const double odometer = 1000.0 + row * daysPerRow * kMilesPerDay + car;
            const std::string where = "'" + vehicle + "', " + date + ", " + Number(odometer);
            switch (row % 8) {
                case 6: {
                    db_.ExecuteNonQuery(
                        "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Cost, "
                        "Skipped) VALUES (" +
                        where + ", 'Garage', 120.5, 0)");
                    db_.ExecuteNonQuery("INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES (" + Id() +
                                        ", " + items[services++ % kPlanItems] + ")");
                    break;
                }
                case 7:
                    db_.ExecuteNonQuery(
                        "INSERT INTO Expenses (VehicleID, ExpenseDate, Odometer, Vendor, CategoryID, "
                        "Cost) VALUES (" +
                        where + ", 'Parking Co', 5, 12.25)");
                    break;
                default: {
                    const double distance = odometer - lastFuelOdometer;
                    lastFuelOdometer = odometer;
                    const double volume = distance / 30.0;
                    db_.ExecuteNonQuery(
                        "INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, "
                        "Vendor, Fillup, Volume, CostPer, Cost, Roads) VALUES (" +
                        where + ", " + Number(distance) + ", 'Fuel Stop', " + (row % 5 == 0 ? "0" : "-1") + ", " +
                        Number(volume) + ", 3.5, " + Number(volume * 3.5) + ", 'M')");
                    break;
                }
            }
            db_.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES (" + where +
                                ")");
        }
    }

    std::filesystem::path folder_;
    jv::db::Connection db_;
    jv::DateTime now_;
};

// One garage per scale, built once for all the benchmarks that use it.
Garage& GarageOf(int scale) {
    static std::map<int, std::unique_ptr<Garage>> garages;
    auto& garage = garages[scale];
    if (!garage) garage = std::make_unique<Garage>(scale);
    return *garage;
}

// The cars as the home page loads them, with the statistics of its car list.
size_t ShowCarList(jv::db::Connection& db, CUserPreferences& preferences) {
    CCarsDB cars(db);
    cars.getCars("%", preferences);
    cars.getCurrentOdometers(preferences);
    CCarsOverviewDB overview(db, jv::NumberFormat::UnitedStates());
    overview.getDistancePerTime(cars.m_cars, "Year", preferences);
    overview.getCostPerUnit(cars.m_cars, "Year");
    overview.getFuelEconomy(cars.m_cars);
    return overview.GetFuelEconomy().size();
}

// The home page's reminder list: what falls due within the next 14 days, overdue items included.
size_t ShowReminders(jv::db::Connection& db, CUserPreferences& preferences, const jv::DateTime& now) {
    std::vector<CReminder> reminders;
    CRemindersDatabaseObject(db).GetReminders("%", jv::DateTime::Null(), now + 14.0, reminders, preferences);
    return reminders.size();
}

// The garage of a benchmark's scale, with "now" just after its last rows.
struct Scene {
    explicit Scene(const benchmark::State& state)
        : garage(GarageOf(static_cast<int>(state.range(0)))), clock(garage.now()), useClock(clock) {}
    Garage& garage;
    jv::FixedClock clock;
    jv::ScopedClock useClock;
    CUserPreferences preferences;
};

enum class Part { Everything, CarList, Reminders };

template <Part part>
void BM_HomePage(benchmark::State& state) {
    Scene scene(state);
    Garage& garage = scene.garage;
    CUserPreferences& preferences = scene.preferences;
    for (auto _ : state) {
        size_t shown = 0;
        if (part != Part::Reminders) shown += ShowCarList(garage.db(), preferences);
        if (part != Part::CarList) shown += ShowReminders(garage.db(), preferences, garage.now());
        benchmark::DoNotOptimize(shown);
    }
    state.counters["rows"] = static_cast<double>(kCars * (kFuelPurchases + kServices + kExpenses) * 2 * state.range(0));
}
// The budget: the whole home page of a garage at 1x well under 100 ms, growing no worse than the rows.
BENCHMARK(BM_HomePage<Part::Everything>)->Arg(1)->Arg(2)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HomePage<Part::CarList>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HomePage<Part::Reminders>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// The steps of the car list one by one, to see where its time goes: loading the cars with their
// current odometers, then each statistic over the cars loaded once; and what the graphs of the
// first car read.
enum class Step { LoadCars, DistancePerTime, CostPerUnit, FuelEconomy, CostHistory, FuelEconomyHistory };

template <Step step>
void BM_CarListStep(benchmark::State& state) {
    Scene scene(state);
    Garage& garage = scene.garage;
    CUserPreferences& preferences = scene.preferences;
    CCarsDB cars(garage.db());
    cars.getCars("%", preferences);
    cars.getCurrentOdometers(preferences);
    CCarsOverviewDB overview(garage.db(), jv::NumberFormat::UnitedStates());
    for (auto _ : state) {
        switch (step) {
            case Step::LoadCars: {
                CCarsDB loaded(garage.db());
                loaded.getCars("%", preferences);
                loaded.getCurrentOdometers(preferences);
                benchmark::DoNotOptimize(loaded.m_cars.data());
                break;
            }
            case Step::DistancePerTime:
                overview.getDistancePerTime(cars.m_cars, "Year", preferences);
                break;
            case Step::CostPerUnit:
                overview.getCostPerUnit(cars.m_cars, "Year");
                break;
            case Step::FuelEconomy:
                overview.getFuelEconomy(cars.m_cars);
                break;
            case Step::CostHistory: {
                std::vector<CCarCost> costs;
                overview.getCostHistory(cars.m_cars.front().VehicleID, costs);
                benchmark::DoNotOptimize(costs.data());
                break;
            }
            case Step::FuelEconomyHistory: {
                std::vector<CFuelPurchase> purchases;
                overview.getFuelEconomyHistory(cars.m_cars.front().VehicleID, preferences, purchases);
                benchmark::DoNotOptimize(purchases.data());
                break;
            }
        }
    }
}
BENCHMARK(BM_CarListStep<Step::LoadCars>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarListStep<Step::DistancePerTime>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarListStep<Step::CostPerUnit>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarListStep<Step::FuelEconomy>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarListStep<Step::CostHistory>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CarListStep<Step::FuelEconomyHistory>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// The same data through the direct statements, on a connection of their own to the same file.
template <Part part>
void BM_DirectHomePage(benchmark::State& state) {
    Scene scene(state);
    Garage& garage = scene.garage;
    DirectStatements direct(garage.path());
    const double today = jv::DateTime::ToLinear(garage.now().Days());
    for (auto _ : state) {
        size_t shown = 0;
        if (part != Part::Reminders) shown += direct.CarList(today);
        if (part != Part::CarList) shown += direct.Reminders(today, today + 14.0);
        benchmark::DoNotOptimize(shown);
    }
}
BENCHMARK(BM_DirectHomePage<Part::Everything>)->Arg(1)->Arg(2)->Arg(5)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectHomePage<Part::CarList>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectHomePage<Part::Reminders>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// The first home page after a saved entry: between two runs another connection (the companion, or
// a second window of the program) saves an entry into one car's register or takes it out again,
// untimed, so that nothing kept from the run before may serve as it was. The entries go round the
// cars; every other one is a service that covers a plan item (the latest services change), the
// others fuel purchases. Each carries its odometer reading, dated after the car's last one.
class OtherConnection {
public:
    explicit OtherConnection(const Garage& garage) : db_(jv::db::Connection::Open(garage.path())) {}

    // Saves the next entry, or takes the last one out again.
    void SaveOrTakeBack() {
        const std::string vehicle = "'" + VehicleId(car_) + "'";
        const std::string date = Number((kFirstDay + (kSpanDays + 1.0)).Days());
        if (added_) {
            db_.BeginTrans();
            db_.ExecuteNonQuery(
                "DELETE FROM ServiceItems WHERE ServiceID IN (SELECT ServiceID FROM Services WHERE "
                "VehicleID = " +
                vehicle + " AND ServiceDate = " + date + ")");
            db_.ExecuteNonQuery("DELETE FROM Services WHERE VehicleID = " + vehicle + " AND ServiceDate = " + date);
            db_.ExecuteNonQuery("DELETE FROM FuelPurchases WHERE VehicleID = " + vehicle +
                                " AND FuelPurchaseDate = " + date);
            db_.ExecuteNonQuery("DELETE FROM OdometerValues WHERE VehicleID = " + vehicle +
                                " AND OdometerDate = " + date);
            db_.CommitTrans();
            added_ = false;
            car_ = (car_ + 1) % kCars;
            service_ = !service_;
            return;
        }
        const double last =
            *db_.Execute("SELECT max(OdometerValue) AS v FROM OdometerValues WHERE VehicleID = " + vehicle)
                 .GetDouble("v");
        const std::string where = vehicle + ", " + date + ", " + Number(last + 55.5);
        db_.BeginTrans();
        if (service_) {
            db_.ExecuteNonQuery(
                "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Cost, Skipped) VALUES (" + where +
                ", 'Garage', 99.5, 0)");
            const std::string id = *db_.Execute("SELECT @@IDENTITY AS id").GetText("id");
            db_.ExecuteNonQuery(
                "INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) SELECT " + id +
                ", min(MaintenancePlanItemID) FROM MaintenancePlanItems WHERE MaintenancePlanID = (SELECT "
                "MaintenancePlanID FROM Vehicles WHERE VehicleID = " +
                vehicle + ")");
        } else {
            db_.ExecuteNonQuery(
                "INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, "
                "CostPer, Cost, Roads) VALUES (" +
                where + ", 55.5, 'Fuel Stop', -1, 1.85, 3.5, 6.475, 'M')");
        }
        db_.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES (" + where +
                            ")");
        db_.CommitTrans();
        added_ = true;
    }
    // Leaves the garage as it found it.
    ~OtherConnection() {
        if (added_) SaveOrTakeBack();
    }

private:
    jv::db::Connection db_;
    int car_ = 0;
    bool added_ = false;
    bool service_ = true;
};

template <Part part>
void BM_HomePageAfterAChange(benchmark::State& state) {
    Scene scene(state);
    Garage& garage = scene.garage;
    OtherConnection other(garage);
    for (auto _ : state) {
        state.PauseTiming();
        other.SaveOrTakeBack();
        state.ResumeTiming();
        size_t shown = 0;
        if (part != Part::Reminders) shown += ShowCarList(garage.db(), scene.preferences);
        if (part != Part::CarList) shown += ShowReminders(garage.db(), scene.preferences, garage.now());
        benchmark::DoNotOptimize(shown);
    }
}
// The budget: the whole home page within 1.5 times the direct statements' time after the same
// change, the reminders within twice theirs.
BENCHMARK(BM_HomePageAfterAChange<Part::Everything>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HomePageAfterAChange<Part::Reminders>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// The direct statements after the same changes: their connection too finds the file changed.
template <Part part>
void BM_DirectHomePageAfterAChange(benchmark::State& state) {
    Scene scene(state);
    Garage& garage = scene.garage;
    OtherConnection other(garage);
    DirectStatements direct(garage.path());
    const double today = jv::DateTime::ToLinear(garage.now().Days());
    for (auto _ : state) {
        state.PauseTiming();
        other.SaveOrTakeBack();
        state.ResumeTiming();
        size_t shown = 0;
        if (part != Part::Reminders) shown += direct.CarList(today);
        if (part != Part::CarList) shown += direct.Reminders(today, today + 14.0);
        benchmark::DoNotOptimize(shown);
    }
}
BENCHMARK(BM_DirectHomePageAfterAChange<Part::Everything>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DirectHomePageAfterAChange<Part::Reminders>)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// The peak memory (resident set) of a process of this program that opens the garage's file and
// shows its home page three times, through the program's classes or through the direct
// statements (see main).
constexpr const char* kShowHomePage = "--show-home-page";

template <bool direct>
void BM_HomePagePeakMemory(benchmark::State& state) {
    Garage& garage = GarageOf(static_cast<int>(state.range(0)));
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string way = direct ? "direct" : "program";
    const std::string now = std::to_string(garage.now().Days());
    const std::string path = garage.path();
    const std::string report = path + ".peak";
    double peak = 0;
    for (auto _ : state) {
        const char* argv[] = {self.c_str(), kShowHomePage,  way.c_str(), path.c_str(),
                              now.c_str(),  report.c_str(), nullptr};
        pid_t child = 0;
        if (posix_spawn(&child, self.c_str(), nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
            state.SkipWithError("cannot start the measuring process");
            return;
        }
        int status = 0;
        waitpid(child, &status, 0);
        FILE* file = std::fopen(report.c_str(), "r");
        long kilobytes = 0;
        const bool read = file != nullptr && std::fscanf(file, "%ld", &kilobytes) == 1;
        if (file != nullptr) std::fclose(file);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !read) {
            state.SkipWithError("the measuring process failed");
            return;
        }
        peak = static_cast<double>(kilobytes) / 1024.0;
    }
    state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_HomePagePeakMemory<false>)->Arg(1)->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HomePagePeakMemory<true>)->Arg(1)->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond);

// The measuring process: the home page of the file three times, then its peak resident set
// (the kernel's high-water mark of this process's own memory) in kB into `report`.
int ShowHomePage(const std::string& way, const std::string& path, double nowDays, const std::string& report) {
    const jv::DateTime now(nowDays);
    if (way == "direct") {
        DirectStatements direct(path);
        const double today = jv::DateTime::ToLinear(now.Days());
        for (int i = 0; i < 3; ++i) {
            benchmark::DoNotOptimize(direct.CarList(today) + direct.Reminders(today, today + 14));
        }
    } else {
        jv::FixedClock clock(now);
        jv::ScopedClock useClock(clock);
        CUserPreferences preferences;
        jv::db::Connection db = jv::db::Connection::Open(path);
        for (int i = 0; i < 3; ++i) {
            benchmark::DoNotOptimize(ShowCarList(db, preferences) + ShowReminders(db, preferences, now));
        }
    }
    FILE* status = std::fopen("/proc/self/status", "r");
    long peak = -1;
    char line[256];
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr) {
        if (std::sscanf(line, "VmHWM: %ld", &peak) == 1) break;
    }
    if (status != nullptr) std::fclose(status);
    FILE* out = std::fopen(report.c_str(), "w");
    if (out == nullptr || peak < 0) return 1;
    std::fprintf(out, "%ld\n", peak);
    std::fclose(out);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 6 && std::strcmp(argv[1], kShowHomePage) == 0) {
        return ShowHomePage(argv[2], argv[3], std::atof(argv[4]), argv[5]);
    }
    const int compared = CheckIrregularGarage(JV_BLANK_DATABASE_FILE);
    std::printf("Irregular garage: %d results of the fast paths equal the plain statements'.\n", compared);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
