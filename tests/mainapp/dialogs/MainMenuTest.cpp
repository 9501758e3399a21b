#include "mainapp/MainMenu.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "mainapp/JorvaneView.h"
#include "mainapp/dialogs/SelectCarDlg.h"
#include "platform/base/Profile.h"
#include "tests/mainapp/dialogs/MainAppUiTest.h"

using jv::ui::FakeHost;

namespace {

class MainMenuTest : public MainAppUiTest {
protected:
    MainMenuTest() {
        // Pages other work has not built yet, and wizard pages the wizard skips after Escape, are
        // no failure of the menu's.
        ui.host.SetFailureHandler([](const std::string& message) {
            if (message.find("There is no page for") == std::string::npos &&
                message.find("was never used") == std::string::npos)
                ADD_FAILURE() << message;
        });
        menu.SetLauncherForTesting([this](const std::string& url) {
            launched.push_back(url);
            return true;
        });
    }

    // What the command did: the workspace navigation it made, or "" for none.
    std::string Run(int command) {
        const size_t before = ui.host.navigations().size();
        EXPECT_TRUE(menu.OnCommand(command)) << command;
        ui.loop.RunPending();
        return ui.host.navigations().size() > before ? ui.host.navigations().back() : "";
    }

    jv::test::IsolatedHome isolated;
    jv::Profile profile{"Jorvane"};
    CJorvaneView view{ui.host, profile, document};
    CMainMenu menu{view, document};
    std::vector<std::string> launched;
};

TEST_F(MainMenuTest, TheTableHoldsEveryCaptionGreyedItemSeparatorAndShortcut) {
    std::string shown;
    for (const auto& menuEntry : CMainMenu::HostMenus()) {
        shown += "[" + menuEntry.label + "]";
        for (const auto& item : menuEntry.items) {
            if (item.separator) {
                shown += " |";
                continue;
            }
            std::string label = item.label;
            if (const size_t tab = label.find('\t'); tab != std::string::npos) label.replace(tab, 1, " / ");
            shown +=
                " " + label + (item.enabled ? "" : " (greyed)") + (item.action.empty() ? "" : " <" + item.action + ">");
        }
        shown += "\n";
    }
    EXPECT_EQ(
        shown,
        "[&File] &New / Ctrl+N (greyed) &Open... / Ctrl+O (greyed) | &Print... / Ctrl+P P&rint Setup... (greyed) | "
        "Recent File (greyed) | E&xit\n"
        "[&Edit] &Undo / Ctrl+Z <undo> | Cu&t / Ctrl+X <cut> &Copy / Ctrl+C <copy> &Paste / Ctrl+V <paste> "
        "Preferences\n"
        "[Go To] Jorvane Homepage | Service Register Fuel Register Miscellaneous Expense Register | Add A Car "
        "Using QuickStart Add A Car For Advanced Users Edit Car Details Edit Car Maintenance Plan Edit Car "
        "Odometer History Delete Car Sell Car\n"
        "[&Help] QuickStart User Guide Contact Jorvane | Check For Updates | &About Jorvane...\n");

    std::map<std::string, std::pair<int, std::string>> keys;
    for (const auto& accelerator : CMainMenu::HostAccelerators())
        keys[accelerator.key] = {accelerator.command, accelerator.action};
    const std::map<std::string, std::pair<int, std::string>> expected = {
        {"Ctrl+C", {57634, "native"}},       {"Ctrl+Insert", {57634, "native"}}, {"Ctrl+X", {57635, "native"}},
        {"Shift+Delete", {57635, "native"}}, {"Ctrl+V", {57637, "native"}},      {"Shift+Insert", {57637, "native"}},
        {"Ctrl+Z", {57643, "native"}},       {"Alt+Backspace", {57643, "undo"}}, {"Ctrl+P", {57607, ""}},
        {"F6", {57680, "nextpane"}},         {"Shift+F6", {57681, "prevpane"}},
    };
    EXPECT_EQ(keys, expected);

    // Greyed items and the browser's own commands have no handler in the program.
    for (const int command : {57600, 57601, 57606, 57616, 57643, 57635, 57634, 57637})
        EXPECT_FALSE(menu.OnCommand(command)) << command;
}

TEST_F(MainMenuTest, EachCommandGoesWhereItShould) {
    const struct {
        int command;
        const char* navigation;
    } pages[] = {
        {CMainMenu::ID_PREFERENCES, "main_workspace: res://Jorvane.exe/197"},
        {CMainMenu::ID_HOME, "main_workspace: res://Jorvane.exe/141"},
        {CMainMenu::ID_SERVICE_REGISTER, "main_workspace: res://Jorvane.exe/186"},
        {CMainMenu::ID_FUEL_REGISTER, "main_workspace: res://Jorvane.exe/175"},
        {CMainMenu::ID_EXPENSE_REGISTER, "main_workspace: res://Jorvane.exe/192"},
        {CMainMenu::ID_ODOMETER_HISTORY, "main_workspace: res://Jorvane.exe/215"},
        {CMainMenu::ID_ADD_CAR_ADVANCED, "main_workspace: res://Jorvane.exe/177"},
    };
    for (const auto& c : pages) EXPECT_EQ(Run(c.command), c.navigation) << c.command;

    const CCar car = AddCar("Van");
    const struct {
        int command;
        bool choose;
        std::string navigation;
    } chosen[] = {
        {CMainMenu::ID_EDIT_CAR_DETAILS, true, "main_workspace: res://Jorvane.exe/177?" + car.VehicleID},
        {CMainMenu::ID_EDIT_CAR_PLAN, true, "main_workspace: res://Jorvane.exe/177?" + car.VehicleID + "&Plan"},
        {CMainMenu::ID_EDIT_CAR_DETAILS, false, ""},
        {CMainMenu::ID_EDIT_CAR_PLAN, false, ""},
    };
    for (const auto& c : chosen) {
        ui.host.AnswerDialog(CSelectCarDlg::kPageID, [&](FakeHost::User& user) {
            if (c.choose) user.Choose("CarList", car.VehicleID);
            user.Click("ButtonOK");  // without a car: as Cancel
        });
        EXPECT_EQ(Run(c.command), c.navigation) << c.command << c.choose;
    }

    // The wizard starts on a database that holds cars as on a new one: the flag is set before it.
    for (const int command : {CMainMenu::ID_QUICKSTART, CMainMenu::ID_ADD_CAR_QUICKSTART}) {
        document.ClearNewDatabase();
        std::vector<bool> flagged;
        // Escape on the preferences step asks whether to leave; the wizard's own boxes are left by
        // their Exit button (Escape there means going back to the wizard).
        for (const int wizardPage : {249, 242, 242}) {
            ui.host.AnswerDialog(wizardPage, [&, wizardPage](FakeHost::User& user) {
                flagged.push_back(document.IsNewDatabase());
                if (wizardPage == 249)
                    user.PressEscape();
                else
                    user.Click("ButtonExit");
            });
        }
        Run(command);
        ASSERT_FALSE(flagged.empty()) << command;
        EXPECT_TRUE(flagged.front()) << command;
    }

    Run(CMainMenu::ID_USER_GUIDE);
    Run(CMainMenu::ID_CONTACT);
    EXPECT_EQ(launched, (std::vector<std::string>{CMainMenu::kUserGuideUrl, CMainMenu::kContactUrl}));

    int exits = 0, checks = 0;
    menu.SetExitHandler([&] { ++exits; });
    menu.SetCheckForUpdatesHandler([&] { ++checks; });
    Run(CMainMenu::ID_APP_EXIT);
    Run(CMainMenu::ID_CHECK_FOR_UPDATES);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(checks, 1);

    std::string version;
    ui.host.AnswerDialog(230, [&](FakeHost::User& user) {
        version = ui.host.BrowserCopy(user.document())->getElementById("Version")->innerText();
        user.Click("ButtonOK");
    });
    Run(CMainMenu::ID_APP_ABOUT);
    EXPECT_FALSE(version.empty());
    EXPECT_NE(version, "version");
}

}  // namespace
