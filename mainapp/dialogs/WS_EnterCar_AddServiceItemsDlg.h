#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/base/NumberFormat.h"
#include "shared/data/MaintenancePlanItem.h"
#include "shared/ui/JVDialog.h"

class CUserPreferences;

// Edits a car's maintenance plan as two lists, the items available and the items in the plan,
// with buttons that move the selected items across and a small form that creates a new item.
// The caller's two arrays are changed in place as the user presses the buttons, whatever the
// result: Done gives 1, Cancel 0, and the caller decides by it whether to keep the edited plan.
// Both lists stay sorted by display text (a moved item goes before the first item that sorts
// after it, byte-wise; a new item by its letters, without regard to case).
class CWS_EnterCar_AddServiceItemsDlg : public CJVDialog {
public:
    using Items = std::vector<CMaintenancePlanItem>;
    static constexpr unsigned kTemplateID = 255;
    static constexpr unsigned kPageID = 229;

    explicit CWS_EnterCar_AddServiceItemsDlg(jv::ui::Dialog* parent = nullptr);

    void SetAvailableItems(Items* items) { m_pAvailableItems = items; }
    void SetSelectedItems(Items* items) { m_pSelectedItems = items; }

    // The list logic, on its own for the callers' tests.
    // Moves from[k] for every k in `picked` (ascending) into `to`, keeping `to` sorted.
    static void MoveItems(Items& from, Items& to, const std::vector<int>& picked);
    // Inserts a new item into the plan by its letters.
    static void InsertNewItem(Items& plan, const CMaintenancePlanItem& item);
    // A new item from the form's texts. Distances are typed in the unit the user sees and stored
    // in miles; numbers are read in the user's format, empty ones are 0. Nothing when a number
    // is not one.
    static std::optional<CMaintenancePlanItem> MakeNewItem(
        const std::string& item, const std::string& action, const std::string& initialDistance,
        const std::string& initialMonths, const std::string& intervalDistance, const std::string& intervalMonths,
        const CUserPreferences& prefs, const jv::NumberFormat& format);

protected:
    void OnInitDialog() override;
    void OnDocumentComplete(const std::string& url) override;

private:
    void FillLists();
    void OnButtonSelectService();
    void OnButtonRemoveService();
    void OnCreateNewItem();
    // The indices of the selected options of a list; false when the list is missing.
    bool SelectedOptions(const std::string& listId, std::vector<int>& picked);

    Items* m_pAvailableItems = nullptr;
    Items* m_pSelectedItems = nullptr;
};
