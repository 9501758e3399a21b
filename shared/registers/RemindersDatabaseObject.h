#pragma once

#include <string>
#include <vector>

#include "platform/base/DateTime.h"
#include "shared/data/DatabaseObject.h"
#include "shared/registers/Reminder.h"

class CUserPreferences;

// Works out which plan items fall due: for every car and every item of its plan the next due date
// by months and by distance, counted from the item's latest service (or from the car's original
// odometer when it has none), the earlier of the two winning.
class CRemindersDatabaseObject : public CDatabaseObject {
public:
    using CDatabaseObject::CDatabaseObject;

    // How far ahead the service register, the home page and the companion look for due services.
    static constexpr double kUpcomingDays = 14.0;
    // Plan distances are in miles; due distances are converted to the user's unit, cut to this step.
    static constexpr int kDueDistanceStep = 50;

    // The current local time in whole seconds, from the installed clock.
    static jv::DateTime Now();

    // Appends the reminders of the cars of the pattern (a VehicleID, or "%" for all) whose due date
    // lies between from and to, both included; a null from means no lower bound, so overdue items
    // are listed. Cars come in the order of the car list, a car's items in plan order; an item whose
    // car and item description the list already holds is not repeated. False when a car could not
    // be handled (no original odometer): it is logged and left out, and the other cars are handled.
    bool GetReminders(const std::string& VehicleID, const jv::DateTime& from, const jv::DateTime& to,
                      std::vector<CReminder>& reminders, CUserPreferences& preferences);
};
