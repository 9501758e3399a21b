#include "mainapp/pages/WS_UserPreferencesPage.h"

#include <functional>

#include "tests/mainapp/dialogs/MainAppUiTest.h"

namespace {

using jv::ui::FakeHost;

constexpr int kMessagePage = 241;

// The preferences page on a database that holds a fuel purchase, so that a change of units is
// asked about.
class UserPreferencesPageTest : public MainAppUiTest {
protected:
    UserPreferencesPageTest() {
        Exec("UPDATE Prefs SET Internet = 1");
        Exec(
            "INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, "
            "CostPer, Cost) VALUES ('" +
            AddCar("Van").VehicleID + "', 46000, 12000, 300, 'Shell', -1, 10.5, 3.199, 33.59)");
    }
};

// Each change of units asked about: Cancel keeps the stored units and saves every other edit; OK
// changes them too.
TEST_F(UserPreferencesPageTest, TheUnitsQuestionDecidesTheUnitsOnly) {
    const struct {
        const char* volume;
        const char* distance;
        const char* answer;
        const char* units;  // VolumeUnit|DistanceUnit afterwards
    } cases[] = {
        {"0", "1", "ButtonCancel", "0|0"},
        {"1", "0", "ButtonCancel", "0|0"},
        {"1", "1", "ButtonCancel", "0|0"},
        {"0", "1", "ButtonOK", "0|1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.volume) + c.distance + c.answer);
        Exec("UPDATE Prefs SET VolumeUnit = 0, DistanceUnit = 0, MechanicName = 'Old Garage', UserName = ''");
        document.LoadUserPreferences();
        auto page = std::make_shared<CWS_UserPreferencesPage>(
            197, jv::ui::Resources::LoadDocument(197, "res://Jorvane.exe/197"));
        page->ProcessDocument();
        const std::string button = c.answer;
        ui.host.AnswerDialog(kMessagePage, [button](FakeHost::User& user) { user.Click(button); });
        // The form as the page's script sends it.
        page->UpdatePrefs("Ann", "ann@example.org", "Canada", "K1A", c.volume, c.distance, "Joe's Garage", "1 Main St",
                          "", "Ottawa", "ON", "K1A", "555-0100", "Hide", "", "", "");
        EXPECT_EQ(Scalar("SELECT VolumeUnit || '|' || DistanceUnit FROM Prefs"), c.units);
        EXPECT_EQ(Scalar("SELECT MechanicName || '|' || UserName || '|' || MechanicPhone FROM Prefs"),
                  "Joe's Garage|Ann|555-0100");
        // The form shows what is stored, and that it was saved.
        EXPECT_EQ(page->GetInputValue("MechanicName"), "Joe's Garage");
        EXPECT_NE(page->GetDocument()->getElementById("Saved")->innerText(), "");
        EXPECT_EQ(document.GetUserPreferences().MechanicName, "Joe's Garage");
    }
}

// Any field the user changed counts as unsaved until the page's Save stores it; a field changed
// back to what is stored does not.
TEST_F(UserPreferencesPageTest, ChangesCountAsUnsavedUntilTheirSave) {
    const struct {
        const char* what;
        std::function<void(CWS_UserPreferencesPage&)> change;
        bool unsaved;
    } cases[] = {
        {"nothing", [](CWS_UserPreferencesPage&) {}, false},
        {"a text", [](CWS_UserPreferencesPage& page) { page.SetInputValue("MechanicName", "Joe's Garage"); }, true},
        {"a text emptied", [](CWS_UserPreferencesPage& page) { page.SetInputValue("MechanicName", ""); }, true},
        {"a text changed back",
         [](CWS_UserPreferencesPage& page) {
             page.SetInputValue("MechanicName", "Joe's Garage");
             page.SetInputValue("MechanicName", "Old Garage");
         },
         false},
        {"the country", [](CWS_UserPreferencesPage& page) { page.SetSelectValue("Country", "Canada"); }, true},
        {"a unit", [](CWS_UserPreferencesPage& page) { page.CheckById("Distance", 1); }, true},
        {"the internet choice", [](CWS_UserPreferencesPage& page) { page.CheckById("ConnectInternet", 1); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Exec("UPDATE Prefs SET MechanicName = 'Old Garage'");
        document.LoadUserPreferences();
        auto page = std::make_shared<CWS_UserPreferencesPage>(
            197, jv::ui::Resources::LoadDocument(197, "res://Jorvane.exe/197"));
        page->ProcessDocument();
        c.change(*page);
        EXPECT_EQ(page->HasUnsavedChanges(), c.unsaved);
        page->UpdatePrefs(page->GetInputValue("UserName"), "", "", "", "0", "0", "Joe's Garage", "", "", "", "", "", "",
                          "Hide", "", "", "");
        EXPECT_FALSE(page->HasUnsavedChanges()) << "once saved";
    }
}

}  // namespace
