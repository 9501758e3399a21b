#include "shared/data/OdometerValuesDatabaseObject.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <tuple>
#include <utility>

#include "platform/base/Clock.h"
#include "platform/db/DbError.h"
#include "shared/core/TraceLog.h"
#include "shared/data/Car.h"
#include "shared/data/CarChanges.h"
#include "shared/data/SqlValue.h"
#include "shared/data/UserPreferences.h"

namespace {

constexpr auto kWording = QueryErrorWording::Capitalised;
constexpr double kHalfSecond = 5.787037037037037e-06;  // of a day
// Beyond this many days a date would leave the range dates can hold.
constexpr double kLargestSpan = 3615897.0;

bool CheckVehicleId(const char* method, const std::string& VehicleID) {
    if (sqlvalue::IsVehicleId(VehicleID)) return true;
    TraceLog(method, TRACE_ERROR, "Invalid vehicle id - " + VehicleID);
    return false;
}

// The date a span of days away, or an invalid date when the span is not a usable number.
jv::DateTime AddSpan(const jv::DateTime& date, double span) {
    if (!std::isfinite(span) || std::fabs(span) > kLargestSpan) return jv::DateTime::Invalid();
    return date + span;
}

// One car's rows. A checked VehicleID holds no wildcard, so equality finds what "like" would,
// and lets the engine go straight to the car's rows through the index.
std::string WhereVehicle(const std::string& VehicleID) {
    return "WHERE VehicleID = '" + VehicleID + "'";
}

// Aggregates of one car's readings, each as a subquery of its own, so that each is one step
// into an index (dates: OdometerValuesByVehicle, values: OdometerValuesByValue) however many
// readings the car has; several aggregates in one SELECT would read every reading of the car.
std::string CarAggregates(const std::string& VehicleID,
                          std::initializer_list<std::pair<const char*, const char*>> aggregates) {
    std::string sql = "SELECT ";
    for (const auto& [aggregate, name] : aggregates) {
        if (sql.size() > 7) sql += ", ";
        sql += std::string("(SELECT ") + aggregate + " FROM OdometerValues " + WhereVehicle(VehicleID) + ") as " + name;
    }
    return sql;
}

// Beyond this a whole number read as a double may not be the number stored.
constexpr double kLargestExactWhole = 9007199254740992.0;

}  // namespace

struct COdometerValuesDatabaseObject::CarReadings {
    bool ordered = false;
    // The bounds worked out so far, by (byDate, side, key).
    struct Bound {
        bool found = false;
        jv::DateTime date;
        float value = 0.0f;
    };
    mutable std::map<std::tuple<bool, Side, double>, Bound> bounds;
};

double COdometerValuesDatabaseObject::WholeDays(double span) {
    return std::trunc(span + (span < 0 ? -kHalfSecond : kHalfSecond));
}

bool COdometerValuesDatabaseObject::IsOdometerValueValid(const std::string& odometerValueID,
                                                         const std::string& VehicleID, const std::string& /*dateText*/,
                                                         const std::string& valueText) {
    const auto value = sqlvalue::ParseNumber(valueText);
    if (!value || !sqlvalue::IsVehicleId(VehicleID) ||
        (!odometerValueID.empty() && !sqlvalue::IsRecordId(odometerValueID))) {
        return false;
    }
    std::string sql = "SELECT OdometerDate FROM OdometerValues  " + WhereVehicle(VehicleID) +
                      " AND OdometerValue = " + sqlvalue::Number(*value);
    if (!odometerValueID.empty()) sql += " AND OdometerValueID <> " + odometerValueID;
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return true;
        const bool unique = rs.IsEOF();
        rs.Close();
        return unique;
    } catch (const jv::db::DbError& e) {
        ReportQueryError("COdometerValuesDatabaseObject::IsOdometerValueValid", 111, sql, e, kWording);
        return false;
    }
}

bool COdometerValuesDatabaseObject::AddOdometerValue(const std::string& VehicleID, const std::string& dateText,
                                                     const std::string& valueText) {
    constexpr const char* kMethod = "COdometerValuesDatabaseObject::AddOdometerValue";
    const auto value = sqlvalue::ParseSingle(valueText);
    if (!value) {
        TraceLog(kMethod, TRACE_ERROR, "Invalid odometer value - " + valueText);
        return false;
    }
    const auto date = sqlvalue::ParseDate(dateText);
    if (!date) {
        TraceLog(kMethod, TRACE_ERROR, "Invalid date - " + dateText);
        return false;
    }
    if (!CheckVehicleId(kMethod, VehicleID)) return false;
    if (!IsOdometerValueValid("", VehicleID, dateText, valueText)) return false;
    const std::string sql = "Insert into OdometerValues (VehicleID, OdometerDate, OdometerValue) values('" + VehicleID +
                            "', " + sqlvalue::Date(*date) + ", " + sqlvalue::Number(*value) + ")";
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 76, sql, e, kWording);
        return false;
    }
}

bool COdometerValuesDatabaseObject::UpdateOdometerValue(const std::string& odometerValueID,
                                                        const std::string& VehicleID, const std::string& dateText,
                                                        const std::string& valueText) {
    constexpr const char* kMethod = "COdometerValuesDatabaseObject::UpdateOdometerValue";
    const auto date = sqlvalue::ParseDate(dateText);
    if (!date) {
        TraceLog(kMethod, TRACE_ERROR, "Invalid date - " + dateText);
        return false;
    }
    const auto value = sqlvalue::ParseSingle(valueText);
    if (!value) {
        TraceLog(kMethod, TRACE_ERROR, "Invalid odometer value - " + valueText);
        return false;
    }
    if (!sqlvalue::IsRecordId(odometerValueID)) {
        TraceLog(kMethod, TRACE_ERROR, "Invalid odometer value id - " + odometerValueID);
        return false;
    }
    if (!CheckVehicleId(kMethod, VehicleID)) return false;
    if (!IsOdometerValueValid(odometerValueID, VehicleID, dateText, valueText)) return false;
    const std::string sql = "Update OdometerValues set VehicleID='" + VehicleID +
                            "', OdometerDate=" + sqlvalue::Date(*date) + ", OdometerValue=" + sqlvalue::Number(*value) +
                            " Where OdometerValueID=" + odometerValueID;
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 174, sql, e, kWording);
        return false;
    }
}

bool COdometerValuesDatabaseObject::DeleteOdometerValue(const std::string& odometerValueID) {
    constexpr const char* kMethod = "COdometerValuesDatabaseObject::DeleteOdometerValue";
    if (!sqlvalue::IsRecordId(odometerValueID)) {
        TraceLog(kMethod, TRACE_ERROR, "Invalid odometer value id - " + odometerValueID);
        return false;
    }
    const std::string sql = "Delete from OdometerValues where OdometerValueID=" + odometerValueID;
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 488, sql, e, kWording);
        return false;
    }
}

bool COdometerValuesDatabaseObject::DeleteOdometerValue(const std::string& VehicleID, const std::string& dateText,
                                                        double value) {
    if (VehicleID.empty() || dateText.empty()) return false;
    const auto date = sqlvalue::ParseDate(dateText);
    if (!date) {
        TraceLog("COdometerValuesDatabaseObject::DeleteOdometerValue", TRACE_ERROR, "Invalid date - " + dateText);
        return false;
    }
    return DeleteOdometerValue(VehicleID, *date, value);
}

bool COdometerValuesDatabaseObject::DeleteOdometerValue(const std::string& VehicleID, const jv::DateTime& date,
                                                        double value) {
    constexpr const char* kMethod = "COdometerValuesDatabaseObject::DeleteOdometerValue";
    if (VehicleID.empty() || !date.IsValid()) return false;
    if (!CheckVehicleId(kMethod, VehicleID)) return false;
    const std::string sql = "Delete from OdometerValues where VehicleID='" + VehicleID +
                            "' and OdometerDate=" + sqlvalue::Date(date) + " and " +
                            sqlvalue::WithinOne("OdometerValue", value);
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 461, sql, e, kWording);
        return false;
    }
}

const RegisterListing& COdometerValuesDatabaseObject::Listing() {
    static const RegisterListing listing{"OdometerValueID, OdometerDate, OdometerValue, ov.VehicleID",
                                         "OdometerValues",
                                         "ov",
                                         "OdometerValueID",
                                         "OdometerDate, OdometerValue",
                                         nullptr,
                                         "COdometerValuesDatabaseObject::GetOdometerValues",
                                         213,
                                         kWording};
    return listing;
}

COdometerValue COdometerValuesDatabaseObject::ReadEntry(const jv::db::Recordset& rs) {
    COdometerValue value;
    value.OdometerValueID = rs.GetInt("OdometerValueID").value_or(0);
    if (auto date = rs.GetDate("OdometerDate")) value.OdometerDate = *date;
    value.OdometerValue = rs.GetSingle("OdometerValue").value_or(-1.0f);
    value.VehicleID = rs.GetText("VehicleID").value_or("");
    return value;
}

bool COdometerValuesDatabaseObject::GetOdometerValues(const std::string& VehicleIDPattern,
                                                      std::vector<COdometerValue>& values,
                                                      const CUserPreferences& prefs) {
    return CRegisterQuery(GetConnection(), Listing(), VehicleIDPattern, prefs)
        .ReadAll([&values](const jv::db::Recordset& rs) { values.push_back(ReadEntry(rs)); });
}

bool COdometerValuesDatabaseObject::GetOdometerValue(const std::string& VehicleID, const jv::DateTime& date,
                                                     COdometerValue& value) {
    constexpr const char* kMethod = "COdometerValuesDatabaseObject::GetOdometerValue";
    if (VehicleID.empty() || !date.IsValid()) return false;
    if (!CheckVehicleId(kMethod, VehicleID)) return false;
    const std::string sql = "SELECT OdometerValue FROM OdometerValues  " + WhereVehicle(VehicleID) +
                            " AND OdometerDate=" + sqlvalue::Date(date);
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return false;
        value.OdometerValue = rs.GetSingle("OdometerValue").value_or(value.OdometerValue);
        value.OdometerDate = date;
        value.VehicleID = VehicleID;
        rs.Close();
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 409, sql, e, kWording);
        return false;
    }
}

bool COdometerValuesDatabaseObject::ReadAggregate(const char* method, int line, const std::string& sql,
                                                  const char* dateColumn, const char* valueColumn,
                                                  const std::string& VehicleID, COdometerValue& value) {
    if (!CheckVehicleId(method, VehicleID)) return false;
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return false;
        const auto date = rs.GetDate(dateColumn);
        const auto odometer = rs.GetSingle(valueColumn);
        rs.Close();
        if (!date || !odometer) return false;
        value.OdometerValue = *odometer;
        value.OdometerDate = *date;
        value.VehicleID = VehicleID;
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, sql, e, kWording);
        return false;
    }
}

bool COdometerValuesDatabaseObject::GetFirstOdometerValue(const std::string& VehicleID, COdometerValue& value) {
    return ReadAggregate(
        "COdometerValuesDatabaseObject::GetFirstOdometerValue", 257,
        CarAggregates(VehicleID, {{"min(OdometerDate)", "FirstDate"}, {"min(OdometerValue)", "FirstOdometer"}}),
        "FirstDate", "FirstOdometer", VehicleID, value);
}

bool COdometerValuesDatabaseObject::GetLastOdometerValue(const std::string& VehicleID, COdometerValue& value) {
    return ReadAggregate(
        "COdometerValuesDatabaseObject::GetLastOdometerValue", 304,
        CarAggregates(VehicleID, {{"max(OdometerDate)", "LastDate"}, {"max(OdometerValue)", "LastOdometer"}}),
        "LastDate", "LastOdometer", VehicleID, value);
}

bool COdometerValuesDatabaseObject::GetPurchaseOdometerValue(const std::string& VehicleID, COdometerValue& value) {
    COdometerValue purchase;
    if (!ReadAggregate("COdometerValuesDatabaseObject::GetPurchaseOdometerValue", 351,
                       "SELECT PurchaseOdometer, PurchaseDate FROM Vehicles " + WhereVehicle(VehicleID), "PurchaseDate",
                       "PurchaseOdometer", VehicleID, purchase)) {
        return false;
    }
    // -1 is how an unknown purchase odometer is stored: it is no reading.
    if (purchase.OdometerValue < 0.0f) return false;
    value = purchase;
    return true;
}

bool COdometerValuesDatabaseObject::GetOdometerValueFromModelYear(int modelYear, COdometerValue& value) {
    jv::DateTime date(modelYear, 1, 1, 0, 0, 0);
    if (!date.IsValid()) {
        TraceLog("COdometerValuesDatabaseObject::GetOdometerValueFromModelYear", TRACE_ERROR,
                 "Error calculating date for original odometer.");
        return false;
    }
    while (date > jv::CurrentClock().Now()) date -= 180.0;
    value.OdometerDate = date;
    value.OdometerValue = 0.0f;
    return true;
}

bool COdometerValuesDatabaseObject::ThereAreEnoughOdometerValues(const std::string& VehicleID) {
    constexpr const char* kMethod = "COdometerValuesDatabaseObject::ThereAreEnoughOdometerValues";
    if (!CheckVehicleId(kMethod, VehicleID)) return false;
    const std::string sql =
        CarAggregates(VehicleID, {{"max(OdometerDate)", "DateMax"}, {"min(OdometerDate)", "DateMin"}});
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return false;
        const auto dateMax = rs.GetDate("DateMax");
        const auto dateMin = rs.GetDate("DateMin");
        rs.Close();
        if (!dateMax || !dateMin) return false;
        return WholeDays(*dateMax - *dateMin) > 180.0;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 812, sql, e, kWording);
        return false;
    }
}

bool COdometerValuesDatabaseObject::ReadRateInputs(const CCar& car, RateInputs& inputs) {
    constexpr const char* kMethod = "COdometerValuesDatabaseObject::GetLastOdometerValue";
    if (!CheckVehicleId(kMethod, car.VehicleID)) return false;
    // First and last in one statement.
    const std::string sql = CarAggregates(car.VehicleID, {{"min(OdometerDate)", "FirstDate"},
                                                          {"min(OdometerValue)", "FirstOdometer"},
                                                          {"max(OdometerDate)", "LastDate"},
                                                          {"max(OdometerValue)", "LastOdometer"}});
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return false;
        const auto firstDate = rs.GetDate("FirstDate");
        const auto firstOdometer = rs.GetSingle("FirstOdometer");
        const auto lastDate = rs.GetDate("LastDate");
        const auto lastOdometer = rs.GetSingle("LastOdometer");
        rs.Close();
        if (!firstDate || !firstOdometer || !lastDate || !lastOdometer) return false;
        inputs.first.OdometerDate = *firstDate;
        inputs.first.OdometerValue = *firstOdometer;
        inputs.last.OdometerDate = *lastDate;
        inputs.last.OdometerValue = *lastOdometer;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 304, sql, e, kWording);
        return false;
    }
    inputs.hasPurchase = GetPurchaseOdometerValue(car.VehicleID, inputs.purchase);
    inputs.modelYear = car.StyleYear;
    return true;
}

float COdometerValuesDatabaseObject::DistanceRate(const RateInputs& inputs, const std::string& unit, bool usePurchase) {
    COdometerValue last = inputs.last;
    // The start is the first candidate that lies before the last reading in both date and value.
    const auto passes = [&last](const COdometerValue& start) {
        return last.OdometerValue > start.OdometerValue && start.OdometerDate < last.OdometerDate;
    };
    bool chosen = false;
    COdometerValue start, candidate;
    if (usePurchase && inputs.hasPurchase) {
        start = inputs.purchase;
        chosen = passes(start);
    }
    if (!chosen) {
        start = inputs.first;
        chosen = passes(start);
    }
    if (!chosen && GetOdometerValueFromModelYear(inputs.modelYear, candidate)) {
        start = candidate;
        chosen = passes(start);
    }
    if (!chosen) {
        // A car seen on one day only: take a day's travel to be 35.
        if (last.OdometerDate - start.OdometerDate != 0.0) return 0.0f;
        start.OdometerValue = 0.0f;
        last.OdometerValue = 35.0f;
        last.OdometerDate = start.OdometerDate + 1.0;
    }

    const float distance = last.OdometerValue - start.OdometerValue;
    const double days = WholeDays(last.OdometerDate - start.OdometerDate);
    double divisor = 0.0;
    if (unit == "Year") {
        divisor = days / 365.25;
    } else if (unit == "Month") {
        divisor = days / 30.44;
    } else if (unit == "Week") {
        divisor = days / 7.0;
    } else if (unit == "Day") {
        divisor = days;
    }
    if (divisor == 0.0) return 0.0f;
    return static_cast<float>(distance / divisor);
}

float COdometerValuesDatabaseObject::GetDistanceRate(CCar& car, const std::string& unit,
                                                     const CUserPreferences& /*prefs*/, bool usePurchase) {
    RateInputs inputs;
    if (!ReadRateInputs(car, inputs)) return 0.0f;
    return DistanceRate(inputs, unit, usePurchase);
}

void COdometerValuesDatabaseObject::GetDailyRates(CCar& car, const CUserPreferences& /*prefs*/) {
    RateInputs inputs;
    if (!ReadRateInputs(car, inputs)) {
        car.BackwardRate = 0.0f;
        car.ForwardRate = 0.0f;
        return;
    }
    car.BackwardRate = DistanceRate(inputs, "Day", false);
    car.ForwardRate = DistanceRate(inputs, "Day", true);
}

bool COdometerValuesDatabaseObject::GetOriginalOdometer(CCar& car, COdometerValue& original,
                                                        const CUserPreferences& /*prefs*/) {
    COdometerValue first;
    if (GetFirstOdometerValue(car.VehicleID, first)) {
        if (first.OdometerValue <= 300.0f) {
            original = first;
            return true;
        }
        if (ThereAreEnoughOdometerValues(car.VehicleID)) {
            if (car.BackwardRate == 0.0f) return false;
            const jv::DateTime start = AddSpan(first.OdometerDate, -(first.OdometerValue / car.BackwardRate));
            if (start.IsValid() && start.GetYear() >= car.StyleYear) {
                original.OdometerDate = start;
                original.OdometerValue = 0.0f;
                return true;
            }
        }
    }
    return GetOdometerValueFromModelYear(car.StyleYear, original);
}

bool COdometerValuesDatabaseObject::ReadBound(const char* method, int line, const std::string& sql,
                                              const char* dateColumn, const char* valueColumn, COdometerValue& value,
                                              bool& found) {
    found = false;
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (rs.IsOpen() && !rs.IsEOF()) {
            const auto date = rs.GetDate(dateColumn);
            const auto odometer = rs.GetSingle(valueColumn);
            if (date) value.OdometerDate = *date;
            if (odometer) value.OdometerValue = *odometer;
            found = date && odometer;
            rs.Close();
        }
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, sql, e, kWording);
        return false;
    }
}

float COdometerValuesDatabaseObject::CalculateOdometerFromDate(CCar& car, const jv::DateTime& date,
                                                               const CUserPreferences& /*prefs*/) {
    constexpr const char* kMethod = "COdometerValuesDatabaseObject::CalculateOdometerFromDate";
    if (!date.IsValid() || !CheckVehicleId(kMethod, car.VehicleID)) return 0.0f;
    const std::string fromCar = " FROM OdometerValues where VehicleID = '" + car.VehicleID + "'";

    COdometerValue before, after;
    bool hasBefore = false, hasAfter = false;
    if (m_keepReadings) {
        const double day = jv::DateTime::ToLinear(date.DatePart().Days());
        if (!IndexedBound(kMethod, 885, car.VehicleID, true, Side::UpTo, day, before, hasBefore)) return 0.0f;
        if (date < jv::CurrentClock().Now() &&
            !IndexedBound(kMethod, 928, car.VehicleID, true, Side::After, day, after, hasAfter)) {
            return 0.0f;
        }
    } else if (!ReadBound(kMethod, 885,
                          "SELECT max(OdometerDate) as DateBefore, max(OdometerValue) as OdomBefore" + fromCar +
                              " and OdometerDate <= " + sqlvalue::Date(date),
                          "DateBefore", "OdomBefore", before, hasBefore)) {
        return 0.0f;
    }
    if (!m_keepReadings && date < jv::CurrentClock().Now() &&
        !ReadBound(kMethod, 928,
                   "SELECT min(OdometerDate) as DateAfter, min(OdometerValue) as OdomAfter" + fromCar +
                       " and OdometerDate > " + sqlvalue::Date(date),
                   "DateAfter", "OdomAfter", after, hasAfter)) {
        return 0.0f;
    }

    double odometer = 0.0;
    if (hasBefore && hasAfter) {
        odometer = before.OdometerValue + (after.OdometerValue - before.OdometerValue) * (date - before.OdometerDate) /
                                              (after.OdometerDate - before.OdometerDate);
    } else if (hasBefore) {
        odometer = before.OdometerValue + (date - before.OdometerDate) * car.ForwardRate;
    } else if (hasAfter) {
        odometer = after.OdometerValue - (after.OdometerDate - date) * car.BackwardRate;
    }
    if (!std::isfinite(odometer)) return 0.0f;
    return static_cast<float>(std::max(0.0, odometer));
}

jv::DateTime COdometerValuesDatabaseObject::CalculateDateFromOdometer(CCar& car, float odometer,
                                                                      const CUserPreferences& prefs) {
    constexpr const char* kMethod = "COdometerValuesDatabaseObject::CalculateDateFromOdometer";
    if (!std::isfinite(odometer) || !CheckVehicleId(kMethod, car.VehicleID)) return jv::DateTime::Invalid();
    const std::string fromCar = " FROM OdometerValues where VehicleID = '" + car.VehicleID + "'";
    const std::string x = sqlvalue::Number(odometer);

    COdometerValue before, after;
    bool hasBefore = false, hasAfter = false;
    if (m_keepReadings) {
        // The value as the statement would have written it.
        const double bound = sqlvalue::ParseNumber(x).value_or(odometer);
        if (!IndexedBound(kMethod, 1008, car.VehicleID, false, Side::UpTo, bound, before, hasBefore)) {
            return jv::DateTime::Invalid();
        }
        if (car.CurrentOdometer > odometer &&
            !IndexedBound(kMethod, 1049, car.VehicleID, false, Side::After, bound, after, hasAfter)) {
            return jv::DateTime::Invalid();
        }
    } else if (!ReadBound(kMethod, 1008,
                          "SELECT max(OdometerDate) as DateBefore, max(OdometerValue) as OdomBefore" + fromCar +
                              " and OdometerValue <= " + x,
                          "DateBefore", "OdomBefore", before, hasBefore)) {
        return jv::DateTime::Invalid();
    }
    if (!m_keepReadings && car.CurrentOdometer > odometer &&
        !ReadBound(kMethod, 1049,
                   "SELECT min(OdometerDate) as DateAfter, min(OdometerValue) as OdomAfter" + fromCar +
                       " and OdometerValue > " + x,
                   "DateAfter", "OdomAfter", after, hasAfter)) {
        return jv::DateTime::Invalid();
    }

    // Each estimate is a start date plus a span of days; a span that cannot be computed (a
    // zero denominator) gives the invalid date.
    if (hasBefore && hasAfter) {
        return AddSpan(before.OdometerDate, (odometer - before.OdometerValue) *
                                                (after.OdometerDate - before.OdometerDate) /
                                                static_cast<double>(after.OdometerValue - before.OdometerValue));
    }
    if (hasBefore) {
        if (!(car.ForwardRate > 0.0f)) return jv::DateTime::Invalid();
        return AddSpan(before.OdometerDate, (odometer - before.OdometerValue) / car.ForwardRate);
    }
    if (hasAfter) {
        COdometerValue original;
        if (!GetOriginalOdometer(car, original, prefs)) return jv::DateTime::Invalid();
        const double rise = static_cast<double>(after.OdometerValue) - original.OdometerValue;
        if (rise == 0.0) return jv::DateTime::Invalid();
        return AddSpan(original.OdometerDate,
                       (odometer - original.OdometerValue) * (after.OdometerDate - original.OdometerDate) / rise);
    }
    return jv::DateTime::Invalid();
}

const COdometerValuesDatabaseObject::ReadingIndex* COdometerValuesDatabaseObject::IndexOf(
    const char* method, int line, const std::string& VehicleID) {
    auto found = m_readingIndexes.find(VehicleID);
    if (found != m_readingIndexes.end()) return found->second.get();
    const std::string name = "odometer readings in memory of " + VehicleID;
    carchanges::KeptForCar kept(m_connection, VehicleID, carchanges::Kind::Readings);
    if (auto known = kept.Find(name)) {
        auto index = std::static_pointer_cast<const ReadingIndex>(known);
        return m_readingIndexes.emplace(VehicleID, index).first->second.get();
    }
    const std::string sql =
        "SELECT OdometerDate, OdometerValue FROM OdometerValues where VehicleID = '" + VehicleID + "'";
    auto made = std::make_shared<ReadingIndex>();
    ReadingIndex& index = *made;
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        const double none = std::nan("");
        while (rs.IsOpen() && !rs.IsEOF()) {
            const auto date = rs.GetDate("OdometerDate");
            // Compared as stored, as the statements compare them; only the results are singles.
            const auto odometer = rs.GetDouble("OdometerValue");
            ReadingIndex::Row row;
            row.date = date && date->IsValid() ? jv::DateTime::ToLinear(date->Days()) : none;
            row.value = odometer ? *odometer : none;
            if (!std::isnan(row.date)) index.byDate.push_back(row);
            if (!std::isnan(row.value)) index.byValue.push_back(row);
            rs.MoveNext();
        }
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, sql, e, kWording);
        return nullptr;
    }
    std::sort(index.byDate.begin(), index.byDate.end(), [](const auto& a, const auto& b) { return a.date < b.date; });
    std::sort(index.byValue.begin(), index.byValue.end(),
              [](const auto& a, const auto& b) { return a.value < b.value; });
    // Running aggregates skip missing values, as max() and min() in SQL do (NaN never wins fmax/fmin).
    const auto running = [](const std::vector<ReadingIndex::Row>& rows, double ReadingIndex::Row::*field,
                            std::vector<double>& upTo, std::vector<double>& from) {
        const size_t n = rows.size();
        upTo.assign(n, std::nan(""));
        from.assign(n, std::nan(""));
        for (size_t i = 0; i < n; ++i) upTo[i] = std::fmax(i ? upTo[i - 1] : std::nan(""), rows[i].*field);
        for (size_t i = n; i-- > 0;) from[i] = std::fmin(i + 1 < n ? from[i + 1] : std::nan(""), rows[i].*field);
    };
    running(index.byDate, &ReadingIndex::Row::value, index.maxValueUpTo, index.minValueFrom);
    running(index.byValue, &ReadingIndex::Row::date, index.maxDateUpTo, index.minDateFrom);
    kept.Keep(name, made);
    return m_readingIndexes.emplace(VehicleID, std::move(made)).first->second.get();
}

bool COdometerValuesDatabaseObject::IndexedBound(const char* method, int line, const std::string& VehicleID,
                                                 bool byDate, Side side, double key, COdometerValue& value,
                                                 bool& found) {
    found = false;
    const std::shared_ptr<const CarReadings> readings = ReadingsOf(method, line, VehicleID);
    if (!readings) return false;
    if (readings->ordered) return OrderedBound(*readings, method, line, VehicleID, byDate, side, key, value, found);
    const ReadingIndex* index = IndexOf(method, line, VehicleID);
    if (index == nullptr) return false;
    const auto& rows = byDate ? index->byDate : index->byValue;
    const auto keyOf = [byDate](const ReadingIndex::Row& row) { return byDate ? row.date : row.value; };
    // First row whose key is past `key`: rows before it are "up to", the rest "after".
    const size_t split = static_cast<size_t>(
        std::upper_bound(rows.begin(), rows.end(), key, [&](double k, const auto& row) { return k < keyOf(row); }) -
        rows.begin());
    double date = std::nan("");
    double odometer = std::nan("");
    if (side == Side::UpTo) {
        if (split == 0) return true;
        date = byDate ? rows[split - 1].date : index->maxDateUpTo[split - 1];
        odometer = byDate ? index->maxValueUpTo[split - 1] : rows[split - 1].value;
    } else {
        if (split == rows.size()) return true;
        date = byDate ? rows[split].date : index->minDateFrom[split];
        odometer = byDate ? index->minValueFrom[split] : rows[split].value;
    }
    if (std::isnan(date) || std::isnan(odometer)) return true;
    value.OdometerDate = jv::DateTime(jv::DateTime::FromLinear(date));
    value.OdometerValue = static_cast<float>(odometer);
    found = true;
    return true;
}

std::shared_ptr<const COdometerValuesDatabaseObject::CarReadings> COdometerValuesDatabaseObject::ReadingsOf(
    const char* method, int line, const std::string& VehicleID) {
    // Read once for the life of this object (see KeepReadingsInMemory), even while the other
    // program writes: a reminders pass must not read a car's readings again after every save the
    // other program makes meanwhile.
    if (const auto found = m_carReadings.find(VehicleID); found != m_carReadings.end()) return found->second;
    const std::string name = "odometer readings of " + VehicleID;
    // Kept with the open file while the car's readings stay the same (whatever else changes), or,
    // where the file does not record which cars changed, while nothing in it changes.
    carchanges::KeptForCar kept(m_connection, VehicleID, carchanges::Kind::Readings);
    if (auto found = kept.Find(name)) {
        return m_carReadings[VehicleID] = std::static_pointer_cast<const CarReadings>(found);
    }

    // In the order of the index by value: every date must be at least the latest date of the
    // lower values. Readings without a number for either are left to the readings in memory.
    const std::string sql =
        "SELECT OdometerValue, OdometerDate FROM OdometerValues WHERE VehicleID = ? ORDER BY OdometerValue, "
        "OdometerDate";
    auto readings = std::make_shared<CarReadings>();
    m_sortedCar.clear();
    m_sorted.clear();
    try {
        bool ordered = true;
        double latestBelow = -std::numeric_limits<double>::infinity();
        double latestOfValue = latestBelow;
        double current = 0.0;
        bool first = true;
        for (jv::db::Rows rows = m_connection.Query(sql, {VehicleID}); ordered && rows.Next();) {
            for (int column : {0, 1}) {
                const auto type = rows.Type(column);
                ordered = ordered &&
                          (type == jv::db::Recordset::Real || (type == jv::db::Recordset::Integer &&
                                                               std::fabs(rows.Number(column)) <= kLargestExactWhole));
            }
            if (!ordered) break;
            const double odometer = rows.Number(0);
            const double date = rows.Number(1);
            if (first || odometer != current) {
                latestBelow = std::max(latestBelow, latestOfValue);
                latestOfValue = -std::numeric_limits<double>::infinity();
                current = odometer;
                first = false;
            }
            ordered = date >= latestBelow;
            latestOfValue = std::max(latestOfValue, date);
            m_sorted.emplace_back(odometer, date);
        }
        readings->ordered = ordered;
        if (ordered) {
            m_sortedCar = VehicleID;
        } else {
            m_sorted.clear();
        }
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, sql, e, kWording);
        return nullptr;
    }
    kept.Keep(name, readings);
    m_carReadings[VehicleID] = readings;
    return readings;
}

bool COdometerValuesDatabaseObject::OrderedBound(const CarReadings& readings, const char* method, int line,
                                                 const std::string& VehicleID, bool byDate, Side side, double key,
                                                 COdometerValue& value, bool& found) {
    const auto known = readings.bounds.find({byDate, side, key});
    if (known != readings.bounds.end()) {
        found = known->second.found;
        if (found) {
            value.OdometerDate = known->second.date;
            value.OdometerValue = known->second.value;
        }
        return true;
    }
    // Kept while the car's readings stay the same, over many home pages: a few for every plan
    // item is what they need.
    constexpr size_t kMostBounds = 4096;
    if (readings.bounds.size() >= kMostBounds) readings.bounds.clear();

    // The bound's own key: the latest date (highest value) up to `key`, or the earliest date
    // (lowest value) after it. Its other half is the highest (lowest) among the readings at that
    // key: as the readings rise with their dates, no reading further away can beat them.
    if (VehicleID == m_sortedCar && SortedBound(byDate, side, key, value, found)) {
        readings.bounds.emplace(std::make_tuple(byDate, side, key),
                                CarReadings::Bound{found, value.OdometerDate, value.OdometerValue});
        return true;
    }
    const char* keyColumn = byDate ? "OdometerDate" : "OdometerValue";
    const char* otherColumn = byDate ? "OdometerValue" : "OdometerDate";
    const char* aggregate = side == Side::UpTo ? "max" : "min";
    const std::string keySql = std::string("SELECT ") + aggregate + "(" + keyColumn +
                               ") AS Found FROM OdometerValues WHERE VehicleID = ? AND " + keyColumn +
                               (side == Side::UpTo ? " <= ?" : " > ?");
    const std::string otherSql = std::string("SELECT ") + aggregate + "(" + otherColumn +
                                 ") AS Other FROM OdometerValues WHERE VehicleID = ? AND " + keyColumn + " = ?";
    CarReadings::Bound bound;
    const std::string* running = &keySql;
    try {
        double foundKey = 0.0;
        bool hasKey = false;
        for (jv::db::Rows rows = m_connection.Query(keySql, {VehicleID, key}); rows.Next();) {
            hasKey = rows.Type(0) != jv::db::Recordset::Null;
            foundKey = rows.Number(0);
            if (hasKey && byDate) bound.date = rows.Row().GetDate("Found").value_or(bound.date);
            if (hasKey && !byDate) bound.value = rows.Row().GetSingle("Found").value_or(0.0f);
        }
        if (hasKey) {
            running = &otherSql;
            for (jv::db::Rows rows = m_connection.Query(otherSql, {VehicleID, foundKey}); rows.Next();) {
                if (rows.Type(0) == jv::db::Recordset::Null) break;
                if (byDate) bound.value = rows.Row().GetSingle("Other").value_or(0.0f);
                if (!byDate) bound.date = rows.Row().GetDate("Other").value_or(bound.date);
                bound.found = true;
            }
        }
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, *running, e, kWording);
        return false;
    }
    readings.bounds.emplace(std::make_tuple(byDate, side, key), bound);
    found = bound.found;
    if (found) {
        value.OdometerDate = bound.date;
        value.OdometerValue = bound.value;
    }
    return true;
}

bool COdometerValuesDatabaseObject::SortedBound(bool byDate, Side side, double key, COdometerValue& value,
                                                bool& found) const {
    // Values and dates both rise along m_sorted: the bound's reading is the last one up to `key`
    // or the first one after it, by either.
    const auto past = std::upper_bound(m_sorted.begin(), m_sorted.end(), key, [byDate](double k, const auto& reading) {
        return k < (byDate ? reading.second : reading.first);
    });
    found = false;
    if (side == Side::UpTo ? past == m_sorted.begin() : past == m_sorted.end()) return true;
    const std::pair<double, double>& reading = side == Side::UpTo ? *(past - 1) : *past;
    // A value a single cannot hold is reported by the statements, as it always was.
    if (std::fabs(reading.first) > std::numeric_limits<float>::max()) return false;
    value.OdometerDate = jv::DateTime(jv::DateTime::FromLinear(reading.second));
    value.OdometerValue = static_cast<float>(reading.first);
    found = true;
    return true;
}
