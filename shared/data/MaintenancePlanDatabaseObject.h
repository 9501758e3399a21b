#pragma once

#include <string>
#include <vector>

#include "shared/data/DatabaseObject.h"
#include "shared/data/MaintenancePlan.h"

// Stores and reads maintenance plans: a car's own plan (MaintenancePlan, MaintenancePlanItems), the
// user's custom items that can join any plan, and the generic plan for cars without a maker's plan.
// Distances are in miles. Built on the stack for each use.
class CMaintenancePlanDatabaseObject : public CDatabaseObject {
public:
    using CDatabaseObject::CDatabaseObject;

    // Writes the item's four schedule numbers to its row.
    bool UpdateMaintenanceItem(CMaintenancePlanItem& item);
    bool InsertCustomMaintenanceItem(CMaintenancePlanItem& item);
    // Adds the item under the plan as a new row and gives the item the new row's id.
    bool InsertMaintenanceItem(const std::string& maintenancePlanID, CMaintenancePlanItem& item);
    bool DeleteMaintenanceItem(int maintenancePlanItemID);

    // Stores a new plan with all its items (always as new rows, whatever ids the items carry) and
    // writes the new plan id into the plan; all in one step, so a plan is never left with only
    // some of its items.
    bool AddMaintenancePlan(CMaintenancePlan& plan);
    // Reads the plan's name and appends its items, ordered by description or by first due
    // distance and month.
    bool GetMaintenancePlan(const std::string& maintenancePlanID, CMaintenancePlan& plan, bool orderByDescription);
    // Appends the custom items of a driving condition ("N" or "S") that are not in `leaveOut`.
    bool GetCustomMaintenanceItems(const std::vector<CMaintenancePlanItem>* leaveOut,
                                   const std::string& drivingCondition, std::vector<CMaintenancePlanItem>& items);
    // Appends the generic plan's items of a driving condition to the plan.
    bool GetGenericMaintenancePlan(const std::string& drivingCondition, CMaintenancePlan& plan);
    // Brings the stored items of an existing plan in line with plan.Items. Items are matched to
    // stored rows by DisplayText: a stored row no item matches is deleted, a matched row gets the
    // item's schedule, an item without a row is inserted. Each item ends up with its row's id.
    // False, with nothing changed in the file, when the stored plan could not be read or a step
    // failed: the plan is saved whole or not at all.
    bool SaveMaintenancePlan(CMaintenancePlan& plan);

    // The item a row of plan items gives: its id (when the row has one), its two descriptions with
    // the display text and its four schedule numbers. The registers read their items with it too.
    static CMaintenancePlanItem ItemFromRow(const jv::db::Recordset& rs);
    // Runs a query of plan items and appends the item of each row; a failure is logged and
    // reported under `method` with the call site `line`. False when the query did not run.
    bool ReadItems(const char* method, int line, const std::string& sql, std::vector<CMaintenancePlanItem>& items);

private:
    // The statements of AddMaintenancePlan and SaveMaintenancePlan, run within their one step.
    bool InsertMaintenancePlan(CMaintenancePlan& plan);
    bool RewriteMaintenancePlan(CMaintenancePlan& plan);
};
