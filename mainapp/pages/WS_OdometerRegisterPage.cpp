#include "mainapp/pages/WS_OdometerRegisterPage.h"

#include <cstdlib>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/pages/RegisterFields.h"
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
    : CJVPage(resourceId, std::move(document)) {}

void CWS_OdometerRegisterPage::LoadReadings() {
    m_readings.clear();
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return;
    COdometerValuesDatabaseObject(doc->GetDatabaseConnection())
        .GetOdometerValues(SelectedCar(), m_readings, doc->GetUserPreferences());
}

void CWS_OdometerRegisterPage::ProcessDocument() {
    PublishNumberFormat(*this);
    const char* method = "CWS_OdometerRegisterPage::ProcessDocument";
    LoadReadings();
    ElementPtr table;
    if (!GetTableById("Register", table)) return;
    const bool allCars = AllCars();
    std::vector<std::string> columns = {"<col width=\"80px\">"};
    if (allCars) columns.emplace_back("<col width=\"170px\">");
    columns.emplace_back("<col width=\"170px\" align=\"right\">");
    if (!SetColumns(*this, columns, method, kRegisterName, 68)) return;
    std::vector<Heading> headings = {{"Date", "first"}};
    if (allCars) headings.emplace_back("Car");
    headings.emplace_back("Odometer", "last", true);
    if (!SetHeading(*this, headings, method, kRegisterName, 92)) return;
    BuildRows();
}

void CWS_OdometerRegisterPage::BuildRows() {
    const char* method = "CWS_OdometerRegisterPage::BuildRows";
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return;
    CCarsDB cars(doc->GetDatabaseConnection());
    LoadAllCars(cars);
    ElementPtr table;
    if (!GetTableById("Register", table)) return;
    const bool allCars = AllCars();
    ElementPtr body = NewBody(*this);
    if (!body) return;
    for (const COdometerValue& reading : m_readings) {
        Element* top = Append(*this, body.get(), "<tr class=registerrowtop>");
        Element* bottom = top != nullptr ? Append(*this, body.get(), "<tr class=registerrowbottom>") : nullptr;
        if (bottom == nullptr) {
            TraceLog(method, TRACE_ERROR, "Failed to add row to OdometerRegister");
            return;
        }
        top->setId(std::to_string(reading.OdometerValueID));
        Element* cell = Append(*this, top, "<td id=first>");
        AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=date>", DateText(reading.OdometerDate));
        Element* carCell = nullptr;
        if (allCars) {
            carCell = Append(*this, top, "td");
            AppendText(*this, carCell, "span", cars.getCarName(reading.VehicleID));
        }
        cell = Append(*this, top, "<td id=last>");
        AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=odometer data-n=1 data-num>",
                    NumberText(reading.OdometerValue, 1));
        // The car of a stored entry (its name shows in the Car column).
        AppendInput(*this, allCars ? carCell : cell, "<input type=hidden name=carname_select>", reading.VehicleID);
        AppendFillerCell(*this, bottom, true);
        if (allCars) AppendFillerCell(*this, bottom, false);
        AppendSubmitCell(*this, bottom, false);
    }
    ReplaceBody(*this, table.get(), body);
    AddUpdateRow(table.get());
    FocusNewEntry(table.get());
}

void CWS_OdometerRegisterPage::AddUpdateRow(jv::ui::Element* table) {
    const char* method = "CWS_OdometerRegisterPage::AddUpdateRow";
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr || table == nullptr) return;
    CCarsDB cars(doc->GetDatabaseConnection());
    LoadAllCars(cars);
    const bool allCars = AllCars();
    Element* top = AppendRow(*this, table);
    Element* bottom = top != nullptr ? AppendRow(*this, table) : nullptr;
    if (bottom == nullptr) {
        TraceLog(method, TRACE_ERROR, "Failed to add update row to OdometerRegister");
        return;
    }
    top->setClassName("registerrowcurrent_top");
    top->setId("new");
    bottom->setClassName("registerrowcurrent_bottom");
    Element* cell = Append(*this, top, "<td id=first>");
    AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=date>", Today());
    Element* carCell = allCars ? Append(*this, top, "td") : nullptr;
    cell = Append(*this, top, "<td id=last>");
    Append(*this, cell, "<input class=registerValueBoxTip name=odometer value=Odometer data-n=1 data-num>");
    Element* select = Append(*this, allCars ? carCell : cell,
                             std::string("<select class=registerValueBoxNoBorder style=\"") +
                                 (allCars ? "" : "display: none;") + "\" name=carname_select>");
    AppendCarOptions(*this, select, cars, SelectedCar());
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
    const auto value = registerfields::NumberForDatabase(odometer, "Odometer", jv::NumberFormat::User());
    if (!value) return Refuse("Invalid odometer value - \"" + EscapeHtmlQuotes(odometer) + "\" is not a number.");
    if (value->empty()) return Refuse("Please enter an odometer value.");
    if (jv::NumberFormat::Plain().Parse(*value) < 0) return Refuse("Invalid odometer value - it is below 0.");
    const auto dateText = registerfields::DateForDatabase(date);
    if (!dateText) return Refuse("Invalid date - \"" + EscapeHtmlQuotes(date) + "\" is not a date (month/day/year).");
    COdometerValuesDatabaseObject readings(doc->GetDatabaseConnection());
    if (!readings.IsOdometerValueValid(rowId == "new" ? "" : rowId, vehicleId, *dateText, *value)) {
        return Refuse("The odometer value " + EscapeHtmlQuotes(NumberText(jv::NumberFormat::Plain().Parse(*value), 1)) +
                      " is already recorded for this car.");
    }
    const bool saved = rowId == "new" ? readings.AddOdometerValue(vehicleId, *dateText, *value)
                                      : readings.UpdateOdometerValue(rowId, vehicleId, *dateText, *value);
    if (!saved) return Refuse("The odometer value could not be saved.");
    LoadReadings();
    BuildRows();
    SetSaveResult(*this, true);
}

bool CWS_OdometerRegisterPage::SaveEntry(const std::string& rowId) {
    Element* top = FindTopRow(*this, rowId);
    if (top == nullptr) return false;
    SaveOdometerValue(rowId, EntryValue(top, "date"), EntryValue(top, "carname_select"), EntryValue(top, "odometer"));
    return EntrySaved(*this);
}

void CWS_OdometerRegisterPage::DeleteOdometerValue(const std::string& rowId) {
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr || rowId == "new") return;
    COdometerValuesDatabaseObject(doc->GetDatabaseConnection()).DeleteOdometerValue(rowId);
    LoadReadings();
    BuildRows();
}

void CWS_OdometerRegisterPage::RestoreOdometer(const std::string& rowId) {
    const char* method = "CWS_OdometerRegisterPage::RestoreOdometer";
    if (rowId == "new") {
        ElementPtr table;
        if (!GetTableById("Register", table)) return;
        RemoveNewEntry(table.get());
        AddUpdateRow(table.get());
        return;
    }
    Element* top = nullptr;
    const COdometerValue* reading = FindEntryToRestore(
        *this, m_readings, rowId, [](const COdometerValue& entry) { return entry.OdometerValueID; }, method,
        "odometer value", top);
    if (reading == nullptr) return;
    SetField(top, "date", DateText(reading->OdometerDate));
    SetField(top, "odometer", NumberText(reading->OdometerValue, 1));
}

void CWS_OdometerRegisterPage::PrintPage() {
    const char* method = "CWS_OdometerRegisterPage::PrintPage";
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return;
    CCarsDB cars(doc->GetDatabaseConnection());
    LoadAllCars(cars);
    const bool allCars = AllCars();
    std::vector<std::string> headings = {"Date"};
    if (allCars) headings.emplace_back("Car");
    headings.emplace_back("Odometer");
    Element* table = StartPrintTable(*this, headings);
    if (table == nullptr) return;
    for (const COdometerValue& reading : m_readings) {
        Element* row = AppendRow(*this, table);
        if (row == nullptr) {
            TraceLog(method, TRACE_ERROR, "Failed to add row to OdometerRegister");
            return;
        }
        AppendText(*this, row, "td", DateText(reading.OdometerDate));
        if (allCars) AppendText(*this, row, "td", cars.getCarName(reading.VehicleID));
        AppendText(*this, row, "<td align=right>", NumberText(reading.OdometerValue, 1));
    }
    ShowPrintPreview("<h2>" + EscapeHtmlQuotes("Odometer History for " + cars.getCarName(SelectedCar())) + "</h2>" +
                     table->outerHTML());
}
