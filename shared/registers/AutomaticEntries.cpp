// The automatic entries of the service register: when a car is entered with an odometer that has
// already run on, every plan item gets one generated past service, so that the reminders do not
// report every item as long overdue.

#include <algorithm>

#include "platform/base/NumberText.h"
#include "shared/core/NumberUtils.h"
#include "shared/core/TraceLog.h"
#include "shared/data/Car.h"
#include "shared/data/OdometerValue.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/UserPreferences.h"
#include "shared/registers/RemindersDatabaseObject.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"

namespace {

constexpr const char* kMethod = "CServiceRegisterDatabaseObject::AddAutomaticEntries";
constexpr const char* kNotes =
    "This entry was added by Jorvane.  You can modify or delete this to add in your actual service history.";

// Two dates are the same occurrence when both are valid with the same value or both are null; a
// date that is not valid is the same as no date.
bool SameDate(const jv::DateTime& a, const jv::DateTime& b) {
    if (a.GetStatus() != b.GetStatus()) return false;
    if (a.GetStatus() == jv::DateTime::Status::Null) return true;
    return a.IsValid() && a.Days() == b.Days();
}

// Identical to the bit, invalid dates included: a step that leaves both measures identical
// makes no progress.
bool Identical(const jv::DateTime& a, const jv::DateTime& b) {
    return a.GetStatus() == b.GetStatus() && a.Days() == b.Days();
}

jv::DateTime MonthsAfter(jv::DateTime date, int months) {
    return AddMonths(date, months);
}

// A point on the car's history: a date and the odometer on it.
struct Occurrence {
    jv::DateTime date;
    float odometer = 0.0f;
};

// An item's schedule in the user's distance unit, as the reminders count it. A negative interval
// is taken as none.
struct Schedule {
    float initialMileage = 0.0f;
    int initialMonth = 0;
    float intervalMileage = 0.0f;
    int intervalMonth = 0;
};

Schedule ScheduleOf(const CMaintenancePlanItem& item, const CUserPreferences& preferences) {
    const auto distance = [&](int miles) {
        return static_cast<float>(
            preferences.ConvertDistanceRounded(miles, CRemindersDatabaseObject::kDueDistanceStep));
    };
    Schedule schedule;
    schedule.initialMileage = distance(item.INITIAL_MILEAGE);
    schedule.initialMonth = item.INITIAL_MONTH;
    schedule.intervalMileage = distance(std::max(item.INTERVAL_MILEAGE, 0));
    schedule.intervalMonth = std::max(item.INTERVAL_MONTH, 0);
    return schedule;
}

}  // namespace

bool CServiceRegisterDatabaseObject::AddAutomaticEntries(CCar& car, float currentOdometer,
                                                         CUserPreferences& preferences) {
    const jv::DateTime now = CRemindersDatabaseObject::Now();
    COdometerValuesDatabaseObject readings(m_connection);
    COdometerValue original;
    if (!readings.GetOriginalOdometer(car, original, preferences)) {
        TraceLog(kMethod, TRACE_ERROR,
                 "Could not add automatic service register entries because we can't calculate an original "
                 "odometer for vehicle " +
                     car.VehicleID + ".");
        return false;
    }
    std::vector<CMaintenancePlanItem> items;
    GetAllMaintenanceItems(car.VehicleID, items, false);

    const auto odometerOn = [&](const jv::DateTime& date) {
        return readings.CalculateOdometerFromDate(car, date, preferences);
    };
    const auto dateOf = [&](float odometer) { return readings.CalculateDateFromOdometer(car, odometer, preferences); };

    for (const CMaintenancePlanItem& item : items) {
        const Schedule schedule = ScheduleOf(item, preferences);
        Occurrence point{original.OdometerDate, original.OdometerValue};

        // The first occurrence, by the item's initial values.
        if (schedule.initialMileage == 0.0f && schedule.initialMonth >= 1) {
            point.date = MonthsAfter(point.date, schedule.initialMonth);
            if (point.date > now) continue;
            point.odometer = odometerOn(point.date);
        } else if (schedule.initialMonth == 0 && schedule.initialMileage >= 1.0f) {
            point.odometer += schedule.initialMileage;
            if (currentOdometer < point.odometer) continue;
            point.date = dateOf(point.odometer);
        } else {
            point.date = MonthsAfter(point.date, schedule.initialMonth);
            point.odometer += schedule.initialMileage;
            if (currentOdometer < point.odometer && point.date > now) continue;
            const float reached = odometerOn(point.date);
            if (point.odometer > reached) {
                point.odometer = reached;  // the date falls due first
            } else {
                point.date = dateOf(point.odometer);  // the distance falls due first
            }
        }
        const Occurrence first = point;

        // Later occurrences: walk on while one of the measures is still behind the car, then take
        // the occurrence before the first one that is not.
        if (schedule.intervalMileage != 0.0f || schedule.intervalMonth != 0) {
            int steps = 0;
            bool stuck = false;
            // A month step past the last date the calendar holds leaves the date as it was: the
            // date measure never comes round again and only the distance walks on.
            bool monthsRunOut = false;
            while ((schedule.intervalMileage != 0.0f && currentOdometer > point.odometer) ||
                   (schedule.intervalMonth != 0 && !monthsRunOut && point.date < now)) {
                const Occurrence next{MonthsAfter(point.date, schedule.intervalMonth),
                                      point.odometer + schedule.intervalMileage};
                if (schedule.intervalMonth != 0 && Identical(next.date, point.date)) {
                    monthsRunOut = true;
                    if (!(schedule.intervalMileage != 0.0f && currentOdometer > point.odometer)) break;
                }
                if (next.odometer == point.odometer && Identical(next.date, point.date)) {
                    stuck = true;  // no further occurrence can be told apart: this one is the last
                    break;
                }
                point = next;
                ++steps;
            }
            if (steps > 0 && !stuck) {
                point.odometer -= schedule.intervalMileage;
                point.date = MonthsAfter(point.date, -schedule.intervalMonth);
            }
        }
        if (point.odometer == original.OdometerValue && SameDate(point.date, original.OdometerDate)) continue;

        // Settle the pair on the car's estimated history.
        if (point.odometer == first.odometer) {
            point.odometer = odometerOn(point.date);
        } else if (SameDate(point.date, first.date)) {
            point.date = dateOf(point.odometer);
        } else {
            const float reached = odometerOn(point.date);
            if (point.odometer > reached) {
                point.odometer = reached;
            } else {
                point.date = dateOf(point.odometer);
            }
        }
        if (!point.date.IsValid()) {
            TraceLog(kMethod, TRACE_WARNING,
                     "No automatic entry for " + item.DisplayText + ": its date could not be estimated for vehicle " +
                         car.VehicleID + ".");
            continue;
        }

        // Each entry is stored with the item it stands for, or not at all.
        std::string serviceId;
        if (!AddService(serviceId, car.VehicleID, point.date.Format("%m/%d/%Y"),
                        jv::number::FormatFixed(point.odometer, 0), kAutomaticEntryVendor, item.DisplayText, "", "", "",
                        "", "", kNotes, false, {item})) {
            TraceLog(kMethod, TRACE_ERROR, "Failed to Add Service.");
            return false;
        }
    }
    return true;
}
