#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/base/NumberFormat.h"
#include "shared/data/DatabaseObject.h"
#include "shared/registers/CarCost.h"
#include "shared/registers/FuelPurchase.h"

class CCar;
class CUserPreferences;

// The statistics the home page shows for its list of cars: distance driven per unit of time,
// running cost per unit of time or distance with each car's total cost, fuel economy, and one
// car's cost history for the cost graph. The page keeps one for its life and reads the result
// lists after each computation: entry i belongs to car i of the list just given. Each computation
// starts its lists afresh, so a failure never leaves an earlier call's figures behind.
//
// Figures are texts in the user's number format ("N/A" where there is nothing to show); tests
// pass a format of their own.
class CCarsOverviewDB : public CDatabaseObject {
public:
    explicit CCarsOverviewDB(jv::db::Connection connection);
    CCarsOverviewDB(jv::db::Connection connection, const jv::NumberFormat& format);

    // Distance per "Year", "Month", "Week" or "Day", no decimals ("0" when it cannot be computed).
    void getDistancePerTime(std::vector<CCar>& cars, const std::string& unit, const CUserPreferences& prefs);
    // Cost per "Distance", "Year", "Month", "Week" or "Day" (two decimals) and each car's total
    // cost; fuel, services that were not skipped and expenses count. False for an empty car list
    // or when a statement fails, and then every entry of this call stays "0".
    bool getCostPerUnit(std::vector<CCar>& cars, std::string unit);
    // Distance per volume over the purchases between two fill-ups, one decimal ("N/A" without a
    // pair of fill-ups).
    void getFuelEconomy(std::vector<CCar>& cars);
    // Appends the car's cost rows, each with its date, odometer and cost: every fuel purchase,
    // service (skipped ones too) and expense, by date (rows without a date first). What the cost
    // graph draws from. A row dated by another program with text that is no date is left out, and
    // the trace log says so.
    bool getCostHistory(const std::string& VehicleID, std::vector<CCarCost>& costs);
    // Appends the car's fuel purchases in the register's order, as the register lists them, each
    // with what the fuel economy graph counts: its date, volume, distance and whether it filled up.
    // A purchase dated by another program with text that is no date is left out, and the trace log
    // says so.
    bool getFuelEconomyHistory(const std::string& VehicleID, const CUserPreferences& prefs,
                               std::vector<CFuelPurchase>& purchases);

    const std::vector<std::string>& GetDistancePerTime() const { return m_DistancePerTime; }
    const std::vector<std::string>& GetCostPerUnit() const { return m_CostPerUnit; }
    const std::vector<std::string>& GetFuelEconomy() const { return m_FuelEconomy; }
    const std::vector<std::string>& GetTotalCost() const { return m_TotalCost; }

private:
    std::string Show(double value, int digits) const;

    std::vector<std::string> m_DistancePerTime;
    std::vector<std::string> m_CostPerUnit;
    std::vector<std::string> m_FuelEconomy;
    std::vector<std::string> m_TotalCost;
    std::optional<jv::NumberFormat> m_format;  // the user's format when not given
};
