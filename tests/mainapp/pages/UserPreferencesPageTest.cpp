#include "mainapp/pages/WS_UserPreferencesPage.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/MainAppResources.h"
#include "platform/db/Recordset.h"
#include "tests/platform/ui/UiTestEnvironment.h"
#include "tests/support/TestSupport.h"

namespace {

using jv::ui::FakeHost;

constexpr int kMessagePage = 241;

// The preferences page on a user database of its own that holds a fuel purchase, so that a change
// of units is asked about.
class UserPreferencesPageTest : public ::testing::Test {
protected:
    UserPreferencesPageTest() {
        const std::string common = home_.CommonAppData() + "/Jorvane/Jorvane";
        std::filesystem::create_directories(common);
        std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, common + "/jvbdb");
        jv::ui::Resources::Install(MainAppResources());
        CJorvaneDoc::SetDoc(&doc_);
        EXPECT_TRUE(doc_.OnNewDocument());
        Execute("UPDATE Prefs SET Internet = 1, MechanicName = 'Old Garage'");
        Execute(
            "INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, Fillup, Volume, "
            "CostPer, Cost) VALUES ('{CAFE0000-0000-0000-0000-000000000009}', 46000, 12000, 300, 'Shell', -1, 10.5, "
            "3.199, 33.59)");
        doc_.LoadUserPreferences();
    }
    ~UserPreferencesPageTest() override { CJorvaneDoc::SetDoc(nullptr); }

    void Execute(const std::string& sql) {
        jv::db::Connection connection = doc_.GetDatabaseConnection();
        connection.Execute(sql);
    }

    std::string Stored(const std::string& column) {
        jv::db::Connection connection = doc_.GetDatabaseConnection();
        jv::db::Recordset rs = connection.Execute("SELECT " + column + " AS v FROM Prefs");
        return rs.IsEOF() ? "" : rs.GetText("v").value_or("");
    }

    // The form saved as the page's script sends it, with these units and mechanic.
    void Save(CWS_UserPreferencesPage& page, const std::string& volume, const std::string& distance,
              const std::string& mechanic) {
        page.UpdatePrefs("Ann", "ann@example.org", "Canada", "K1A", volume, distance, mechanic, "1 Main St", "",
                         "Ottawa", "ON", "K1A", "555-0100", "Hide", "", "", "");
    }

    jv::test::IsolatedHome home_;
    jv::test::UiEnvironment ui_;
    CJorvaneDoc doc_;
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
        Execute("UPDATE Prefs SET VolumeUnit = 0, DistanceUnit = 0, MechanicName = 'Old Garage', UserName = ''");
        doc_.LoadUserPreferences();
        auto page = std::make_shared<CWS_UserPreferencesPage>(
            197, jv::ui::Resources::LoadDocument(197, "res://Jorvane.exe/197"));
        page->ProcessDocument();
        const std::string button = c.answer;
        ui_.host.AnswerDialog(kMessagePage, [button](FakeHost::User& user) { user.Click(button); });
        Save(*page, c.volume, c.distance, "Joe's Garage");
        EXPECT_EQ(Stored("VolumeUnit || '|' || DistanceUnit"), c.units);
        EXPECT_EQ(Stored("MechanicName || '|' || UserName || '|' || MechanicPhone"), "Joe's Garage|Ann|555-0100");
        // The form shows what is stored, and that it was saved.
        EXPECT_EQ(page->GetInputValue("MechanicName"), "Joe's Garage");
        EXPECT_NE(page->GetDocument()->getElementById("Saved")->innerText(), "");
        EXPECT_EQ(doc_.GetUserPreferences().MechanicName, "Joe's Garage");
    }
}

}  // namespace
