#pragma once

#include <string>
#include <vector>

#include "platform/base/DateTime.h"
#include "platform/base/NumberFormat.h"
#include "shared/registers/Reminder.h"

// The markup of the reminder lists that the companion's reminders page and the home page show
// for each car: the car's cell, the summary line and the rows of its table of due services. Every
// value from the database is escaped; the builders touch neither the database nor a document, so
// the same lists come out of the same reminders wherever they are shown.
class CReminderTable {
public:
    // The reminder details shown for one car.
    struct Rows {
        std::string html;  // the heading row, then one row per reminder of the car
        int count = 0;     // how many reminders of the car there are
    };

    // The heading row ("Service", "Odometer", "Due Date") and one row per reminder whose car name is
    // carName, in the order of the list. Each row's id is the reminder's position in the whole list
    // (unique across cars). A reminder due before now gets the overdue image; an expected odometer
    // of 0 or less shows "N/A", otherwise the value in the user's number format with no decimals; a
    // due date that is not valid shows "N/A".
    static Rows DetailRows(const std::vector<CReminder>& reminders, const std::string& carName, const jv::DateTime& now,
                           const jv::NumberFormat& format);

    // How the rows of a page act: the overdue image's resource and the menu a press on a service
    // opens (the companion's 0; the home page's 1, beside its menu of the car, 0).
    struct Look {
        std::string overdueImage = "137";
        int menu = 0;
    };
    // The same rows for the reminders of the car with this VehicleID (two cars may share a name).
    static Rows DetailRowsOfCar(const std::vector<CReminder>& reminders, const std::string& vehicleId,
                                const jv::DateTime& now, const jv::NumberFormat& format, const Look& look);
    // One reminder's service cell content: the overdue image when it is due before now, then its
    // description.
    static std::string ServiceText(const CReminder& reminder, const jv::DateTime& now, const std::string& overdueImage);
    // The expected odometer shown for a reminder: "N/A" for 0 or less, else the value with `digits`
    // decimals; and its due date as month/day/year, "N/A" when not valid.
    static std::string OdometerText(const CReminder& reminder, int digits, const jv::NumberFormat& format);
    static std::string DueDateText(const CReminder& reminder);

    // The line above a car's details: "N services due" with the "show details" link when count is
    // above 0; otherwise "No services due until <date>" for a valid nextDue, or the need for more
    // information.
    static std::string Summary(int count, const jv::DateTime& nextDue);

    // The car's cell: its name as a heading and the model year, make, model and style below.
    static std::string CarCell(const std::string& name, int styleYear, const std::string& make,
                               const std::string& model, const std::string& style);

    // The wrapper of a car's details, hidden until "show details": as high as what it holds, up to a
    // limit beyond which it scrolls.
    static std::string DetailsDivision();
};
