#include "trayapp/RemindersPage.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/ui/Document.h"
#include "platform/ui/Element.h"
#include "platform/ui/Resources.h"
#include "tests/trayapp/TrayFixture.h"
#include "trayapp/JVSystemTrayView.h"
#include "trayapp/TrayMessages.h"
#include "trayapp/TrayResources.h"

namespace {

using jv::ui::Element;

void Collect(Element* element, const std::string& tag, std::vector<Element*>& found) {
    for (Element* child : element->children()) {
        if (child->is(tag)) found.push_back(child);
        Collect(child, tag, found);
    }
}
std::vector<Element*> Below(Element* element, const std::string& tag) {
    std::vector<Element*> found;
    Collect(element, tag, found);
    return found;
}

class RemindersPageTest : public TrayTest {
protected:
    RemindersPageTest() { jv::ui::Resources::Install(TrayResources()); }

    // Page 138 loaded and filled from the frame's database.
    std::shared_ptr<CRemindersPage> Load() {
        auto document = jv::ui::Resources::LoadDocument(tray::IDR_REMINDERS_PAGE, "res://JVSystemTray.exe/138");
        auto page = CJVSystemTrayView::CreateTrayPage(tray::IDR_REMINDERS_PAGE, document, *frame_);
        if (page) page->ProcessDocument();
        return page;
    }
    // The car rows of the page's table.
    static std::vector<Element*> CarRows(const CRemindersPage& page) {
        std::vector<Element*> rows;
        for (Element* row : page.GetDocument()->getElementById("reminders")->rows())
            if (row->className() == "listrow") rows.push_back(row);
        return rows;
    }
};

}  // namespace

TEST_F(RemindersPageTest, EachCarWithItsCountDetailsOrNextDueDate) {
    {
        auto db = CreateDatabase(DefaultDatabasePath());
        AddCar(db, "11111111-1111-1111-1111-111111111111", "Family car", true);
        AddItem(db, "Family car", "Wipers", "Replace", 0, 2);
        AddItem(db, "Family car", "Brakes", "Inspect", 0, 1);
        AddCar(db, "22222222-2222-2222-2222-222222222222", "Runabout", false);
        AddCar(db, "33333333-3333-3333-3333-333333333333", "Van", true);
        // A car with no readings: nothing can be worked out for it.
        db.ExecuteNonQuery(
            "INSERT INTO Vehicles (VehicleID, Name, StyleYear, Sold, Custom) VALUES "
            "('44444444-4444-4444-4444-444444444444', 'Project', 1970, 0, -1)");
    }
    ASSERT_TRUE(frame_->GetUserData().OpenConnections(DefaultDatabasePath()));
    auto page = Load();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->GetDocument()->getElementById("ReminderDate")->innerText(), "04/01/2024");
    EXPECT_EQ(page->reminders().size(), 4u);
    EXPECT_EQ(page->GetDocument()->getElementById("RemindersHeadingRow"), nullptr);

    struct Expected {
        const char* id;
        const char* summary;
        size_t detailRows;
    } expected[] = {
        {"11111111-1111-1111-1111-111111111111", "3 services due [show details]", 3},
        {"22222222-2222-2222-2222-222222222222", "No services due until 02/15/2025", 0},
        {"33333333-3333-3333-3333-333333333333", "1 services due [show details]", 1},
        {"44444444-4444-4444-4444-444444444444",
         "Jorvane needs more information to determine when the next service is due.", 0},
    };
    const auto rows = CarRows(*page);
    ASSERT_EQ(rows.size(), std::size(expected));
    std::set<std::string> detailIds;
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i].id);
        EXPECT_EQ(rows[i]->id(), expected[i].id);
        const auto cells = rows[i]->cells();
        ASSERT_EQ(cells.size(), 2u);
        EXPECT_EQ(cells[1]->innerText().substr(0, std::string(expected[i].summary).size()), expected[i].summary);
        // Every details division grows with its reminders up to a limit, then scrolls.
        const auto divisions = Below(cells[1], "div");
        ASSERT_EQ(divisions.size(), 1u);
        EXPECT_EQ(divisions[0]->style("height"), "");
        EXPECT_EQ(divisions[0]->style("max-height"), "240px");
        EXPECT_EQ(divisions[0]->style("display"), "none");
        size_t details = 0;
        for (Element* row : Below(divisions[0], "tr")) {
            if (row->className() != "internalRow") continue;
            ++details;
            EXPECT_TRUE(detailIds.insert(row->id()).second) << "repeated row id " << row->id();
            EXPECT_EQ(Below(row, "img").size(), 1u) << "every service here is overdue";
        }
        EXPECT_EQ(details, expected[i].detailRows);
    }
}

TEST_F(RemindersPageTest, NoCarsLeavesTheTitleRowsAndAReloadBuildsTheListAnew) {
    { CreateDatabase(DefaultDatabasePath()); }
    ASSERT_TRUE(frame_->GetUserData().OpenConnections(DefaultDatabasePath()));
    auto first = Load();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->GetDocument()->getElementById("reminders")->rows().size(), 2u);

    {
        auto db = jv::db::Connection::Open(DefaultDatabasePath());
        AddCar(db, "11111111-1111-1111-1111-111111111111", "Family car", true);
    }
    auto second = Load();
    EXPECT_EQ(CarRows(*second).size(), 1u);
    EXPECT_EQ(CJVSystemTrayView::CreateTrayPage(145, second->GetDocument(), *frame_), nullptr);
}
