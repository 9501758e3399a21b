#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/base/DateTime.h"
#include "shared/data/DatabaseObject.h"
#include "shared/data/RegisterQuery.h"
#include "shared/registers/RegisterTable.h"
#include "shared/registers/RowColumns.h"

class COdometerValue;
class CRowValues;
class CUserPreferences;

// The base of the registers whose rows the user writes from a register page (the fuel purchases,
// the expenses, the services): what an update does with values given empty, and the deleting,
// the odometer data and the listing of a register's rows, which run alike for each of them. Built
// on the stack for one operation.
//
// The writers take every value as text, as the page typed it and converted its numbers: an empty
// text means "not given", its column is left out of the insert and an update keeps it. Values are
// checked before any SQL is built; a bad one (a number beyond a single column, a car that is not
// there) is logged and reported and nothing is written. A row and its reading are written
// together or not at all; a reading goes only when no row of any register stands for it.
class CRegisterDatabaseObject : public CDatabaseObject {
public:
    CRegisterDatabaseObject(jv::db::Connection connection, const CRegisterTable::Columns& columns);

    // What an update does with the texts and the odometer given empty (kept unless set: the
    // register pages clear them, since their fields show the whole entry).
    void SetEmptyFields(EmptyFields empty) { m_emptyFields = empty; }

protected:
    EmptyFields EmptyFieldsOnUpdate() const { return m_emptyFields; }
    // The register's table, to write a row and its reading in one step.
    CRegisterTable Table() const { return CRegisterTable(GetConnection(), m_columns); }

    // The columns an update of a stored row begins with, once `values` has checked its id, date
    // and car (the register checks them in its own order): the date and, when given, the car.
    // None when a value was refused.
    CRowColumns UpdateColumns(const CRowValues& values, const std::optional<jv::DateTime>& date,
                              const std::string& VehicleID) const;
    // Writes `columns` to the stored row rowID; its reading follows the row to its new date,
    // odometer or car (CRegisterTable::UpdateRow).
    bool UpdateStoredRow(const std::string& rowID, const CRowColumns& columns, const std::string& method, int line);
    // Deletes a row, then its reading. True when the row is gone (also when there was none);
    // false, with both kept, when either cannot be removed or the id is not a row id.
    bool DeleteRow(const std::string& rowID, const std::string& method);
    // The car, date and odometer (0 when it has none) of a stored row; the reading's id is left
    // alone. False when there is no such row or the id is not a row id.
    bool GetRowOdometerData(const std::string& rowID, COdometerValue& value, const std::string& method);

    // Appends the entries of the matching cars ("%" for all) as the listing orders them, each read
    // by `read`; those of sold cars only when the preferences show sold cars.
    template <class Entry>
    void ReadRegister(const RegisterListing& listing, const std::string& vehicleIDPattern,
                      const CUserPreferences& prefs, Entry (*read)(const jv::db::Recordset&),
                      std::vector<Entry>& entries) const {
        CRegisterQuery(GetConnection(), listing, vehicleIDPattern, prefs).ReadAll([&](const jv::db::Recordset& rs) {
            entries.push_back(read(rs));
        });
    }

private:
    CRegisterTable::Columns m_columns;
    EmptyFields m_emptyFields = EmptyFields::KeepStored;
};
