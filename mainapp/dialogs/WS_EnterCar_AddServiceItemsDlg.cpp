#include "mainapp/dialogs/WS_EnterCar_AddServiceItemsDlg.h"

#include <strings.h>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/dialogs/TypedValue.h"
#include "shared/core/NumberUtils.h"
#include "shared/data/UserPreferences.h"
#include "shared/ui/JVDialogPage.h"

namespace {

// A distance typed in the unit the user sees, in miles as the plan stores it.
int DistanceInMiles(int typed, const CUserPreferences& prefs) {
    if (!prefs.UsesKilometres()) return typed;
    return RoundDouble(typed / CUserPreferences::kKilometresPerMile);
}

}  // namespace

CWS_EnterCar_AddServiceItemsDlg::CWS_EnterCar_AddServiceItemsDlg(jv::ui::Dialog* parent)
    : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonSelectService", [this] { OnButtonSelectService(); });
    BindClick("ButtonRemoveService", [this] { OnButtonRemoveService(); });
    BindClick("ButtonOK", [this] { OnEnd1(); });
    BindClick("ButtonCancel", [this] { OnEnd0(); });
    BindClick("CreateNewItem", [this] { OnCreateNewItem(); });
}

void CWS_EnterCar_AddServiceItemsDlg::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
    SetBounds({std::nullopt, std::nullopt, 660, 520});
}

void CWS_EnterCar_AddServiceItemsDlg::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    if (IsEnded()) return;
    if (CJorvaneDoc* document = CJorvaneDoc::GetDoc()) {
        const std::string unit = document->GetUserPreferences().GetDistanceUnitName(false, true);
        CJVPage::ElementPtr span;
        if (GetPage()->GetElementById("DistanceUnit1", span)) span->setInnerText(unit);
        if (GetPage()->GetElementById("DistanceUnit2", span)) span->setInnerText(unit);
    }
    FillLists();
}

void CWS_EnterCar_AddServiceItemsDlg::FillLists() {
    const struct {
        const char* id;
        Items* items;
    } lists[] = {{"AvailableServiceItems", m_pAvailableItems}, {"SelectedServiceItems", m_pSelectedItems}};
    for (const auto& list : lists) {
        CJVPage::ElementPtr select;
        if (!GetPage() || !GetPage()->GetElementById(list.id, select)) {
            EndDialog(0);
            return;
        }
        GetPage()->RemoveAllChildren(select.get());
        if (list.items == nullptr) continue;
        for (const CMaintenancePlanItem& item : *list.items)
            GetPage()->AddSelectOption(select.get(), item.DisplayText, std::to_string(item.MaintenancePlanItemID),
                                       false, false);
    }
}

bool CWS_EnterCar_AddServiceItemsDlg::SelectedOptions(const std::string& listId, std::vector<int>& picked) {
    picked.clear();
    CJVPage::ElementPtr select;
    if (!GetPage() || !GetPage()->GetElementById(listId, select) || !select->is("select")) return false;
    const auto options = select->options();
    for (size_t k = 0; k < options.size(); ++k)
        if (options[k]->selected()) picked.push_back(static_cast<int>(k));
    return true;
}

void CWS_EnterCar_AddServiceItemsDlg::MoveItems(Items& from, Items& to, const std::vector<int>& picked) {
    // From the last to the first, so the positions still to move stay where they were.
    for (auto it = picked.rbegin(); it != picked.rend(); ++it) {
        const int k = *it;
        if (k < 0 || static_cast<size_t>(k) >= from.size()) continue;
        CMaintenancePlanItem item = from[static_cast<size_t>(k)];
        auto before = to.begin();
        while (before != to.end() && before->DisplayText.compare(item.DisplayText) <= 0) ++before;
        to.insert(before, item);
        from.erase(from.begin() + k);
    }
}

void CWS_EnterCar_AddServiceItemsDlg::InsertNewItem(Items& plan, const CMaintenancePlanItem& item) {
    auto before = plan.begin();
    while (before != plan.end() && strcasecmp(before->DisplayText.c_str(), item.DisplayText.c_str()) <= 0) ++before;
    plan.insert(before, item);
}

std::optional<CMaintenancePlanItem> CWS_EnterCar_AddServiceItemsDlg::MakeNewItem(
    const std::string& item, const std::string& action, const std::string& initialDistance,
    const std::string& initialMonths, const std::string& intervalDistance, const std::string& intervalMonths,
    const CUserPreferences& prefs, const jv::NumberFormat& format) {
    const auto a = CTypedValue::Count(initialDistance, format), b = CTypedValue::Count(initialMonths, format),
               c = CTypedValue::Count(intervalDistance, format), d = CTypedValue::Count(intervalMonths, format);
    if (!a || !b || !c || !d) return std::nullopt;
    CMaintenancePlanItem created;
    created.ITEM_DESCRIPTION = item;
    created.ACTION_DESCRIPTION = action;
    created.DisplayText = CMaintenancePlanItem::MakeDisplayText(item, action);
    created.INITIAL_MILEAGE = DistanceInMiles(*a, prefs);
    created.INITIAL_MONTH = *b;
    created.INTERVAL_MILEAGE = DistanceInMiles(*c, prefs);
    created.INTERVAL_MONTH = *d;
    return created;
}

void CWS_EnterCar_AddServiceItemsDlg::OnButtonSelectService() {
    std::vector<int> picked;
    if (!SelectedOptions("AvailableServiceItems", picked)) {
        EndDialog(0);
        return;
    }
    if (m_pAvailableItems != nullptr && m_pSelectedItems != nullptr)
        MoveItems(*m_pAvailableItems, *m_pSelectedItems, picked);
    FillLists();
}

void CWS_EnterCar_AddServiceItemsDlg::OnButtonRemoveService() {
    std::vector<int> picked;
    if (!SelectedOptions("SelectedServiceItems", picked)) {
        EndDialog(0);
        return;
    }
    if (m_pAvailableItems != nullptr && m_pSelectedItems != nullptr)
        MoveItems(*m_pSelectedItems, *m_pAvailableItems, picked);
    FillLists();
}

void CWS_EnterCar_AddServiceItemsDlg::OnCreateNewItem() {
    static const char* const kInputs[] = {
        "NewItem",          "NewAction", "InputInitialDistance", "InputInitialTime", "InputIntervalDistance",
        "InputIntervalTime"};
    std::string values[6];
    for (size_t i = 0; i < 6; ++i) {
        CJVPage::ElementPtr input;
        if (!GetPage() || !GetPage()->GetElementById(kInputs[i], input)) {
            EndDialog(0);
            return;
        }
        values[i] = input->value();
    }
    CUserPreferences miles;
    const CUserPreferences& prefs =
        CJorvaneDoc::GetDoc() != nullptr ? CJorvaneDoc::GetDoc()->GetUserPreferences() : miles;
    const std::optional<CMaintenancePlanItem> item =
        MakeNewItem(values[0], values[1], values[2], values[3], values[4], values[5], prefs, jv::NumberFormat::User());
    // The typing stays in the form either way; a message says what is wrong with it.
    std::string refusal;
    for (size_t i = 2; i < 6 && !item; ++i) {
        if (!CTypedValue::Count(values[i])) {
            refusal = "\"" + values[i] + "\" is not a number. Please enter the distances and months as numbers.";
            break;
        }
    }
    CJVPage::ElementPtr message;
    if (GetPage()->GetElementById("message", message)) message->setInnerText(refusal);
    if (!item) return;
    if (m_pSelectedItems != nullptr) InsertNewItem(*m_pSelectedItems, *item);
    FillLists();
}
