#pragma once

#include <string>

#include "shared/ui/JVDialog.h"

// A new odometer reading of a car with its date. OK (or Enter) checks both (a date as the registers
// take one, and a number in the user's format) and stores the reading: 1 when it was stored. A date
// the registers refuse, a value that is not a number, or a reading the database refuses (one the
// car already has), is explained in the dialog, which stays open. Cancel gives 0.
class CWS_Home_UpdateOdometerDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 195;
    static constexpr unsigned kPageID = 214;

    explicit CWS_Home_UpdateOdometerDlg(jv::ui::Dialog* parent = nullptr);

    // The car, and the texts the fields start with (the home page passes today's date).
    void SetValues(const std::string& vehicleId, const std::string& date, const std::string& odometer);

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
    void OnOK() override { OnButtonOK(); }

private:
    void OnButtonOK();

    std::string m_strVehicleID;
    std::string m_strDate;
    std::string m_strOdometer;
};
