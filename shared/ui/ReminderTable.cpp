#include "shared/ui/ReminderTable.h"

#include "platform/ui/HtmlEscape.h"
#include "shared/core/NumberUtils.h"

namespace {

constexpr const char* kServiceCell =
    "<TD onmousedown=\"OnMouseDownTable(0)\" style=\"CURSOR: hand\" onmouseover=\"MouseOverListCell()\" "
    "onmouseout=\"MouseOutListCell('internalRow')\" class=\"internalRow\">";

}  // namespace

CReminderTable::Rows CReminderTable::DetailRows(const std::vector<CReminder>& reminders, const std::string& carName,
                                                const jv::DateTime& now, const jv::NumberFormat& format) {
    Rows rows;
    rows.html = "<tr class=\"internalHeading\"><td>Service</td><td>Odometer</td><td>Due Date</td></tr>";
    for (size_t k = 0; k < reminders.size(); ++k) {
        const CReminder& reminder = reminders[k];
        if (reminder.Name != carName) continue;
        ++rows.count;
        std::string service;
        if (reminder.DueDate.IsValid() && reminder.DueDate < now) service = "<img alt=\"Service is overdue!\" src=137>";
        service += jv::ui::EscapeHtml(reminder.DisplayText);
        std::string odometer = "N/A";
        if (reminder.DueOdometer > 0) DoubleToLocaleString(odometer, reminder.DueOdometer, 0, format);
        const std::string due = reminder.DueDate.IsValid() ? reminder.DueDate.Format("%m/%d/%Y") : "N/A";
        rows.html += "<tr class=\"internalRow\" id=\"" + std::to_string(k) + "\">" + kServiceCell + service +
                     "</TD><td align=\"right\" class=\"internalRow\">" + jv::ui::EscapeHtml(odometer) +
                     "</td><td class=\"internalRow\">" + jv::ui::EscapeHtml(due) + "</td></tr>";
    }
    return rows;
}

std::string CReminderTable::Summary(int count, const jv::DateTime& nextDue) {
    if (count > 0)
        return std::to_string(count) +
               " services due [<span><a href=\"Show Details\" onClick=\"Javascript:Details('show'); return "
               "false;\">show details</a></span>]<br/>";
    if (nextDue.IsValid()) return "No services due until " + nextDue.Format("%m/%d/%Y");
    return "Jorvane needs more information to determine when the next service is due.";
}

std::string CReminderTable::CarCell(const std::string& name, int styleYear, const std::string& make,
                                    const std::string& model, const std::string& style) {
    return "<H3 style=\"MARGIN-BOTTOM: -16px;\">" + jv::ui::EscapeHtml(name) + "</H3><p style=\"FONT-SIZE: smaller\">" +
           std::to_string(styleYear) + " " + jv::ui::EscapeHtml(make) + " " + jv::ui::EscapeHtml(model) + " " +
           jv::ui::EscapeHtml(style) + "</p>";
}

std::string CReminderTable::DetailsDivision(size_t totalReminders) {
    return std::string("<div id=\"RemindersDiv\" style=\"OVERFLOW: auto; ") +
           (totalReminders > 3 ? "HEIGHT: 150px;" : "") + " display:none; \"></div>";
}
