#pragma once

#include <string>
#include <vector>

#include "mainapp/pages/JVRegisterPage.h"
#include "shared/registers/FuelPurchase.h"

// The fuel register (page 175): every fuel purchase of the selected car, or of all cars, with the
// odometer and the distance driven on the tank, the vendor, whether the tank was filled, the
// price per volume unit, the volume and the total cost; new purchases go into the blank entry.
class CWS_FuelRegisterPage : public CJVRegisterPage {
public:
    CWS_FuelRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document);

    void ProcessDocument() override;
    // The fuel register fills nothing from a vendor's last purchase.
    void GetLastValuesForVendor(const std::string&, const std::string&, const std::string&) override {}
    void AddUpdateRow(jv::ui::Element* table) override;
    void BuildRows() override;
    void PrintPage() override;
    bool SaveEntry(const std::string& rowId) override;

    // Adds ("new") or updates one purchase. Fields still showing their tip are empty; a number
    // field left empty is not given (no odometer: no reading). Text that is not a number or a date
    // is refused with a message, and nothing is saved.
    void SaveFuelData(const std::string& rowId, const std::string& vehicleId, const std::string& date,
                      const std::string& odometer, const std::string& distance, const std::string& vendor, bool fillUp,
                      const std::string& volume, const std::string& costPer, const std::string& cost,
                      const std::string& octane, const std::string& roads, const std::string& notes);
    void DeleteFuelRegisterRow(const std::string& rowId);
    // Puts an entry back to its stored values ("new": a fresh blank entry).
    void RestoreFuelData(const std::string& rowId);

    const std::vector<CFuelPurchase>& Purchases() const { return m_purchases; }

private:
    void LoadPurchases();
    // Shows the purchase just added where the register orders it, and a fresh blank entry; the
    // other rows stay as they are. Rebuilds the register when more than that one changed.
    void ShowAddedPurchase();
    void AppendTopRow(jv::ui::Element* row, const CFuelPurchase& purchase, const class CCarsDB& cars, bool allCars);
    void AppendBottomRow(jv::ui::Element* row, const CFuelPurchase& purchase, bool allCars);

    std::vector<CFuelPurchase> m_purchases;
};
