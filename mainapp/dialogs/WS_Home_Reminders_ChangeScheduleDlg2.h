#pragma once

#include <string>
#include <vector>

#include "shared/data/MaintenancePlanItem.h"
#include "shared/ui/JVDialog.h"

class CUserPreferences;

// Shown after the user changed the schedule of one plan item: it lists the other items of the plan
// whose schedule is like the changed item's old one (the same, twice or half of it, in all four
// numbers) and changes the ticked ones in the same proportion; the caller shows it only when one is. OK gives 1 (the
// ticked items are changed in the caller's array), Cancel 2 (nothing changed).
//
// Distances: the caller passes the old distances as the user saw them and the new ones as typed,
// both in the user's unit; the plan stores miles. Comparing and scaling happen in the unit the
// user sees, and a distance the item did not have (old value 0) becomes the new one in miles.
class CWS_Home_Reminders_ChangeScheduleDlg2 : public CJVDialog {
public:
    using Items = std::vector<CMaintenancePlanItem>;
    static constexpr unsigned kTemplateID = 110;
    static constexpr unsigned kPageID = 204;

    // One number of the schedule: its old and new value and, when the old one is not 0, new / old.
    struct Group {
        float oldValue = 0;
        float newValue = 0;
        float ratio = 0;
    };

    explicit CWS_Home_Reminders_ChangeScheduleDlg2(jv::ui::Dialog* parent = nullptr);

    void SetSchedule(int itemId, int oldInitialDistance, int newInitialDistance, int oldIntervalDistance,
                     int newIntervalDistance, int oldInitialMonths, int newInitialMonths, int oldIntervalMonths,
                     int newIntervalMonths);
    void SetItems(Items* items) { m_pItems = items; }
    // The changed item's place in the items: items not saved yet all have the id 0, so the
    // changed one and the listed ones are told apart by place (check boxes "ChangeItem_<place>").
    void SetChangedIndex(int index) { m_nChangedIndex = index; }
    // Whether any other item is similar: without one there is nothing to ask.
    bool HasSimilarItems(const CUserPreferences& prefs) const;

    // The rules, on their own for tests. prefs gives the user's distance unit.
    bool IsSimilar(const CMaintenancePlanItem& item, const CUserPreferences& prefs) const;
    // The item with its schedule scaled as OK stores it.
    CMaintenancePlanItem Scaled(const CMaintenancePlanItem& item, const CUserPreferences& prefs) const;
    // "at 5,000 miles or 6 months<br/>and then<br/>every 5,000 miles or 6 months"; the current
    // schedule of the item, or the new one it would get.
    std::string ScheduleText(const CMaintenancePlanItem& item, bool newSchedule, const CUserPreferences& prefs) const;

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;
    void OnOK() override { OnButtonOK(); }

private:
    void OnButtonOK();

    bool IsChangedItem(size_t index) const;

    int m_nItemID = 0;
    int m_nChangedIndex = -1;
    Group m_initialDistance;
    Group m_intervalDistance;
    Group m_initialMonths;
    Group m_intervalMonths;
    Items* m_pItems = nullptr;
};
