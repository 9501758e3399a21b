#include "shared/registers/RemindersDatabaseObject.h"

#include <strings.h>

#include <algorithm>
#include <optional>

#include "platform/base/Clock.h"
#include "shared/core/NumberUtils.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarChanges.h"
#include "shared/data/CarsDB.h"
#include "shared/data/OdometerValue.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/SqlValue.h"
#include "shared/data/UserPreferences.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"

namespace {

// The latest service that counts for the plan item: the same item description, with intervals at
// least as long as the item's (a larger service covers a smaller one).
const CService* FindLatestService(const std::vector<CService>& latest, const CCar& car,
                                  const CMaintenancePlanItem& item) {
    for (auto it = latest.rbegin(); it != latest.rend(); ++it) {
        // VehicleIDs compare as the database compares them.
        if (it->items.empty() || strcasecmp(it->VehicleID.c_str(), car.VehicleID.c_str()) != 0) continue;
        const CMaintenancePlanItem& serviced = it->items.front();
        if (serviced.ITEM_DESCRIPTION == item.ITEM_DESCRIPTION && serviced.INTERVAL_MILEAGE >= item.INTERVAL_MILEAGE &&
            serviced.INTERVAL_MONTH >= item.INTERVAL_MONTH) {
            return &*it;
        }
    }
    return nullptr;
}

// The date some months on; a step past the last date the calendar holds (AddMonths then leaves
// the date as it was) reaches no date, so the item falls due by its distance alone.
jv::DateTime MonthsAfter(jv::DateTime date, int months) {
    const jv::DateTime start = date;
    AddMonths(date, months);
    if (months != 0 && start.IsValid() && date.Days() == start.Days()) return jv::DateTime::Null();
    return date;
}

}  // namespace

jv::DateTime CRemindersDatabaseObject::Now() {
    int year, month, day, hour, minute, second;
    if (!jv::CurrentClock().Now().Split(year, month, day, hour, minute, second)) return jv::CurrentClock().Now();
    return jv::DateTime(year, month, day, hour, minute, second);
}

bool CRemindersDatabaseObject::GetReminders(const std::string& VehicleID, const jv::DateTime& from,
                                            const jv::DateTime& to, std::vector<CReminder>& reminders,
                                            CUserPreferences& preferences) {
    static const char* const kMethod = "CRemindersDatabaseObject::GetReminders";
    COdometerValuesDatabaseObject readings(m_connection);
    // Every plan item asks the estimates twice; the readings do not change meanwhile.
    readings.KeepReadingsInMemory();
    CServiceRegisterDatabaseObject register_(m_connection);
    CCarsDB carsDb(m_connection);
    carsDb.getCars(VehicleID, preferences);
    carsDb.getCurrentOdometers(preferences);

    // Each car's latest services on their own where the file records which cars changed: they
    // are kept while the car's stay the same. Elsewhere those of every car at once, one query
    // over every service, as they are kept only while nothing in the file changes.
    const bool byCar = carchanges::Recorded(m_connection);
    std::optional<std::vector<CService>> servicesOfEveryCar;

    bool everyCar = true;
    for (CCar& car : carsDb.m_cars) {
        std::vector<CMaintenancePlanItem> items;
        register_.GetAllMaintenanceItems(car.VehicleID, items, false);

        COdometerValue original;
        if (!readings.GetOriginalOdometer(car, original, preferences)) {
            // One car without a starting point must not hide the reminders of the others.
            TraceLog(kMethod, TRACE_ERROR,
                     "Could not calculate reminders because we can't calculate an original odometer for vehicle " +
                         car.VehicleID + ".");
            everyCar = false;
            continue;
        }

        std::vector<CService> latest;
        if (byCar && sqlvalue::IsVehicleId(car.VehicleID)) {
            register_.GetLatestServices(car.VehicleID, latest);
        } else {
            if (!servicesOfEveryCar) register_.GetLatestServices(VehicleID, servicesOfEveryCar.emplace());
            latest = *servicesOfEveryCar;
        }

        for (const CMaintenancePlanItem& item : items) {
            const bool listed = std::any_of(reminders.begin(), reminders.end(), [&](const CReminder& reminder) {
                return reminder.VehicleID == car.VehicleID && reminder.ITEM_DESCRIPTION == item.ITEM_DESCRIPTION;
            });
            if (listed) continue;

            const CService* service = FindLatestService(latest, car, item);
            jv::DateTime dueByTime = jv::DateTime::Null();
            jv::DateTime dueByOdometer = jv::DateTime::Null();
            float dueDistance = 0.0f;
            if (service == nullptr && (item.INITIAL_MONTH != 0 || item.INITIAL_MILEAGE != 0)) {
                // The first service of the item, counted from the car's start.
                if (item.INITIAL_MONTH != 0) dueByTime = MonthsAfter(original.OdometerDate, item.INITIAL_MONTH);
                if (item.INITIAL_MILEAGE != 0) {
                    dueDistance =
                        static_cast<float>(preferences.ConvertDistanceRounded(item.INITIAL_MILEAGE, kDueDistanceStep));
                }
            } else {
                const jv::DateTime baseDate = service ? service->ServiceDate : original.OdometerDate;
                const float baseOdometer = service ? service->Odometer : original.OdometerValue;
                if (item.INTERVAL_MONTH != 0) dueByTime = MonthsAfter(baseDate, item.INTERVAL_MONTH);
                if (item.INTERVAL_MILEAGE != 0) {
                    dueDistance = static_cast<float>(
                                      preferences.ConvertDistanceRounded(item.INTERVAL_MILEAGE, kDueDistanceStep)) +
                                  baseOdometer;
                }
            }
            if (dueDistance != 0.0f) dueByOdometer = readings.CalculateDateFromOdometer(car, dueDistance, preferences);

            jv::DateTime dueDate;
            if (dueByTime.IsValid() && dueByOdometer.IsValid()) {
                dueDate = dueByTime < dueByOdometer ? dueByTime : dueByOdometer;
            } else if (dueByTime.IsValid()) {
                dueDate = dueByTime;
            } else if (dueByOdometer.IsValid()) {
                dueDate = dueByOdometer;
            } else {
                continue;
            }
            if ((from.IsValid() && dueDate < from) || !(dueDate <= to)) continue;

            CReminder reminder;
            reminder.MaintenancePlanItemID = item.MaintenancePlanItemID;
            reminder.VehicleID = car.VehicleID;
            reminder.Name = car.Name;
            reminder.DisplayText = item.DisplayText;
            reminder.ACTION_DESCRIPTION = item.ACTION_DESCRIPTION;
            reminder.ITEM_DESCRIPTION = item.ITEM_DESCRIPTION;
            reminder.DueByTime = dueByTime;
            reminder.DueByOdometer = dueByOdometer;
            reminder.DueDate = dueDate;
            reminder.DueOdometer = readings.CalculateOdometerFromDate(car, dueDate, preferences);
            reminders.push_back(std::move(reminder));
        }
    }
    return everyCar;
}
