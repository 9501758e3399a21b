#include "shared/registers/RegisterTable.h"

#include <strings.h>

#include <utility>

#include "platform/db/DbError.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"
#include "shared/data/OdometerValue.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/SqlValue.h"
#include "shared/data/UserPreferences.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"

// Call sites of the handlers below are the register operation's line plus these offsets, so that
// every handler reports its own number.
namespace {
enum Site { kStatement = 0, kReadBefore = 1, kReadAfter = 2, kHoldsValue = 3, kStandsFor = 4, kBadRowID = 5 };
}

bool RowReading::SameAs(const RowReading& other) const {
    return strcasecmp(VehicleID.c_str(), other.VehicleID.c_str()) == 0 && Date.DatePart() == other.Date.DatePart() &&
           Odometer == other.Odometer;
}

CRegisterTable::CRegisterTable(jv::db::Connection connection, const Columns& columns)
    : CDatabaseObject(std::move(connection)), m_columns(columns) {}

bool CRegisterTable::InsertRow(const std::string& sql, const RowReading& row, const std::string& method, int line) {
    try {
        if (!ExecuteCommand(sql)) return false;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line + kStatement, sql, e);
        return false;
    }
    return Record(row, method, line);
}

bool CRegisterTable::UpdateRow(const std::string& rowID, const std::string& sql, const std::string& method, int line) {
    bool failed = false;
    const std::optional<RowReading> before = ReadRow(rowID, method, line + kReadBefore, failed);
    if (failed) return false;
    try {
        if (!ExecuteCommand(sql)) return false;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line + kStatement, sql, e);
        return false;
    }
    const std::optional<RowReading> after = ReadRow(rowID, method, line + kReadAfter, failed);
    if (failed) return false;
    if (!after) {
        TraceLog(method, TRACE_WARNING, "No row " + rowID + " in " + m_columns.table + " to update.");
        return false;
    }
    if (before && before->SameAs(*after)) return Record(*after, method, line);
    if (before) Remove(*before, method, line);
    return Record(*after, method, line);
}

bool CRegisterTable::DeleteRow(const std::string& rowID, const std::string& method, int line) {
    bool failed = false;
    const std::optional<RowReading> before = ReadRow(rowID, method, line + kReadBefore, failed);
    if (failed) return false;
    const std::string sql = std::string("Delete from ") + m_columns.table + " where " + m_columns.key + "=" + rowID;
    try {
        if (!ExecuteCommand(sql)) return false;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line + kStatement, sql, e);
        return false;
    }
    if (before) Remove(*before, method, line);
    return true;
}

bool CRegisterTable::GetOdometerData(const std::string& rowID, COdometerValue& value, const std::string& method,
                                     int line) {
    if (!sqlvalue::IsRecordId(rowID)) {
        const std::string message = "Bad RowID in GetOdometerData(): " + rowID;
        TraceLog(method, TRACE_ERROR, message);
        CErrorReporting::Report(method, line + kBadRowID, message);
        return false;
    }
    bool failed = false;
    const std::optional<RowReading> row = ReadRow(rowID, method, line, failed);
    if (!row) return false;
    value.OdometerDate = row->Date;
    value.VehicleID = row->VehicleID;
    value.OdometerValue = static_cast<float>(row->Odometer.value_or(0.0));
    return true;
}

void CRegisterTable::ListRows(const std::string& pattern, const std::string& select, const std::string& alias,
                              const CUserPreferences& prefs, const std::string& order, const std::string& method,
                              int line, const std::function<void(const jv::db::Recordset&)>& read) {
    if (!sqlvalue::IsVehicleIdPattern(pattern)) {
        TraceLog(method, TRACE_ERROR, "Invalid vehicle id - " + pattern);
        return;
    }
    std::string sql =
        select + " WHERE " + alias + ".VehicleID like '" + pattern + "' AND " + alias + ".VehicleID = v.VehicleID";
    if (!prefs.ShowSoldCars) sql += " AND v.Sold = 0";
    sql += " ORDER BY " + order + ";";
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return;
        for (; !rs.IsEOF(); rs.MoveNext()) read(rs);
        rs.Close();
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, sql, e);
    }
}

std::optional<RowReading> CRegisterTable::ReadRow(const std::string& rowID, const std::string& method, int line,
                                                  bool& failed) {
    failed = false;
    // The register operations have checked the id; nothing else may reach the statement.
    if (!sqlvalue::IsRecordId(rowID)) return std::nullopt;
    // A row that does not meet the reading condition reads as a row without an odometer.
    const std::string odometer =
        m_columns.readingCondition ? std::string("IIf(") + m_columns.readingCondition + ", Odometer, Null) AS Odometer"
                                   : std::string("Odometer");
    const std::string sql = std::string("SELECT VehicleID, ") + m_columns.date + ", " + odometer + " FROM " +
                            m_columns.table + " WHERE " + m_columns.key + "=" + rowID;
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return std::nullopt;
        RowReading row;
        row.VehicleID = rs.GetText("VehicleID").value_or("");
        row.Date = rs.GetDate(m_columns.date).value_or(jv::DateTime::Invalid());
        row.Odometer = rs.GetDouble("Odometer");
        rs.Close();
        return row;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, sql, e);
        failed = true;
        return std::nullopt;
    }
}

bool CRegisterTable::Record(const RowReading& row, const std::string& method, int line) {
    if (!row.Odometer) return true;
    bool holds = false;
    if (!CarHoldsValue(row, method, line + kHoldsValue, holds)) return false;
    if (holds) return true;
    COdometerValuesDatabaseObject readings(GetConnection());
    return readings.AddOdometerValue(row.VehicleID, row.Date.Format("%m/%d/%Y"), sqlvalue::Number(*row.Odometer));
}

void CRegisterTable::Remove(const RowReading& row, const std::string& method, int line) {
    if (!row.Odometer) return;
    bool stands = false;
    if (!StillStandsFor(row, method, line + kStandsFor, stands) || stands) return;
    COdometerValuesDatabaseObject readings(GetConnection());
    readings.DeleteOdometerValue(row.VehicleID, row.Date.DatePart(), static_cast<float>(*row.Odometer));
}

bool CRegisterTable::CarHoldsValue(const RowReading& row, const std::string& method, int line, bool& holds) {
    const std::string sql =
        "SELECT OdometerValueID FROM OdometerValues WHERE VehicleID=" + sqlvalue::Quoted(row.VehicleID) +
        " AND OdometerValue = " + sqlvalue::Number(*row.Odometer);
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        holds = rs.IsOpen() && !rs.IsEOF();
        return rs.IsOpen();
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, sql, e);
        return false;
    }
}

bool CRegisterTable::StillStandsFor(const RowReading& row, const std::string& method, int line, bool& stands) {
    // The rows of the car on that day whose odometer the reading would match when it is removed.
    const jv::DateTime day = row.Date.DatePart();
    const std::string car = sqlvalue::Quoted(row.VehicleID);
    const std::string from = sqlvalue::Date(day);
    const std::string to = sqlvalue::Date(day + 1.0);
    const std::string odometer = " AND Odometer > " + sqlvalue::Number(*row.Odometer - 1.0) + " AND Odometer < " +
                                 sqlvalue::Number(*row.Odometer + 1.0);
    auto where = [&](const std::string& dateColumn) {
        return " WHERE VehicleID=" + car + " AND " + dateColumn + " >= " + from + " AND " + dateColumn + " < " + to +
               odometer;
    };
    const std::string sql = "SELECT FuelPurchaseID AS RowID FROM FuelPurchases" + where("FuelPurchaseDate") +
                            " UNION ALL SELECT ExpenseID AS RowID FROM Expenses" + where("ExpenseDate") +
                            " UNION ALL SELECT ServiceID AS RowID FROM Services" + where("ServiceDate") + " AND " +
                            CServiceRegisterDatabaseObject::kReadingCondition;
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        stands = rs.IsOpen() && !rs.IsEOF();
        return rs.IsOpen();
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, sql, e);
        return false;
    }
}
