#pragma once

#include <string>
#include <vector>

#include "mainapp/pages/JVRegisterPage.h"
#include "shared/data/OdometerValue.h"
#include "shared/data/OdometerValuesDatabaseObject.h"

// The odometer register (page 215): the odometer readings of the selected car or of all cars,
// which the estimates and reminders are worked out from. Readings are added in the blank entry
// and corrected, deleted or put back in place, like the entries of the other registers (whose
// row mechanics it shares), without vendor, details or plan items.
class CWS_OdometerRegisterPage : public CJVRegisterPageOf<COdometerValuesDatabaseObject, COdometerValue,
                                                          &COdometerValuesDatabaseObject::DeleteOdometerValue> {
public:
    CWS_OdometerRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document);

    void ProcessDocument() override;
    void PrintPage() override;
    bool SaveEntry(const std::string& rowId) override;

    // Adds ("new") or corrects one reading. An empty or unreadable value, a date that is not a
    // date and a value the car already has are refused with a message saying so; the entry then
    // keeps what was typed.
    void SaveOdometerValue(const std::string& rowId, const std::string& date, const std::string& vehicleId,
                           const std::string& odometer);
    void DeleteOdometerValue(const std::string& rowId) { DeleteEntry(rowId); }
    void RestoreOdometer(const std::string& rowId) { RestoreEntry(rowId); }

protected:
    void FillEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, size_t index, const CCarsDB& cars,
                       bool allCars) override;
    void FillNewEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, const CCarsDB& cars, bool allCars) override;

private:
    void Refuse(const std::string& message);
};
