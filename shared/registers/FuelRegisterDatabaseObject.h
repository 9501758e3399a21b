#pragma once

#include <string>
#include <vector>

#include "shared/registers/FuelPurchase.h"
#include "shared/registers/RegisterDatabaseObject.h"

class COdometerValue;
class CUserPreferences;

// The fuel register: every fuel purchase of a car, in the table FuelPurchases. The odometer of
// each purchase also stands as a reading of the car, recorded, moved and removed with its row.
// Built on the stack for one operation.
// Written as CRegisterDatabaseObject says.
class CFuelRegisterDatabaseObject : public CRegisterDatabaseObject {
public:
    explicit CFuelRegisterDatabaseObject(jv::db::Connection connection);

    // The vendor is stored up to this many characters; Roads is one letter.
    static constexpr size_t kVendorWidth = 100;
    static constexpr size_t kRoadsWidth = 1;

    // Inserts the purchase, then records its odometer reading. True when the row was stored and,
    // when it has an odometer, the car holds that reading; otherwise nothing is stored.
    bool AddFuelData(const std::string& VehicleID, const std::string& dateText, const std::string& Odometer,
                     const std::string& Distance, const std::string& Vendor, bool FillUp, const std::string& Volume,
                     const std::string& CostPer, const std::string& Cost, const std::string& OctaneRating,
                     const std::string& Roads, const std::string& Notes);
    // Rewrites the given columns of a stored purchase (an empty VehicleID keeps its car); the
    // reading follows the row to its new date, odometer or car. False, with nothing changed, when
    // there is no such row or the reading cannot follow.
    bool UpdateFuelData(const std::string& rowID, const std::string& VehicleID, const std::string& dateText,
                        const std::string& Odometer, const std::string& Distance, const std::string& Vendor,
                        bool FillUp, const std::string& Volume, const std::string& CostPer, const std::string& Cost,
                        const std::string& OctaneRating, const std::string& Roads, const std::string& Notes);
    // Deletes the purchase, then its reading. True when the row is gone (also when there was none);
    // false, with both kept, when either cannot be removed.
    bool DeleteFuelRegisterRow(const std::string& rowID);
    // The car, date and odometer (0 when it has none) of a stored purchase; the reading's id is
    // left alone. False when there is no such row or the id is not a row id.
    bool GetOdometerData(const std::string& rowID, COdometerValue& value);

    // Appends the purchases of the matching cars ("%" for all) by date, then odometer; those of
    // sold cars only when the preferences show sold cars.
    void GetFuelRegister(std::string VehicleIDPattern, std::vector<CFuelPurchase>& purchases,
                         const CUserPreferences& prefs);
    // How the register lists its purchases (for a part of it, see CRegisterQuery), and a purchase
    // read from a row so listed.
    static const RegisterListing& Listing();
    static CFuelPurchase ReadEntry(const jv::db::Recordset& rs);
};
