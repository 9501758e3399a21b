#pragma once

#include <string>

#include "platform/base/DateTime.h"

// One plan item of one car that falls due, with the dates on which it is due by time and by
// distance and the earlier of the two. Held by value in the caller's list of reminders.
class CReminder {
public:
    int MaintenancePlanItemID = 0;
    std::string VehicleID;
    std::string Name;  // the car's name
    std::string DisplayText;
    std::string ACTION_DESCRIPTION;
    std::string ITEM_DESCRIPTION;
    jv::DateTime DueByTime;      // null when the item has no month schedule
    jv::DateTime DueByOdometer;  // null when the item has no distance schedule
    jv::DateTime DueDate;
    float DueOdometer = 0.0f;  // estimated odometer on DueDate
};
