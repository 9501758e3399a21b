#include "tests/support/FakeHost.h"

#include <gtest/gtest.h>

#include "platform/ui/Document.h"
#include "tests/platform/ui/UiTestEnvironment.h"

using jv::test::ScopedResources;
using jv::test::UiEnvironment;
using jv::ui::Document;
using jv::ui::Element;
using jv::ui::ElementPtr;

namespace {

constexpr int kRegister = 175;
constexpr int kPreferences = 197;

const char* const kRegisterPage = R"(<!DOCTYPE html><html><head><title>Fuel Register</title></head><body>
<table id=FuelTable><thead><tr><th>Date</th><th>Vendor</th></tr></thead><tbody id=Rows>
<tr id=1><td id=first>01/02/08</td><td>Shell</td></tr></tbody></table>
<select id=CarSelect><option value="%">All Cars</option></select>
<input type=radio name=Units id=miles value=miles checked><input type=radio name=Units id=km value=km>
<span id=NumberScratch></span><textarea id=Notes></textarea>
</body></html>)";
const char* const kPreferencesPage = "<html><head><title>Preferences</title></head><body>prefs</body></html>";

// The main view's part: the pages that complete, and a navigation guard.
class RecordingEvents : public jv::ui::WindowEvents {
public:
    void OnBeforeNavigate(const std::string& url, const std::string&, bool& cancel) override {
        cancel = url == blocked;
    }
    void OnDocumentComplete(const std::string& url, const std::string& frame,
                            const std::shared_ptr<Document>& document) override {
        completed.push_back(frame + " " + url);
        last = document;
    }
    void OnWindowClosed() override {}

    std::string blocked;
    std::vector<std::string> completed;
    std::shared_ptr<Document> last;
};

class FakeHostTest : public ::testing::Test {
protected:
    FakeHostTest() { ui_.host.SetWindowEvents(&events_); }

    std::shared_ptr<Document> Load(int id) {
        ui_.host.Navigate(ui_.host.ResourceUrl(id), "main_workspace");
        ui_.loop.RunPending();
        return ui_.host.FrameDocument("main_workspace");
    }

    ScopedResources pages_{{{kRegister, kRegisterPage}, {kPreferences, kPreferencesPage}}};
    UiEnvironment ui_;
    RecordingEvents events_;
};

// Whatever the page code does, the patches bring the browser's copy to the same tree; the fake
// host compares the two after every flush and fails the test when they differ.
TEST_F(FakeHostTest, PatchesKeepTheBrowsersCopyEqualToTheProgramsDocument) {
    const auto page = Load(kRegister);
    ASSERT_TRUE(page);
    Element* rows = page->getElementById("Rows");

    // Rows built as the register pages build them: outside the tree, then put in.
    for (int i = 0; i < 3; ++i) {
        ElementPtr row = page->createElement("tr");
        row->setId(std::to_string(10 + i));
        ElementPtr date = page->createElement("<TD id=first onclick=SelectRow(this);></td>");
        date->insertAdjacentHTML("beforeEnd", "<input name=date value=01/0" + std::to_string(i + 1) + "/08>");
        row->appendChild(date);
        ElementPtr vendor = page->createElement("td");
        vendor->appendChild(page->createTextNode("Joe's"));
        vendor->appendChild(page->createTextNode(" & Sons"));  // two text nodes travel as one
        row->appendChild(vendor);
        rows->appendChild(row);
    }
    ui_.host.FlushPatches();

    // Text nodes put straight into the page, an empty one among them.
    Element* scratch = page->getElementById("NumberScratch");
    scratch->appendChild(page->createTextNode("1 < 2"));
    scratch->insertBefore(page->createTextNode(""), scratch->childNodes().front().get());
    scratch->appendChild(page->createTextNode("&nbsp;"));
    ui_.host.FlushPatches();
    EXPECT_EQ(ui_.host.BrowserCopy(*page)->getElementById("NumberScratch")->childNodes().size(), 3u);

    // Changes in place: cells, text, values, styles, options, radio buttons, moves and removals.
    ElementPtr cell = page->getElementById("11")->insertCell(1);
    cell->setInnerHTML("<span id=vendorWhole_11 style=\"display:none\">x</span>&nbsp;");
    page->getElementById("12")->cells()[1]->setInnerText("Bob's\nGarage");
    page->item("date", 1)->setValue("12/31/07");
    page->getElementById("NumberScratch")->setInnerText("1234.500000");
    page->getElementById("first")->setStyle("display", "none");
    page->getElementById("Notes")->setValue("checked the tyres");
    ElementPtr option = page->createElement("option");
    option->setText("My Car");
    option->setValue("{GUID}");
    option->setSelected(true);
    page->getElementById("CarSelect")->add(option, -1);
    page->getElementById("km")->setChecked(true);
    rows->insertBefore(page->getElementById("12")->selfElement(), page->getElementById("10"));
    page->getElementById("FuelTable")->deleteRow(2);
    page->getElementById("Rows")->insertAdjacentHTML("afterBegin", "<tr><td>first</td></tr>");
    page->getElementById("FuelTable")->createTHead()->setAttribute("class", "head");
    page->setTitle("Fuel Register - My Car");
    ui_.host.FlushPatches();

    // What the user does goes the other way without patches.
    ASSERT_TRUE(ui_.host.Type(*page, "date", "02/02/08", 1));
    ASSERT_TRUE(ui_.host.SetChecked(*page, "miles", true));
    ASSERT_TRUE(ui_.host.Choose(*page, "CarSelect", "%"));
    EXPECT_TRUE(page->mutations().empty());
    EXPECT_EQ(page->item("date", 1)->value(), "02/02/08");
    EXPECT_FALSE(page->getElementById("km")->checked());
    EXPECT_EQ(page->getElementById("CarSelect")->value(), "%");

    // Replacing a whole body, as the registers do after a save.
    ElementPtr body = page->createElement("tbody");
    body->setId("Rows");
    body->setInnerHTML("<tr><td>only</td></tr>");
    page->getElementById("FuelTable")->replaceChild(body, page->getElementById("Rows"));
    ui_.host.FlushPatches();

    const auto browser = ui_.host.BrowserCopy(*page);
    ASSERT_TRUE(browser);
    EXPECT_EQ(browser->Serialize({true, true}), page->Serialize({true, true}));
    EXPECT_EQ(browser->title(), "Fuel Register - My Car");
    EXPECT_TRUE(ui_.host.failures().empty());
}

// Controls whose state the program set before putting them into the page: the browser holds the
// same state, and later attribute changes leave it alone there as they do here.
TEST_F(FakeHostTest, ControlsInsertedWithStateTheProgramSetShowThatState) {
    const auto page = Load(kRegister);
    ASSERT_TRUE(page);
    Element* scratch = page->getElementById("NumberScratch");

    ElementPtr odometer = page->createElement("<input name=odometer value=0>");
    odometer->setValue("1234");
    ElementPtr done = page->createElement("<input type=checkbox name=done checked>");
    done->setChecked(false);
    ElementPtr car = page->createElement("<select name=car>");
    car->insertAdjacentHTML("beforeEnd", "<option value=a>A</option><option value=b>B</option>");
    car->setSelectedIndex(-1);
    ElementPtr kind = page->createElement("<select name=kind>");
    kind->insertAdjacentHTML("beforeEnd", "<option value=x selected>X</option><option value=y>Y</option>");
    kind->setSelectedIndex(1);
    for (const ElementPtr& control : {odometer, done, car, kind}) scratch->appendChild(control);
    // Moving a control keeps its state too.
    scratch->insertBefore(kind, odometer.get());
    ui_.host.FlushPatches();

    odometer->setAttribute("value", "99");
    done->setAttribute("checked", "");
    kind->options()[1]->removeAttribute("selected");
    ui_.host.FlushPatches();

    const auto browser = ui_.host.BrowserCopy(*page);
    ASSERT_TRUE(browser);
    EXPECT_EQ(browser->item("odometer")->value(), "1234");
    EXPECT_FALSE(browser->item("done")->checked());
    EXPECT_EQ(browser->item("car")->selectedIndex(), -1);
    EXPECT_EQ(browser->item("car")->value(), "");
    EXPECT_EQ(browser->item("kind")->value(), page->item("kind")->value());
    EXPECT_TRUE(ui_.host.failures().empty());
}

TEST_F(FakeHostTest, NavigationTellsTheViewAndCanBeRefused) {
    const auto first = Load(kRegister);
    ASSERT_TRUE(first);
    EXPECT_EQ(events_.completed, (std::vector<std::string>{"main_workspace res://Test.exe/175"}));
    EXPECT_EQ(events_.last, first);

    events_.blocked = ui_.host.ResourceUrl(kPreferences);
    EXPECT_EQ(Load(kPreferences), first) << "a refused navigation keeps the page";

    events_.blocked.clear();
    const auto second = Load(kPreferences);
    EXPECT_NE(second, first);
    EXPECT_EQ(ui_.host.BrowserCopy(*first), nullptr) << "the old page is no longer shown";

    EXPECT_TRUE(ui_.host.GoBack());
    ui_.loop.RunPending();
    EXPECT_EQ(ui_.host.FrameDocument("main_workspace")->title(), "Fuel Register");
    EXPECT_FALSE(ui_.host.GoBack());
    EXPECT_TRUE(ui_.host.GoForward());
    ui_.loop.RunPending();
    EXPECT_EQ(ui_.host.FrameDocument("main_workspace")->title(), "Preferences");
}

}  // namespace
