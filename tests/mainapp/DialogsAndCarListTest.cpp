// The message dialog's answers and the car list's selection, played against the program's pages
// in the fake browser.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/JorvaneView.h"
#include "mainapp/MainAppResources.h"
#include "mainapp/MainFrame.h"
#include "mainapp/Main_NavCarListPage.h"
#include "mainapp/dialogs/GenericDlg.h"
#include "mainapp/dialogs/InternetConnectionDlg.h"
#include "mainapp/pages/RegisterRows.h"
#include "mainapp/pages/WS_FuelRegisterPage.h"
#include "mainapp/pages/WS_OdometerRegisterPage.h"
#include "platform/base/Paths.h"
#include "platform/base/Profile.h"
#include "platform/ui/Document.h"
#include "platform/ui/Loop.h"
#include "platform/ui/Resources.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/FileVersion.h"
#include "shared/data/CarsDB.h"
#include "shared/ui/AboutDlg.h"
#include "shared/ui/SharedUi.h"
#include "tests/support/FakeHost.h"
#include "tests/support/TestSupport.h"

namespace jv::test {
namespace {

using jv::ui::FakeHost;

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
        : host(loop, "Jorvane.exe"), profile("Jorvane"), frame(host, profile), view(host, profile, document) {
        view.SetTitleHandler([this](const std::string& title) { frame.SetDocumentTitle(title); });
        jv::ui::Resources::ClearForTesting();
        jv::ui::Resources::Install(SharedUiResources());
        jv::ui::Resources::Install(MainAppResources());
        jv::ui::InstallHost(&host);
        jv::paths::MakeSureDirectoryPathExists(home.CommonAppData() + "/Jorvane/Jorvane");
        WriteFile(home.CommonAppData() + "/Jorvane/Jorvane/jvbdb", ReadFile(JV_BLANK_DATABASE_FILE));
        CJorvaneDoc::SetDoc(&document);
        CJorvaneView::SetView(&view);
        host.SetWindowEvents(&view);
        loop.SetAfterWork([this] { host.FlushPatches(); });
    }
    ~MainWindowTest() override {
        host.SetWindowEvents(nullptr);
        CJorvaneView::SetView(nullptr);
        CJorvaneDoc::SetDoc(nullptr);
        jv::ui::InstallHost(nullptr);
        jv::ui::Resources::ClearForTesting();
    }

    void AddCar(const std::string& name) {
        CCar car;
        car.Name = name;
        car.Custom = true;
        CCarsDB cars(document.GetDatabaseConnection());
        ASSERT_TRUE(cars.addCar(car));
        ids.push_back(car.VehicleID);
    }

    // Loads the car list in its frame and waits until the page object has filled it.
    std::shared_ptr<CMain_NavCarListPage> ShowCarList() {
        const auto before = view.GetCarListPage();
        host.Navigate(host.ResourceUrl(CJorvaneView::kCarListPage), "main_navcarlist");
        loop.RunUntil([&] { return view.GetCarListPage() != before; }, std::chrono::seconds(5));
        return view.GetCarListPage();
    }

    std::string RowClass(int row) {
        auto list = view.GetCarListPage();
        CJVPage::ElementPtr table, tableRow, cell;
        if (!list->GetTableById("carlist", table) || !list->GetTableRow(table.get(), row, tableRow) ||
            !list->GetRowCell(tableRow.get(), 0, cell))
            return "";
        return cell->className();
    }

    IsolatedHome home;
    jv::ui::Loop loop;
    FakeHost host;
    jv::Profile profile;
    CMainFrame frame;
    CJorvaneDoc document;
    CJorvaneView view;
    std::vector<std::string> ids;
};

TEST_F(MainWindowTest, TheMessageDialogAnswers) {
    struct Case {
        std::string action;
        bool showCancel;
        int result;
    };
    const Case cases[] = {
        {"ButtonOK", true, 0}, {"ButtonCancel", true, 1}, {"Enter", true, 0},
        {"Escape", true, 2},   {"Close", true, 2},        {"Enter", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        CGenericDlg dialog;
        dialog.SetMessage("You've made changes to this car.<p>Click Continue to leave.");
        dialog.SetOKLabel("Cancel");
        dialog.SetCancelLabel("Continue");
        dialog.SetTitle("Unsaved changes");
        dialog.SetSize(300, 300);
        if (c.showCancel) dialog.ShowCancelButton();
        std::string cancelDisplay;
        host.AnswerDialog(CGenericDlg::kPageID, [&](FakeHost::User& user) {
            jv::ui::Document& page = user.document();
            EXPECT_EQ(page.getElementById("message")->innerHTML().find("<p>") != std::string::npos, true);
            EXPECT_EQ(page.getElementById("ButtonOK")->innerText(), "Cancel");
            EXPECT_EQ(page.getElementById("ButtonCancel")->innerText(), "Continue");
            cancelDisplay = page.getElementById("ButtonCancel")->style("display");
            if (c.action == "Enter")
                user.PressEnter();
            else if (c.action == "Escape")
                user.PressEscape();
            else if (c.action == "Close")
                user.CloseBox();
            else
                user.Click(c.action);
        });
        EXPECT_EQ(dialog.DoModal(), c.result);
        EXPECT_EQ(cancelDisplay, c.showCancel ? "" : "none");
        EXPECT_EQ(host.BoundsOf(dialog).width.value_or(0), 0);  // closed
    }
}

TEST_F(MainWindowTest, TheConsentDialogGivesItsBitsAndEnterChoosesNothing) {
    struct Case {
        std::string button;
        int result;
    };
    for (const Case& c : {Case{"ButtonYes", 257}, Case{"ButtonThisTime", 1}, Case{"ButtonNo", 16}}) {
        CInternetConnectionDlg dialog;
        dialog.SetMessage("to download a <b>maintenance plan</b>.");
        host.AnswerDialog(CInternetConnectionDlg::kPageID, [&](FakeHost::User& user) {
            EXPECT_EQ(user.document().getElementById("ConnectionText")->innerHTML(),
                      "to download a <b>maintenance plan</b>.");
            user.PressEnter();  // nothing yet
            user.Click(c.button);
        });
        EXPECT_EQ(dialog.DoModal(), c.result) << c.button;
    }
}

TEST_F(MainWindowTest, TheAboutBoxShowsTheVersion) {
    CAboutDlg about;
    std::string shown;
    host.AnswerDialog(CAboutDlg::kPageID, [&](FakeHost::User& user) {
        shown = user.document().getElementById("Version")->innerText();
        user.Click("ButtonOK");
    });
    EXPECT_EQ(about.DoModal(), 0);
    std::string version;
    EXPECT_EQ(shown, GetJVFullVersion(version));
    EXPECT_FALSE(shown.empty());
}

TEST_F(MainWindowTest, TheCarListSelectsOnlyCarsOrAllCars) {
    ASSERT_TRUE(document.OnNewDocument());
    struct Case {
        int cars;
        int clicked;
        std::string selected;  // "car0", "car1", "%", or "" for nothing
    };
    // With no car in the list, the car selected before (one since sold and hidden) is selected no
    // more: the pages show no car the list does not hold.
    const Case cases[] = {
        {0, 1, ""},     {1, 1, "car0"}, {1, 2, "car0"},  // row 2 is the bottom spacer: the car instead
        {1, 0, "car0"}, {1, 9, "car0"}, {2, 2, "car1"}, {2, 3, "%"},
        {2, 0, "%"},    {2, 4, "%"},    {2, 99, "%"},  // spacer, far out of range: All Cars
    };
    int have = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.cars << " cars, row " << c.clicked);
        while (have < c.cars) AddCar("Car " + std::to_string(have++));
        profile.WriteProfileString("Settings", "SelectedCar", "none");
        view.SetSelectedCar("none");
        auto list = ShowCarList();
        ASSERT_TRUE(list);
        list->SelectCar(c.clicked);
        const std::string expected = c.selected.empty()  ? ""
                                     : c.selected == "%" ? "%"
                                                         : ids[static_cast<size_t>(c.selected[3] - '0')];
        EXPECT_EQ(view.GetSelectedCar(), expected);
        EXPECT_EQ(profile.GetProfileString("Settings", "SelectedCar"), expected);
    }
}

TEST_F(MainWindowTest, TheSelectedCarIsHighlightedBetweenTheCorners) {
    ASSERT_TRUE(document.OnNewDocument());
    AddCar("First");
    AddCar("Second");
    profile.WriteProfileString("Settings", "SelectedCar", ids[0]);
    auto list = ShowCarList();
    ASSERT_TRUE(list);
    EXPECT_EQ(RowClass(1), "selected");
    EXPECT_EQ(RowClass(2), "mouseout");
    CJVPage::ElementPtr table, above, below, cell;
    ASSERT_TRUE(list->GetTableById("carlist", table));
    ASSERT_TRUE(list->GetTableRow(table.get(), 0, above));
    ASSERT_TRUE(list->GetRowCell(above.get(), 1, cell));
    EXPECT_EQ(cell->innerHTML(), "<img src=\"211\">");
    ASSERT_TRUE(list->GetTableRow(table.get(), 2, below));
    ASSERT_TRUE(list->GetRowCell(below.get(), 1, cell));
    EXPECT_EQ(cell->innerHTML(), "<img src=\"212\">");
    EXPECT_EQ(host.title(), "First - Jorvane");

    // A new car being entered holds the list still; rebuilding it drops the "New Car" row.
    view.SetCurrentPageId(CJorvaneView::kEnterCarPage);
    view.AddNewCarRow();
    EXPECT_EQ(view.GetSelectedCar(), "0");
    view.SelectCarByID(ids[1]);
    EXPECT_EQ(view.GetSelectedCar(), "0");
    view.SetCurrentPageId(CJorvaneView::kHomePage);
    view.SetSelectedCar(ids[1]);
    view.RefreshNavCarList();
    CJVPage::ElementPtr newCar;
    EXPECT_FALSE(list->GetElementById("0", newCar));
    EXPECT_EQ(RowClass(2), "selected");
}

// One question per leaving: while the user is asked whether to leave a register with an entry
// typed, a second way out (another click, Back, the end of the program) asks nothing, and the
// answer to the question open decides where the window goes.
TEST_F(MainWindowTest, ASecondWayOutWhileTheLeaveQuestionIsOpenAsksNothing) {
    ASSERT_TRUE(document.OnNewDocument());
    AddCar("Daily");
    document.ClearNewDatabase();
    view.SetSelectedCar(ids[0]);
    const auto workspace = [&](int id) {
        host.Navigate(host.ResourceUrl(id), CJorvaneView::kWorkspaceFrame);
        loop.RunUntil(
            [&] {
                return view.GetCurrentPageId() == id && view.GetWorkspacePage() &&
                       view.GetWorkspacePage()->GetResourceID() == id;
            },
            std::chrono::seconds(5));
        return view.GetWorkspacePage() && view.GetWorkspacePage()->GetResourceID() == id;
    };
    struct Case {
        const char* what;
        std::function<void()> secondWay;
    };
    bool leftForExit = true;
    const Case cases[] = {
        {"a link to another page", [&] { host.Navigate(host.ResourceUrl(CJorvaneView::kHomePage), "main_workspace"); }},
        {"Back", [&] { view.Back(); }},
        {"the end of the program", [&] { leftForExit = view.LeaveWorkspacePage(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(workspace(CJorvaneView::kHomePage));
        ASSERT_TRUE(workspace(CJorvaneView::kFuelRegisterPage));
        view.GetWorkspacePage()->GetDocument()->getElementById("DirtyFlag")->setInnerText("true");
        const size_t opened = host.openedDialogs().size();
        bool openWhileAsked = false;
        host.AnswerDialog(CGenericDlg::kPageID, [&](FakeHost::User& user) {
            openWhileAsked = view.IsLeaveQuestionOpen();
            c.secondWay();
            loop.RunPending();
            loop.RunPending();
            user.Click("ButtonCancel");  // leave the entry as stored
        });
        ASSERT_TRUE(workspace(CJorvaneView::kExpenseRegisterPage));
        loop.RunPending();
        EXPECT_TRUE(openWhileAsked);
        EXPECT_FALSE(view.IsLeaveQuestionOpen());
        EXPECT_EQ(host.openedDialogs().size(), opened + 1) << "one question";
        EXPECT_EQ(view.GetWorkspacePage()->GetResourceID(), CJorvaneView::kExpenseRegisterPage);
        EXPECT_TRUE(host.failures().empty()) << host.failures().front();
    }
    EXPECT_FALSE(leftForExit);
}

// A register entry just saved or put back is unchanged on the page as the program holds it, at
// once: a way out that comes before the page's script says so again (its next message) finds no
// unsaved work, and stores no blank entry.
TEST_F(MainWindowTest, AnEntrySavedOrPutBackIsUnchangedInTheProgramAtOnce) {
    ASSERT_TRUE(document.OnNewDocument());
    AddCar("Daily");
    document.ClearNewDatabase();
    view.SetSelectedCar(ids[0]);
    struct Case {
        const char* what;
        int page;
        const char* field;
        const char* value;
        std::function<bool(const std::shared_ptr<CJVPage>&)> done;  // saves or puts back the new entry
    };
    const auto save = [](const std::shared_ptr<CJVPage>& page) {
        return std::static_pointer_cast<CJVRegisterPage>(page)->SaveEntry("new");
    };
    const Case cases[] = {
        {"a fuel purchase saved", CJorvaneView::kFuelRegisterPage, "Odometer", "12345", save},
        {"a fuel purchase put back", CJorvaneView::kFuelRegisterPage, "Odometer", "12400",
         [](const std::shared_ptr<CJVPage>& page) {
             std::static_pointer_cast<CWS_FuelRegisterPage>(page)->RestoreFuelData("new");
             return true;
         }},
        {"an odometer reading saved", CJorvaneView::kOdometerRegisterPage, "odometer", "12600", save},
        {"an odometer reading put back", CJorvaneView::kOdometerRegisterPage, "odometer", "12700",
         [](const std::shared_ptr<CJVPage>& page) {
             std::static_pointer_cast<CWS_OdometerRegisterPage>(page)->RestoreOdometer("new");
             return true;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        host.Navigate(host.ResourceUrl(c.page), CJorvaneView::kWorkspaceFrame);
        loop.RunUntil([&] { return view.GetWorkspacePage() && view.GetWorkspacePage()->GetResourceID() == c.page; },
                      std::chrono::seconds(5));
        const auto page = view.GetWorkspacePage();
        ASSERT_TRUE(page && page->GetResourceID() == c.page);
        // What the page's script has sent of the typing.
        page->GetDocument()->getElementById("DirtyFlag")->setInnerText("true");
        jv::ui::Element* field = registerrows::Field(registerrows::FindTopRow(*page, "new"), c.field);
        ASSERT_NE(field, nullptr);
        field->setValue(c.value);
        EXPECT_TRUE(c.done(page));
        EXPECT_EQ(page->GetDocument()->getElementById("DirtyFlag")->innerText(), "false");
        EXPECT_TRUE(view.LeaveWorkspacePage()) << "nothing left to ask about";
    }
    EXPECT_TRUE(host.failures().empty()) << host.failures().front();
}

// Vendor completion asked for no entry at all (an empty row id) finds nothing to complete: no
// problem report comes up over the register, and the page stays as it was. An entry's own
// completion still works beside it.
TEST_F(MainWindowTest, VendorCompletionForNoEntryDoesNothing) {
    // The person in front of the problem report declines every report shown.
    struct DecliningReportDialog : IErrorReportDialog {
        DecliningReportDialog() { CErrorReporting::InstallDialog(this); }
        ~DecliningReportDialog() override { CErrorReporting::InstallDialog(nullptr); }
        ErrorReportDialogResult Show(const std::string& details) override {
            shown.push_back(details);
            return ErrorReportDialogResult{0, "", ""};
        }
        std::vector<std::string> shown;
    } reports;
    ASSERT_TRUE(document.OnNewDocument());
    AddCar("Daily");
    document.ClearNewDatabase();
    document.GetAutocompleteList()->Add("Shell");
    view.SetSelectedCar(ids[0]);
    for (const int id :
         {CJorvaneView::kFuelRegisterPage, CJorvaneView::kServiceRegisterPage, CJorvaneView::kExpenseRegisterPage}) {
        SCOPED_TRACE(id);
        host.Navigate(host.ResourceUrl(id), CJorvaneView::kWorkspaceFrame);
        loop.RunUntil([&] { return view.GetWorkspacePage() && view.GetWorkspacePage()->GetResourceID() == id; },
                      std::chrono::seconds(5));
        const auto page = std::dynamic_pointer_cast<CJVRegisterPage>(view.GetWorkspacePage());
        ASSERT_TRUE(page);
        jv::ui::Document& shown = *page->GetDocument();
        const std::string before = shown.body()->outerHTML();
        page->GetVendor("", "Sh");
        loop.RunPending();
        EXPECT_EQ(shown.body()->outerHTML(), before);
        EXPECT_TRUE(reports.shown.empty()) << reports.shown.front();

        page->GetVendor("new", "Sh");
        EXPECT_EQ(shown.getElementById("vendorEnd_new")->textContent(), "ell");
        EXPECT_EQ(shown.getElementById("vendorWhole_new")->textContent(), "Shell");
    }
    EXPECT_TRUE(host.failures().empty()) << host.failures().front();
}

}  // namespace
}  // namespace jv::test
