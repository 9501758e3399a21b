#pragma once

#include <string>
#include <vector>

#include "shared/registers/Expense.h"
#include "shared/registers/ExpenseCategory.h"
#include "shared/registers/RegisterDatabaseObject.h"

class COdometerValue;
class CUserPreferences;

// The expense register ("Miscellaneous Expense Register"): a car's costs that are neither fuel
// nor services, in the table Expenses, and the category list. The odometer of each expense also
// stands as a reading of the car, recorded, moved and removed with its row. Built on the stack
// for one operation.
// Written as CRegisterDatabaseObject says.
class CExpenseRegisterDatabaseObject : public CRegisterDatabaseObject {
public:
    explicit CExpenseRegisterDatabaseObject(jv::db::Connection connection);

    // Vendor and memo are stored up to this many characters.
    static constexpr size_t kTextWidth = 60;

    // Inserts the expense, then records its odometer reading. True when the row was stored and,
    // when it has an odometer, the car holds that reading; otherwise nothing is stored.
    bool AddExpense(const std::string& VehicleID, const std::string& dateText, const std::string& Odometer,
                    const std::string& Vendor, const std::string& ExpenseMemo, const std::string& CategoryID,
                    const std::string& Cost, const std::string& Notes);
    // Rewrites the given columns of a stored expense (an empty VehicleID keeps its car); the
    // reading follows the row to its new date, odometer or car. False, with nothing changed, when
    // there is no such row or the reading cannot follow.
    bool UpdateExpense(const std::string& rowID, const std::string& dateText, const std::string& VehicleID,
                       const std::string& Odometer, const std::string& Vendor, const std::string& ExpenseMemo,
                       const std::string& CategoryID, const std::string& Cost, const std::string& Notes);
    // Deletes the expense, then its reading. True when the row is gone (also when there was none);
    // false, with both kept, when either cannot be removed.
    bool DeleteExpense(const std::string& rowID);
    // The car, date and odometer (0 when it has none) of a stored expense; the reading's id is left
    // alone. False when there is no such row or the id is not a row id.
    bool GetOdometerData(const std::string& rowID, COdometerValue& value);

    // Appends the expenses of the matching cars ("%" for all) by date, then odometer; those of sold
    // cars only when the preferences show sold cars.
    void GetExpenseRegister(std::string VehicleIDPattern, std::vector<CExpense>& expenses,
                            const CUserPreferences& prefs);
    // How the register lists its expenses (for a part of it, see CRegisterQuery), and an expense
    // read from a row so listed.
    static const RegisterListing& Listing();
    static CExpense ReadEntry(const jv::db::Recordset& rs);
    // Fills memo, category, cost and notes of `expense` from the latest expense of its Vendor,
    // of its car (VehicleID, "%" for any) when there is one, otherwise of any car.
    bool GetExpense(CExpense& expense);
    // Appends the categories, by name.
    void GetCategories(std::vector<CExpenseCategory>& categories);
};
