#pragma once

#include <string>

#include "shared/ui/JVDialog.h"

// The question before a car is deleted: "Yes" gives 1 (delete it), Cancel, Escape and the close
// box 0 (keep it), and the "Click here ... if you sold the vehicle" link 2 (record the sale
// instead). The caller does what the answer says.
class CDeleteCarDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 195;
    static constexpr unsigned kPageID = 252;
    static constexpr int kDelete = 1;
    static constexpr int kKeep = 0;
    static constexpr int kSold = 2;

    explicit CDeleteCarDlg(jv::ui::Dialog* parent = nullptr);

    void SetVehicleID(const std::string& vehicleId) { m_strVehicleID = vehicleId; }
    const std::string& GetVehicleID() const { return m_strVehicleID; }

protected:
    void OnInitDialog() override;
    // Escape keeps the car: it must not answer "sold" (2), as a dialog's cancel otherwise would.
    void OnCancel() override { EndDialog(kKeep); }

private:
    std::string m_strVehicleID;
};
