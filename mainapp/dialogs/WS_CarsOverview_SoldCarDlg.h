#pragma once

#include <string>

#include "platform/base/DateTime.h"
#include "shared/ui/JVDialog.h"

// The details of a car's sale: date, price and buyer. OK checks what was typed (a date and a price
// are needed, the date one the registers take, the price a number in the user's format), records
// the sale and gives 1; otherwise the dialog says what is wrong and stays open. Cancel gives 0.
class CWS_CarsOverview_SoldCarDlg : public CJVDialog {
public:
    static constexpr unsigned kTemplateID = 186;
    static constexpr unsigned kPageID = 218;

    explicit CWS_CarsOverview_SoldCarDlg(jv::ui::Dialog* parent = nullptr);

    void SetVehicleID(const std::string& vehicleId) { m_strVehicleID = vehicleId; }

    // The message for what was typed, with today for the date: empty when the sale can be
    // recorded. On success the date and price come back as the database takes them
    // (month/day/year, plain decimal number).
    static std::string Validate(const std::string& date, const std::string& price, const jv::DateTime& today,
                                std::string& dateOut, std::string& priceOut);

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
    void OnOK() override { OnButtonOK(); }

private:
    void OnButtonOK();

    std::string m_strVehicleID;
};
