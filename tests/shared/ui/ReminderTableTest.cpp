#include "shared/ui/ReminderTable.h"

#include <gtest/gtest.h>

#include "platform/ui/Document.h"
#include "platform/ui/Element.h"

namespace {

CReminder Reminder(const std::string& car, const std::string& text, jv::DateTime due, float odometer) {
    CReminder reminder;
    reminder.Name = car;
    reminder.DisplayText = text;
    reminder.DueDate = due;
    reminder.DueOdometer = odometer;
    return reminder;
}

// The elements with this tag below an element, in document order.
void Collect(jv::ui::Element* element, const std::string& tag, std::vector<jv::ui::Element*>& found) {
    for (jv::ui::Element* child : element->children()) {
        if (child->is(tag)) found.push_back(child);
        Collect(child, tag, found);
    }
}
std::vector<jv::ui::Element*> Below(jv::ui::Element* element, const std::string& tag) {
    std::vector<jv::ui::Element*> found;
    Collect(element, tag, found);
    return found;
}

// The rows as a browser reads them: each row's id and its cells' text, and whether the overdue
// mark is there.
struct ShownRow {
    std::string id;
    std::string service;
    std::string odometer;
    std::string due;
    bool overdue;
    bool operator==(const ShownRow&) const = default;
};

std::vector<ShownRow> Parse(const std::string& rows) {
    auto document = jv::ui::Document::Parse("<table><tbody>" + rows + "</tbody></table>", "res://test/1");
    std::vector<ShownRow> shown;
    auto* table = Below(document->body(), "table").front();
    for (jv::ui::Element* row : table->rows()) {
        const auto cells = row->cells();
        if (cells.size() != 3) return {};
        shown.push_back({std::string(row->id()), cells[0]->innerText(), cells[1]->innerText(), cells[2]->innerText(),
                         !Below(cells[0], "img").empty()});
    }
    return shown;
}

}  // namespace

TEST(ReminderTable, RowsOfOneCarWithTheirPositionsInTheWholeListEscapedAndFormatted) {
    const jv::DateTime now(2024, 3, 18, 12, 0, 0);
    const std::vector<CReminder> reminders = {
        Reminder("Family car", "Oil - Change", jv::DateTime(2024, 3, 1), 12345.6f),
        Reminder("Van", "Tyres - Rotate", jv::DateTime(2024, 3, 20), 0.0f),
        Reminder("Family car", "Wipers <front> & \"rear\"", jv::DateTime(2024, 3, 25), -1.0f),
        Reminder("Family car", "Coolant - Check", jv::DateTime::Invalid(), 900.0f),
        Reminder("family car", "Belt - Replace", jv::DateTime(2024, 3, 19), 100.0f),
    };
    struct Case {
        const char* name;
        jv::NumberFormat format;
        std::string car;
        int count;
        std::vector<ShownRow> rows;
    } cases[] = {
        {"US format",
         jv::NumberFormat::UnitedStates(),
         "Family car",
         3,
         {{"", "Service", "Odometer", "Due Date", false},
          {"0", "Oil - Change", "12,346", "03/01/2024", true},
          {"2", "Wipers <front> & \"rear\"", "N/A", "03/25/2024", false},
          {"3", "Coolant - Check", "900", "N/A", false}}},
        {"German format, another car",
         jv::NumberFormat::German(),
         "Van",
         1,
         {{"", "Service", "Odometer", "Due Date", false}, {"1", "Tyres - Rotate", "N/A", "03/20/2024", false}}},
        {"no reminders of the car: only the heading",
         jv::NumberFormat::UnitedStates(),
         "Project car",
         0,
         {{"", "Service", "Odometer", "Due Date", false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CReminderTable::Rows rows = CReminderTable::DetailRows(reminders, c.car, now, c.format);
        EXPECT_EQ(rows.count, c.count);
        EXPECT_EQ(Parse(rows.html), c.rows);
        EXPECT_EQ(rows.html.find("<front>"), std::string::npos);
    }
}

TEST(ReminderTable, SummaryCarCellAndDivision) {
    EXPECT_EQ(CReminderTable::Summary(2, jv::DateTime::Invalid()),
              "2 services due <span class=\"detailslink\">[<a href=\"Show Details\" "
              "onClick=\"Javascript:Details('show'); return false;\">show details</a>]</span><br/>");
    EXPECT_EQ(CReminderTable::Summary(0, jv::DateTime(2024, 11, 5)), "No services due until 11/05/2024");
    EXPECT_EQ(CReminderTable::Summary(0, jv::DateTime::Null()),
              "Jorvane needs more information to determine when the next service is due.");

    auto document = jv::ui::Document::Parse(
        "<div>" + CReminderTable::CarCell("<b>Mine</b>", 2019, "Ford & Co", "Focus", "SE \"Sport\"") + "</div>",
        "res://test/1");
    auto* cell = Below(document->body(), "div").front();
    EXPECT_EQ(Below(cell, "h3").front()->innerText(), "<b>Mine</b>");
    EXPECT_EQ(Below(cell, "p").front()->innerText(), "2019 Ford & Co Focus SE \"Sport\"");
    EXPECT_TRUE(Below(cell, "b").empty());

    // The box is as high as its reminders and scrolls only beyond a limit.
    EXPECT_EQ(CReminderTable::DetailsDivision().find(" HEIGHT"), std::string::npos);
    EXPECT_NE(CReminderTable::DetailsDivision().find("MAX-HEIGHT: 240px;"), std::string::npos);
}
