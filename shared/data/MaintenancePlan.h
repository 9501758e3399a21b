#pragma once

#include <string>
#include <vector>

#include "shared/data/MaintenancePlanItem.h"

// A car's maintenance plan: a named list of items. A plain value, copied freely.
class CMaintenancePlan {
public:
    std::string MaintenancePlanID;  // row id in decimal text; empty = not stored
    std::string Name;
    std::vector<CMaintenancePlanItem> Items;
    std::string StyleID;           // style of the car the plan was made for
    std::string DrivingCondition;  // "N" normal or "S" severe
};
