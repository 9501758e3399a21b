#include "shared/registers/CarsOverviewDB.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

#include "platform/base/Clock.h"
#include "platform/db/DbError.h"
#include "platform/db/JetTranslator.h"
#include "platform/db/Rows.h"
#include "shared/core/NumberUtils.h"
#include "shared/core/TraceLog.h"
#include "shared/data/Car.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/RegisterQuery.h"
#include "shared/data/SqlValue.h"
#include "shared/data/UserPreferences.h"
#include "shared/registers/FuelRegisterDatabaseObject.h"

namespace {

const char* const kNotAvailable = "N/A";

// "Now" as the statistics count it: the local time in whole seconds.
jv::DateTime NowInWholeSeconds() {
    const jv::DateTime now = jv::CurrentClock().Now();
    int year, month, day, hour, minute, second;
    if (!now.Split(year, month, day, hour, minute, second)) return now;
    return jv::DateTime(year, month, day, hour, minute, second);
}

// The index of the first car whose VehicleID is `id`, ignoring case as the database does; -1
// when none is.
int FindCar(const std::vector<CCar>& cars, const std::string& id) {
    for (size_t i = 0; i < cars.size(); ++i) {
        if (strcasecmp(cars[i].VehicleID.c_str(), id.c_str()) == 0) return static_cast<int>(i);
    }
    return -1;
}

// What the cost computation gathers for one car while it runs.
struct CarTally {
    float costSum = 0.0f;
    float lowestOdometer = 0.0f;
    jv::DateTime firstCostDate;
};


// The date in `column` of the current row: a day number as this program stores it, or a date
// another program stored as text, read as any date; invalid when the row has none. Text that is
// no date gives nothing.
std::optional<jv::DateTime> RowDate(const jv::db::Rows& rows, int column, const char* name) {
    switch (rows.Type(column)) {
        case jv::db::Recordset::Integer:
        case jv::db::Recordset::Real:
            return jv::DateTime(jv::DateTime::FromLinear(rows.Number(column)));
        case jv::db::Recordset::Null:
            return jv::DateTime::Invalid();
        default:
            break;
    }
    const auto day = jv::db::JetTranslator::DayNumber(rows.Row().GetText(name).value_or(""));
    if (!day) return std::nullopt;
    return jv::DateTime(jv::DateTime::FromLinear(*day));
}

// Tells the trace log that the current row, found by its `key`, is left out of `what` for its date.
void LeaveOut(const std::string& method, const char* table, const jv::db::Rows& rows, const char* key,
              const char* date, const char* what) {
    TraceLog(method, TRACE_WARNING,
             std::string(table) + " row " + rows.Row().GetText(key).value_or("") +
                 " left out of the " + what + ": its " + date + " \"" + rows.Row().GetText(date).value_or("") +
                 "\" is no date.");
}

}  // namespace

CCarsOverviewDB::CCarsOverviewDB(jv::db::Connection connection) : CDatabaseObject(std::move(connection)) {}

CCarsOverviewDB::CCarsOverviewDB(jv::db::Connection connection, const jv::NumberFormat& format)
    : CDatabaseObject(std::move(connection)), m_format(format) {}

std::string CCarsOverviewDB::Show(double value, int digits) const {
    std::string text;
    if (m_format) return DoubleToLocaleString(text, value, digits, *m_format);
    return DoubleToLocaleString(text, value, digits);
}

void CCarsOverviewDB::getDistancePerTime(std::vector<CCar>& cars, const std::string& unit,
                                         const CUserPreferences& prefs) {
    m_DistancePerTime.assign(cars.size(), "0");
    COdometerValuesDatabaseObject readings(GetConnection());
    for (size_t i = 0; i < cars.size(); ++i) {
        m_DistancePerTime[i] = Show(readings.GetDistanceRate(cars[i], unit, prefs, true), 0);
    }
}

bool CCarsOverviewDB::getCostPerUnit(std::vector<CCar>& cars, std::string unit) {
    const std::string method = "CCarsOverviewDB::getCostPerUnit";
    m_CostPerUnit.assign(cars.size(), "0");
    m_TotalCost.assign(cars.size(), "0");
    if (cars.empty()) return false;

    if (!m_connection.IsOpen()) return false;
    const jv::DateTime now = NowInWholeSeconds();
    std::vector<CarTally> tallies(cars.size(), CarTally{0.0f, 0.0f, now});

    // Each total is one car's rows summed by the engine, found through the car's index; a car
    // listed twice (its id in another case) counts once, at its first place in the list.
    struct CostStatement {
        const char* total;
        const char* select;
        const char* where;
        int line;
    };
    const CostStatement statements[] = {
        {"TotalFuel", "SELECT sum(Cost) as TotalFuel, min(FuelPurchaseDate) as MinDate FROM FuelPurchases", "", 89},
        {"TotalService", "SELECT sum(Cost) as TotalService, min(ServiceDate) as MinDate FROM Services",
         " and Skipped=0", 150},
        {"TotalMisc", "SELECT sum(Cost) as TotalMisc, min(ExpenseDate) as MinDate FROM Expenses", "", 215},
    };
    for (size_t i = 0; i < cars.size(); ++i) {
        if (FindCar(cars, cars[i].VehicleID) != static_cast<int>(i)) continue;
        const std::string car = " where VehicleID=" + sqlvalue::Quoted(cars[i].VehicleID);
        CarTally& tally = tallies[i];
        for (const CostStatement& statement : statements) {
            const std::string sql = statement.select + car + statement.where;
            try {
                for (jv::db::Rows rows = m_connection.Query(sql); rows.Next();) {
                    const jv::db::Recordset& rs = rows.Row();
                    // A car without rows of the kind sums to nothing and adds nothing.
                    if (rs.IsNull(statement.total) && rs.IsNull("MinDate")) continue;
                    tally.costSum += static_cast<float>(rs.GetDouble(statement.total).value_or(0.0));
                    // The first cost of any kind starts the span the costs are spread over.
                    const std::optional<jv::DateTime> first = rs.GetDate("MinDate");
                    if (first && first->IsValid() && *first < tally.firstCostDate) tally.firstCostDate = *first;
                }
            } catch (const jv::db::DbError& e) {
                ReportQueryError(method, statement.line, sql, e);
                return false;
            }
        }
        if (unit == "Distance") {
            const std::string sql = "SELECT min(OdometerValue) as MinO FROM OdometerValues" + car;
            try {
                for (jv::db::Rows rows = m_connection.Query(sql); rows.Next();) {
                    tally.lowestOdometer = static_cast<float>(rows.Row().GetDouble("MinO").value_or(0.0));
                }
            } catch (const jv::db::DbError& e) {
                ReportQueryError(method, 283, sql, e);
                return false;
            }
        }
    }

    for (size_t i = 0; i < cars.size(); ++i) {
        const CarTally& tally = tallies[i];
        std::optional<float> value;
        if (unit == "Distance") {
            const float distance = cars[i].CurrentOdometer - tally.lowestOdometer;
            if (distance != 0.0f) value = tally.costSum / distance;
        } else if (const double span = now - tally.firstCostDate; span >= 1.0) {
            const double days = COdometerValuesDatabaseObject::WholeDays(span);
            if (unit == "Year") {
                value = static_cast<float>(tally.costSum / static_cast<float>(days / 365.25));
            } else if (unit == "Month") {
                value = static_cast<float>(tally.costSum / static_cast<float>(days / 30.44));
            } else if (unit == "Week") {
                value = static_cast<float>(tally.costSum / static_cast<float>(days / 7.0));
            } else if (unit == "Day") {
                value = static_cast<float>(tally.costSum / days);
            }
        }
        m_CostPerUnit[i] = value && *value != 0.0f ? Show(*value, 2) : kNotAvailable;
        m_TotalCost[i] = Show(tally.costSum, 2);
    }
    return true;
}

void CCarsOverviewDB::getFuelEconomy(std::vector<CCar>& cars) {
    m_FuelEconomy.assign(cars.size(), "0");
    for (size_t i = 0; i < cars.size(); ++i) {
        // Only the columns the count needs: a garage holds thousands of purchases per car.
        const std::string sql = "SELECT Volume, Distance, FillUp FROM FuelPurchases where VehicleID=" +
                                sqlvalue::Quoted(cars[i].VehicleID) + " order by FuelPurchaseDate";
        // Only the purchases from one fill-up to the next tell how far a tank went: the first
        // fill-up starts the count and a purchase without distance or volume breaks it.
        double pendingDistance = 0.0, pendingVolume = 0.0;
        double totalDistance = 0.0, totalVolume = 0.0;
        bool started = false;
        try {
            if (!m_connection.IsOpen()) return;
            // The fields by their place in the statement: Volume, Distance, FillUp.
            for (jv::db::Rows rows = m_connection.Query(sql); rows.Next();) {
                const double distance = rows.GetDouble(1).value_or(0.0);
                const double volume = rows.GetDouble(0).value_or(0.0);
                if (distance > 0.0 && volume > 0.0) {
                    if (started) {
                        pendingDistance += distance;
                        pendingVolume += volume;
                    }
                    if (rows.GetDouble(2).value_or(0.0) != 0.0) {
                        if (started) {
                            totalDistance += pendingDistance;
                            totalVolume += pendingVolume;
                        }
                        pendingDistance = pendingVolume = 0.0;
                        started = true;
                    }
                } else {
                    pendingDistance = pendingVolume = 0.0;
                }
            }
        } catch (const jv::db::DbError& e) {
            ReportQueryError("CCarsOverviewDB::getFuelEconomy", 430, sql, e);
            return;
        }
        m_FuelEconomy[i] = totalVolume == 0.0 ? kNotAvailable : Show(totalDistance / totalVolume, 1);
    }
}

bool CCarsOverviewDB::getCostHistory(const std::string& VehicleID, std::vector<CCarCost>& costs) {
    const std::string method = "CCarsOverviewDB::getCostHistory";
    if (!sqlvalue::IsVehicleId(VehicleID)) {
        TraceLog(method, TRACE_ERROR, "Invalid vehicle id - " + VehicleID);
        return false;
    }
    if (!m_connection.IsOpen()) return false;
    // Each register's rows read in the order of the car's index by date, the three merged here: a
    // car of thousands of entries gives its history without the engine sorting them all again.
    struct CostRegister {
        const char* table;
        const char* key;
        const char* date;
    };
    const CostRegister registers[] = {{"FuelPurchases", "FuelPurchaseID", "FuelPurchaseDate"},
                                      {"Services", "ServiceID", "ServiceDate"},
                                      {"Expenses", "ExpenseID", "ExpenseDate"}};
    // Rows without a date first, as the engine orders them.
    const auto earlier = [](const CCarCost& a, const CCarCost& b) {
        if (!a.CostDate.IsValid() || !b.CostDate.IsValid()) return !a.CostDate.IsValid() && b.CostDate.IsValid();
        return jv::DateTime::ToLinear(a.CostDate.Days()) < jv::DateTime::ToLinear(b.CostDate.Days());
    };
    const size_t first = costs.size();
    for (const CostRegister& cost : registers) {
        const std::string sql = std::string("SELECT ") + cost.key + ", " + cost.date + ", Odometer, Cost FROM " +
                                cost.table + " where VehicleID=" + sqlvalue::Quoted(VehicleID) + " order by " +
                                cost.date;
        const size_t start = costs.size();
        try {
            for (jv::db::Rows rows = m_connection.Query(sql); rows.Next();) {
                const std::optional<jv::DateTime> date = RowDate(rows, 1, cost.date);
                if (!date) {
                    LeaveOut(method, cost.table, rows, cost.key, cost.date, "cost graph");
                    continue;
                }
                CCarCost row;
                row.CostDate = *date;
                row.Odometer = static_cast<float>(rows.GetDouble(2).value_or(0.0));
                row.Cost = static_cast<float>(rows.GetDouble(3).value_or(0.0));
                costs.push_back(row);
            }
        } catch (const jv::db::DbError& e) {
            ReportQueryError(method, 584, sql, e);
            costs.resize(first);
            return false;
        }
        const auto run = costs.begin() + static_cast<std::ptrdiff_t>(start);
        // Dates stored as text come after the numbers in the engine's order.
        if (!std::is_sorted(run, costs.end(), earlier)) std::stable_sort(run, costs.end(), earlier);
        std::inplace_merge(costs.begin() + static_cast<std::ptrdiff_t>(first), run, costs.end(), earlier);
    }
    return true;
}

bool CCarsOverviewDB::getFuelEconomyHistory(const std::string& VehicleID, const CUserPreferences& prefs,
                                            std::vector<CFuelPurchase>& purchases) {
    const std::string method = "CCarsOverviewDB::getFuelEconomyHistory";
    if (!sqlvalue::IsVehicleId(VehicleID)) {
        TraceLog(method, TRACE_ERROR, "Invalid vehicle id - " + VehicleID);
        return false;
    }
    if (!m_connection.IsOpen()) return false;
    // The fuel register's rows and order, only the columns the graph counts, read by their place
    // as the engine steps to them: a car of thousands of purchases is read without holding them
    // all twice, and without a copy of the car's id for each.
    const RegisterListing& listing = CFuelRegisterDatabaseObject::Listing();
    const std::string sql = CRegisterQuery(m_connection, listing, VehicleID, prefs)
                                .SelectAll("FuelPurchaseID, FuelPurchaseDate, FillUp, Volume, Distance");
    try {
        // Room for them all at once: the count comes from the car's index alone.
        for (jv::db::Rows rows = m_connection.Query("SELECT COUNT(*) FROM FuelPurchases WHERE VehicleID = " +
                                                    sqlvalue::Quoted(VehicleID));
             rows.Next();) {
            purchases.reserve(purchases.size() + static_cast<size_t>(rows.GetDouble(0).value_or(0.0)));
        }
        for (jv::db::Rows rows = m_connection.Query(sql); rows.Next();) {
            const std::optional<jv::DateTime> date = RowDate(rows, 1, "FuelPurchaseDate");
            if (!date) {
                LeaveOut(method, listing.table, rows, listing.key, "FuelPurchaseDate", "fuel economy graph");
                continue;
            }
            CFuelPurchase purchase;
            purchase.SetFuelPurchaseID(static_cast<int>(rows.GetDouble(0).value_or(0.0)));
            purchase.SetFuelPurchaseDate(*date);
            purchase.SetFillUp(std::nearbyint(rows.GetDouble(2).value_or(0.0)) == -1.0);
            purchase.SetVolume(static_cast<float>(rows.GetDouble(3).value_or(0.0)));
            purchase.SetDistance(static_cast<float>(rows.GetDouble(4).value_or(0.0)));
            purchases.push_back(purchase);
        }
    } catch (const jv::db::DbError& e) {
        ReportQueryError(listing.method, listing.line, sql, e, listing.wording);
        return false;
    }
    return true;
}
