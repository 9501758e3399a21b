#pragma once

#include <string>

#include "platform/base/NumberFormat.h"

class CMaintenancePlanItem;
class CUserPreferences;

// How the vehicle information page shows a plan item's schedule and reads back what the user
// typed. The plan keeps distances in miles; the page shows them in the user's unit, kilometres
// cut down to a multiple of 50. A distance typed in kilometres goes back to the smallest whole
// number of miles that shows as that distance again, so a schedule saved unchanged stays as it is.
class CPlanSchedule {
public:
    static constexpr int kStep = 50;

    // The stored miles as the page shows them (a whole number in the user's unit).
    static int DisplayDistance(int miles, const CUserPreferences& prefs);
    // The miles to store for a typed distance; a distance typed as it is shown keeps storedMiles.
    static int ToMiles(int typed, int storedMiles, const CUserPreferences& prefs);
    // "at 3,000 miles or 3 months<br/>and then every 3,000 miles or 3 months" (parts left out
    // when their numbers are 0); unitName is the plural unit name in lower case.
    static std::string ScheduleText(const CMaintenancePlanItem& item, const CUserPreferences& prefs,
                                    const std::string& unitName, const jv::NumberFormat& format);
};
