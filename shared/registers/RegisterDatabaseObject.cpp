#include "shared/registers/RegisterDatabaseObject.h"

#include <utility>

#include "shared/data/SqlValue.h"

namespace {

// Call-site numbers of the operations, as each register numbers them.
enum Line { kDelete = 300, kOdometerData = 400 };

}  // namespace

CRegisterDatabaseObject::CRegisterDatabaseObject(jv::db::Connection connection, const CRegisterTable::Columns& columns)
    : CDatabaseObject(std::move(connection)), m_columns(columns) {}

bool CRegisterDatabaseObject::DeleteRow(const std::string& rowID, const std::string& method) {
    if (!sqlvalue::IsRecordId(rowID)) return false;
    return Table().DeleteRow(rowID, method, kDelete);
}

bool CRegisterDatabaseObject::GetRowOdometerData(const std::string& rowID, COdometerValue& value,
                                                 const std::string& method) {
    return Table().GetOdometerData(rowID, value, method, kOdometerData);
}
