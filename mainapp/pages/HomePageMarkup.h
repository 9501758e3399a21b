#pragma once

#include <string>
#include <vector>

#include "platform/base/DateTime.h"
#include "platform/base/NumberFormat.h"
#include "shared/data/Car.h"
#include "shared/registers/Reminder.h"

// The markup of the home page's car list and of its prints, built as text from the cars, their
// figures and the reminders; every value from the database is escaped. Nothing here touches the
// database or a document.
class CHomePageMarkup {
public:
    // The figures of one car row: distance per time, cost per unit, fuel economy, total cost.
    struct Figures {
        std::string distancePerTime;
        std::string costPerUnit;
        std::string fuelEconomy;
        std::string totalCost;
    };

    // The overdue image of the home page.
    static constexpr const char* kOverdueImage = "199";

    // The cells of one car's row: its name and model, the due services with their hidden details
    // table (the reminders of the car, by VehicleID), the odometer (a click updates it) and the four
    // figures. `nextDue` is the earliest due date within a year, used when nothing is due in the
    // window. `dueCount` receives the number of reminders of the car.
    static std::string CarRowCells(const CCar& car, const std::vector<CReminder>& reminders, const Figures& figures,
                                   const jv::DateTime& now, const jv::DateTime& nextDue, const jv::NumberFormat& format,
                                   int* dueCount = nullptr);

    // The odometer cell's content: the reading with one decimal; an estimate in italics with
    // "(estimated)" below.
    static std::string OdometerText(float odometer, bool estimated, const jv::NumberFormat& format);
    // A figure cell's content, right-aligned.
    static std::string FigureText(const std::string& text);

    // The print of the reminders of all listed cars: a heading row ("Car Name", "Service",
    // "Odometer", "Due Date") and a row per reminder, the odometer with one decimal ("N/A" for none)
    // and the due date ("N/A" when not valid). The content of the print table.
    static std::string ReminderPrintRows(const std::vector<CReminder>& reminders, const jv::DateTime& now,
                                         const jv::NumberFormat& format);

    // Whether a reminder id from a page script names a reminder of a list of `count`.
    static bool IsReminderId(int id, size_t count) { return id >= 0 && static_cast<size_t>(id) < count; }

    // The "Services due by" date typed by the user (month/day/year): false for text that is not
    // such a date. The date looks ahead, and so does a two-digit year: the latest year with those
    // digits up to 50 years from today's (typed in December 2026, "1/15/27" is 2027).
    static bool ParseDueBy(const std::string& text, jv::DateTime& date);
};
