#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shared/data/DatabaseObject.h"

class CUserPreferences;

// How a register lists its rows: the columns read, the table, what orders the rows (the row's id
// breaks ties, so that every part of the register is read in the one order the whole is) and what
// a row must meet besides belonging to a listed car. Rows of sold cars are listed only when the
// preferences show sold cars.
struct RegisterListing {
    const char* columns;    // "FuelPurchaseID, fp.VehicleID, ..."; the car's column is read as "VehicleID"
    const char* table;      // "FuelPurchases"
    const char* alias;      // "fp"
    const char* key;        // "FuelPurchaseID"
    const char* order;      // "FuelPurchaseDate, Odometer": columns, each ascending
    const char* condition;  // "Skipped=0", or nullptr
    const char* method;     // the operation failures are logged under
    int line;               // and reported with
    QueryErrorWording wording = QueryErrorWording::Lowercase;
};

// A part of a register to read: the `count` entries from position `first` (counting from the
// oldest, 0) of a register that holds `total`, or the entries with the ids given wherever they
// stand now (with the newest entry, the one added last, when `newest` is set).
struct RegisterPart {
    size_t first = 0;
    size_t count = 0;
    size_t total = 0;
    std::vector<int> ids;
    bool newest = false;
};

// Where an entry stands in the register's order: a stored entry (its id), where it stands now,
// whatever the register held when it was read; or an entry not stored yet, by the values (SQL
// text) of the leading columns the register is ordered by, which stands after every entry that
// ties on them (it would be stored last).
struct RegisterPlace {
    int id = 0;
    std::vector<std::string> values;
};

// Reads the entries of a register of the cars of a pattern (a VehicleID, "%" for all), the whole
// of it or a part, with the statement doing the ordering and the limiting: a page showing a few
// dozen entries of a register of tens of thousands reads those few dozen. A pattern that is no
// car's is logged and reads nothing.
class CRegisterQuery : public CDatabaseObject {
public:
    using Read = std::function<void(const jv::db::Recordset&)>;
    // Each row with its position in the register.
    using ReadAt = std::function<void(const jv::db::Recordset&, size_t position)>;

    CRegisterQuery(jv::db::Connection connection, const RegisterListing& listing, const std::string& pattern,
                   const CUserPreferences& prefs);

    // How many entries the register holds.
    size_t Count();
    // Whether the file holds the entry with this id (of whichever car).
    bool IsStored(int id);
    // Every entry, the oldest first. False when the pattern is no car's or the statement failed.
    bool ReadAll(const Read& read);
    // The statement that reads `columns` of every entry, the oldest first.
    std::string SelectAll(const std::string& columns) const;
    // The entries of the part, each with its position, in no particular order.
    void ReadPart(const RegisterPart& part, const ReadAt& read);
    // The latest entry before the place (the entry itself not counted) that meets `condition` (SQL
    // on the row's columns); none when a stored entry is no longer there.
    void ReadLatestBefore(const RegisterPlace& place, const std::string& condition, const Read& read);
    // Its statement; empty when the place has more values than the register has columns to order by.
    std::string LatestBefore(const RegisterPlace& place, const std::string& condition) const;

private:
    // The register's rows: "<table> <alias>, Vehicles v WHERE ...".
    std::string Rows() const;
    std::string Order(bool descending) const;
    // The columns the register is ordered by, the row's id left out.
    std::vector<std::string> OrderColumns() const;
    // The rows' ids with their positions, as a table "p" (EntryKey, EntryPosition).
    std::string Positions() const;
    bool Run(const std::string& sql, const std::function<void(const jv::db::Recordset&)>& read);

    const RegisterListing& m_listing;
    std::string m_pattern;
    bool m_valid = false;
    bool m_showSold = false;
};
