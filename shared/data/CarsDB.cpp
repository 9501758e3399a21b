#include "shared/data/CarsDB.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <utility>

#include "platform/base/Clock.h"
#include "platform/db/DbError.h"
#include "shared/core/TraceLog.h"
#include "shared/data/MaintenancePlanDatabaseObject.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/SqlValue.h"
#include "shared/data/UserPreferences.h"

namespace {

constexpr auto kWording = QueryErrorWording::Lowercase;

std::mt19937& Random() {
    static std::mt19937 generator{std::random_device{}()};
    return generator;
}

// A new random (version 4) GUID in the text form VehicleIDs have always had.
std::string NewGuid() {
    std::uniform_int_distribution<unsigned> byte(0, 255);
    unsigned char bytes[16];
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(byte(Random()));
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    char text[37];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8], bytes[9], bytes[10],
                  bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

std::string YesNo(bool value) {
    return value ? "-1" : "0";
}

bool CheckVehicleId(const char* method, const std::string& VehicleID) {
    if (sqlvalue::IsVehicleId(VehicleID)) return true;
    TraceLog(method, TRACE_ERROR, "Invalid vehicle id - " + VehicleID);
    return false;
}

// The columns a car's row is written with, each with its SQL value: texts cut to their
// columns, dates as date literals (left out when not valid, so the column keeps what it holds).
std::vector<std::pair<const char*, std::string>> CarColumns(const CCar& car) {
    std::vector<std::pair<const char*, std::string>> columns = {
        {"Name", sqlvalue::Quoted(car.Name, 30)},
        {"StyleID", sqlvalue::Quoted(car.StyleID)},
        {"MakeID", sqlvalue::Quoted(car.MakeID)},
        {"Make", sqlvalue::Quoted(car.Make, 30)},
        {"ModelID", sqlvalue::Quoted(car.ModelID)},
        {"Model", sqlvalue::Quoted(car.Model, 30)},
        {"Style", sqlvalue::Quoted(car.Style, 65)},
        {"StyleYear", std::to_string(car.StyleYear)},
        {"DriveType", sqlvalue::Quoted(car.DriveType, 50)},
        {"Engine", sqlvalue::Quoted(car.Engine, 50)},
        {"Transmission", sqlvalue::Quoted(car.Transmission, 50)},
        {"Region", sqlvalue::Quoted(car.Region, 50)},
        {"Custom", YesNo(car.Custom)},
        {"DrivingCondition", sqlvalue::Quoted(car.DrivingCondition, 1)},
        {"Notes", sqlvalue::Quoted(car.Notes)},
        {"VIN", sqlvalue::Quoted(car.VIN, 50)},
        {"Color", sqlvalue::Quoted(car.Color, 50)},
        {"PurchaseVendor", sqlvalue::Quoted(car.PurchaseVendor, 200)},
        {"PurchaseType", sqlvalue::Quoted(car.PurchaseType, 1)},
        {"PurchaseOrLease", sqlvalue::Quoted(car.PurchaseOrLease, 1)},
        {"PurchasePrice", sqlvalue::Number(car.PurchasePrice)},
        {"PurchaseOdometer", sqlvalue::Number(car.PurchaseOdometer)},
        {"Sold", YesNo(car.Sold)},
        {"SoldVendor", sqlvalue::Quoted(car.SoldVendor, 200)},
        {"SoldPrice", sqlvalue::Number(car.SoldPrice)},
        {"InsuranceProvider", sqlvalue::Quoted(car.InsuranceProvider, 50)},
        {"PolicyNumber", sqlvalue::Quoted(car.PolicyNumber, 30)},
        {"LicensePlate", sqlvalue::Quoted(car.LicensePlate, 20)},
    };
    if (car.PurchaseDate.IsValid()) columns.emplace_back("PurchaseDate", sqlvalue::Date(car.PurchaseDate));
    if (car.SoldDate.IsValid()) columns.emplace_back("SoldDate", sqlvalue::Date(car.SoldDate));
    return columns;
}

void ReadCar(const jv::db::Recordset& rs, CCar& car) {
    const auto text = [&rs](const char* name, std::string& field) {
        if (auto value = rs.GetText(name)) field = *value;
    };
    // The purchase and sale figures as stored, not rounded to a float.
    const auto number = [&rs](const char* name, double& field) {
        if (auto value = rs.GetDouble(name)) field = *value;
    };
    const auto date = [&rs](const char* name, jv::DateTime& field) {
        if (auto value = rs.GetDate(name)) {
            field = *value;
        } else {
            field = jv::DateTime::Null();
        }
    };
    const auto yes = [&rs](const char* name) { return rs.GetInt(name).value_or(0) == -1; };

    car.Name = rs.GetText("Name").value_or("");
    car.Selected = yes("Selected");
    car.VehicleID = rs.GetText("vehicleid").value_or("");
    text("MakeID", car.MakeID);
    text("Make", car.Make);
    text("ModelID", car.ModelID);
    text("Model", car.Model);
    text("Style", car.Style);
    text("StyleID", car.StyleID);
    car.Custom = yes("Custom");
    date("PurchaseDate", car.PurchaseDate);
    text("Notes", car.Notes);
    text("DrivingCondition", car.DrivingCondition);
    car.StyleYear = rs.GetInt("StyleYear").value_or(0);
    text("DriveType", car.DriveType);
    text("Engine", car.Engine);
    text("Transmission", car.Transmission);
    text("Region", car.Region);
    text("VIN", car.VIN);
    text("Color", car.Color);
    text("PurchaseVendor", car.PurchaseVendor);
    text("PurchaseType", car.PurchaseType);
    text("PurchaseOrLease", car.PurchaseOrLease);
    number("PurchasePrice", car.PurchasePrice);
    number("PurchaseOdometer", car.PurchaseOdometer);
    car.Sold = yes("Sold");
    date("SoldDate", car.SoldDate);
    text("SoldVendor", car.SoldVendor);
    text("InsuranceProvider", car.InsuranceProvider);
    text("PolicyNumber", car.PolicyNumber);
    text("LicensePlate", car.LicensePlate);
    number("SoldPrice", car.SoldPrice);
    if (auto plan = rs.GetInt("MaintenancePlanID")) car.MaintenancePlan.MaintenancePlanID = std::to_string(*plan);
}

}  // namespace

bool CCarsDB::getCars(std::string VehicleID, CUserPreferences& prefs) {
    constexpr const char* kMethod = "CCarsDB::getCars";
    if (!sqlvalue::IsVehicleIdPattern(VehicleID)) {
        TraceLog(kMethod, TRACE_ERROR, "Invalid vehicle id - " + VehicleID);
        return false;
    }
    std::string sql =
        "SELECT name, vehicleid, MakeID, Make, ModelID, Model, Style, StyleID, StyleYear, DriveType, Engine, "
        "Transmission, Region, Custom, DrivingCondition, Notes, VIN, Color, PurchaseDate, PurchaseVendor, "
        "PurchaseType, PurchaseOrLease, PurchasePrice, PurchaseOdometer, Sold, SoldDate, SoldVendor, SoldPrice, "
        "InsuranceProvider, PolicyNumber, LicensePlate, MaintenancePlanID, Selected FROM vehicles Where VehicleID like "
        "'" +
        VehicleID + "'";
    if (!prefs.ShowSoldCars) sql += " and Sold=0";
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return false;
        m_cars.clear();
        COdometerValuesDatabaseObject odometers(m_connection);
        for (; !rs.IsEOF(); rs.MoveNext()) {
            CCar car;
            ReadCar(rs, car);
            odometers.GetDailyRates(car, prefs);
            m_cars.push_back(car);
        }
        rs.Close();
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 345, sql, e, kWording);
        return false;
    }
}

std::string CCarsDB::getCarName(const std::string& VehicleID) const {
    for (const CCar& car : m_cars) {
        if (car.VehicleID == VehicleID) return car.Name;
    }
    return VehicleID == "%" ? "All Cars" : "";
}

bool CCarsDB::isCarNameUnique(std::string name) {
    // Names are stored cut to 30 characters, so that is what a new name must not repeat.
    const std::string sql = "SELECT vehicleid FROM vehicles Where Name = " + sqlvalue::Quoted(name, 30);
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return true;
        rs.Close();
        return false;
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CCarsDB::isCarNameUnique", 830, sql, e, kWording);
        return false;
    }
}

int CCarsDB::getCarCount(bool includeSold) {
    std::string sql = "SELECT count(vehicleid) as carcount FROM vehicles";
    if (!includeSold) sql += " Where Sold=0";
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return 0;
        const int count = rs.GetInt("carcount").value_or(0);
        rs.Close();
        return count;
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CCarsDB::getCarCount", 870, sql, e, kWording);
        return 0;
    }
}

bool CCarsDB::makeCustomStyleID(CCar& car) {
    std::uniform_int_distribution<int> number(0, 32767);
    std::string sql;
    try {
        // There are 32,768 such ids; give up long before trying forever.
        for (int attempt = 0; attempt < 100000; ++attempt) {
            char styleID[16];
            std::snprintf(styleID, sizeof styleID, "JV%06d", number(Random()));
            sql = std::string("select StyleID from vehicles where StyleID='") + styleID + "'";
            jv::db::Recordset rs = ExecuteQuery(sql);
            if (!rs.IsOpen()) throw jv::db::DbError("CCarsDB", "No recordset", "", sql);
            const bool taken = !rs.IsEOF();
            rs.Close();
            if (!taken) {
                car.StyleID = styleID;
                return true;
            }
        }
        TraceLog("CCarsDB::addCar", TRACE_ERROR, "No free style id for a custom car");
        return false;
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CCarsDB::addCar", 87, sql, e, kWording);
        return false;
    }
}

bool CCarsDB::addCar(CCar& car) {
    // The car, its plan and the plan's items are stored together or not at all; the custom style
    // id is checked free within the same step, so the other program cannot take it meanwhile.
    return SaveInOneStep([&] { return insertCar(car); }, "CCarsDB::addCar", 197, kWording);
}

bool CCarsDB::insertCar(CCar& car) {
    CMaintenancePlanDatabaseObject plans(m_connection);
    if (!plans.AddMaintenancePlan(car.MaintenancePlan)) return false;
    car.VehicleID = NewGuid();
    if (car.Custom && !makeCustomStyleID(car)) return false;

    std::string columns = "VehicleID, MaintenancePlanID";
    std::string values = sqlvalue::Quoted(car.VehicleID) + ", " + car.MaintenancePlan.MaintenancePlanID;
    for (const auto& [column, value] : CarColumns(car)) {
        columns += ", ";
        columns += column;
        values += ", " + value;
    }

    const std::string sql = "INSERT into vehicles (" + columns + ") values(" + values + ")";
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CCarsDB::addCar", 196, sql, e, kWording);
        return false;
    }
}

bool CCarsDB::updateCar(CCar& car) {
    if (!CheckVehicleId("CCarsDB::updateCar", car.VehicleID)) return false;
    // The car's row and its plan change together or not at all.
    return SaveInOneStep([&] { return rewriteCar(car); }, "CCarsDB::updateCar", 265, kWording);
}

bool CCarsDB::rewriteCar(CCar& car) {
    constexpr const char* kMethod = "CCarsDB::updateCar";
    std::string sql = "UPDATE Vehicles set ";
    const char* separator = "";
    for (const auto& [column, value] : CarColumns(car)) {
        sql += separator;
        sql += column;
        sql += "=" + value;
        separator = ", ";
    }
    sql += " where VehicleID=" + sqlvalue::Quoted(car.VehicleID);
    try {
        if (!ExecuteCommand(sql)) return false;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 264, sql, e, kWording);
        return false;
    }

    CMaintenancePlanDatabaseObject plans(m_connection);
    if (!car.MaintenancePlan.MaintenancePlanID.empty()) return plans.SaveMaintenancePlan(car.MaintenancePlan);
    // A plan fetched again for a stored car has no id yet: it replaces the car's plan. The old
    // plan and its items go, within the same step, so no plan is left that no car uses.
    std::string oldPlanID;
    if (!readMaintenancePlanID(car.VehicleID, oldPlanID)) return false;
    if (!plans.AddMaintenancePlan(car.MaintenancePlan) || !linkMaintenancePlan(car)) return false;
    return oldPlanID.empty() || oldPlanID == car.MaintenancePlan.MaintenancePlanID || deleteMaintenancePlan(oldPlanID);
}

bool CCarsDB::readMaintenancePlanID(const std::string& VehicleID, std::string& planID) {
    const std::string sql = "SELECT MaintenancePlanID FROM Vehicles where VehicleID=" + sqlvalue::Quoted(VehicleID);
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return false;
        if (!rs.IsEOF()) {
            if (auto id = rs.GetInt("MaintenancePlanID")) planID = std::to_string(*id);
        }
        rs.Close();
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CCarsDB::updateCar", 288, sql, e, kWording);
        return false;
    }
}

bool CCarsDB::deleteMaintenancePlan(const std::string& planID) {
    std::string sql;
    try {
        // Another car still on the plan keeps it.
        sql = "SELECT count(*) as users FROM Vehicles where MaintenancePlanID=" + planID;
        jv::db::Recordset rs = ExecuteQuery(sql);
        const bool used = rs.IsOpen() && !rs.IsEOF() && rs.GetInt("users").value_or(0) > 0;
        rs.Close();
        if (used) return true;
        sql = "DELETE from MaintenancePlanItems where MaintenancePlanID=" + planID;
        if (!ExecuteCommand(sql)) return false;
        sql = "DELETE from MaintenancePlan where MaintenancePlanID=" + planID;
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CCarsDB::updateCar", 289, sql, e, kWording);
        return false;
    }
}

bool CCarsDB::linkMaintenancePlan(const CCar& car) {
    const std::string sql = "UPDATE Vehicles set MaintenancePlanID=" + car.MaintenancePlan.MaintenancePlanID +
                            " where VehicleID=" + sqlvalue::Quoted(car.VehicleID);
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CCarsDB::updateCar", 290, sql, e, kWording);
        return false;
    }
}

bool CCarsDB::soldCar(const std::string& VehicleID, const std::string& soldDate, const std::string& soldPrice,
                      const std::string& soldVendor) {
    constexpr const char* kMethod = "CCarsDB::soldCar";
    if (!CheckVehicleId(kMethod, VehicleID)) return false;
    std::string sql = "UPDATE Vehicles set";
    if (!soldDate.empty()) {
        const auto date = sqlvalue::ParseDate(soldDate);
        if (!date) {
            TraceLog(kMethod, TRACE_ERROR, "Invalid date - " + soldDate);
            return false;
        }
        sql += " SoldDate=" + sqlvalue::Date(*date) + ",";
    }
    if (!soldPrice.empty()) {
        const auto price = sqlvalue::ParseSingle(soldPrice);
        if (!price) {
            TraceLog(kMethod, TRACE_ERROR, "Invalid price - " + soldPrice);
            return false;
        }
        sql += " SoldPrice=" + sqlvalue::Number(*price) + ",";
    }
    sql += " SoldVendor=" + sqlvalue::Quoted(soldVendor, 200) + ", Sold=-1 where VehicleID='" + VehicleID + "'";
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 598, sql, e, kWording);
        return false;
    }
}

bool CCarsDB::deleteCar(const std::string& VehicleID) {
    constexpr const char* kMethod = "CCarsDB::deleteCar";
    if (!CheckVehicleId(kMethod, VehicleID)) return false;
    static const char* const kStatements[] = {
        "DELETE from Accidents where VehicleID='",
        "DELETE from Expenses where VehicleID='",
        "DELETE from ServiceItems where ServiceID in (SELECT ServiceID from Services where VehicleID='",
        "DELETE from Services where VehicleID='",
        "DELETE from Trips where VehicleID='",
        "DELETE from MaintenancePlanItems where MaintenancePlanID in (SELECT MaintenancePlanID from Vehicles where "
        "VehicleID='",
        "DELETE from MaintenancePlan where MaintenancePlanID in (SELECT MaintenancePlanID from Vehicles where "
        "VehicleID='",
        "DELETE from FuelPurchases where VehicleID='",
        "DELETE from OdometerValues where VehicleID='",
        "DELETE from Vehicles where VehicleID='",
    };
    std::string sql;
    try {
        BeginTransaction();
        for (const char* statement : kStatements) {
            sql = statement + VehicleID + "'";
            if (std::strstr(statement, "(SELECT") != nullptr) sql += ")";
            if (!ExecuteCommand(sql)) {
                RollbackTransaction();
                return false;
            }
        }
        CommitTransaction();
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 799, sql, e, QueryErrorWording::Capitalised);
        try {
            RollbackTransaction();
        } catch (const jv::db::DbError&) {
            // The transaction is gone already; nothing was committed.
        }
        return false;
    }
}

bool CCarsDB::getOdometerAtDate(CCar& car, COdometerValue& value, CUserPreferences& /*prefs*/) {
    // A date that is not valid has no odometer; the span to it would read as 0 days.
    if (!value.OdometerDate.IsValid()) return false;
    COdometerValuesDatabaseObject odometers(m_connection);
    if (odometers.GetOdometerValue(car.VehicleID, value.OdometerDate, value)) return true;
    COdometerValue last;
    if (!odometers.GetLastOdometerValue(car.VehicleID, last)) return false;
    return estimateFromLast(car, last, value);
}

bool CCarsDB::estimateFromLast(const CCar& car, const COdometerValue& last, COdometerValue& value) {
    if (car.ForwardRate == 0.0f) return false;
    const double days = COdometerValuesDatabaseObject::WholeDays(value.OdometerDate - last.OdometerDate);
    const double odometer = last.OdometerValue + days * car.ForwardRate;
    value.OdometerValue = odometer > 0.0 ? static_cast<float>(odometer) : 0.0f;
    return true;
}

void CCarsDB::getCurrentOdometers(CUserPreferences& /*prefs*/) {
    const jv::DateTime now = jv::CurrentClock().Now();
    COdometerValuesDatabaseObject odometers(m_connection);
    for (CCar& car : m_cars) {
        COdometerValue last;
        if (!odometers.GetLastOdometerValue(car.VehicleID, last)) continue;
        if (COdometerValuesDatabaseObject::WholeDays(now - last.OdometerDate) >= 1.0) {
            // No reading can be dated today, as the last one is a day old or more.
            COdometerValue estimate;
            estimate.OdometerDate = now;
            if (estimateFromLast(car, last, estimate)) {
                car.CurrentOdometer = estimate.OdometerValue;
                car.OdometerEstimated = true;
            }
        } else {
            car.CurrentOdometer = last.OdometerValue;
            car.OdometerEstimated = false;
        }
        if (car.PurchaseOdometer == -1.0 && car.PurchaseDate.IsValid()) {
            COdometerValue purchase;
            if (odometers.GetOdometerValue(car.VehicleID, car.PurchaseDate, purchase)) {
                car.PurchaseOdometer = purchase.OdometerValue;
            }
        }
    }
}
