#include "mainapp/pages/WS_ServiceRegisterPage.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <tuple>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/JorvaneView.h"
#include "mainapp/dialogs/GenericDlg.h"
#include "mainapp/pages/RegisterFields.h"
#include "mainapp/pages/RegisterPrintout.h"
#include "mainapp/pages/RegisterRows.h"
#include "mainapp/pages/SaveChecks.h"
#include "platform/base/NumberText.h"
#include "platform/ui/Document.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarsDB.h"
#include "shared/data/OdometerValue.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"

using namespace registerrows;

namespace {

constexpr const char* kRegisterName = "Service Register";

}  // namespace

CWS_ServiceRegisterPage::CWS_ServiceRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document)
    : CJVRegisterPageOf(resourceId, std::move(document), CServiceRegisterDatabaseObject::Listing()) {}

void CWS_ServiceRegisterPage::ProcessDocument() {
    if (!ShowRegister("CWS_ServiceRegisterPage::ProcessDocument", kRegisterName, "<col width=\"150px\">",
                      {"<col width=\"90px\" align=\"right\">", "<col>", "<col width=\"120px\" align=\"right\">"},
                      {{"Odometer", "", true}, {"Vendor / Memo"}, {"Cost", "last", true}}, 0, 0))
        return;
    // The plan items due for the new entry's car.
    if (Element* select = Field(FindTopRow(*this, "new"), "carname_select"))
        DisplayServiceMaintenanceItems("new", select->value());
}

void CWS_ServiceRegisterPage::FillEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, size_t index,
                                            const CCarsDB& cars, bool allCars) {
    const CService& service = At(index);
    const OdometerEntry entry{service.ServiceID, service.ServiceDate, service.Odometer, service.Vendor,
                              service.ServiceMemo};
    AppendOdometerAndVendor(top, &entry, service.VehicleID, cars, allCars);
    Element* cell = Append(*this, top, "<td id=last>");
    AppendInput(*this, cell, "<input class=registerValueBoxNoBorder name=Cost data-n=2 data-num>",
                NumberText(service.Cost, 2));
    AppendInput(*this, cell, "<input type=hidden name=parts>", NumberText(service.Parts, 2));
    AppendInput(*this, cell, "<input type=hidden name=labor>", NumberText(service.Labor, 2));
    AppendInput(*this, cell, "<input type=hidden name=other>", NumberText(service.Other, 2));
    AppendInput(*this, cell, "<input type=hidden name=tax>", NumberText(service.Tax, 2));
    AppendText(*this, cell, "<textarea style=\"display:none;\" name=notes>", service.Notes);
    AppendMemoRow(bottom, &entry, allCars, 0);
}

void CWS_ServiceRegisterPage::FillNewEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, const CCarsDB& cars,
                                               bool allCars) {
    // A service completed from the home page comes with its car.
    std::string car = SelectedCar();
    CJorvaneView* view = CJorvaneView::GetView();
    if (view != nullptr && view->HasPendingReminder() && (car == "%" || car == view->GetPendingReminder()->VehicleID))
        car = view->GetPendingReminder()->VehicleID;
    AppendOdometerAndVendor(top, nullptr, car, cars, allCars);
    Element* cell = Append(*this, top, "<td id=last>");
    Append(*this, cell, "<input class=registerValueBoxTip name=Cost value=Cost data-n=2 data-num>");
    for (const char* hidden : {"<input type=hidden name=parts>", "<input type=hidden name=labor>",
                               "<input type=hidden name=other>", "<input type=hidden name=tax>"})
        Append(*this, cell, hidden);
    Append(*this, cell, "<textarea style=\"display:none;\" name=notes>");
    AppendMemoRow(bottom, nullptr, allCars, 0);
}

void CWS_ServiceRegisterPage::AppendChecklistItem(jv::ui::Element* list, const CMaintenancePlanItem& item) {
    const std::string id = std::to_string(item.MaintenancePlanItemID);
    Element* label = Append(*this, list, "<label class=maintenanceitem>");
    Element* box = Append(
        *this, label, "<input type=checkbox name=Item_" + id + " data-item=" + id + (item.Ticked ? " checked>" : ">"));
    (void)box;
    label->appendChild(GetDocument()->createTextNode(" " + item.DisplayText));
    Append(*this, list, "br");
}

void CWS_ServiceRegisterPage::DisplayServiceMaintenanceItems(const std::string& serviceId,
                                                             const std::string& vehicleId) {
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return;
    CServiceRegisterDatabaseObject services(doc->GetDatabaseConnection());
    m_checklist.clear();
    m_checklistServiceId = serviceId;
    const bool newEntry = serviceId == "new";
    CJorvaneView* view = CJorvaneView::GetView();
    if (newEntry) {
        services.GetUpcomingServices(vehicleId, m_checklist, doc->GetUserPreferences());
        for (CMaintenancePlanItem& item : m_checklist) item.Ticked = false;
        // The service of a reminder the user completed is listed (and ticked below) whatever the
        // window the upcoming services are taken from.
        if (view != nullptr && view->HasPendingReminder() && view->GetPendingReminder()->VehicleID == vehicleId) {
            const CReminder& pending = *view->GetPendingReminder();
            const bool listed =
                std::any_of(m_checklist.begin(), m_checklist.end(), [&pending](const CMaintenancePlanItem& item) {
                    return item.MaintenancePlanItemID == pending.MaintenancePlanItemID;
                });
            if (!listed && pending.MaintenancePlanItemID > 0) {
                CMaintenancePlanItem item;
                item.MaintenancePlanItemID = pending.MaintenancePlanItemID;
                item.DisplayText = pending.DisplayText;
                m_checklist.insert(m_checklist.begin(), item);
            }
        }
    } else {
        services.GetMaintenanceItems(serviceId, m_checklist);
        for (CMaintenancePlanItem& item : m_checklist) item.Ticked = true;
    }
    const std::vector<CMaintenancePlanItem> listed = m_checklist;
    ElementPtr list;
    if (GetElementById("MaintenanceItems", list)) {
        list->setInnerHTML(
            "<span style=\"font-weight: bold;font-size: 10px;\">Services Performed</span>&nbsp;&nbsp;<a "
            "class=selectall onclick=\"SelectAll();\">(Select All)</a><br>");
        for (CMaintenancePlanItem& item : m_checklist) {
            if (newEntry && view != nullptr && view->HasPendingReminder() &&
                view->GetPendingReminder()->MaintenancePlanItemID == item.MaintenancePlanItemID)
                item.Ticked = true;
            AppendChecklistItem(list.get(), item);
        }
    }
    ElementPtr additional;
    if (!GetDocumentItem("AdditionalService", additional) || !additional->is("select")) return;
    RemoveAllChildren(additional.get());
    std::vector<CMaintenancePlanItem> all;
    services.GetAllMaintenanceItems(vehicleId, all, true);
    AddSelectOption(additional.get(), "Select Additional Service Item", "-1", true, false);
    for (const CMaintenancePlanItem& item : all) {
        const bool shown = std::any_of(listed.begin(), listed.end(), [&item](const CMaintenancePlanItem& other) {
            return other.MaintenancePlanItemID == item.MaintenancePlanItemID;
        });
        if (!shown)
            AddSelectOption(additional.get(), item.DisplayText, std::to_string(item.MaintenancePlanItemID), false,
                            false);
    }
    additional->setSelectedIndex(0);
}

void CWS_ServiceRegisterPage::AddServiceMaintenanceItem(const std::string& itemId, const std::string& itemName) {
    const int id = std::atoi(itemId.c_str());
    if (id <= 0) return;
    CMaintenancePlanItem item;
    item.MaintenancePlanItemID = id;
    item.DisplayText = itemName;
    item.Ticked = true;
    m_checklist.push_back(item);
    ElementPtr list;
    if (GetElementById("MaintenanceItems", list)) AppendChecklistItem(list.get(), item);
    ElementPtr additional;
    if (GetDocumentItem("AdditionalService", additional) && additional->is("select")) {
        for (Element* option : additional->options()) {
            if (option->getAttribute("value").value_or("") == itemId) {
                additional->remove(option->index());
                break;
            }
        }
        additional->setSelectedIndex(0);
    }
}

void CWS_ServiceRegisterPage::CheckMaintenanceItem(int itemId) {
    ElementPtr box;
    if (!GetDocumentItem("Item_" + std::to_string(itemId), box)) return;
    for (CMaintenancePlanItem& item : m_checklist) {
        if (item.MaintenancePlanItemID == itemId) {
            item.Ticked = box->checked();
            break;
        }
    }
}

void CWS_ServiceRegisterPage::RemoveUncheckedItems() {
    for (CMaintenancePlanItem& item : m_checklist) CheckMaintenanceItem(item.MaintenancePlanItemID);
    m_checklist.erase(std::remove_if(m_checklist.begin(), m_checklist.end(),
                                     [](const CMaintenancePlanItem& item) { return !item.Ticked; }),
                      m_checklist.end());
}

bool CWS_ServiceRegisterPage::EstimateOdometer(const std::string& vehicleId, const std::string& dateText,
                                               std::string& odometer) {
    CJorvaneDoc* doc = Doc();
    const std::string ask =
        "Jorvane needs an odometer value for your service to help us schedule your reminders.<p>Please enter the "
        "odometer reading of this service.";
    CCarsDB cars(doc->GetDatabaseConnection());
    COdometerValue value;
    value.OdometerValue = -1.0f;
    value.OdometerDate.ParseDateTime(dateText);
    if (!cars.getCars(vehicleId, doc->GetUserPreferences()) || cars.m_cars.empty() ||
        !cars.getOdometerAtDate(cars.m_cars.front(), value, doc->GetUserPreferences()) || value.OdometerValue < 0) {
        // No car or nothing to estimate from: a made-up odometer would spoil the reminders.
        ShowMessage(ask, 260, 240);
        return false;
    }
    const std::string shown = NumberText(value.OdometerValue, 1);
    ShowMessage(
        "Jorvane needs an odometer value for your service to help us schedule your reminders.  We will save the value "
        "with an estimate of " +
            EscapeHtmlQuotes(shown) + ".<p>You can go back at any time and change the odometer value.",
        260, 280);
    odometer = jv::number::FormatFixed(jv::NumberFormat::User().Parse(shown), 6);
    return true;
}

void CWS_ServiceRegisterPage::SaveService(const std::string& rowId, const std::string& date,
                                          const std::string& vehicleId, const std::string& odometer,
                                          const std::string& vendor, const std::string& memo, const std::string& cost,
                                          const std::string& parts, const std::string& labor, const std::string& other,
                                          const std::string& tax, const std::string& notes) {
    const char* method = "CWS_ServiceRegisterPage::SaveService";
    SetSaveResult(*this, false);
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return;
    if (RefuseWithoutCar(*this, vehicleId)) return;
    auto numbers = NumbersForDatabase(rowId, {{"Odometer", odometer, "Odometer"},
                                              {"Cost", cost, "Cost"},
                                              {"Parts", parts, ""},
                                              {"Labor", labor, ""},
                                              {"Other", other, ""},
                                              {"Tax", tax, ""}});
    if (!numbers) return;
    std::vector<std::string>& texts = *numbers;
    const CService* stored = StoredEntry(rowId);
    const auto dateText = EntryDateForDatabase(date, stored != nullptr ? &stored->ServiceDate : nullptr);
    if (!dateText) return;
    // A new service without an odometer takes the estimate; a stored one whose odometer the user
    // cleared keeps none (an estimate now would be worked out from the reading being cleared).
    if (texts[0].empty() && rowId == "new" && !EstimateOdometer(vehicleId, *dateText, texts[0])) return;
    if (CJorvaneView* view = CJorvaneView::GetView()) view->ClearPendingReminder();

    const std::string vendorText = registerfields::WithoutTip(vendor, "Vendor");
    const std::string memoText = registerfields::WithoutTip(memo, "Memo");
    // The checklist is this entry's only when it was listed for it.
    const bool withItems = m_checklistServiceId == rowId;
    if (withItems) RemoveUncheckedItems();
    const std::vector<CMaintenancePlanItem> items = withItems ? m_checklist : std::vector<CMaintenancePlanItem>{};
    CServiceRegisterDatabaseObject services(doc->GetDatabaseConnection());
    // The entry's fields show all of it: what the user emptied is stored empty.
    services.SetEmptyFields(EmptyFields::Clear);
    if (rowId == "new") {
        std::string serviceId;
        if (!services.AddService(serviceId, vehicleId, *dateText, texts[0], vendorText, memoText, texts[1], texts[2],
                                 texts[3], texts[4], texts[5], notes, false, items)) {
            TraceLog(method, TRACE_ERROR, "Failed to Add Service.");
            return;
        }
    } else {
        const bool saved = withItems
                               ? services.UpdateService(rowId, vehicleId, *dateText, texts[0], vendorText, memoText,
                                                        texts[1], texts[2], texts[3], texts[4], texts[5], notes, items)
                               : services.UpdateService(rowId, vehicleId, *dateText, texts[0], vendorText, memoText,
                                                        texts[1], texts[2], texts[3], texts[4], texts[5], notes);
        if (!saved) {
            TraceLog(method, TRACE_ERROR, "Failed to Update Service.");
            RefuseGoneEntry(rowId);
            return;
        }
    }
    // The entry shows what was stored (an estimated odometer among it).
    ShowSavedWithVendor(rowId, vendorText);
}

bool CWS_ServiceRegisterPage::SaveEntry(const std::string& rowId) {
    Element* top = FindTopRow(*this, rowId);
    if (top == nullptr) return false;
    // As the page's Submit: a cost that is not the sum of its details is stored only when the user
    // says so (nobody there to answer: not stored).
    const jv::NumberFormat& format = jv::NumberFormat::User();
    const auto amount = [&format](const std::string& typed, const char* tip) {
        return registerfields::TypedNumber(typed, tip, format);
    };
    // The field the cursor is in may not have been left: its amount as the page shows it once left.
    std::string costText = EntryValueAsLeft(top, "Cost");
    std::string details[4];
    const char* const detailIds[] = {"details_parts", "details_labor", "details_other", "details_tax"};
    for (size_t i = 0; i < std::size(details); ++i)
        details[i] = registerfields::NumberAsLeft(PageValue(*this, detailIds[i]), 2, format);
    const auto cost = amount(costText, "Cost");
    const auto parts = amount(details[0], "");
    const auto labor = amount(details[1], "");
    const auto other = amount(details[2], "");
    const auto tax = amount(details[3], "");
    // A number that is no number is refused by the save itself, with its own message.
    if (cost && parts && labor && other && tax) {
        savechecks::ServiceAmounts amounts{*cost, *parts, *labor, *other, *tax};
        // A detail typed last and not left yet gives the cost their sum, as leaving it does, unless
        // the cost is one the user typed (the page marks which): that one stays as typed.
        ElementPtr mark;
        const bool costFollows = !GetElementById("CostFollows", mark) || mark->textContent() != "false";
        if (costFollows || amounts.cost == 0) {
            const double worked = savechecks::ServiceAmountsSettled(amounts, true).amounts.cost;
            if (worked != amounts.cost) {
                amounts.cost = worked;
                costText = registerfields::NumberForPage(worked, 2, false, format);
            }
        }
        if (savechecks::ServiceCostDiffers(amounts)) {
            CGenericDlg question;
            question.SetMessage(EscapeHtmlQuotes(savechecks::ServiceCostQuestion()));
            question.ShowCancelButton();
            if (question.DoModal() != 0) {
                SetSaveResult(*this, false);
                return false;
            }
        }
    }
    SaveService(rowId, EntryValue(top, "date"), EntryValue(top, "carname_select"), EntryValueAsLeft(top, "Odometer"),
                EntryValue(top, "Vendor"), EntryValue(top, "Memo"), costText, details[0], details[1], details[2],
                details[3], PageValue(*this, "details_notes"));
    return EntrySaved(*this);
}

nlohmann::json CWS_ServiceRegisterPage::SettleServiceAmounts(double cost, double parts, double labor, double other,
                                                             double tax, bool costFollows) {
    const auto settled = savechecks::ServiceAmountsSettled({cost, parts, labor, other, tax}, costFollows);
    const savechecks::ServiceAmounts& amounts = settled.amounts;
    return {{"cost", amounts.cost},
            {"parts", amounts.parts},
            {"labor", amounts.labor},
            {"other", amounts.other},
            {"tax", amounts.tax},
            {"adjusted", settled.adjusted},
            {"message", settled.adjusted == "corrected" ? savechecks::ServiceCostCorrected() : ""}};
}

nlohmann::json CWS_ServiceRegisterPage::CheckServiceCost(double cost, double parts, double labor, double other,
                                                         double tax) {
    const bool differs = savechecks::ServiceCostDiffers({cost, parts, labor, other, tax});
    return {{"question", differs ? savechecks::ServiceCostQuestion() : ""}};
}

void CWS_ServiceRegisterPage::PrintPage() {
    CJorvaneDoc* doc = Doc();
    if (doc == nullptr) return;
    CServiceRegisterDatabaseObject services(doc->GetDatabaseConnection());
    PrintRegister("Service",
                  {"Odometer", "Vendor", "Memo / Notes", "Services", "Parts", "Labor", "Other", "Tax", "Cost"},
                  [&](Printout& printout, const CCarsDB& cars, bool allCars) {
                      for (const CService& service : AllEntries()) {
                          printout.Row();
                          printout.Cell(DateText(service.ServiceDate), "<td valign=top>");
                          if (allCars) printout.Cell(cars.getCarName(service.VehicleID), "<td valign=top>");
                          printout.Cell(NumberText(service.Odometer, 1, true), "<td valign=top align=right>");
                          printout.Cell(service.Vendor, "<td valign=top>");
                          std::vector<std::string> memo = {service.ServiceMemo};
                          if (!service.Notes.empty()) memo.push_back(service.Notes);
                          printout.Lines(memo, "<td valign=top>");
                          std::vector<CMaintenancePlanItem> items;
                          services.GetMaintenanceItems(std::to_string(service.ServiceID), items);
                          std::vector<std::string> done;
                          for (const CMaintenancePlanItem& item : items) done.push_back(item.DisplayText);
                          printout.Lines(done, "<td valign=top>", true);
                          for (float amount : {service.Parts, service.Labor, service.Other, service.Tax, service.Cost})
                              printout.Cell(NumberText(amount, 2), "<td valign=top align=right>");
                      }
                  });
}
