#include "bench/DirectStatements.h"

#include <cmath>
#include <stdexcept>

DirectStatements::DirectStatements(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        throw std::runtime_error("cannot open " + path);
    }
    cars_ = Prepare("SELECT VehicleID, MaintenancePlanID FROM Vehicles WHERE Sold = 0 ORDER BY Name");
    bounds_ = Prepare(
        "SELECT (SELECT min(OdometerDate) FROM OdometerValues WHERE VehicleID = ?1),"
        " (SELECT min(OdometerValue) FROM OdometerValues WHERE VehicleID = ?1),"
        " (SELECT max(OdometerDate) FROM OdometerValues WHERE VehicleID = ?1),"
        " (SELECT max(OdometerValue) FROM OdometerValues WHERE VehicleID = ?1)");
    costs_[0] = Prepare("SELECT sum(Cost), min(FuelPurchaseDate) FROM FuelPurchases WHERE VehicleID = ?1");
    costs_[1] = Prepare("SELECT sum(Cost), min(ServiceDate) FROM Services WHERE VehicleID = ?1 AND Skipped = 0");
    costs_[2] = Prepare("SELECT sum(Cost), min(ExpenseDate) FROM Expenses WHERE VehicleID = ?1");
    fuel_ =
        Prepare("SELECT Volume, Distance, Fillup FROM FuelPurchases WHERE VehicleID = ?1 ORDER BY FuelPurchaseDate");
    items_ = Prepare(
        "SELECT MaintenancePlanItemID, INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH FROM "
        "MaintenancePlanItems WHERE MaintenancePlanID = ?1 AND Skip = 0");
    latestService_ = Prepare(
        "SELECT s.ServiceDate, s.Odometer FROM ServiceItems si JOIN Services s ON s.ServiceID = si.ServiceID WHERE "
        "si.MaintenancePlanItemID = ?1 ORDER BY s.ServiceDate DESC LIMIT 1");
    valueBelow_ = Prepare(
        "SELECT OdometerDate, OdometerValue FROM OdometerValues WHERE VehicleID = ?1 AND OdometerValue <= ?2 ORDER BY "
        "OdometerValue DESC LIMIT 1");
    valueAbove_ = Prepare(
        "SELECT OdometerDate, OdometerValue FROM OdometerValues WHERE VehicleID = ?1 AND OdometerValue > ?2 ORDER BY "
        "OdometerValue LIMIT 1");
}

DirectStatements::~DirectStatements() {
    for (sqlite3_stmt* stmt : statements_) sqlite3_finalize(stmt);
    sqlite3_close(db_);
}

sqlite3_stmt* DirectStatements::Prepare(const char* sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) {
        throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in " + sql);
    }
    statements_.push_back(stmt);
    return stmt;
}

bool DirectStatements::One(sqlite3_stmt* stmt, const Car& car, double number, bool withNumber) {
    sqlite3_reset(stmt);
    sqlite3_bind_text(stmt, 1, car.id.data(), static_cast<int>(car.id.size()), SQLITE_STATIC);
    if (withNumber) sqlite3_bind_double(stmt, 2, number);
    return sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL;
}

void DirectStatements::LoadCars() {
    list_.clear();
    sqlite3_reset(cars_);
    while (sqlite3_step(cars_) == SQLITE_ROW) {
        Car car;
        car.id = reinterpret_cast<const char*>(sqlite3_column_text(cars_, 0));
        car.plan = sqlite3_column_int(cars_, 1);
        if (One(bounds_, car, 0, false)) {
            car.firstDate = Column(bounds_, 0);
            car.firstValue = Column(bounds_, 1);
            car.lastDate = Column(bounds_, 2);
            car.lastValue = Column(bounds_, 3);
            const double days = car.lastDate - car.firstDate;
            car.dailyRate = days > 0 ? (car.lastValue - car.firstValue) / days : 0;
        }
        list_.push_back(car);
    }
}

size_t DirectStatements::CarList(double today) {
    LoadCars();
    size_t figures = 0;
    double sink = 0;
    for (const Car& car : list_) {
        sink += car.dailyRate * 365.25 + car.lastValue;  // distance per year, current odometer
        double total = 0, first = today;
        for (sqlite3_stmt* costs : costs_) {
            if (!One(costs, car, 0, false)) continue;
            total += Column(costs, 0);
            if (sqlite3_column_type(costs, 1) != SQLITE_NULL) first = std::fmin(first, Column(costs, 1));
        }
        sink += today - first >= 1 ? total / ((today - first) / 365.25) : 0;
        // Fuel economy: distance over volume between fill-ups.
        double pendingDistance = 0, pendingVolume = 0, distance = 0, volume = 0;
        bool started = false;
        sqlite3_reset(fuel_);
        sqlite3_bind_text(fuel_, 1, car.id.data(), static_cast<int>(car.id.size()), SQLITE_STATIC);
        while (sqlite3_step(fuel_) == SQLITE_ROW) {
            const double v = Column(fuel_, 0), d = Column(fuel_, 1);
            if (d > 0 && v > 0) {
                if (started) {
                    pendingDistance += d;
                    pendingVolume += v;
                }
                if (sqlite3_column_int(fuel_, 2) != 0) {
                    if (started) {
                        distance += pendingDistance;
                        volume += pendingVolume;
                    }
                    pendingDistance = pendingVolume = 0;
                    started = true;
                }
            } else {
                pendingDistance = pendingVolume = 0;
            }
        }
        sink += volume > 0 ? distance / volume : 0;
        figures += 5;
    }
    return sink != 0 ? figures : figures + 1;
}

size_t DirectStatements::Reminders(double today, double until) {
    LoadCars();
    size_t due = 0;
    for (const Car& car : list_) {
        sqlite3_reset(items_);
        sqlite3_bind_int(items_, 1, car.plan);
        while (sqlite3_step(items_) == SQLITE_ROW) {
            const double initialMileage = Column(items_, 1), initialMonth = Column(items_, 2);
            const double intervalMileage = Column(items_, 3), intervalMonth = Column(items_, 4);
            double baseDate = car.firstDate, baseOdometer = car.firstValue;
            bool serviced = false;
            sqlite3_reset(latestService_);
            sqlite3_bind_int(latestService_, 1, sqlite3_column_int(items_, 0));
            if (sqlite3_step(latestService_) == SQLITE_ROW) {
                baseDate = Column(latestService_, 0);
                baseOdometer = Column(latestService_, 1);
                serviced = true;
            }
            const double months = serviced ? intervalMonth : initialMonth;
            const double mileage = serviced ? intervalMileage : initialMileage;
            double dueDate = months != 0 ? baseDate + months * 30.44 : INFINITY;
            if (mileage != 0) {
                const double odometer = baseOdometer + mileage;
                // The readings either side of the due odometer, interpolated or extrapolated.
                const bool below = One(valueBelow_, car, odometer, true);
                const bool above = One(valueAbove_, car, odometer, true);
                double byDistance = INFINITY;
                if (below && above) {
                    const double d0 = Column(valueBelow_, 0), v0 = Column(valueBelow_, 1);
                    const double d1 = Column(valueAbove_, 0), v1 = Column(valueAbove_, 1);
                    byDistance = v1 > v0 ? d0 + (odometer - v0) * (d1 - d0) / (v1 - v0) : d0;
                } else if (below && car.dailyRate > 0) {
                    byDistance = Column(valueBelow_, 0) + (odometer - Column(valueBelow_, 1)) / car.dailyRate;
                } else if (above) {
                    byDistance = Column(valueAbove_, 0);
                }
                dueDate = std::fmin(dueDate, byDistance);
            }
            if (dueDate <= until && dueDate > today - 100000) ++due;
        }
    }
    return due;
}
