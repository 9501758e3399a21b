#include "shared/registers/RegisterTable.h"

#include <strings.h>

#include <utility>
#include <vector>

#include "platform/db/DbError.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"
#include "shared/data/OdometerValue.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/SqlValue.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"

// Call sites of the handlers below are the register operation's line plus these offsets, so that
// every handler reports its own number.
namespace {
enum Site {
    kStatement = 0,
    kReadBefore = 1,
    kReadAfter = 2,
    kHoldsValue = 3,
    kStandsFor = 4,
    kBadRowID = 5,
    kStep = 6,
    kReadings = 7,
    kNoCar = 8
};
}

namespace {

// The times of one day on a date column: from its midnight up to the next one. The last day dates
// can hold has no next midnight to write.
std::string OnDay(const std::string& column, const jv::DateTime& day) {
    std::string sql = column + " >= " + sqlvalue::Date(day);
    const jv::DateTime next = day + 1.0;
    if (!next.Format("%Y").empty()) sql += " AND " + column + " < " + sqlvalue::Date(next);
    return sql;
}

}  // namespace

bool RowReading::SameAs(const RowReading& other) const {
    return strcasecmp(VehicleID.c_str(), other.VehicleID.c_str()) == 0 && Date.DatePart() == other.Date.DatePart() &&
           Odometer == other.Odometer;
}

CRegisterTable::CRegisterTable(jv::db::Connection connection, const Columns& columns)
    : CDatabaseObject(std::move(connection)), m_columns(columns) {}

bool CRegisterTable::InOneStep(const std::function<bool()>& write, const std::string& method, int line) {
    jv::db::Connection connection = GetConnection();
    if (!connection.IsOpen()) return false;
    try {
        jv::db::Transaction step(connection);
        if (!write()) return false;  // the step is rolled back as it ends
        step.Commit();
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line + kStep, e);
        return false;
    }
}

bool CRegisterTable::Run(const std::string& sql, const std::string& method, int line) {
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line + kStatement, sql, e);
        return false;
    }
}

bool CRegisterTable::InsertRow(const std::string& sql, const RowReading& row, const std::string& method, int line) {
    return InOneStep(
        [&] { return IsCar(row.VehicleID, method, line) && Run(sql, method, line) && Record(row, method, line); },
        method, line);
}

bool CRegisterTable::UpdateRow(const std::string& rowID, const std::string& sql, const std::string& method, int line) {
    return InOneStep(
        [&] {
            bool failed = false;
            const std::optional<RowReading> before = ReadRow(rowID, method, line + kReadBefore, failed);
            if (failed) return false;
            if (!Run(sql, method, line)) return false;
            const std::optional<RowReading> after = ReadRow(rowID, method, line + kReadAfter, failed);
            if (failed) return false;
            if (!after) {
                TraceLog(method, TRACE_WARNING, "No row " + rowID + " in " + m_columns.table + " to update.");
                return false;
            }
            if (!IsCar(after->VehicleID, method, line)) return false;
            if (before && !before->SameAs(*after) && !Remove(*before, method, line)) return false;
            return Record(*after, method, line);
        },
        method, line);
}

bool CRegisterTable::DeleteRow(const std::string& rowID, const std::string& method, int line) {
    return InOneStep(
        [&] {
            bool failed = false;
            const std::optional<RowReading> before = ReadRow(rowID, method, line + kReadBefore, failed);
            if (failed) return false;
            const std::string sql =
                std::string("Delete from ") + m_columns.table + " where " + m_columns.key + "=" + rowID;
            if (!Run(sql, method, line)) return false;
            return !before || Remove(*before, method, line);
        },
        method, line);
}

bool CRegisterTable::IsCar(const std::string& vehicleID, const std::string& method, int line) {
    const std::string sql = "SELECT VehicleID FROM Vehicles WHERE VehicleID=" + sqlvalue::Quoted(vehicleID);
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return false;
        if (!rs.IsEOF()) return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line + kNoCar, sql, e);
        return false;
    }
    const std::string message = "Invalid vehicle id - " + vehicleID;
    TraceLog(method, TRACE_ERROR, message);
    CErrorReporting::Report(method, line + kNoCar, message);
    return false;
}

bool CRegisterTable::RecordRow(const std::string& rowID, const std::string& method, int line) {
    bool failed = false;
    const std::optional<RowReading> row = ReadRow(rowID, method, line + kReadAfter, failed);
    return row && Record(*row, method, line);
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

bool CRegisterTable::Remove(const RowReading& row, const std::string& method, int line) {
    if (!row.Odometer) return true;
    // The readings of the car that day within one of the row's odometer, as the program has
    // always matched a row's reading. Each goes unless a row still stands for it: a row of the
    // same day keeps it as it is; a row of another day only (the car stood still) takes it to its
    // own day.
    const jv::DateTime day = row.Date.DatePart();
    const std::string sql =
        "SELECT OdometerValueID, OdometerValue FROM OdometerValues WHERE VehicleID=" + sqlvalue::Quoted(row.VehicleID) +
        " AND " + OnDay("OdometerDate", day) + " AND " + sqlvalue::WithinOne("OdometerValue", *row.Odometer);
    std::vector<std::pair<std::string, double>> readings;
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return false;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            readings.emplace_back(std::to_string(rs.GetInt("OdometerValueID").value_or(0)),
                                  rs.GetDouble("OdometerValue").value_or(0.0));
        }
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line + kReadings, sql, e);
        return false;
    }
    COdometerValuesDatabaseObject odometers(GetConnection());
    for (const auto& [readingID, value] : readings) {
        std::optional<jv::DateTime> standing;
        if (!RowStandingFor(row.VehicleID, readingID, day, method, line + kStandsFor, standing)) return false;
        if (!standing) {
            if (!odometers.DeleteOdometerValue(readingID)) return false;
        } else if (standing->DatePart() != day) {
            if (!odometers.UpdateOdometerValue(readingID, row.VehicleID, standing->Format("%m/%d/%Y"),
                                               sqlvalue::Number(value))) {
                return false;
            }
        }
    }
    return true;
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

bool CRegisterTable::RowStandingFor(const std::string& vehicleID, const std::string& readingID, const jv::DateTime& day,
                                    const std::string& method, int line, std::optional<jv::DateTime>& standing) {
    // Compared with the stored reading itself, so that no value is rounded on its way.
    const std::string car = sqlvalue::Quoted(vehicleID);
    const std::string value = "(SELECT OdometerValue FROM OdometerValues WHERE OdometerValueID=" + readingID + ")";
    auto rows = [&](const char* table, const char* dateColumn) {
        return std::string("SELECT ") + dateColumn + " AS RowDate FROM " + table + " WHERE VehicleID=" + car +
               " AND Odometer = " + value;
    };
    const std::string sql = rows("FuelPurchases", "FuelPurchaseDate") + " UNION ALL " +
                            rows("Expenses", "ExpenseDate") + " UNION ALL " + rows("Services", "ServiceDate") +
                            " AND " + CServiceRegisterDatabaseObject::kReadingCondition + " ORDER BY RowDate";
    standing.reset();
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return false;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            const std::optional<jv::DateTime> date = rs.GetDate("RowDate");
            if (!date) continue;
            if (!standing || date->DatePart() == day) standing = *date;
            if (date->DatePart() == day) break;
        }
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, sql, e);
        return false;
    }
}
