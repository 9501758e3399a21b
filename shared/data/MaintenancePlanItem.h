#pragma once

#include <string>

// One item of a maintenance plan: what to do (an action on an item), when first (an initial distance
// in miles and an initial number of months) and how often after that. 0 in a schedule number means
// "none". A plain value, copied freely.
class CMaintenancePlanItem {
public:
    int MaintenancePlanItemID = 0;   // row id in its table; 0 = not stored yet
    char severe_service_flag = 'S';  // 'S' severe, 'N' normal driving
    std::string engine_code;
    std::string transmission_code;
    std::string drive_type_code;
    int INITIAL_MILEAGE = 0;
    int INITIAL_MONTH = 0;
    int INTERVAL_MILEAGE = 0;
    int INTERVAL_MONTH = 0;
    // ITEM_DESCRIPTION + " - " + ACTION_DESCRIPTION: the item's key when a plan is saved. Whoever
    // changes a description sets it again (MakeDisplayText).
    std::string DisplayText;
    std::string ACTION_DESCRIPTION;
    std::string ITEM_DESCRIPTION;
    std::string MVC_Qualifiers;
    std::string Non_MVC_Qualifiers;
    std::string Service_Type;
    char Service_Indicator = 'N';
    bool Ticked = false;

    static std::string MakeDisplayText(const std::string& itemDescription, const std::string& actionDescription) {
        return itemDescription + " - " + actionDescription;
    }

    bool operator==(const CMaintenancePlanItem&) const = default;
};
