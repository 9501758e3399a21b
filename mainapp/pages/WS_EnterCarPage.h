#pragma once

#include <memory>
#include <set>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "mainapp/net/CarStylesNet.h"
#include "mainapp/pages/RegisterFields.h"
#include "mainapp/pages/SaveChecks.h"
#include "shared/data/Car.h"
#include "shared/ui/JVPage.h"

class COdometerValuesDatabaseObject;

// The vehicle information page (resource 177): adds a new car or edits a stored one. The car's
// identity comes from the web service's lists (year, make, model, style, drive type, engine,
// transmission), or is typed in for a custom car; the "Maintenance Plan" tab downloads the maker's
// plan (or takes the generic one) and edits it; AddCar stores the car with its plan.
//
// The page keeps the car being entered in m_car. Changes the user has not saved are marked in the
// element "DirtyFlag", which the view's navigation guard reads. Plan rows are keyed by their
// position in the plan (the row id "item<n>"), never by the item's id, which downloaded and newly
// created items share.
class CWS_EnterCarPage : public CJVPage {
public:
    CWS_EnterCarPage(int resourceId, std::shared_ptr<jv::ui::Document> document);
    ~CWS_EnterCarPage() override;

    void ProcessDocument() override;

    // Script methods.
    void EnterCarSelect(const std::string& name, const std::string& value);
    bool AddCar();
    void UpdateYearList();
    void UpdateMakeList();
    void UpdateModelList();
    void UpdateStyleList();
    void UpdateDriveTypeList();
    void UpdateEngineList();
    void UpdateTransmissionList();
    void GetMaintenancePlan();
    // The four texts of a plan row as typed, read in the user's number format. Text that is not a
    // number is refused with a message and nothing changes; the page's "PlanRowRefused" then holds
    // "true" (else nothing), so that its script keeps the row open with the typing.
    void UpdateMaintenancePlanItem(int rowKey, const std::string& initialDistance, const std::string& initialMonths,
                                   const std::string& intervalDistance, const std::string& intervalMonths);
    void ShowAddServiceItemsDlg();
    void DeleteServiceItem(int row);
    void PrintPage();
    // The checks of the page's own save, for its script (savechecks): a custom year typed
    // ({refusal}: the message when the page empties it), and the car as typed ({refusal} with the
    // {field} for the cursor, then {styleRefusal}, then {odometerRefusal} with {odometerField};
    // empty: none), each as the answer to the page's call.
    nlohmann::json CheckCustomYear(const std::string& year);
    nlohmann::json CheckCar();

    // What the view and the QuickStart wizard ask of the page.
    bool IsDirty() const;
    // Whether the stored car the page edits was deleted meanwhile: nothing is left to save it in.
    bool CarDeleted() const { return m_editing && !StillStored(); }
    void SetDirtyFlag(bool dirty);
    void EnableDownloadPlan(bool enable);
    void EnableSaveVehicle(bool enable);
    void EnableAddServiceItems(bool enable);
    // The QuickStart wizard's mode for the page's script ("0" when it does not run); while the
    // wizard runs the page's Cancel is disabled, as leaving the page would drop the wizard half way.
    void SetQuickStartMode(const std::string& mode);
    void ShowPlanWarning(bool show);
    // What the page's "Download Plan" button does: fetches the plan and shows it.
    void DownloadPlanAsButton();
    bool FoundManufacturerPlan() const { return m_manufacturerPlan; }
    const std::string& GetVehicleID() const { return m_car.VehicleID; }
    // Whether the page adds a car not yet stored.
    bool IsNewCar() const { return !m_editing; }
    const CCar& GetCar() const { return m_car; }
    // The print content of the page.
    std::string PrintContent() const;
    // The car was sold while its page is open (Go To > Sell Car): the page shows the sale as
    // stored, so that saving the page keeps it; the rest of what is typed on it stays.
    void ShowStoredSale();

    // The page's plan row of an item position (1 for the first item), for tests and the wizard.
    static std::string RowId(size_t position);

private:
    // What the page's fields hold for the save's checks.
    savechecks::CarFields TypedCarFields() const;
    // The purchase or sale date typed in `field` as the registers take a date: a stored car's date
    // (`stored`) as the page shows it is kept, any other one refused when it is no date, after
    // today or before 1900. No text (the field empty) goes with "not a date".
    registerfields::EntryDate TypedDate(const char* field, const jv::DateTime& stored) const;
    void ProcessDocumentNew();
    void ProcessDocumentEdit(std::string query);
    // What asks the user for the web-service connection: true when the page should be filled
    // again with a new connection.
    bool AskForConnection();

    void OnYearChanged(const std::string& value);
    void OnMakeChanged(const std::string& value);
    void OnModelChanged(const std::string& value);
    void OnStyleChanged(const std::string& value);
    void SetDriveType(const std::string& value);
    void SetEngine(const std::string& value);
    void SetTransmission(const std::string& value);
    void SetDrivingCondition(const std::string& value);
    void ClearOptions();
    void EnableDownloadForOptions();

    // One labelled list (style, drive type, engine, transmission); false when the list is empty.
    struct ListEntry {
        std::string text, value;
    };
    void FillLabelledList(const char* select, const char* label, const std::vector<ListEntry>& entries,
                          std::string& stored, void (CWS_EnterCarPage::*choose)(const std::string&));
    void FillPlainList(const char* select, const char* first, const std::vector<ListEntry>& entries,
                       std::string& stored, std::string* storedText);
    void ResetList(const char* select, const char* firstOption, const char* label);
    void KeepStoredChoice(const char* select, const char* label, const std::string& text, const std::string& value);
    // The year, make or model list holding only the car's own choice, when the list cannot be had.
    void KeepStoredListChoice(const char* select, const std::string& text, std::string& value);

    // The custom-entry layout, as the check box's own script switches it.
    void SetCustomLayout(bool custom);
    void ShowTab(const std::string& name);
    // Sets the disabled state of a button or radio even when the page's script changed it.
    void SetDisabled(const std::string& id, bool disabled, int index = 0);

    void ShowEmptyPlan();
    void DisplayMaintenancePlan();
    void OpenPlanRow(int itemId);
    // Takes into the plan what is typed in a plan row and not yet submitted, as the page's Save
    // does with its open row, for a save the page does not start (the program ending). False,
    // after the message, when a row holds text that is not a number: nothing of it is taken.
    bool TakeTypedPlanRows();
    // The schedule of plan row rowKey (1-based) as numbers: distances in the user's unit.
    void ChangePlanSchedule(int rowKey, int initialDistance, int initialMonths, int intervalDistance,
                            int intervalMonths);
    // The message for a plan row whose typed schedule holds text that is not a number; `saving`
    // when the refusal stops a save.
    void RefusePlanSchedule(const CMaintenancePlanItem& item, const std::string& typed, bool saving);
    void SortPlanByFirstDue();

    // The name the car is saved under; false when the user cancelled.
    bool ChooseCarName(std::string& name);
    // Whether the car the page edits is still in the user's file.
    bool StillStored() const;
    // The car the page edits as the user's file holds it now, sold or not; false when it is not there.
    bool ReadStoredCar(CCar& car) const;
    // Reads the page's fields into m_car.
    void ReadCarFields();
    // The purchase reading as the car's fields now give it; an edit that moved it takes the old
    // reading away first.
    void RecordPurchaseReading(COdometerValuesDatabaseObject& odometers, const CCar& before);

    // Hooks for the dialogs the page shows (see the .cpp).
    bool AskCarName(std::string& name);
    bool EditPlanItems(std::vector<CMaintenancePlanItem>& available, std::vector<CMaintenancePlanItem>& selected);
    void OfferScheduleChange(int itemIndex, int oldInitialDistance, int newInitialDistance, int oldIntervalDistance,
                             int newIntervalDistance, int oldInitialMonths, int newInitialMonths, int oldIntervalMonths,
                             int newIntervalMonths);
    int MessageBox(const std::string& message, const std::string& ok, const std::string& cancel, int width, int height);

    CCarStylesNet m_carStyles;
    CCar m_car;
    std::string m_year;
    std::vector<CMaintenancePlanItem> m_customItems;
    bool m_editing = false;
    bool m_manufacturerPlan = false;
    std::string m_vehicleID;
    bool m_planMayNotMatch = false;
    // The user allowed the connection on this page (the preference says never, or no for now).
    bool m_connectionAllowed = false;
    // Ids of the items read from the car's stored plan: only those may be deleted from the file.
    std::set<int> m_storedItemIds;
    // The car as it was read, for the readings an edit replaces.
    CCar m_storedCar;
};
