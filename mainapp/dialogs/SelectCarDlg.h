#pragma once

#include <string>

#include "shared/ui/JVDialog.h"

class CCarsDB;

// The car chooser of the menu's car commands: the caller's cars in a list, OK with a chosen car
// gives 1 and the car's VehicleID, anything else 0 (Escape and the close box 2). Double-clicking a
// car chooses it, as does Enter.
class CSelectCarDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 195;
    static constexpr unsigned kPageID = 253;

    explicit CSelectCarDlg(jv::ui::Dialog* parent = nullptr);

    // The cars to offer, filled by the caller (CCarsDB::getCars) and kept alive during DoModal.
    void SetCars(CCarsDB* cars) { m_pCars = cars; }
    // The chosen car after DoModal returned 1.
    const std::string& GetVehicleID() const { return m_strVehicleID; }

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
    void OnOK() override { OnButtonOK(); }

private:
    // Takes the selected car; OK without one is a cancel, so no caller acts on an empty car.
    void OnButtonOK();

    CCarsDB* m_pCars = nullptr;
    std::string m_strVehicleID;
};
