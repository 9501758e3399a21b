// A long register over a long session, in the fake browser: what the page and its document keep
// follows what the register shows now, however long it is scrolled and whatever entries page
// objects look up.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "mainapp/JorvaneView.h"
#include "mainapp/PageFactory.h"
#include "mainapp/pages/JVRegisterPage.h"
#include "platform/db/Connection.h"
#include "platform/ui/Document.h"
#include "platform/ui/DomUtil.h"
#include "tests/mainapp/dialogs/MainAppUiTest.h"

namespace {

using jv::ui::Document;
using jv::ui::Element;

constexpr int kEntries = 3000;

class LongRegister : public MainAppUiTest {
protected:
    LongRegister() {
        const CCar car = AddCar("Long Hauler");
        Exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kEntries) +
             ") INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume,"
             " CostPer, Cost) SELECT '" +
             car.VehicleID + "', 40000 + i, i * 50.0, 50.0, 'Station ' || (i % 17), -1, 8.5, 1.5, 12.75 FROM n");
        jv::db::Recordset rs = document.GetDatabaseConnection().Execute(
            "SELECT FuelPurchaseID FROM FuelPurchases ORDER BY FuelPurchaseDate");
        for (; !rs.IsEOF(); rs.MoveNext()) ids.push_back(rs.GetText(rs.Columns()[0]).value_or(""));
        ui.host.Navigate(ui.host.ResourceUrl(CJorvaneView::kFuelRegisterPage), "main_workspace");
        ui.loop.RunUntil([&] { return ui.host.FrameDocument("main_workspace") != nullptr; }, std::chrono::seconds(5));
        page = std::dynamic_pointer_cast<CJVRegisterPage>(
            CreatePage(CJorvaneView::kFuelRegisterPage, ui.host.FrameDocument("main_workspace")));
        Work([&] { page->ProcessDocument(); });
    }

    // Runs fn as one piece of work, as a message from the page runs.
    void Work(const std::function<void()>& fn) {
        ui.loop.RunPending();
        ui.loop.Post(fn);
        ui.loop.RunOne();
    }

    Document& Page() { return *page->GetDocument(); }

    // The ids of the entries built as rows, read from the tree (a look-up by id would build them).
    std::vector<std::string> Built() {
        std::vector<std::string> built;
        jv::ui::dom::ForEachElementBelow(Page(), [&](Element& element) {
            if (element.is("tr") && element.className() == "registerrowtop" && element.id() != "new")
                built.push_back(element.id());
            return false;
        });
        return built;
    }

    size_t Nodes() {
        size_t count = 0;
        std::function<void(const jv::ui::Node&)> walk = [&](const jv::ui::Node& node) {
            ++count;
            for (const auto& child : node.childNodes()) walk(*child);
        };
        walk(Page());
        return count;
    }

    std::vector<std::string> ids;  // the entries' ids from the oldest on
    std::shared_ptr<CJVRegisterPage> page;
};

// Scrolled hundreds of times to parts of the register far from each other: every step builds
// entries, and what the document holds (nodes, look-ups by key, id and name) is the same after
// the last step as after the first hundred.
TEST_F(LongRegister, ScrollingLetsEntriesOutOfViewGoWithEverythingKeptForThem) {
    ASSERT_TRUE(page);
    ASSERT_EQ(Built().size(), 30u);
    EXPECT_EQ(page->EntryCount(), static_cast<size_t>(kEntries));
    EXPECT_EQ(page->LoadedCount(), 30u);
    Document::LookupSizes early;
    size_t earlyNodes = 0;
    for (int step = 1; step <= 400; ++step) {
        const int first = 100 + static_cast<int>(std::fmod(step * 0.6180339887, 1.0) * (kEntries - 200));
        Work([&] { page->ShowEntries(first, first + 20, "new"); });
        ASSERT_EQ(Built().size(), 21u + 2 * 8) << "step " << step;
        // The page holds read from the database the entries it built, no more.
        ASSERT_EQ(page->LoadedCount(), Built().size()) << "step " << step;
        if (step == 100) {
            early = Page().lookupSizes();
            earlyNodes = Nodes();
        }
    }
    const Document::LookupSizes late = Page().lookupSizes();
    EXPECT_EQ(Nodes(), earlyNodes);
    EXPECT_EQ(late.keys, early.keys);
    EXPECT_EQ(late.names, early.names);
    EXPECT_LE(late.nameEntries, 2 * early.nameEntries);
    EXPECT_TRUE(ui.host.failures().empty());
}

// Vendor completion asked of thousands of entries never scrolled to: each is built for the call
// and let go once the call is done, so the register holds what it held before.
TEST_F(LongRegister, EntriesLookedUpAreLetGoOnceTheWorkThatAskedForThemEnds) {
    ASSERT_TRUE(page);
    const std::vector<std::string> shown = Built();
    const size_t nodes = Nodes();
    const Document::LookupSizes before = Page().lookupSizes();
    for (int i = 0; i < 1000; ++i) {
        const std::string& id = ids[static_cast<size_t>(i * 7) % (kEntries - 100)];
        Work([&] {
            page->GetVendor(id, "Sta");
            // There while the work runs.
            EXPECT_EQ(Page().getElementById("vendorWhole_" + id)->parentNode()->parentNode()->asElement()->id(), id);
        });
        ASSERT_EQ(Built(), shown) << "after " << id;
        ASSERT_EQ(page->LoadedCount(), shown.size()) << "after " << id;
    }
    EXPECT_EQ(Nodes(), nodes);
    EXPECT_EQ(Page().lookupSizes().keys, before.keys);
    EXPECT_EQ(Page().lookupSizes().names, before.names);

    // Two entries looked up in one piece of work both stay until it ends; one the script shows
    // meanwhile stays after it.
    Work([&] {
        Element* first = Page().getElementById(ids[10]);
        Element* second = Page().getElementById(ids[20]);
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_TRUE(first->isConnected());
        EXPECT_NE(Page().getElementById(ids[1000]), nullptr);
        page->ShowEntries(1000, 1020, "new");
    });
    const std::vector<std::string> after = Built();
    EXPECT_EQ(std::count(after.begin(), after.end(), ids[1000]), 1);
    EXPECT_EQ(std::count(after.begin(), after.end(), ids[10]), 0);
    EXPECT_EQ(std::count(after.begin(), after.end(), ids[20]), 0);
    EXPECT_TRUE(ui.host.failures().empty());
}

}  // namespace
