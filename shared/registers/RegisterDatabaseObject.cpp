#include "shared/registers/RegisterDatabaseObject.h"

#include <utility>

#include "shared/data/SqlValue.h"
#include "shared/registers/RowValues.h"

namespace {

// Call-site numbers of the operations, as each register numbers them.
enum Line { kDelete = 300, kOdometerData = 400 };

}  // namespace

CRegisterDatabaseObject::CRegisterDatabaseObject(jv::db::Connection connection, const CRegisterTable::Columns& columns)
    : CDatabaseObject(std::move(connection)), m_columns(columns) {}

CRowColumns CRegisterDatabaseObject::UpdateColumns(const CRowValues& values, const std::optional<jv::DateTime>& date,
                                                   const std::string& VehicleID) const {
    CRowColumns columns(EmptyFieldsOnUpdate());
    if (values.IsValid()) {
        columns.Add(m_columns.date, sqlvalue::Date(*date));
        if (!VehicleID.empty()) columns.Add("VehicleID", sqlvalue::Quoted(VehicleID));
    }
    return columns;
}

bool CRegisterDatabaseObject::UpdateStoredRow(const std::string& rowID, const CRowColumns& columns,
                                              const std::string& method, int line) {
    return Table().UpdateRow(rowID, columns.Update(m_columns.table, std::string(m_columns.key) + "=" + rowID), method,
                             line);
}

bool CRegisterDatabaseObject::DeleteRow(const std::string& rowID, const std::string& method) {
    if (!sqlvalue::IsRecordId(rowID)) return false;
    return Table().DeleteRow(rowID, method, kDelete);
}

bool CRegisterDatabaseObject::GetRowOdometerData(const std::string& rowID, COdometerValue& value,
                                                 const std::string& method) {
    return Table().GetOdometerData(rowID, value, method, kOdometerData);
}
