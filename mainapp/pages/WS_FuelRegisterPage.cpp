#include "mainapp/pages/WS_FuelRegisterPage.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/pages/RegisterFields.h"
#include "mainapp/pages/RegisterPrintout.h"
#include "mainapp/pages/RegisterRows.h"
#include "mainapp/pages/SaveChecks.h"
#include "platform/base/Clock.h"
#include "platform/base/NumberText.h"
#include "platform/ui/Document.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"
#include "shared/data/SqlValue.h"
#include "shared/registers/FuelRegisterDatabaseObject.h"

using namespace registerrows;

namespace {

// The typed amounts' names as the page lists them, the latest last.
std::vector<std::string> TypedOrder(const std::string& names) {
    std::vector<std::string> order;
    std::istringstream words(names);
    for (std::string name; words >> name;) order.push_back(name);
    return order;
}

constexpr const char* kRegisterName = "Fuel Register";

std::string RoadsName(const std::string& roads) {
    if (roads == "C") return "City";
    if (roads == "H") return "Highway";
    return "Mixed";
}

}  // namespace

CWS_FuelRegisterPage::CWS_FuelRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVRegisterPageOf(resourceId, std::move(document), CFuelRegisterDatabaseObject::Listing()) {}

void CWS_FuelRegisterPage::ProcessDocument() {
    CJorvaneDoc* doc = Doc();
    const std::string volumeUnit = doc != nullptr ? doc->GetUserPreferences().GetVolumeUnitName(true, false) : "Gallon";
    const std::string distanceUnit =
        doc != nullptr ? doc->GetUserPreferences().GetDistanceUnitName(false, true) : "miles";
    ElementPtr span;
    if (GetElementById("VolumeUnit", span)) span->setTextContent(volumeUnit);
    if (GetElementById("DistanceUnit", span)) span->setTextContent(distanceUnit);

    // Wide enough for a date, an odometer of six figures, the heading of each column and the
    // Submit button.
    ShowRegister("CWS_FuelRegisterPage::ProcessDocument", kRegisterName, "<col width=\"150px\">",
                 {"<col width=\"90px\" align=\"right\">", "<col>", "<col width=\"50px\">",
                  "<col width=\"110px\" align=\"right\">", "<col width=\"120px\" align=\"right\">"},
                 {{"Odometer / Distance", "", true},
                  {"Vendor"},
                  {"Filled Tank"},
                  {"Cost Per " + volumeUnit + " / Volume", "", true},
                  {"Total Cost", "last", true}},
                 0, 0);
}

void CWS_FuelRegisterPage::AppendTopRow(jv::ui::Element* row, const CFuelPurchase& purchase, const CCarsDB& cars,
                                        bool allCars) {
    const std::string id = std::to_string(purchase.GetFuelPurchaseID());
    const std::string carName = cars.getCarName(purchase.GetVehicleID());
    const jv::DateTime date = purchase.GetFuelPurchaseDate();
    Element* carCell = AppendDateCells(*this, row, &date, allCars, &carName);
    Element* cell = nullptr;
    cell = Append(*this, row, "td");
    AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=Odometer data-num>",
                NumberText(purchase.GetOdometer(), 1, true));
    cell = Append(*this, row, "td");
    AppendVendorField(*this, cell, id, purchase.GetVendor());
    AppendCarField(*this, carCell, cell, purchase.GetVehicleID(), nullptr);
    cell = Append(*this, row, "td");
    Append(*this, cell,
           std::string("<input class=registerValueBoxNoBorder type=checkbox ") +
               (purchase.GetFillUp() ? "checked" : "") + " name=fillup value=yes>");
    cell = Append(*this, row, "td");
    AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=\"Cost Per\" data-num>",
                NumberText(purchase.GetCostPer(), 3, true));
    cell = Append(*this, row, "<td id=last>");
    AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=\"Total Cost\" data-num>",
                NumberText(purchase.GetCost(), 2));
    AppendInput(*this, cell, "<input type=hidden name=octane>", std::to_string(purchase.GetOctaneRating()));
    AppendInput(*this, cell, "<input type=hidden name=roads>", purchase.GetRoads());
    AppendText(*this, cell, "<textarea style=\"display:none;\" name=notes>", purchase.GetNotes());
}

void CWS_FuelRegisterPage::AppendBottomRow(jv::ui::Element* row, const CFuelPurchase& purchase, bool allCars) {
    AppendFillerCell(*this, row, true);
    if (allCars) AppendFillerCell(*this, row, false);
    Element* cell = Append(*this, row, "td");
    AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=Distance data-num>",
                NumberText(purchase.GetDistance(), 1, true));
    AppendFillerCell(*this, row, false);
    AppendFillerCell(*this, row, false);
    cell = Append(*this, row, "td");
    AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=Volume data-num>",
                NumberText(purchase.GetVolume(), 3, true));
    AppendSubmitCell(*this, row, false);
}

void CWS_FuelRegisterPage::FillEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, size_t index,
                                         const CCarsDB& cars, bool allCars) {
    AppendTopRow(top, At(index), cars, allCars);
    AppendBottomRow(bottom, At(index), allCars);
}

void CWS_FuelRegisterPage::FillNewEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, const CCarsDB& cars,
                                            bool allCars) {
    Element* carCell = AppendDateCells(*this, top, nullptr, allCars, nullptr);
    Element* cell = nullptr;
    cell = Append(*this, top, "td");
    Append(*this, cell, "<input class=registerValueBoxTip name=Odometer value=Odometer data-num>");
    cell = Append(*this, top, "td");
    AppendVendorField(*this, cell, "new", "");
    AppendCarField(*this, carCell, cell, SelectedCar(), &cars);
    cell = Append(*this, top, "td");
    Append(*this, cell, "<input class=registerValueBoxNoBorder type=checkbox checked name=fillup value=yes>");
    cell = Append(*this, top, "td");
    Append(*this, cell, "<input class=registerValueBoxTip name=\"Cost Per\" value=\"Cost Per\" data-num>");
    cell = Append(*this, top, "<td id=last>");
    Append(*this, cell, "<input class=registerValueBoxTip name=\"Total Cost\" value=\"Total Cost\" data-num>");
    Append(*this, cell, "<input type=hidden name=octane>");
    Append(*this, cell, "<input type=hidden name=roads>");
    Append(*this, cell, "<textarea style=\"display:none;\" name=notes>");

    AppendFillerCell(*this, bottom, true);
    if (allCars) AppendFillerCell(*this, bottom, false);
    cell = Append(*this, bottom, "td");
    Append(*this, cell, "<input class=registerValueBoxTip name=Distance value=Distance data-num>");
    AppendFillerCell(*this, bottom, false);
    AppendFillerCell(*this, bottom, false);
    cell = Append(*this, bottom, "td");
    Append(*this, cell, "<input class=registerValueBoxTip name=Volume value=Volume data-num>");
    AppendSubmitCell(*this, bottom, true);
}

void CWS_FuelRegisterPage::SaveFuelData(const std::string& rowId, const std::string& vehicleId, const std::string& date,
                                        const std::string& odometer, const std::string& distance,
                                        const std::string& vendor, bool fillUp, const std::string& volume,
                                        const std::string& costPer, const std::string& cost, const std::string& octane,
                                        const std::string& roads, const std::string& notes) {
    CJorvaneDoc* doc = Doc();
    SetSaveResult(*this, false);
    if (doc == nullptr) return;
    if (RefuseWithoutCar(*this, vehicleId)) return;
    const auto numbers = NumbersForDatabase(rowId, {{"Odometer", odometer, "Odometer"},
                                                    {"Distance", distance, "Distance"},
                                                    {"Volume", volume, "Volume"},
                                                    {"Cost Per", costPer, "Cost Per"},
                                                    {"Total Cost", cost, "Total Cost"},
                                                    {"Octane", octane, ""}});
    if (!numbers) return;
    const std::vector<std::string>& texts = *numbers;
    const CFuelPurchase* stored = StoredEntry(rowId);
    const jv::DateTime storedDate = stored != nullptr ? stored->GetFuelPurchaseDate() : jv::DateTime::Invalid();
    const auto dateText = EntryDateForDatabase(date, &storedDate);
    if (!dateText) return;
    // The octane rating is a whole number.
    const std::string octaneText = texts[5].empty() ? "" : std::to_string(std::atoi(texts[5].c_str()));
    const std::string vendorText = registerfields::WithoutTip(vendor, "Vendor");

    CFuelRegisterDatabaseObject fuel(doc->GetDatabaseConnection());
    // The entry's fields show all of it: what the user emptied is stored empty.
    fuel.SetEmptyFields(EmptyFields::Clear);
    bool saved = false;
    if (rowId == "new") {
        saved = fuel.AddFuelData(vehicleId, *dateText, texts[0], texts[1], vendorText, fillUp, texts[2], texts[3],
                                 texts[4], octaneText, roads, notes);
    } else {
        saved = fuel.UpdateFuelData(rowId, vehicleId, *dateText, texts[0], texts[1], vendorText, fillUp, texts[2],
                                    texts[3], texts[4], octaneText, roads, notes);
    }
    // A refused entry stays on the page as typed.
    if (!saved) {
        RefuseGoneEntry(rowId);
        return;
    }
    ShowSavedWithVendor(rowId, vendorText);
}

bool CWS_FuelRegisterPage::SaveEntry(const std::string& rowId) {
    Element* top = FindTopRow(*this, rowId);
    if (top == nullptr) return false;
    // The details below the register are the selected entry's.
    std::string roads = "M";
    for (int index = 0; index < 2; ++index) {
        ElementPtr radio;
        if (GetDocumentItem("City_Hwy", radio, index) && radio->checked()) roads = index == 0 ? "C" : "H";
    }
    // The field last typed in may not have been left: what the page works out on leaving it (the
    // distance from the odometer, the total from volume and price, the amounts rounded as shown) is
    // worked out here as well.
    const std::string vehicleId = EntryValue(top, "carname_select");
    std::string fields[] = {EntryValue(top, "Odometer"), EntryValue(top, "Distance"), EntryValue(top, "Volume"),
                            EntryValue(top, "Cost Per"), EntryValue(top, "Total Cost")};
    const char* const tips[] = {"Odometer", "Distance", "Volume", "Cost Per", "Total Cost"};
    const jv::NumberFormat& format = jv::NumberFormat::User();
    double values[std::size(fields)] = {};
    bool numbers = true;
    for (size_t i = 0; i < std::size(fields); ++i) {
        const auto value = registerfields::TypedNumber(fields[i], tips[i], format);
        if (value)
            values[i] = *value;
        else
            numbers = false;
    }
    // A number that is no number is refused by the save itself, with its own message.
    if (numbers) {
        const auto reading =
            savechecks::FuelReadingWorkedOut({values[0], values[1]}, PreviousOdometer(rowId, vehicleId, values[0]));
        // Which amounts the user typed, the latest last (the page shows them, the one being typed
        // in counted): the one typed longest ago gives way when the three disagree.
        ElementPtr typed;
        const std::vector<std::string> typedOrder =
            GetElementById("TypedAmounts", typed) ? TypedOrder(typed->textContent()) : std::vector<std::string>();
        const bool changed = EntryFieldChanged(top, "Volume") || EntryFieldChanged(top, "Cost Per") ||
                             EntryFieldChanged(top, "Total Cost");
        const auto amounts = savechecks::FuelAmountsWorkedOut({values[2], values[3], values[4]}, typedOrder, changed);
        const double worked[] = {reading.odometer, reading.distance, amounts.volume, amounts.costPer, amounts.cost};
        const int digits[] = {1, 1, 3, 3, 2};
        for (size_t i = 0; i < std::size(fields); ++i) {
            if (worked[i] != values[i]) fields[i] = registerfields::NumberForPage(worked[i], digits[i], false, format);
        }
    }
    SaveFuelData(rowId, vehicleId, EntryValue(top, "date"), fields[0], fields[1], EntryValue(top, "Vendor"),
                 EntryChecked(top, "fillup"), fields[2], fields[3], fields[4], PageValue(*this, "details_octane"),
                 roads, PageValue(*this, "details_notes"));
    return EntrySaved(*this);
}

std::optional<double> CWS_FuelRegisterPage::PreviousOdometer(const std::string& rowId, const std::string& vehicleId,
                                                            double odometer) {
    RegisterPlace place;
    if (rowId != "new") {
        if (!sqlvalue::IsRecordId(rowId)) return std::nullopt;
        place.id = std::atoi(rowId.c_str());
    } else if (Element* top = FindTopRow(*this, "new")) {
        // A date the register would not take puts the entry after every other.
        const auto date = registerfields::DateForDatabase(EntryValue(top, "date"), jv::CurrentClock().Now(), nullptr);
        const auto day = date.problem == registerfields::EntryDate::Problem::None ? sqlvalue::ParseDate(date.text)
                                                                                  : std::nullopt;
        if (day) {
            place.values.push_back(sqlvalue::Date(*day));
            if (odometer > 0) place.values.push_back(sqlvalue::Number(odometer));
        }
    }
    auto query = Query();
    if (!query) return std::nullopt;
    std::optional<double> previous;
    query->ReadLatestBefore(place, "fp.VehicleID = " + sqlvalue::Quoted(vehicleId) + " AND Odometer > 0",
                            [&](const jv::db::Recordset& row) {
                                previous = CFuelRegisterDatabaseObject::ReadEntry(row).GetOdometer();
                            });
    return previous;
}

nlohmann::json CWS_FuelRegisterPage::WorkOutDistance(const std::string& rowId, const std::string& vehicleId,
                                                     double odometer, double distance) {
    const auto reading = savechecks::DistanceFromOdometer(odometer, distance, PreviousOdometer(rowId, vehicleId, odometer));
    return {{"outcome", reading.outcome}, {"value", reading.value}};
}

nlohmann::json CWS_FuelRegisterPage::WorkOutOdometer(const std::string& rowId, const std::string& vehicleId,
                                                     double distance, double odometer) {
    const auto reading = savechecks::OdometerFromDistance(distance, odometer, PreviousOdometer(rowId, vehicleId, odometer));
    return {{"outcome", reading.outcome}, {"value", reading.value}};
}

nlohmann::json CWS_FuelRegisterPage::SettleFuelAmounts(double volume, double costPer, double cost,
                                                       const std::string& typed) {
    const auto settled = savechecks::FuelAmountsSettled({volume, costPer, cost}, TypedOrder(typed));
    return {{"volume", settled.amounts.volume},
            {"costPer", settled.amounts.costPer},
            {"cost", settled.amounts.cost},
            {"adjusted", settled.adjusted}};
}

void CWS_FuelRegisterPage::PrintPage() {
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return;
    const std::string volumeUnit = doc->GetUserPreferences().GetVolumeUnitName(true, false);
    PrintRegister("Fuel",
                  {"Odometer", "Distance", "Vendor", "Filled Tank", "Octane", "Roads", "Notes", "Volume",
                   "Cost Per " + volumeUnit, "Total Cost"},
                  [this](Printout& printout, const CCarsDB& cars, bool allCars) {
                      for (const CFuelPurchase& purchase : AllEntries()) {
                          printout.Row();
                          printout.Cell(DateText(purchase.GetFuelPurchaseDate()), "<td id=first>");
                          if (allCars) printout.Cell(cars.getCarName(purchase.GetVehicleID()));
                          printout.Cell(NumberText(purchase.GetOdometer(), 1, true), "<td align=right>");
                          printout.Cell(NumberText(purchase.GetDistance(), 1, true), "<td align=right>");
                          printout.Cell(purchase.GetVendor());
                          printout.Cell(purchase.GetFillUp() ? "Yes" : "No");
                          printout.Cell(std::to_string(purchase.GetOctaneRating()), "<td align=right>");
                          printout.Cell(RoadsName(purchase.GetRoads()));
                          printout.Cell(purchase.GetNotes());
                          // Numbers in the user's format: volumes and money with two decimals, unit
                          // prices with three.
                          printout.Cell(NumberText(purchase.GetVolume(), 2, true), "<td align=right>");
                          printout.Cell(NumberText(purchase.GetCostPer(), 3, true), "<td align=right>");
                          printout.Cell(NumberText(purchase.GetCost(), 2), "<td id=last align=right>");
                      }
                  });
}
