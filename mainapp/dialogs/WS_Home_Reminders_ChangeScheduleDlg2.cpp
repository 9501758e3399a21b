#include "mainapp/dialogs/WS_Home_Reminders_ChangeScheduleDlg2.h"

#include <cmath>

#include "mainapp/JorvaneDoc.h"
#include "shared/core/NumberUtils.h"
#include "shared/data/UserPreferences.h"
#include "shared/ui/JVDialogPage.h"

namespace {

constexpr int kDistanceStep = 50;

CWS_Home_Reminders_ChangeScheduleDlg2::Group MakeGroup(int oldValue, int newValue) {
    CWS_Home_Reminders_ChangeScheduleDlg2::Group group;
    group.oldValue = static_cast<float>(oldValue);
    group.newValue = static_cast<float>(newValue);
    if (oldValue != 0) group.ratio = group.newValue / group.oldValue;
    return group;
}

// A stored distance (miles) as the user sees it.
double Shown(double miles, const CUserPreferences& prefs) {
    return prefs.ConvertDistanceRounded(miles, kDistanceStep);
}

// A distance in the user's unit, in miles.
int ToMiles(double shown, const CUserPreferences& prefs) {
    return prefs.UsesKilometres() ? RoundDouble(shown / CUserPreferences::kKilometresPerMile) : RoundDouble(shown);
}

std::string Number(double value) {
    std::string text;
    return DoubleToLocaleString(text, value, 0);
}

// "5,000 miles or 6 months", each part only when its number is above 0.
std::string Parts(double distance, double months, const std::string& unit) {
    std::string text;
    if (distance > 0) text += Number(distance) + " " + unit;
    if (distance > 0 && months > 0) text += " or ";
    if (months > 0) text += Number(months) + " months";
    return text;
}

}  // namespace

CWS_Home_Reminders_ChangeScheduleDlg2::CWS_Home_Reminders_ChangeScheduleDlg2(jv::ui::Dialog* parent)
    : CJVDialog(kTemplateID, kPageID, parent) {
    BindClick("ButtonOK", [this] { OnButtonOK(); });
    BindClick("ButtonOK2", [this] { OnButtonOK(); });
    BindClick("ButtonCancel", [this] { OnEnd2(); });
    BindClick("ButtonCancel2", [this] { OnEnd2(); });
}

void CWS_Home_Reminders_ChangeScheduleDlg2::SetSchedule(int itemId, int oldInitialDistance, int newInitialDistance,
                                                        int oldIntervalDistance, int newIntervalDistance,
                                                        int oldInitialMonths, int newInitialMonths,
                                                        int oldIntervalMonths, int newIntervalMonths) {
    m_nItemID = itemId;
    m_initialDistance = MakeGroup(oldInitialDistance, newInitialDistance);
    m_intervalDistance = MakeGroup(oldIntervalDistance, newIntervalDistance);
    m_initialMonths = MakeGroup(oldInitialMonths, newInitialMonths);
    m_intervalMonths = MakeGroup(oldIntervalMonths, newIntervalMonths);
}

void CWS_Home_Reminders_ChangeScheduleDlg2::OnInitDialog() {
    CJVDialog::OnInitDialog();
    LoadFromResource(kPageID);
    SetBounds({std::nullopt, std::nullopt, 560, 400});
}

bool CWS_Home_Reminders_ChangeScheduleDlg2::IsSimilar(const CMaintenancePlanItem& item,
                                                      const CUserPreferences& prefs) const {
    // The old distances are whole numbers in the unit the user sees. An item is similar with the
    // factor f when its distances divided by f show as those numbers: in miles that is exactly
    // "equals f times the old distance"; in kilometres it compares what the user sees without
    // doubling the cut to the display step (6000 miles shows as 9,650 km, twice 3000 miles as
    // 2 x 4,800 km).
    const double oldInitial = std::trunc(m_initialDistance.oldValue);
    const double oldInterval = std::trunc(m_intervalDistance.oldValue);
    for (const double f : {1.0, 2.0, 0.5}) {
        if (prefs.ConvertDistanceRounded(item.INITIAL_MILEAGE / f, kDistanceStep) == oldInitial &&
            item.INITIAL_MONTH == f * m_initialMonths.oldValue &&
            prefs.ConvertDistanceRounded(item.INTERVAL_MILEAGE / f, kDistanceStep) == oldInterval &&
            item.INTERVAL_MONTH == f * m_intervalMonths.oldValue)
            return true;
    }
    return false;
}

bool CWS_Home_Reminders_ChangeScheduleDlg2::IsChangedItem(size_t index) const {
    if (m_nChangedIndex >= 0) return index == static_cast<size_t>(m_nChangedIndex);
    return m_pItems != nullptr && (*m_pItems)[index].MaintenancePlanItemID == m_nItemID;
}

bool CWS_Home_Reminders_ChangeScheduleDlg2::HasSimilarItems(const CUserPreferences& prefs) const {
    if (m_pItems == nullptr) return false;
    for (size_t index = 0; index < m_pItems->size(); ++index) {
        if (!IsChangedItem(index) && IsSimilar((*m_pItems)[index], prefs)) return true;
    }
    return false;
}

CMaintenancePlanItem CWS_Home_Reminders_ChangeScheduleDlg2::Scaled(const CMaintenancePlanItem& item,
                                                                   const CUserPreferences& prefs) const {
    CMaintenancePlanItem scaled = item;
    const auto distance = [&](const Group& group, int stored) {
        if (group.oldValue == 0) {
            // The new distance as typed: in miles cut to the step schedules are shown in, in
            // kilometres converted once to the miles the plan stores.
            return prefs.UsesKilometres() ? ToMiles(group.newValue, prefs)
                                          : RoundDouble(prefs.ConvertDistance(group.newValue, kDistanceStep));
        }
        // The ratio of two distances in the user's unit holds for the stored miles as well.
        return RoundFloat(static_cast<float>(stored) * group.ratio);
    };
    const auto months = [](const Group& group, int stored) {
        if (group.oldValue == 0) return static_cast<int>(group.newValue);
        return RoundFloat(static_cast<float>(stored) * group.ratio);
    };
    scaled.INITIAL_MILEAGE = distance(m_initialDistance, item.INITIAL_MILEAGE);
    scaled.INTERVAL_MILEAGE = distance(m_intervalDistance, item.INTERVAL_MILEAGE);
    scaled.INITIAL_MONTH = months(m_initialMonths, item.INITIAL_MONTH);
    scaled.INTERVAL_MONTH = months(m_intervalMonths, item.INTERVAL_MONTH);
    return scaled;
}

std::string CWS_Home_Reminders_ChangeScheduleDlg2::ScheduleText(const CMaintenancePlanItem& item, bool newSchedule,
                                                                const CUserPreferences& prefs) const {
    double initialDistance = Shown(item.INITIAL_MILEAGE, prefs);
    double intervalDistance = Shown(item.INTERVAL_MILEAGE, prefs);
    double initialMonths = item.INITIAL_MONTH;
    double intervalMonths = item.INTERVAL_MONTH;
    if (newSchedule) {
        const auto scaled = [](const Group& group, double value) {
            return value == 0 ? static_cast<double>(group.newValue) : value * group.ratio;
        };
        initialDistance = scaled(m_initialDistance, initialDistance);
        intervalDistance = scaled(m_intervalDistance, intervalDistance);
        initialMonths = scaled(m_initialMonths, initialMonths);
        intervalMonths = scaled(m_intervalMonths, intervalMonths);
    } else {
        // The current schedule shows whole parts only.
        const auto whole = [](double value) { return value >= 1 ? value : 0.0; };
        initialDistance = whole(initialDistance);
        intervalDistance = whole(intervalDistance);
        initialMonths = whole(initialMonths);
        intervalMonths = whole(intervalMonths);
    }
    const std::string unit = prefs.GetDistanceUnitName(false, true);
    std::string text;
    if (initialDistance > 0 || initialMonths > 0)
        text += "at " + Parts(initialDistance, initialMonths, unit) + "<br/>and then<br/>";
    text += "every " + Parts(intervalDistance, intervalMonths, unit);
    return text;
}

void CWS_Home_Reminders_ChangeScheduleDlg2::OnDocumentComplete(const std::string& url) {
    CJVDialog::OnDocumentComplete(url);
    if (IsEnded()) return;
    CJorvaneDoc* document = CJorvaneDoc::GetDoc();
    CUserPreferences miles;
    const CUserPreferences& prefs = document != nullptr ? document->GetUserPreferences() : miles;
    CJVDialogPage* page = GetPage();
    const std::string unit = prefs.GetDistanceUnitName(false, true);
    CJVPage::ElementPtr span;
    if (page->GetElementById("DistanceUnit", span)) span->setInnerText(unit);
    if (page->GetElementById("DistanceUnit2", span)) span->setInnerText(unit);

    CJVPage::ElementPtr table;
    if (!page->GetTableById("serviceitems", table)) return;
    while (table->rows().size() >= 2) table->deleteRow(static_cast<int>(table->rows().size()) - 1);
    if (m_pItems == nullptr) return;
    int listed = 0;
    for (size_t index = 0; index < m_pItems->size(); ++index) {
        const CMaintenancePlanItem& item = (*m_pItems)[index];
        if (IsChangedItem(index) || !IsSimilar(item, prefs)) continue;
        CJVPage::ElementPtr row, cell;
        if (!page->InsertTableRow(table.get(), row)) continue;
        row->setClassName(listed % 2 == 0 ? "registerrowtop" : "registerrowbottom");
        ++listed;
        page->InsertRowCell(row.get(), "<input type=checkbox id=ChangeItem_" + std::to_string(index) + ">", cell);
        page->InsertRowCell(row.get(), EscapeHtmlQuotes(item.DisplayText), cell);
        page->InsertRowCell(row.get(), ScheduleText(item, false, prefs), cell);
        page->InsertRowCell(row.get(), ScheduleText(item, true, prefs), cell);
    }
}

void CWS_Home_Reminders_ChangeScheduleDlg2::OnButtonOK() {
    CJorvaneDoc* document = CJorvaneDoc::GetDoc();
    CUserPreferences miles;
    const CUserPreferences& prefs = document != nullptr ? document->GetUserPreferences() : miles;
    if (m_pItems != nullptr && GetPage() != nullptr) {
        for (size_t index = 0; index < m_pItems->size(); ++index) {
            if (IsChangedItem(index)) continue;
            CJVPage::ElementPtr box;
            const std::string id = "ChangeItem_" + std::to_string(index);
            if (!GetPage()->GetElementById(id, box) || !box->is("input") || !box->checked()) continue;
            (*m_pItems)[index] = Scaled((*m_pItems)[index], prefs);
        }
    }
    EndDialog(1);
}
