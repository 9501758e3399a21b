// The user database: opening and upgrading a file, and the register queries the pages run most,
// on a typical garage (1x: two cars with three years of services, fuel purchases and readings)
// and on 10x and 100x as many rows.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/base/DateTime.h"
#include "platform/db/Connection.h"
#include "platform/db/Recordset.h"
#include "shared/data/UserData.h"

namespace {

// A scratch folder for the benchmark's files, removed at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/jvbench-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

ScratchFolder& Scratch() {
    static ScratchFolder folder;
    return folder;
}

constexpr int kCarsPerScale = 2;
constexpr int kItemsPerPlan = 10;
constexpr int kServicesPerCar = 50;
constexpr int kFuelPurchasesPerCar = 100;
constexpr int kReadingsPerCar = 150;

// Car ids are unique text keys with no common prefixes, as the GUIDs the program makes.
std::string Car(int number) {
    char id[40];
    std::snprintf(id, sizeof id, "%08X-4E2A-4C1B-9F3D-0123456789AB", 0x1000u + static_cast<unsigned>(number) * 7919u);
    return id;
}

// A date as the program writes it into SQL.
std::string Date(int daysAfter2020) {
    return jv::DateTime(jv::DateTime(2020, 1, 1) + daysAfter2020).Format("#%m/%d/%Y#");
}

// A user database with `scale` times the rows of a typical garage, made once per scale.
const std::string& Garage(int scale) {
    static std::map<int, std::string> garages;
    auto found = garages.find(scale);
    if (found != garages.end()) return found->second;
    const std::string path = Scratch().File("garage-" + std::to_string(scale));
    std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, path);
    jv::db::Connection db = jv::db::Connection::Open(path);
    jv::db::Transaction transaction(db);
    int itemId = 0;
    for (int car = 0; car < kCarsPerScale * scale; ++car) {
        db.ExecuteNonQuery("INSERT into MaintenancePlan (StyleID, Name, DrivingCondition) values('S', 'Plan', 'N')");
        const int planId = *db.Execute("SELECT @@IDENTITY as MaintenancePlanID ").GetInt("MaintenancePlanID");
        db.ExecuteNonQuery("INSERT into vehicles (VehicleID, Name, MaintenancePlanID, PurchaseDate) values('" +
                           Car(car) + "', 'Car " + std::to_string(car) + "', " + std::to_string(planId) +
                           ", '01/02/2020')");
        const int firstItem = itemId + 1;
        for (int item = 0; item < kItemsPerPlan; ++item, ++itemId) {
            db.ExecuteNonQuery(
                "INSERT into MaintenancePlanItems (MaintenancePlanID, severe_service_flag, INITIAL_MILEAGE, "
                "initial_month, INTERVAL_MILEAGE, interval_month, ACTION_DESCRIPTION, ITEM_DESCRIPTION) values(" +
                std::to_string(planId) + ",'N',0,0," + std::to_string(3000 * (item + 1)) + "," +
                std::to_string(3 * (item + 1)) + ",'Replace','Item " + std::to_string(item) + "')");
        }
        for (int service = 0; service < kServicesPerCar; ++service) {
            db.ExecuteNonQuery(
                "Insert into Services (VehicleID, ServiceDate, Odometer, Vendor, ServiceMemo, Cost, "
                "Skipped) values('" +
                Car(car) + "', " + Date(service * 20) + ", " + std::to_string(1000 + service * 600) +
                ", 'Joe''s Garage', 'Oil change', 45.5, 0)");
            const int serviceId = *db.Execute("SELECT @@IDENTITY as ServiceID ").GetInt("ServiceID");
            for (int covered = 0; covered < 2; ++covered) {
                db.ExecuteNonQuery("Insert into ServiceItems (ServiceID, MaintenancePlanItemID) values(" +
                                   std::to_string(serviceId) + ", " +
                                   std::to_string(firstItem + (service + covered) % kItemsPerPlan) + ")");
            }
        }
        for (int fuel = 0; fuel < kFuelPurchasesPerCar; ++fuel) {
            db.ExecuteNonQuery(
                "Insert into FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, "
                "CostPer, Cost, Roads ) values('" +
                Car(car) + "', " + Date(fuel * 10) + ", " + std::to_string(1000 + fuel * 300) +
                ", 300, 'Shell', -1, 10.5, 3.5, 36.75, 'M')");
        }
        for (int reading = 0; reading < kReadingsPerCar; ++reading) {
            db.ExecuteNonQuery("Insert into OdometerValues (VehicleID, OdometerDate, OdometerValue) values('" +
                               Car(car) + "', " + Date(reading * 7) + ", " + std::to_string(1000 + reading * 200) +
                               ")");
        }
    }
    transaction.Commit();
    return garages.emplace(scale, path).first->second;
}

void CountRows(benchmark::State& state, size_t rows) {
    state.counters["rows"] = static_cast<double>(rows);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * rows));
}

// Opening the user's database at start-up, when its schema is current.
void BM_OpenCurrentDatabase(benchmark::State& state) {
    const std::string path = Scratch().File("current");
    std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, path, std::filesystem::copy_options::overwrite_existing);
    for (auto _ : state) {
        CUserData userData;
        if (!userData.OpenConnections(path)) state.SkipWithError("open failed");
    }
}
BENCHMARK(BM_OpenCurrentDatabase)->Unit(benchmark::kMillisecond);

// Opening a database of the oldest schema: every upgrade step runs, several rebuilding tables.
void BM_OpenAndUpgradeFromVersionZero(benchmark::State& state) {
    const std::string path = Scratch().File("upgraded");
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::copy_file(JV_V0_DATABASE_FILE, path, std::filesystem::copy_options::overwrite_existing);
        auto userData = std::make_unique<CUserData>();
        state.ResumeTiming();
        if (!userData->OpenConnections(path) || !userData->CheckAndUpdateVersion()) state.SkipWithError("failed");
        state.PauseTiming();
        userData.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAndUpgradeFromVersionZero)->Unit(benchmark::kMillisecond);

// The service register page: every service of every car, each field read.
void BM_ServiceRegister(benchmark::State& state) {
    jv::db::Connection db = jv::db::Connection::Open(Garage(static_cast<int>(state.range(0))));
    const std::string sql =
        "SELECT s.VehicleID, ServiceID, ServiceDate, Odometer, Vendor, ServiceMemo, Cost, Parts, Labor, Other, Tax, "
        "s.Notes FROM Services s, Vehicles v WHERE s.VehicleID like '%' AND s.VehicleID = v.VehicleID AND Skipped=0 "
        "AND v.Sold = 0 ORDER BY ServiceDate, s.VehicleID, Odometer;";
    size_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (jv::db::Recordset rs = db.Execute(sql); !rs.IsEOF(); rs.MoveNext(), ++rows) {
            benchmark::DoNotOptimize(rs.GetText("VehicleID"));
            benchmark::DoNotOptimize(rs.GetInt("ServiceID"));
            benchmark::DoNotOptimize(rs.GetDate("ServiceDate"));
            benchmark::DoNotOptimize(rs.GetSingle("Odometer"));
            benchmark::DoNotOptimize(rs.GetText("Vendor"));
            benchmark::DoNotOptimize(rs.GetText("ServiceMemo"));
            for (const char* amount : {"Cost", "Parts", "Labor", "Other", "Tax"}) {
                benchmark::DoNotOptimize(rs.GetSingle(amount));
            }
            benchmark::DoNotOptimize(rs.GetText("Notes"));
        }
    }
    CountRows(state, rows);
}
BENCHMARK(BM_ServiceRegister)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// The latest service of every plan item of one car, through the stored query, as the reminders
// ask for it once per car.
void BM_LatestServicesOfOneCar(benchmark::State& state) {
    jv::db::Connection db = jv::db::Connection::Open(Garage(static_cast<int>(state.range(0))));
    const std::string sql =
        "select s.ServiceDate, s.Odometer, s.VehicleID, i.MaintenancePlanItemID, ACTION_DESCRIPTION , "
        "ITEM_DESCRIPTION , INITIAL_MILEAGE , INITIAL_MONTH , INTERVAL_MILEAGE , INTERVAL_MONTH  from services s, "
        "serviceitems i, MostRecentServices ls, MaintenancePlanItems mpi where s.ServiceID = i.ServiceID and "
        "s.VehicleID like '" +
        Car(1) +
        "' and s.ServiceDate=ls.ServiceDate and i.MaintenancePlanItemID=ls.MaintenancePlanItemID and "
        "i.MaintenancePlanItemID=mpi.MaintenancePlanItemID order by s.ServiceDate";
    size_t rows = 0;
    for (auto _ : state) {
        rows = 0;
        for (jv::db::Recordset rs = db.Execute(sql); !rs.IsEOF(); rs.MoveNext(), ++rows) {
            benchmark::DoNotOptimize(rs.GetDate("ServiceDate"));
            benchmark::DoNotOptimize(rs.GetInt("MaintenancePlanItemID"));
            benchmark::DoNotOptimize(rs.GetText("ITEM_DESCRIPTION"));
        }
    }
    CountRows(state, rows);
}
BENCHMARK(BM_LatestServicesOfOneCar)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond);

// The latest reading of one car, asked for again and again by the odometer estimation.
void BM_LastOdometerValue(benchmark::State& state) {
    jv::db::Connection db = jv::db::Connection::Open(Garage(static_cast<int>(state.range(0))));
    const std::string sql =
        "SELECT max(OdometerDate) as LastDate, max(OdometerValue) as LastOdometer FROM OdometerValues WHERE "
        "VehicleID like '" +
        Car(1) + "'";
    for (auto _ : state) {
        jv::db::Recordset rs = db.Execute(sql);
        benchmark::DoNotOptimize(rs.GetDate("LastDate"));
        benchmark::DoNotOptimize(rs.GetSingle("LastOdometer"));
    }
}
BENCHMARK(BM_LastOdometerValue)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

// A small statement (one step into an index, one row) run again and again: through the
// connection, which keeps it prepared by its text, against the same statement prepared once
// directly on SQLite and reset between runs, on the same file.
template <bool direct>
void BM_SmallStatement(benchmark::State& state) {
    const std::string path = Garage(1);
    const std::string sql = "SELECT max(OdometerValue) AS Highest FROM OdometerValues WHERE VehicleID = '" + Car(1) +
                            "' AND OdometerValue <= 30000";
    if (!direct) {
        jv::db::Connection db = jv::db::Connection::Open(path);
        for (auto _ : state) benchmark::DoNotOptimize(db.Execute(sql).GetDouble("Highest"));
        return;
    }
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    for (auto _ : state) {
        sqlite3_reset(stmt);
        if (sqlite3_step(stmt) == SQLITE_ROW) benchmark::DoNotOptimize(sqlite3_column_double(stmt, 0));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
}
BENCHMARK(BM_SmallStatement<false>)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SmallStatement<true>)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
