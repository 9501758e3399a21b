#include "shared/data/UserPreferencesDatabaseObject.h"

#include <limits>

#include "platform/base/NumberText.h"
#include "platform/db/DbError.h"
#include "shared/core/TraceLog.h"
#include "shared/data/SqlValue.h"

namespace {

constexpr const char* kUpdateMethod = "CUserPreferencesDatabaseObject::UpdatePreferences";

// Appends ", Column='text'" when the text is given, or empty ones are cleared.
void AppendText(std::string& list, const char* column, const std::string& value, size_t width, EmptyFields empty) {
    if (value.empty() && empty == EmptyFields::KeepStored) return;
    list += ", ";
    list += column;
    list += "=" + sqlvalue::Quoted(value, width);
}

// Appends ", Column=number" when the text is given; false when it is no 32-bit whole number.
bool AppendNumber(std::string& list, const char* column, const std::string& value) {
    if (value.empty()) return true;
    const auto number = jv::number::ParseInt(value);
    if (!number || *number < std::numeric_limits<int>::min() || *number > std::numeric_limits<int>::max()) {
        TraceLog(kUpdateMethod, TRACE_ERROR, std::string("Invalid value for ") + column + " - " + value);
        return false;
    }
    list += ", ";
    list += column;
    list += "=" + jv::number::FormatInt(*number);
    return true;
}

std::string TextField(const jv::db::Recordset& rs, const char* name) {
    return rs.GetText(name).value_or("");
}

int IntField(const jv::db::Recordset& rs, const char* name) {
    return rs.GetInt(name).value_or(0);
}

}  // namespace

void CUserPreferencesDatabaseObject::GetUserPreferences(CUserPreferences& prefs) {
    const std::string sql =
        "SELECT UserName, Email, Country, PostalCode, VolumeUnit, DistanceUnit, MechanicName, MechanicAddress1, "
        "MechanicAddress2, MechanicCity, MechanicState, MechanicZip, MechanicPhone, ShowSoldCars, Internet, "
        "UploadErrors, UploadData FROM Prefs ";
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return;
        prefs.UserName = TextField(rs, "UserName");
        prefs.Email = TextField(rs, "Email");
        prefs.Country = TextField(rs, "Country");
        prefs.PostalCode = TextField(rs, "PostalCode");
        prefs.DistanceUnit = IntField(rs, "DistanceUnit");
        prefs.VolumeUnit = IntField(rs, "VolumeUnit");
        prefs.MechanicName = TextField(rs, "MechanicName");
        prefs.MechanicAddress1 = TextField(rs, "MechanicAddress1");
        prefs.MechanicAddress2 = TextField(rs, "MechanicAddress2");
        prefs.MechanicCity = TextField(rs, "MechanicCity");
        prefs.MechanicState = TextField(rs, "MechanicState");
        prefs.MechanicZip = TextField(rs, "MechanicZip");
        prefs.MechanicPhone = TextField(rs, "MechanicPhone");
        prefs.ShowSoldCars = rs.GetInt("ShowSoldCars").value_or(0) == -1;
        prefs.Internet = IntField(rs, "Internet");
        prefs.UploadErrors = IntField(rs, "UploadErrors");
        prefs.UploadData = IntField(rs, "UploadData");
        rs.Close();
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CUserPreferencesDatabaseObject::GetUserPreferences", 142, sql, e,
                         QueryErrorWording::Capitalised);
    }
}

bool CUserPreferencesDatabaseObject::UpdatePreferences(
    const std::string& UserName, const std::string& Email, const std::string& Country, const std::string& PostalCode,
    const std::string& VolumeUnit, const std::string& DistanceUnit, const std::string& MechanicName,
    const std::string& MechanicAddress1, const std::string& MechanicAddress2, const std::string& MechanicCity,
    const std::string& MechanicState, const std::string& MechanicZip, const std::string& MechanicPhone,
    bool ShowSoldCars, const std::string& Internet, const std::string& UploadData, const std::string& UploadErrors) {
    std::string list;
    AppendText(list, "UserName", UserName, 60, m_emptyFields);
    AppendText(list, "Email", Email, 60, m_emptyFields);
    AppendText(list, "Country", Country, 50, EmptyFields::KeepStored);
    AppendText(list, "PostalCode", PostalCode, 10, m_emptyFields);
    if (!AppendNumber(list, "DistanceUnit", DistanceUnit) || !AppendNumber(list, "VolumeUnit", VolumeUnit)) {
        return false;
    }
    AppendText(list, "MechanicName", MechanicName, 50, m_emptyFields);
    AppendText(list, "MechanicAddress1", MechanicAddress1, 100, m_emptyFields);
    AppendText(list, "MechanicAddress2", MechanicAddress2, 100, m_emptyFields);
    AppendText(list, "MechanicCity", MechanicCity, 50, m_emptyFields);
    AppendText(list, "MechanicState", MechanicState, 20, m_emptyFields);
    AppendText(list, "MechanicZip", MechanicZip, 10, m_emptyFields);
    AppendText(list, "MechanicPhone", MechanicPhone, 20, m_emptyFields);
    list += ShowSoldCars ? ", ShowSoldCars=-1" : ", ShowSoldCars=0";
    if (!AppendNumber(list, "Internet", Internet) || !AppendNumber(list, "UploadData", UploadData) ||
        !AppendNumber(list, "UploadErrors", UploadErrors)) {
        return false;
    }
    list.erase(0, list.find_first_not_of(", "));

    const std::string sql = "Update Prefs set " + list;
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kUpdateMethod, 98, sql, e, QueryErrorWording::Capitalised);
        return false;
    }
}

bool CUserPreferencesDatabaseObject::HoldsValuesInUnits(bool distance, bool volume) {
    std::string sql;
    if (distance) sql = "SELECT 1 FROM OdometerValues UNION ALL SELECT 1 FROM FuelPurchases";
    if (volume && !distance) sql = "SELECT 1 FROM FuelPurchases";
    if (sql.empty()) return false;
    sql = "SELECT EXISTS (" + sql + ") AS Held";
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        return rs.IsOpen() && !rs.IsEOF() && rs.GetInt("Held").value_or(0) != 0;
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CUserPreferencesDatabaseObject::HoldsValuesInUnits", 160, sql, e,
                         QueryErrorWording::Capitalised);
        return false;
    }
}

bool CUserPreferencesDatabaseObject::SaveUserPreferences(CUserPreferences prefs) {
    return UpdatePreferences(prefs.UserName, prefs.Email, prefs.Country, prefs.PostalCode,
                             std::to_string(prefs.VolumeUnit), std::to_string(prefs.DistanceUnit), prefs.MechanicName,
                             prefs.MechanicAddress1, prefs.MechanicAddress2, prefs.MechanicCity, prefs.MechanicState,
                             prefs.MechanicZip, prefs.MechanicPhone, prefs.ShowSoldCars, std::to_string(prefs.Internet),
                             std::to_string(prefs.UploadData), std::to_string(prefs.UploadErrors));
}
