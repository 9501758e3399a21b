#include "mainapp/pages/HomePageMarkup.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/base/Clock.h"
#include "platform/ui/Document.h"
#include "platform/ui/Element.h"

namespace {

using jv::ui::Element;

CReminder Reminder(const std::string& vehicleId, const std::string& name, const std::string& text,
                   const jv::DateTime& due, float odometer) {
    CReminder r;
    r.VehicleID = vehicleId;
    r.Name = name;
    r.DisplayText = text;
    r.DueDate = due;
    r.DueOdometer = odometer;
    return r;
}

CCar Car(const std::string& id, const std::string& name, float odometer, bool estimated) {
    CCar car;
    car.VehicleID = id;
    car.Name = name;
    car.StyleYear = 2019;
    car.Make = "Ford";
    car.Model = "Focus";
    car.Style = "SE";
    car.CurrentOdometer = odometer;
    car.OdometerEstimated = estimated;
    return car;
}

// The row as the browser shows it: the texts of its cells, tab-free.
std::vector<std::string> Cells(const std::string& cellsHtml, Element** rowOut = nullptr,
                               std::shared_ptr<jv::ui::Document>* keep = nullptr) {
    auto document =
        jv::ui::Document::Parse("<table><tbody><tr id=r>" + cellsHtml + "</tr></tbody></table>", "res://test/1");
    Element* row = document->getElementById("r");
    std::vector<std::string> texts;
    for (Element* cell : row->cells()) texts.push_back(cell->innerText());
    if (rowOut) *rowOut = row;
    if (keep) *keep = document;
    return texts;
}

const jv::DateTime kNow(2026, 12, 9, 9, 0, 0);

}  // namespace

TEST(HomePageMarkup, OdometerWithOneDecimalAndTheEstimateMarked) {
    struct Case {
        float odometer;
        bool estimated;
        jv::NumberFormat format;
        std::string text;
    } cases[] = {
        {15000.0f, false, jv::NumberFormat::UnitedStates(), "15,000.0"},
        {43382.44f, true, jv::NumberFormat::UnitedStates(), "43,382.4\n(estimated)"},
        {1234.56f, false, jv::NumberFormat::German(), "1.234,6"},
        {0.0f, true, jv::NumberFormat::Plain(), "0.0\n(estimated)"},
    };
    for (const Case& c : cases) {
        auto document = jv::ui::Document::Parse(
            "<p id=o>" + CHomePageMarkup::OdometerText(c.odometer, c.estimated, c.format) + "</p>", "res://test/1");
        EXPECT_EQ(document->getElementById("o")->innerText(), c.text);
    }
}

TEST(HomePageMarkup, CarRowShowsItsOwnRemindersByIdItsFiguresAndEscapedText) {
    const std::vector<CReminder> reminders = {
        Reminder("{B}", "Twin", "Oil - Change", jv::DateTime(2026, 11, 1), 13889.0f),
        Reminder("{A}", "Twin", "Tyres - Rotate", jv::DateTime(2026, 12, 15), 15175.0f),
        Reminder("{A}", "Twin", "Wipers <b>", jv::DateTime(2026, 12, 20), 0.0f),
    };
    const CHomePageMarkup::Figures figures{"10,680", "347.17", "10.0", "<672.00>"};
    struct Case {
        const char* name;
        CCar car;
        jv::DateTime nextDue;
        int count;
        std::vector<std::string> cells;
    } cases[] = {
        // Two cars share a name: each lists only the reminders with its own VehicleID (ids 1 and 2).
        {"its reminders by VehicleID",
         Car("{A}", "Twin", 15000.0f, false),
         jv::DateTime::Invalid(),
         2,
         {"Twin\n\n2019 Ford Focus SE",
          "2 services due [show details]\nService\tOdometer\tDue Date\nTyres - Rotate\t15,175\t12/15/2026\nWipers "
          "<b>\tN/A\t12/20/2026",
          "15,000.0", "10,680", "347.17", "10.0", "<672.00>"}},
        {"nothing due in the window",
         Car("{C}", "<img src=x onerror=alert(1)>", 43382.4f, true),
         jv::DateTime(2027, 2, 1),
         0,
         {"<img src=x onerror=alert(1)>\n\n2019 Ford Focus SE",
          "No services due until 02/01/2027\nService\tOdometer\tDue Date", "43,382.4\n(estimated)", "10,680", "347.17",
          "10.0", "<672.00>"}},
        {"nothing due within a year",
         Car("{D}", "Van", 1.0f, false),
         jv::DateTime::Invalid(),
         0,
         {"Van\n\n2019 Ford Focus SE",
          "Jorvane needs more information to determine when the next service is due.\nService\tOdometer\tDue Date",
          "1.0", "10,680", "347.17", "10.0", "<672.00>"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int count = -1;
        const std::string html = CHomePageMarkup::CarRowCells(c.car, reminders, figures, kNow, c.nextDue,
                                                              jv::NumberFormat::UnitedStates(), &count);
        EXPECT_EQ(count, c.count);
        Element* row = nullptr;
        std::shared_ptr<jv::ui::Document> document;
        std::vector<std::string> cells = Cells(html, &row, &document);
        // The details table is hidden; its text is still there.
        for (std::string& cell : cells)
            while (cell.size() > 0 && (cell.back() == '\n' || cell.back() == ' ')) cell.pop_back();
        EXPECT_EQ(cells, c.cells);
        EXPECT_EQ(html.find("<img src=x"), std::string::npos);
        EXPECT_EQ(html.find("<b>"), std::string::npos);
        // Reminder rows carry their index in the whole list; the overdue one its mark.
        if (c.count == 2) {
            EXPECT_NE(document->getElementById("1"), nullptr);
            EXPECT_NE(document->getElementById("2"), nullptr);
            EXPECT_EQ(document->getElementById("0"), nullptr);
        }
        EXPECT_EQ(html.find("src=199") != std::string::npos, false);
    }
    // The overdue reminder of the other car.
    const std::string other = CHomePageMarkup::CarRowCells(Car("{B}", "Twin", 1.0f, false), reminders, figures, kNow,
                                                           jv::DateTime::Invalid(), jv::NumberFormat::Plain());
    EXPECT_NE(other.find("<img alt=\"Service is overdue!\""), std::string::npos);
    EXPECT_NE(other.find("src=199"), std::string::npos);
}

TEST(HomePageMarkup, ReminderPrintShowsEveryCarWithOneDecimalAndNotAvailable) {
    const std::vector<CReminder> reminders = {
        Reminder("{A}", "Daily & Co", "Oil - Change", jv::DateTime(2026, 11, 1), 13889.25f),
        Reminder("{B}", "Weekend", "Battery - Check", jv::DateTime::Invalid(), -5.0f),
    };
    auto document = jv::ui::Document::Parse(
        "<table id=t>" + CHomePageMarkup::ReminderPrintRows(reminders, kNow, jv::NumberFormat::UnitedStates()) +
            "</table>",
        "res://test/1");
    std::vector<std::string> rows;
    for (Element* row : document->getElementById("t")->rows()) rows.push_back(row->innerText());
    EXPECT_EQ(rows, (std::vector<std::string>{"Car Name\tService\tOdometer\tDue Date",
                                              "Daily & Co\tOil - Change\t13,889.3\t11/01/2026",
                                              "Weekend\tBattery - Check\tN/A\tN/A"}));
}

TEST(HomePageMarkup, ReminderIdsAndTypedDatesFromTheScript) {
    struct Id {
        int id;
        size_t count;
        bool valid;
    } ids[] = {{0, 1, true},  {2, 3, true},        {3, 3, false},      {-1, 3, false},
               {0, 0, false}, {INT_MAX, 3, false}, {INT_MIN, 3, false}};
    for (const Id& c : ids) EXPECT_EQ(CHomePageMarkup::IsReminderId(c.id, c.count), c.valid) << c.id << "/" << c.count;

    struct Date {
        std::string text;
        bool valid;
        jv::DateTime date;
    } dates[] = {
        {"12/23/2026", true, jv::DateTime(2026, 12, 23)}, {"1/2/26", true, jv::DateTime(2026, 1, 2)},
        {"1/2/30", true, jv::DateTime(2030, 1, 2)},       {"23/12/2026", false, jv::DateTime::Invalid()},
        {"1/15/27", true, jv::DateTime(2027, 1, 15)},     {"1/15/76", true, jv::DateTime(2076, 1, 15)},
        {"1/15/77", true, jv::DateTime(1977, 1, 15)},     {"2026-12-23", false, jv::DateTime::Invalid()},
        {"soon", false, jv::DateTime::Invalid()},
    };
    jv::FixedClock clock(jv::DateTime(2026, 12, 9));
    jv::ScopedClock installed(clock);
    for (const Date& c : dates) {
        SCOPED_TRACE(c.text);
        jv::DateTime date;
        EXPECT_EQ(CHomePageMarkup::ParseDueBy(c.text, date), c.valid);
        if (c.valid)
            EXPECT_EQ(date, c.date);
        else
            EXPECT_FALSE(date.IsValid());
    }
}
