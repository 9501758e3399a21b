#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mainapp/pages/JVRegisterPage.h"
#include "shared/registers/FuelPurchase.h"
#include "shared/registers/FuelRegisterDatabaseObject.h"

// The fuel register (page 175): every fuel purchase of the selected car, or of all cars, with the
// odometer and the distance driven on the tank, the vendor, whether the tank was filled, the
// price per volume unit, the volume and the total cost; new purchases go into the blank entry.
class CWS_FuelRegisterPage : public CJVRegisterPageOf<CFuelPurchase, &CFuelRegisterDatabaseObject::ReadEntry> {
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
    // The odometer of the last purchase before the entry rowId ("new": after the last) of the car
    // with an odometer, into the span "PreviousOdometer" as a plain number ("" when there is none):
    // the distance driven on a tank is worked out from it.
    void FindPreviousOdometer(const std::string& rowId, const std::string& vehicleId);

protected:
    void DeleteStored(const jv::db::Connection& connection, const std::string& rowId) override;
    void FillEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, size_t index, const CCarsDB& cars,
                       bool allCars) override;
    void FillNewEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, const CCarsDB& cars, bool allCars) override;

private:
    // The odometer FindPreviousOdometer gives, or nothing.
    std::optional<double> PreviousOdometer(const std::string& rowId, const std::string& vehicleId);
    void AppendTopRow(jv::ui::Element* row, const CFuelPurchase& purchase, const CCarsDB& cars, bool allCars);
    void AppendBottomRow(jv::ui::Element* row, const CFuelPurchase& purchase, bool allCars);
};
