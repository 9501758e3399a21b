#include "shared/ui/ReminderTable.h"

#include "platform/ui/HtmlEscape.h"
#include "shared/core/NumberUtils.h"

namespace {

template <class Belongs>
CReminderTable::Rows MakeRows(const std::vector<CReminder>& reminders, Belongs belongs, const jv::DateTime& now,
                              const jv::NumberFormat& format, const CReminderTable::Look& look) {
    CReminderTable::Rows rows;
    rows.html = "<tr class=\"internalHeading\"><td>Service</td><td>Odometer</td><td>Due Date</td></tr>";
    const std::string serviceCell = "<TD onmousedown=\"OnMouseDownTable(" + std::to_string(look.menu) +
                                    ")\" style=\"CURSOR: hand\" onmouseover=\"MouseOverListCell()\" "
                                    "onmouseout=\"MouseOutListCell('internalRow')\" class=\"internalRow\">";
    for (size_t k = 0; k < reminders.size(); ++k) {
        const CReminder& reminder = reminders[k];
        if (!belongs(reminder)) continue;
        ++rows.count;
        rows.html += "<tr class=\"internalRow\" id=\"" + std::to_string(k) + "\">" + serviceCell +
                     CReminderTable::ServiceText(reminder, now, look.overdueImage) +
                     "</TD><td align=\"right\" class=\"internalRow\">" +
                     jv::ui::EscapeHtml(CReminderTable::OdometerText(reminder, 0, format)) +
                     "</td><td class=\"internalRow\">" + jv::ui::EscapeHtml(CReminderTable::DueDateText(reminder)) +
                     "</td></tr>";
    }
    return rows;
}

}  // namespace

CReminderTable::Rows CReminderTable::DetailRows(const std::vector<CReminder>& reminders, const std::string& carName,
                                                const jv::DateTime& now, const jv::NumberFormat& format) {
    return MakeRows(
        reminders, [&carName](const CReminder& reminder) { return reminder.Name == carName; }, now, format, Look{});
}

CReminderTable::Rows CReminderTable::DetailRowsOfCar(const std::vector<CReminder>& reminders,
                                                     const std::string& vehicleId, const jv::DateTime& now,
                                                     const jv::NumberFormat& format, const Look& look) {
    return MakeRows(
        reminders, [&vehicleId](const CReminder& reminder) { return reminder.VehicleID == vehicleId; }, now, format,
        look);
}

std::string CReminderTable::ServiceText(const CReminder& reminder, const jv::DateTime& now,
                                        const std::string& overdueImage) {
    std::string text;
    if (reminder.DueDate.IsValid() && reminder.DueDate < now)
        text = "<img alt=\"Service is overdue!\" title=\"Service is overdue!\" class=\"overdue\" src=" +
               jv::ui::EscapeHtml(overdueImage) + ">";
    return text + jv::ui::EscapeHtml(reminder.DisplayText);
}

std::string CReminderTable::OdometerText(const CReminder& reminder, int digits, const jv::NumberFormat& format) {
    std::string odometer = "N/A";
    if (reminder.DueOdometer > 0) DoubleToLocaleString(odometer, reminder.DueOdometer, digits, format);
    return odometer;
}

std::string CReminderTable::DueDateText(const CReminder& reminder) {
    return reminder.DueDate.IsValid() ? reminder.DueDate.Format("%m/%d/%Y") : "N/A";
}

std::string CReminderTable::Summary(int count, const jv::DateTime& nextDue) {
    if (count > 0)
        // The link with its brackets is for the screen: printouts leave out the whole span.
        return std::to_string(count) +
               " services due <span class=\"detailslink\">[<a href=\"Show Details\" "
               "onClick=\"Javascript:Details('show'); "
               "return false;\">show details</a>]</span><br/>";
    if (nextDue.IsValid()) return "No services due until " + nextDue.Format("%m/%d/%Y");
    return "Jorvane needs more information to determine when the next service is due.";
}

std::string CReminderTable::CarCell(const std::string& name, int styleYear, const std::string& make,
                                    const std::string& model, const std::string& style) {
    // The model line leaves out what the car's record does not hold (a custom car may have no year).
    std::string line;
    for (const std::string& part : {styleYear > 0 ? std::to_string(styleYear) : std::string(), make, model, style}) {
        if (part.empty()) continue;
        if (!line.empty()) line += " ";
        line += jv::ui::EscapeHtml(part);
    }
    return "<H3 style=\"MARGIN-BOTTOM: -16px;\">" + jv::ui::EscapeHtml(name) + "</H3><p style=\"FONT-SIZE: smaller\">" +
           line + "</p>";
}

std::string CReminderTable::DetailsDivision() {
    // The box grows with the car's own reminders and scrolls only beyond about ten of them.
    return "<div id=\"RemindersDiv\" style=\"OVERFLOW: auto; MAX-HEIGHT: 240px; display:none; \"></div>";
}
