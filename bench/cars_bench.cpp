// Loading the cars as the home page does: every car's two daily rates (getCars) and its current
// odometer (getCurrentOdometers), for 10 cars whose readings grow from 500 to 50,000 each.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/base/Clock.h"
#include "platform/base/NumberText.h"
#include "platform/db/Connection.h"
#include "shared/data/CarsDB.h"
#include "shared/data/UserPreferences.h"

namespace {

constexpr int kCars = 10;

// One database file per size, filled once and kept for every run of that size.
class Garage {
public:
    explicit Garage(int readingsPerCar) {
        char folder[] = "/tmp/jvbench-XXXXXX";
        if (mkdtemp(folder) == nullptr) std::abort();
        folder_ = folder;
        const std::string path = folder_ + "/user.jvdb";
        std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, path);
        connection_ = jv::db::Connection::Open(path);

        CCarsDB cars(connection_);
        connection_.BeginTrans();
        for (int c = 0; c < kCars; ++c) {
            CCar car;
            car.Name = "Car " + std::to_string(c);
            car.StyleYear = 2015;
            car.PurchaseDate = jv::DateTime(2015, 3, 1);
            car.PurchaseOdometer = 10.0f;
            if (!cars.addCar(car)) std::abort();
            // A reading every day or so, about 40 a day travelled, ending before "now".
            for (int r = 0; r < readingsPerCar; ++r) {
                const jv::DateTime date = jv::DateTime(2015, 3, 2) + r * 0.25;
                connection_.ExecuteNonQuery(
                    "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) "
                    "VALUES ('" +
                    car.VehicleID + "', #" + date.Format("%m/%d/%Y") + "#, " +
                    jv::number::FormatFixed(100.0 + r * 10.0 + c) + ")");
            }
        }
        connection_.CommitTrans();
    }
    ~Garage() {
        connection_.Close();
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }

    jv::db::Connection& connection() { return connection_; }

private:
    std::string folder_;
    jv::db::Connection connection_;
};

Garage& GarageOf(int readingsPerCar) {
    static std::map<int, std::unique_ptr<Garage>> garages;
    auto& garage = garages[readingsPerCar];
    if (!garage) garage = std::make_unique<Garage>(readingsPerCar);
    return *garage;
}

void BM_LoadCarsWithRatesAndCurrentOdometers(benchmark::State& state) {
    jv::FixedClock clock(jv::DateTime(2060, 1, 1, 12, 0, 0));
    jv::ScopedClock scoped(clock);
    Garage& garage = GarageOf(static_cast<int>(state.range(0)));
    CUserPreferences prefs;
    for (auto _ : state) {
        CCarsDB cars(garage.connection());
        if (!cars.getCars("%", prefs)) state.SkipWithError("getCars failed");
        cars.getCurrentOdometers(prefs);
        benchmark::DoNotOptimize(cars.m_cars.data());
    }
    state.counters["readings"] = static_cast<double>(state.range(0)) * kCars;
}
BENCHMARK(BM_LoadCarsWithRatesAndCurrentOdometers)->Arg(500)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
