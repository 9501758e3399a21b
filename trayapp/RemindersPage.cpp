#include "trayapp/RemindersPage.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "platform/base/NumberFormat.h"
#include "shared/registers/RemindersDatabaseObject.h"
#include "shared/ui/ReminderTable.h"
#include "trayapp/MainFrame.h"

namespace {

constexpr double kNextServiceDays = 365.0;

constexpr const char* kCarCell =
    "<TD style=\"CURSOR: hand\"  onmousedown=\"OnMouseDownTable(0);\" onmouseover=\"MouseOverListCell();\" "
    "onmouseout=\"MouseOutListCell('listrow');\" class=listrow></TD>";
constexpr const char* kDetailsTable = "<table cellSpacing=\"1\" cellPadding=\"0\" width=\"100%\" border=\"0\">";

double SortKey(const CReminder& reminder) {
    return reminder.DueDate.IsValid() ? reminder.DueDate.Days() : std::numeric_limits<double>::infinity();
}

}  // namespace

CRemindersPage::CRemindersPage(int resourceId, std::shared_ptr<jv::ui::Document> document, CMainFrame& frame)
    : CJVPage(resourceId, std::move(document)), m_frame(frame), m_carsDB(frame.GetUserData().GetDatabaseConnection()) {}

void CRemindersPage::SortByDueDate(std::vector<CReminder>& reminders) {
    std::stable_sort(reminders.begin(), reminders.end(),
                     [](const CReminder& a, const CReminder& b) { return SortKey(a) < SortKey(b); });
}

void CRemindersPage::ProcessDocument() {
    CUserPreferences& preferences = m_frame.GetPreferences();
    CRemindersDatabaseObject remindersDB(m_frame.GetUserData().GetDatabaseConnection());

    ElementPtr reminderDate;
    if (!GetElementById("ReminderDate", reminderDate)) return;
    const jv::DateTime now = CRemindersDatabaseObject::Now();
    const jv::DateTime end = now + CRemindersDatabaseObject::kUpcomingDays;
    char dateText[32];
    std::snprintf(dateText, sizeof dateText, "%02d/%02d/%d", end.GetMonth(), end.GetDay(), end.GetYear());
    reminderDate->setInnerText(dateText);

    m_reminders.clear();
    remindersDB.GetReminders("%", jv::DateTime::Null(), end, m_reminders, preferences);
    SortByDueDate(m_reminders);

    ElementPtr table;
    if (!GetTableById("reminders", table)) return;
    // The title row and the "Services due by" row stay.
    while (table->rows().size() > 2) table->deleteRow(static_cast<int>(table->rows().size()) - 1);

    m_carsDB.getCars("%", preferences);
    m_carsDB.getCurrentOdometers(preferences);
    if (m_carsDB.m_cars.empty()) return;

    const jv::NumberFormat& format = jv::NumberFormat::User();
    for (const CCar& car : m_carsDB.m_cars) {
        ElementPtr row;
        if (!InsertTableRow(table.get(), row)) continue;
        row->setClassName("listrow");
        row->setId(car.VehicleID);

        ElementPtr carCell;
        if (AppendNewElement(row.get(), kCarCell, carCell))
            carCell->setInnerHTML(CReminderTable::CarCell(car.Name, car.StyleYear, car.Make, car.Model, car.Style));
        ElementPtr detailsCell;
        if (!AppendNewElement(row.get(), "<td>", detailsCell)) continue;

        // A car's reminders are those with its VehicleID: two cars may share a name.
        const CReminderTable::Rows details =
            CReminderTable::DetailRowsOfCar(m_reminders, car.VehicleID, now, format, CReminderTable::Look{});
        ElementPtr division;
        ElementPtr detailsTable;
        if (AppendNewElement(detailsCell.get(), CReminderTable::DetailsDivision(), division))
            AppendNewElementWithHTML(division.get(), kDetailsTable, "<tbody>" + details.html + "</tbody>",
                                     detailsTable);

        jv::DateTime nextDue = jv::DateTime::Invalid();
        if (details.count == 0) {
            std::vector<CReminder> later;
            remindersDB.GetReminders(car.VehicleID, jv::DateTime::Null(), now + kNextServiceDays, later, preferences);
            SortByDueDate(later);
            if (!later.empty()) nextDue = later.front().DueDate;
        }
        detailsCell->insertAdjacentHTML("afterBegin", CReminderTable::Summary(details.count, nextDue));
    }
}
