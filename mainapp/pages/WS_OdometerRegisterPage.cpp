#include "mainapp/pages/WS_OdometerRegisterPage.h"

#include <cstdlib>
#include <utility>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/pages/RegisterFields.h"
#include "mainapp/pages/RegisterPrintout.h"
#include "mainapp/pages/RegisterRows.h"
#include "platform/ui/Document.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"
#include "shared/data/OdometerValuesDatabaseObject.h"

using namespace registerrows;

namespace {

constexpr const char* kRegisterName = "Odometer Register";

}  // namespace

CWS_OdometerRegisterPage::CWS_OdometerRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVRegisterPageOf(resourceId, std::move(document), COdometerValuesDatabaseObject::Listing()) {}

void CWS_OdometerRegisterPage::ProcessDocument() {
    ShowRegister("CWS_OdometerRegisterPage::ProcessDocument", kRegisterName, "<col width=\"170px\">",
                 {"<col width=\"170px\" align=\"right\">"}, {{"Odometer", "last", true}}, 68, 92);
}

void CWS_OdometerRegisterPage::FillEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, size_t index,
                                             const CCarsDB& cars, bool allCars) {
    const COdometerValue& reading = At(index);
    const std::string carName = cars.getCarName(reading.VehicleID);
    Element* carCell = AppendDateCells(*this, top, &reading.OdometerDate, allCars, &carName);
    Element* cell = nullptr;
    cell = Append(*this, top, "<td id=last>");
    AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=odometer data-n=1 data-num>",
                NumberText(reading.OdometerValue, 1));
    AppendCarField(*this, carCell, cell, reading.VehicleID, nullptr);
    AppendFillerCell(*this, bottom, true);
    if (allCars) AppendFillerCell(*this, bottom, false);
    AppendSubmitCell(*this, bottom, false);
}

void CWS_OdometerRegisterPage::FillNewEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, const CCarsDB& cars,
                                                bool allCars) {
    Element* carCell = AppendDateCells(*this, top, nullptr, allCars, nullptr);
    Element* cell = nullptr;
    cell = Append(*this, top, "<td id=last>");
    Append(*this, cell, "<input class=registerValueBoxTip name=odometer value=Odometer data-n=1 data-num>");
    AppendCarField(*this, carCell, cell, SelectedCar(), &cars);
    AppendFillerCell(*this, bottom, true);
    if (allCars) AppendFillerCell(*this, bottom, false);
    AppendSubmitCell(*this, bottom, true);
}

void CWS_OdometerRegisterPage::Refuse(const std::string& message) {
    SetSaveResult(*this, false);
    ShowMessage(message + "<p>The odometer value was not saved.");
}

void CWS_OdometerRegisterPage::SaveOdometerValue(const std::string& rowId, const std::string& date,
                                                 const std::string& vehicleId, const std::string& odometer) {
    SetSaveResult(*this, false);
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return;
    if (RefuseWithoutCar(*this, vehicleId, "The odometer value was not saved.")) return;
    const auto value = registerfields::NumberForDatabase(odometer, "Odometer", jv::NumberFormat::User());
    if (!value) return Refuse("Invalid odometer value - \"" + EscapeHtmlQuotes(odometer) + "\" is not a number.");
    if (value->empty()) return Refuse("Please enter an odometer value.");
    if (jv::NumberFormat::Plain().Parse(*value) < 0) return Refuse("Invalid odometer value - it is below 0.");
    const COdometerValue* stored = StoredEntry(rowId);
    const auto dateText = EntryDateForDatabase(date, stored != nullptr ? &stored->OdometerDate : nullptr,
                                               "The odometer value was not saved.");
    if (!dateText) return;
    // Changing a reading that is no longer there changes nothing, and says so nowhere else.
    if (rowId != "new" && RefuseGoneEntry(rowId, "The odometer value was not saved.")) return;
    COdometerValuesDatabaseObject readings(doc->GetDatabaseConnection());
    if (!readings.IsOdometerValueValid(rowId == "new" ? "" : rowId, vehicleId, *dateText, *value)) {
        return Refuse("The odometer value " + EscapeHtmlQuotes(NumberText(jv::NumberFormat::Plain().Parse(*value), 1)) +
                      " is already recorded for this car.");
    }
    const bool saved = rowId == "new" ? readings.AddOdometerValue(vehicleId, *dateText, *value)
                                      : readings.UpdateOdometerValue(rowId, vehicleId, *dateText, *value);
    if (!saved) return Refuse("Jorvane could not write to your Jorvane file.");
    ShowSaved(rowId);
    SetSaveResult(*this, true);
}

bool CWS_OdometerRegisterPage::SaveEntry(const std::string& rowId) {
    Element* top = FindTopRow(*this, rowId);
    if (top == nullptr) return false;
    // The reading may still have the cursor in it: as the page shows it once left.
    SaveOdometerValue(rowId, EntryValue(top, "date"), EntryValue(top, "carname_select"),
                      EntryValueAsLeft(top, "odometer"));
    return EntrySaved(*this);
}

void CWS_OdometerRegisterPage::PrintPage() {
    PrintRegister("Odometer", {"Odometer"}, [this](Printout& printout, const CCarsDB& cars, bool allCars) {
        for (const COdometerValue& reading : AllEntries()) {
            printout.Row();
            printout.Cell(DateText(reading.OdometerDate));
            if (allCars) printout.Cell(cars.getCarName(reading.VehicleID));
            printout.Cell(NumberText(reading.OdometerValue, 1), "<td align=right>");
        }
    });
}
