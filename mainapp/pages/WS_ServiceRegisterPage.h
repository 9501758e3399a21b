#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "mainapp/pages/JVRegisterPage.h"
#include "shared/data/MaintenancePlanItem.h"
#include "shared/registers/Service.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"

// The service register (page 186): the services done on the selected car or on all cars, with
// their cost split into parts, labor, other and tax, and the plan items each service covered
// ("Services Performed"). A service completed from the home page arrives as the view's pending
// reminder: its car and plan item are chosen in the new entry.
class CWS_ServiceRegisterPage : public CJVRegisterPageOf<CServiceRegisterDatabaseObject, CService,
                                                         &CServiceRegisterDatabaseObject::DeleteService> {
public:
    CWS_ServiceRegisterPage(int resourceId, std::shared_ptr<jv::ui::Document> document);

    void ProcessDocument() override;
    void PrintPage() override;
    bool SaveEntry(const std::string& rowId) override;

    // Lists the plan items of an entry: for "new" those of the car due within 14 days, unticked
    // (the pending reminder's ticked); for a stored service the items it covered, ticked. The
    // other items of the car's plan are offered in "AdditionalService".
    void DisplayServiceMaintenanceItems(const std::string& serviceId, const std::string& vehicleId);
    void AddServiceMaintenanceItem(const std::string& itemId, const std::string& itemName);
    void CheckMaintenanceItem(int itemId);
    // Adds ("new") or updates one service with its ticked plan items, all in one step. An empty
    // odometer is estimated from the car's readings (the user is told); when it cannot be, the
    // user is asked for one and nothing is saved.
    void SaveService(const std::string& rowId, const std::string& date, const std::string& vehicleId,
                     const std::string& odometer, const std::string& vendor, const std::string& memo,
                     const std::string& cost, const std::string& parts, const std::string& labor,
                     const std::string& other, const std::string& tax, const std::string& notes);
    void DeleteServiceRegisterRow(const std::string& rowId) { DeleteEntry(rowId); }
    void RestoreService(const std::string& rowId) { RestoreEntry(rowId); }
    // The details' arithmetic for the page as a detail is left (savechecks::ServiceAmountsSettled):
    // the five, how they were settled ("adjusted") and what the page then says ("message"), as the
    // answer to the page's call.
    nlohmann::json SettleServiceAmounts(double cost, double parts, double labor, double other, double tax,
                                        bool costFollows);
    // The question the page's save asks before it stores ({question}; empty: none).
    nlohmann::json CheckServiceCost(double cost, double parts, double labor, double other, double tax);

protected:
    void FillEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, size_t index, const CCarsDB& cars,
                       bool allCars) override;
    void FillNewEntryRows(jv::ui::Element* top, jv::ui::Element* bottom, const CCarsDB& cars, bool allCars) override;

private:
    // The checklist's ticks as the page shows them, then the unticked items dropped.
    void RemoveUncheckedItems();
    void AppendChecklistItem(jv::ui::Element* list, const CMaintenancePlanItem& item);
    // The odometer estimated for the car on the date, or false (the user was told why).
    bool EstimateOdometer(const std::string& vehicleId, const std::string& dateText, std::string& odometer);

    std::vector<CMaintenancePlanItem> m_checklist;
    std::string m_checklistServiceId;  // whose items the checklist holds
};
