#include "mainapp/pages/HomePageMarkup.h"

#include "platform/base/Clock.h"
#include "platform/ui/HtmlEscape.h"
#include "shared/core/NumberUtils.h"
#include "shared/ui/ReminderTable.h"

namespace {

constexpr const char* kCarCell =
    "<td style=\"CURSOR: hand\" onmousedown=\"OnMouseDownTable(0);\" onmouseover=\"MouseOverListCell();\" "
    "onmouseout=\"MouseOutListCell('listrow');\" class=\"listrow\">";
constexpr const char* kDetailsTable = "<table cellSpacing=\"1\" cellPadding=\"0\" width=\"100%\" border=\"0\">";
constexpr const char* kOdometerCell =
    "<td style=\"CURSOR: hand\" onclick=\"UpdateOdometer();\" id=\"odometer\" title=\"Update the odometer\" "
    "onmouseover=\"MouseOverListCell();\" onmouseout=\"MouseOutListCell('listrow number');\" "
    "class=\"listrow number\" align=\"right\">";

std::string Escape(const std::string& text) {
    return jv::ui::EscapeHtml(text);
}

}  // namespace

std::string CHomePageMarkup::OdometerText(float odometer, bool estimated, const jv::NumberFormat& format) {
    std::string number;
    DoubleToLocaleString(number, odometer, 1, format);
    number = Escape(number);
    if (!estimated) return number;
    return "<span style=\"font-style: italic;\">" + number +
           "</span><br/><span class=\"estimated\" style=\"font-size: 9px;\">(estimated)</span>";
}

std::string CHomePageMarkup::FigureText(const std::string& text) {
    return "<p align=\"right\">" + Escape(text) + "</p>";
}

std::string CHomePageMarkup::CarRowCells(const CCar& car, const std::vector<CReminder>& reminders,
                                         const Figures& figures, const jv::DateTime& now, const jv::DateTime& nextDue,
                                         const jv::NumberFormat& format, int* dueCount) {
    const CReminderTable::Rows details =
        CReminderTable::DetailRowsOfCar(reminders, car.VehicleID, now, format, CReminderTable::Look{kOverdueImage, 1});
    if (dueCount != nullptr) *dueCount = details.count;
    std::string html = kCarCell;
    html += CReminderTable::CarCell(car.Name, car.StyleYear, car.Make, car.Model, car.Style);
    html += "</td><td class=\"dueservices\">";
    html += CReminderTable::Summary(details.count, nextDue);
    std::string division = CReminderTable::DetailsDivision();
    // The division comes closed; the details table goes inside it.
    const std::string close = "</div>";
    division.insert(division.size() - close.size(),
                    std::string(kDetailsTable) + "<tbody>" + details.html + "</tbody></table>");
    html += division;
    html += "</td>";
    html += kOdometerCell + OdometerText(car.CurrentOdometer, car.OdometerEstimated, format) + "</td>";
    for (const std::string* figure :
         {&figures.distancePerTime, &figures.costPerUnit, &figures.fuelEconomy, &figures.totalCost})
        html += "<td class=\"number\">" + FigureText(*figure) + "</td>";
    return html;
}

std::string CHomePageMarkup::ReminderPrintRows(const std::vector<CReminder>& reminders, const jv::DateTime& now,
                                               const jv::NumberFormat& format) {
    std::string html =
        "<thead><tr><td class=headingsm>Car Name</td><td class=headingsm>Service</td>"
        "<td class=headingsm>Odometer</td><td class=headingsm>Due Date</td></tr></thead><tbody>";
    for (const CReminder& reminder : reminders) {
        html += "<tr class=\"internalRow\"><td class=\"internalRow\">" + Escape(reminder.Name) +
                "</td><td class=\"internalRow\">" + CReminderTable::ServiceText(reminder, now, kOverdueImage) +
                "</td><td align=\"right\" class=\"internalRow\">" +
                Escape(CReminderTable::OdometerText(reminder, 1, format)) + "</td><td class=\"internalRow\">" +
                Escape(CReminderTable::DueDateText(reminder)) + "</td></tr>";
    }
    return html + "</tbody>";
}

bool CHomePageMarkup::ParseDueBy(const std::string& text, jv::DateTime& date) {
    return date.ParseDateTime(text, jv::CurrentClock().Now().GetYear() + 50);
}
