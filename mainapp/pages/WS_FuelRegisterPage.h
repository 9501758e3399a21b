#pragma once

#include <optional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "mainapp/pages/JVRegisterPage.h"
#include "shared/registers/FuelPurchase.h"
#include "shared/registers/FuelRegisterDatabaseObject.h"

// The fuel register (page 175): every fuel purchase of the selected car, or of all cars, with the
// odometer and the distance driven on the tank, the vendor, whether the tank was filled, the
// price per volume unit, the volume and the total cost; new purchases go into the blank entry.
class CWS_FuelRegisterPage : public CJVRegisterPageOf<CFuelRegisterDatabaseObject, CFuelPurchase,
                                                      &CFuelRegisterDatabaseObject::DeleteFuelRegisterRow> {
public:
    CWS_FuelRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document);

    void ProcessDocument() override;
    void PrintPage() override;
    bool SaveEntry(const std::string& rowId) override;

    // Adds ("new") or updates one purchase. Fields still showing their tip are empty; a number
    // field left empty is not given (no odometer: no reading). Text that is not a number or a date
    // is refused with a message, and nothing is saved.
    void SaveFuelData(const std::string& rowId, const std::string& vehicleId, const std::string& date,
                      const std::string& odometer, const std::string& distance, const std::string& vendor, bool fillUp,
                      const std::string& volume, const std::string& costPer, const std::string& cost,
                      const std::string& octane, const std::string& roads, const std::string& notes);
    void DeleteFuelRegisterRow(const std::string& rowId) { DeleteEntry(rowId); }
    // Puts an entry back to its stored values ("new": a fresh blank entry).
    void RestoreFuelData(const std::string& rowId) { RestoreEntry(rowId); }
    // The arithmetic for the page as a field of the entry rowId is left, from the odometer of the
    // car's purchase before it: the distance from the odometer (WorkOutDistance), the odometer from
    // the distance (WorkOutOdometer), as savechecks::DistanceFromOdometer and OdometerFromDistance
    // give them ({outcome, value}); and the volume, price and total kept consistent
    // (SettleFuelAmounts, `typed` the amounts typed, the latest last: {volume, costPer, cost,
    // adjusted}). Each is the answer to the page's call.
    nlohmann::json WorkOutDistance(const std::string& rowId, const std::string& vehicleId, double odometer,
                                   double distance);
    nlohmann::json WorkOutOdometer(const std::string& rowId, const std::string& vehicleId, double distance,
                                   double odometer);
    nlohmann::json SettleFuelAmounts(double volume, double costPer, double cost, const std::string& typed);

protected:
    void FillEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, size_t index, const CCarsDB& cars,
                       bool allCars) override;
    void FillNewEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, const CCarsDB& cars, bool allCars) override;

private:
    // The odometer of the last purchase of the car with an odometer before the entry rowId in the
    // register's order, as the register is stored now, or nothing: the distance driven on a tank is
    // worked out from it. The new entry stands where its typed date and `odometer` (0: none) put it.
    std::optional<double> PreviousOdometer(const std::string& rowId, const std::string& vehicleId, double odometer);
    void AppendTopRow(jv::ui::Element* row, const CFuelPurchase& purchase, const CCarsDB& cars, bool allCars);
    void AppendBottomRow(jv::ui::Element* row, const CFuelPurchase& purchase, bool allCars);
};
