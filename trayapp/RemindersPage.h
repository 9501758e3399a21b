#pragma once

#include <memory>
#include <vector>

#include "shared/data/CarsDB.h"
#include "shared/registers/Reminder.h"
#include "shared/ui/JVPage.h"

class CMainFrame;

// The companion's reminders page (138): for every car its name and description, how many services
// are due within the next 14 days (overdue ones included) and a table of them that "show details"
// opens. Built from the database each time the page loads.
class CRemindersPage : public CJVPage {
public:
    CRemindersPage(int resourceId, std::shared_ptr<jv::ui::Document> document, CMainFrame& frame);

    void ProcessDocument() override;

    // The reminders shown, sorted by due date.
    const std::vector<CReminder>& reminders() const { return m_reminders; }

    // Sorts reminders by due date, earliest first; reminders without a valid date go last.
    static void SortByDueDate(std::vector<CReminder>& reminders);

private:
    CMainFrame& m_frame;
    std::vector<CReminder> m_reminders;
    CCarsDB m_carsDB;
};
