#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/base/DateTime.h"
#include "shared/data/DatabaseObject.h"

class COdometerValue;

// The odometer reading a register row stands for: the row's car, date and odometer. A row
// without an odometer stands for no reading.
struct RowReading {
    std::string VehicleID;
    jv::DateTime Date;
    std::optional<double> Odometer;

    // The same car (ignoring case, as the database does), day and odometer.
    bool SameAs(const RowReading& other) const;
};

// A register table whose rows carry an odometer (the fuel purchases, the expenses, the services)
// and the readings that mirror them in OdometerValues. A car holds one reading per value, so one
// reading stands for every row of the car with that odometer, whichever register wrote it first.
// A row's reading is recorded only after the row was written, follows the row when it changes (to
// another car too), and is removed only once no row of any register stands for it any more.
//
// Each write runs as one step: the row and its reading are written together or not at all, so a
// reading that cannot be written never leaves a row without it (nor a reading without its row).
//
// The register classes build the SQL of their rows; this class runs it and keeps the readings
// in step. Each operation takes the name of the register operation it serves, for the log.
class CRegisterTable : public CDatabaseObject {
public:
    struct Columns {
        const char* table;  // "FuelPurchases"
        const char* key;    // "FuelPurchaseID"
        const char* date;   // "FuelPurchaseDate"
        // What a row must meet to stand for a reading besides having an odometer (SQL on the
        // row's columns); none: every row with an odometer does.
        const char* readingCondition = nullptr;
    };

    CRegisterTable(jv::db::Connection connection, const Columns& columns);

    // Runs `write` as one step: when it returns false, whatever it wrote is undone. Steps may
    // nest; the outermost one decides.
    bool InOneStep(const std::function<bool()>& write, const std::string& method, int line);

    // Runs the insert of a row, then records the row's reading. True when the row was stored and
    // the car holds its reading (a reading of that value the car already has serves as well);
    // otherwise (for a car that is not there too) nothing is stored.
    bool InsertRow(const std::string& sql, const RowReading& row, const std::string& method, int line);
    // Runs the update of a stored row and moves its reading to what the row holds afterwards.
    // False, with nothing changed, when the statement or the reading fails, there is no such row or
    // the row would move to a car that is not there.
    bool UpdateRow(const std::string& rowID, const std::string& sql, const std::string& method, int line);
    // Deletes a row, then the reading it stood for. True when the row is gone; false, with the
    // row and its reading kept, when either cannot be removed.
    bool DeleteRow(const std::string& rowID, const std::string& method, int line);
    // True when the car is one of the user's cars. A row written for any other car would stand
    // in no list, lost to the user: it is refused, logged and reported ("Invalid vehicle id - <id>").
    bool IsCar(const std::string& vehicleID, const std::string& method, int line);
    // Records the reading that a row just written stands for, as the table stores it (for an
    // insert that must read its new id first). True when the car holds the reading afterwards,
    // or the row stands for none.
    bool RecordRow(const std::string& rowID, const std::string& method, int line);

    // The car, date and odometer (0 when it has none) of a stored row into `value`, whose id is
    // left alone. A row id that is not digits only is logged and reported ("Bad RowID in
    // GetOdometerData(): <id>"); false then and when there is no such row.
    bool GetOdometerData(const std::string& rowID, COdometerValue& value, const std::string& method, int line);

private:
    // The reading a stored row stands for; empty when the row is not there. `failed` tells a
    // statement that failed (logged and reported) from a row that is not there.
    std::optional<RowReading> ReadRow(const std::string& rowID, const std::string& method, int line, bool& failed);

    // Runs the row's own statement; false when it failed (logged and reported).
    bool Run(const std::string& sql, const std::string& method, int line);
    bool Record(const RowReading& row, const std::string& method, int line);
    // Takes away the reading a row stood for before it was deleted or changed; false when a
    // statement failed.
    bool Remove(const RowReading& row, const std::string& method, int line);
    bool CarHoldsValue(const RowReading& row, const std::string& method, int line, bool& holds);
    // The day of a row of any register that stands for the reading `readingID` of the car:
    // preferably one on `day`, otherwise the earliest. Empty when none does.
    bool RowStandingFor(const std::string& vehicleID, const std::string& readingID, const jv::DateTime& day,
                        const std::string& method, int line, std::optional<jv::DateTime>& standing);

    Columns m_columns;
};
