#include "shared/registers/ExpenseRegisterDatabaseObject.h"

#include <utility>

#include "platform/db/DbError.h"
#include "shared/core/TraceLog.h"
#include "shared/data/OdometerValue.h"
#include "shared/data/SqlValue.h"
#include "shared/registers/RegisterTable.h"
#include "shared/registers/RowColumns.h"
#include "shared/registers/RowValues.h"

namespace {

const CRegisterTable::Columns kExpenses{"Expenses", "ExpenseID", "ExpenseDate"};

// Call-site numbers of the operations; each handler adds its own offset below 10.
enum Line { kAdd = 100, kUpdate = 200, kRegister = 500, kExpense = 600, kCategories = 700, kRefused = 9 };

// The optional columns an insert and an update share, in their order. False when a value was
// refused.
bool AddValues(CRowValues& values, CRowColumns& columns, const std::string& Odometer, const std::string& Vendor,
               const std::string& ExpenseMemo, const std::string& CategoryID, const std::string& Cost,
               const std::string& Notes, std::optional<double>& odometer) {
    odometer = values.Number("odometer value", Odometer);
    const std::optional<int> category = values.Integer("category", CategoryID);
    const std::optional<double> cost = values.Number("cost", Cost);
    if (!values.IsValid()) return false;
    const size_t width = CExpenseRegisterDatabaseObject::kTextWidth;
    columns.AddOdometer(Odometer, odometer);
    columns.AddText("Vendor", Vendor, sqlvalue::Quoted(Vendor, width));
    columns.AddText("ExpenseMemo", ExpenseMemo, sqlvalue::Quoted(ExpenseMemo, width));
    if (category) columns.Add("CategoryID", std::to_string(*category));
    if (cost) columns.Add("Cost", sqlvalue::Number(*cost));
    columns.AddText("Notes", Notes, sqlvalue::Quoted(Notes));
    return true;
}

}  // namespace

CExpenseRegisterDatabaseObject::CExpenseRegisterDatabaseObject(jv::db::Connection connection)
    : CRegisterDatabaseObject(std::move(connection), kExpenses) {}

bool CExpenseRegisterDatabaseObject::AddExpense(const std::string& VehicleID, const std::string& dateText,
                                                const std::string& Odometer, const std::string& Vendor,
                                                const std::string& ExpenseMemo, const std::string& CategoryID,
                                                const std::string& Cost, const std::string& Notes) {
    const std::string method = "CExpenseRegisterDatabaseObject::AddExpense";
    CRowValues values(method, kAdd + kRefused);
    values.VehicleID(VehicleID);
    const std::optional<jv::DateTime> date = values.Date(dateText);
    CRowColumns columns;
    if (values.IsValid()) {
        columns.Add("VehicleID", sqlvalue::Quoted(VehicleID));
        columns.Add("ExpenseDate", sqlvalue::Date(*date));
    }
    std::optional<double> odometer;
    if (!AddValues(values, columns, Odometer, Vendor, ExpenseMemo, CategoryID, Cost, Notes, odometer)) return false;

    return Table().InsertRow(columns.Insert("Expenses"), RowReading{VehicleID, *date, odometer}, method, kAdd);
}

bool CExpenseRegisterDatabaseObject::UpdateExpense(const std::string& rowID, const std::string& dateText,
                                                   const std::string& VehicleID, const std::string& Odometer,
                                                   const std::string& Vendor, const std::string& ExpenseMemo,
                                                   const std::string& CategoryID, const std::string& Cost,
                                                   const std::string& Notes) {
    const std::string method = "CExpenseRegisterDatabaseObject::UpdateExpense";
    CRowValues values(method, kUpdate + kRefused);
    values.RowID(rowID);
    const std::optional<jv::DateTime> date = values.Date(dateText);
    values.VehicleID(VehicleID, true);
    CRowColumns columns = UpdateColumns(values, date, VehicleID);
    std::optional<double> odometer;
    if (!AddValues(values, columns, Odometer, Vendor, ExpenseMemo, CategoryID, Cost, Notes, odometer)) return false;

    return UpdateStoredRow(rowID, columns, method, kUpdate);
}

bool CExpenseRegisterDatabaseObject::DeleteExpense(const std::string& rowID) {
    return DeleteRow(rowID, "CExpenseRegisterDatabaseObject::DeleteExpense");
}

bool CExpenseRegisterDatabaseObject::GetOdometerData(const std::string& rowID, COdometerValue& value) {
    return GetRowOdometerData(rowID, value, "CExpenseRegisterDatabaseObject::GetOdometerData");
}

const RegisterListing& CExpenseRegisterDatabaseObject::Listing() {
    static const RegisterListing listing{
        "ExpenseID, ExpenseDate, e.VehicleID, Odometer, Vendor, ExpenseMemo, CategoryID, Cost, e.Notes",
        "Expenses",
        "e",
        "ExpenseID",
        "ExpenseDate, Odometer",
        nullptr,
        "CExpenseRegisterDatabaseObject::GetExpenseRegister",
        kRegister};
    return listing;
}

CExpense CExpenseRegisterDatabaseObject::ReadEntry(const jv::db::Recordset& rs) {
    CExpense expense;
    expense.ExpenseID = rs.GetInt("ExpenseID").value_or(0);
    expense.VehicleID = rs.GetText("VehicleID").value_or("");
    expense.ExpenseDate = rs.GetDate("ExpenseDate").value_or(jv::DateTime::Invalid());
    expense.Odometer = rs.GetSingle("Odometer").value_or(0.0f);
    expense.Vendor = rs.GetText("Vendor").value_or("");
    expense.ExpenseMemo = rs.GetText("ExpenseMemo").value_or("");
    expense.CategoryID = rs.GetInt("CategoryID").value_or(-1);
    expense.Cost = rs.GetSingle("Cost").value_or(0.0f);
    expense.Notes = rs.GetText("Notes").value_or("");
    return expense;
}

void CExpenseRegisterDatabaseObject::GetExpenseRegister(std::string VehicleIDPattern, std::vector<CExpense>& expenses,
                                                        const CUserPreferences& prefs) {
    ReadRegister(Listing(), VehicleIDPattern, prefs, &ReadEntry, expenses);
}

bool CExpenseRegisterDatabaseObject::GetExpense(CExpense& expense) {
    const std::string method = "CExpenseRegisterDatabaseObject::GetExpense";
    if (!expense.VehicleID.empty() && !sqlvalue::IsVehicleIdPattern(expense.VehicleID)) {
        TraceLog(method, TRACE_ERROR, "Invalid vehicle id - " + expense.VehicleID);
        return false;
    }
    // The vendor as it was stored: cut to its width like every vendor written here.
    const std::string select = "SELECT ExpenseID, Vendor, ExpenseMemo, CategoryID, Cost, Notes FROM Expenses";
    const std::string vendor = " Vendor = " + sqlvalue::Quoted(expense.Vendor, kTextWidth);
    // The latest expense of the vendor is the one whose values the user most likely repeats.
    const std::string latest = " ORDER BY ExpenseDate DESC, ExpenseID DESC";
    std::string sql;
    try {
        jv::db::Recordset rs;
        if (!expense.VehicleID.empty()) {
            sql = select + " WHERE VehicleID like '" + expense.VehicleID + "' AND" + vendor + latest;
            rs = ExecuteQuery(sql);
            if (!rs.IsOpen()) return false;
        }
        if (rs.IsEOF()) {
            sql = select + " WHERE" + vendor + latest;
            rs = ExecuteQuery(sql);
            if (!rs.IsOpen() || rs.IsEOF()) return false;
        }
        expense.ExpenseMemo = rs.GetText("ExpenseMemo").value_or("");
        expense.CategoryID = rs.GetInt("CategoryID").value_or(-1);
        expense.Cost = rs.GetSingle("Cost").value_or(0.0f);
        expense.Notes = rs.GetText("Notes").value_or("");
        rs.Close();
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, kExpense, sql, e);
        return false;
    }
}

void CExpenseRegisterDatabaseObject::GetCategories(std::vector<CExpenseCategory>& categories) {
    const std::string sql = "SELECT CategoryID, Name FROM ExpenseCategories ORDER BY Name";
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            categories.push_back({rs.GetInt("CategoryID").value_or(0), rs.GetText("Name").value_or("")});
        }
        rs.Close();
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CExpenseRegisterDatabaseObject::GetCategories", kCategories, sql, e);
    }
}
