#pragma once

#include <string>
#include <vector>

#include "shared/data/OdometerValue.h"
#include "shared/ui/JVPage.h"

// The odometer register (page 215): the odometer readings of the selected car or of all cars,
// which the estimates and reminders are worked out from. Readings are added in the blank entry
// and corrected, deleted or put back in place, like the entries of the other registers (whose
// row mechanics it shares), without vendor, details or plan items.
class CWS_OdometerRegisterPage : public CJVPage {
public:
    CWS_OdometerRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document);

    void ProcessDocument() override;
    void BuildRows();
    void AddUpdateRow(jv::ui::Element* table);
    void PrintPage();
    // Saves the entry rowId as the page shows it; false when it was refused (a message said why).
    bool SaveEntry(const std::string& rowId);

    // Adds ("new") or corrects one reading. An empty or unreadable value, a date that is not a
    // date and a value the car already has are refused with a message saying so; the entry then
    // keeps what was typed.
    void SaveOdometerValue(const std::string& rowId, const std::string& date, const std::string& vehicleId,
                           const std::string& odometer);
    void DeleteOdometerValue(const std::string& rowId);
    void RestoreOdometer(const std::string& rowId);

private:
    void LoadReadings();
    void Refuse(const std::string& message);

    std::vector<COdometerValue> m_readings;
};
