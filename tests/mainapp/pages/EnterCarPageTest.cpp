#include "mainapp/pages/WS_EnterCarPage.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "mainapp/JorvaneDoc.h"
#include "mainapp/MainAppResources.h"
#include "platform/base/Clock.h"
#include "platform/base/NumberFormat.h"
#include "platform/db/Recordset.h"
#include "shared/data/CarsDB.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "tests/platform/ui/UiTestEnvironment.h"
#include "tests/support/TestSupport.h"

namespace {

using jv::DateTime;
using jv::ui::FakeHost;

constexpr int kMessagePage = 241;

// The page on a user database of its own, without the web service (the preferences refuse to
// connect), with a car whose plan has two items and a second car with a plan of its own.
class EnterCarPageTest : public ::testing::Test {
protected:
    EnterCarPageTest() {
        const std::string common = home_.CommonAppData() + "/Jorvane/Jorvane";
        std::filesystem::create_directories(common);
        std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, common + "/jvbdb");
        jv::ui::Resources::Install(MainAppResources());
        CJorvaneDoc::SetDoc(&doc_);
        EXPECT_TRUE(doc_.OnNewDocument());
        doc_.GetUserPreferences().Internet = 1;
        jv::NumberFormat::SetUserForTesting(jv::NumberFormat::UnitedStates());
        car_ = AddCar("Daily", {{"Engine Oil", 0, 5000, 6}, {"Tires", 7500, 7500, 0}});
        other_ = AddCar("Weekend", {{"Brakes", 0, 30000, 24}});
        doc_.ClearNewDatabase();
    }
    ~EnterCarPageTest() override {
        CJorvaneDoc::SetDoc(nullptr);
        jv::NumberFormat::SetUserForTesting(userFormat_);
    }

    struct PlanItem {
        const char* item;
        int initialMiles, intervalMiles, intervalMonths;
    };
    CCar AddCar(const std::string& name, const std::vector<PlanItem>& items) {
        CCar car;
        car.Name = name;
        car.MakeID = "1";
        car.Make = "Acura";
        car.ModelID = "10";
        car.Model = "Integra";
        car.StyleYear = 2004;
        car.Style = "GS";
        car.StyleID = "s1";
        car.Region = "USA";
        car.DrivingCondition = "N";
        car.PurchaseDate = DateTime(2020, 1, 10);
        car.PurchaseOdometer = 1000.0f;
        car.SoldDate = DateTime::Null();
        for (const PlanItem& p : items) {
            CMaintenancePlanItem item;
            item.ITEM_DESCRIPTION = p.item;
            item.ACTION_DESCRIPTION = "Replace";
            item.DisplayText = CMaintenancePlanItem::MakeDisplayText(p.item, "Replace");
            item.INITIAL_MILEAGE = p.initialMiles;
            item.INTERVAL_MILEAGE = p.intervalMiles;
            item.INTERVAL_MONTH = p.intervalMonths;
            car.MaintenancePlan.Items.push_back(item);
        }
        CCarsDB cars(doc_.GetDatabaseConnection());
        EXPECT_TRUE(cars.addCar(car));
        COdometerValuesDatabaseObject odometers(doc_.GetDatabaseConnection());
        EXPECT_TRUE(odometers.AddOdometerValue(car.VehicleID, "01/10/2020", "1000"));
        EXPECT_TRUE(odometers.AddOdometerValue(car.VehicleID, "03/01/2024", "21000"));
        return car;
    }

    std::shared_ptr<CWS_EnterCarPage> Open(const std::string& query) {
        auto document = jv::ui::Resources::LoadDocument(177, "res://Jorvane.exe/177" + query);
        auto page = std::make_shared<CWS_EnterCarPage>(177, document);
        page->ProcessDocument();
        return page;
    }

    // The column v of the first row of a query.
    std::string Scalar(const std::string& sql) {
        jv::db::Connection connection = doc_.GetDatabaseConnection();
        jv::db::Recordset rs = connection.Execute(sql);
        if (rs.IsEOF()) return "";
        return rs.GetText("v").value_or("");
    }

    // A car's readings by date ("2020-01-10 1000|2024-03-01 21000").
    std::string Readings(const std::string& vehicleId) {
        jv::db::Connection connection = doc_.GetDatabaseConnection();
        jv::db::Recordset rs =
            connection.Execute("SELECT OdometerDate, OdometerValue FROM OdometerValues WHERE VehicleID='" + vehicleId +
                               "' ORDER BY OdometerDate");
        std::string readings;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            if (!readings.empty()) readings += "|";
            readings += rs.GetDate("OdometerDate")->Format("%Y-%m-%d") + " " +
                        std::to_string(static_cast<int>(*rs.GetSingle("OdometerValue")));
        }
        return readings;
    }

    void Answer(const char* button) {
        ui_.host.AnswerDialog(kMessagePage, [button](FakeHost::User& user) { user.Click(button); });
    }

    jv::NumberFormat userFormat_ = jv::NumberFormat::User();
    jv::test::IsolatedHome home_;
    jv::test::UiEnvironment ui_;
    CJorvaneDoc doc_;
    CCar car_, other_;
};

TEST_F(EnterCarPageTest, EditPageShowsTheStoredCarAndItsPlanRowsKeyedByPosition) {
    auto page = Open("?" + car_.VehicleID);
    const auto& document = *page->GetDocument();
    EXPECT_EQ(document.getElementById("AddEdit")->innerText(), "Edit Vehicle");
    EXPECT_EQ(page->GetInputValue("CarName"), "Daily");
    EXPECT_EQ(page->GetSelectedOptionText("CarMake"), "Acura");
    EXPECT_EQ(page->GetInputValue("CarInitialOdometer"), "1,000");
    EXPECT_FALSE(document.getElementById("SaveVehicle")->disabled());
    ASSERT_NE(document.getElementById(CWS_EnterCarPage::RowId(2)), nullptr);
    EXPECT_EQ(document.getElementById(CWS_EnterCarPage::RowId(2))->cells()[0]->innerText(), "Tires - Replace");
    EXPECT_EQ(document.getElementById(CWS_EnterCarPage::RowId(3)), nullptr);
}

TEST_F(EnterCarPageTest, AnItemOpenedFromTheQueryShowsThePlanTabWithTheRowInEditMode) {
    const int tires = car_.MaintenancePlan.Items[1].MaintenancePlanItemID;
    auto page = Open("?" + car_.VehicleID + "&Plan=" + std::to_string(tires));
    const auto& document = *page->GetDocument();
    EXPECT_EQ(document.body()->getAttribute("data-tab").value_or(""), "Plan");
    EXPECT_EQ(document.getElementById(CWS_EnterCarPage::RowId(2))->className(), "registerrowcurrent");
    EXPECT_EQ(document.getElementById(CWS_EnterCarPage::RowId(1))->className(), "registerrowtop");
}

TEST_F(EnterCarPageTest, ADownloadedPlanReplacesTheCarsPlanAndDeletesOnlyStoredRowsOfIt) {
    auto page = Open("?" + car_.VehicleID);
    Answer("ButtonOK");          // replace the plan
    Answer("ButtonOK");          // the congratulation
    page->GetMaintenancePlan();  // no service: the generic plan
    const auto& items = page->GetCar().MaintenancePlan.Items;
    ASSERT_GE(items.size(), 3u);
    EXPECT_TRUE(page->GetCar().MaintenancePlan.MaintenancePlanID.empty());

    // The second row is edited and deleted by its position, whatever ids the items carry.
    const std::string second = items[1].DisplayText;
    ui_.host.AnswerDialog(204, [](FakeHost::User& user) { user.Click("ButtonCancel"); });  // no similar items
    page->UpdateMaintenancePlanItem(2, "1000", "1", "2000", "2");
    EXPECT_EQ(page->GetCar().MaintenancePlan.Items[1].INTERVAL_MILEAGE, 2000);
    EXPECT_EQ(page->GetDocument()->getElementById("DirtyFlag")->innerText(), "true");
    const std::string storedItems = "SELECT count(*) AS v FROM MaintenancePlanItems";
    const std::string before = Scalar(storedItems);
    page->DeleteServiceItem(1);
    EXPECT_EQ(Scalar(storedItems), before) << "a generic item's id deleted a stored row";

    Answer("ButtonCancel");  // "Make More Changes"
    EXPECT_TRUE(page->AddCar());
    const std::string planID =
        Scalar("SELECT MaintenancePlanID AS v FROM Vehicles WHERE VehicleID='" + car_.VehicleID + "'");
    EXPECT_NE(planID, car_.MaintenancePlan.MaintenancePlanID);
    EXPECT_EQ(Scalar("SELECT count(*) AS v FROM MaintenancePlan WHERE MaintenancePlanID=" +
                     car_.MaintenancePlan.MaintenancePlanID),
              "0");
    EXPECT_EQ(Scalar("SELECT count(*) AS v FROM MaintenancePlanItems WHERE MaintenancePlanID=" +
                     car_.MaintenancePlan.MaintenancePlanID),
              "0");
    EXPECT_EQ(Scalar("SELECT count(*) AS v FROM MaintenancePlanItems WHERE MaintenancePlanID=" + planID),
              std::to_string(page->GetCar().MaintenancePlan.Items.size()));
    EXPECT_EQ(Scalar("SELECT count(*) AS v FROM MaintenancePlanItems WHERE MaintenancePlanID=" +
                     other_.MaintenancePlan.MaintenancePlanID),
              "1");
    EXPECT_EQ(page->GetDocument()->getElementById("DirtyFlag")->innerText(), "false");
}

TEST_F(EnterCarPageTest, AScheduleTypedInARowIsReadInTheUsersFormatAndTextThatIsNoNumberIsRefused) {
    // The tires, at 7,500 and every 7,500 miles, get a new interval typed in their row (the second).
    const struct {
        jv::NumberFormat format;
        bool kilometres;
        const char* typed;
        int intervalMiles;    // afterwards
        const char* message;  // empty: taken
    } cases[] = {
        {jv::NumberFormat::UnitedStates(), false, "15,000", 15000, ""},
        {jv::NumberFormat::German(), true, "15.000", 9321, ""},
        {jv::NumberFormat::German(), false, "45.67", 4567, ""},
        {jv::NumberFormat::UnitedStates(), false, "", 0, ""},
        {jv::NumberFormat::UnitedStates(), false, "15 mi", 7500,
         "\"15 mi\" is not a number. Please enter the distances and months of Tires - Replace as numbers."},
        {jv::NumberFormat::German(), true, "<b>1</b>", 7500,
         "\"&lt;b&gt;1&lt;/b&gt;\" is not a number. Please enter the distances and months of Tires - Replace as "
         "numbers."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        jv::NumberFormat::SetUserForTesting(c.format);
        doc_.GetUserPreferences().DistanceUnit = c.kilometres ? 1 : 0;
        auto page = Open("?" + car_.VehicleID);
        const std::string initial = c.kilometres ? "12050" : "7500";  // as the row shows 7,500 miles
        std::string shown;
        if (*c.message) {
            ui_.host.AnswerDialog(kMessagePage, [&shown](FakeHost::User& user) {
                shown = user.document().getElementById("message")->innerHTML();
                user.Click("ButtonOK");
            });
        }
        page->UpdateMaintenancePlanItem(2, initial, "0", c.typed, "0");
        EXPECT_EQ(shown, c.message);
        EXPECT_EQ(page->GetDocument()->getElementById("PlanRowRefused")->innerText(), *c.message ? "true" : "");
        EXPECT_EQ(page->GetCar().MaintenancePlan.Items[1].INITIAL_MILEAGE, 7500);
        EXPECT_EQ(page->GetCar().MaintenancePlan.Items[1].INTERVAL_MILEAGE, c.intervalMiles);
    }

    // A row typed and not submitted when the program saves on its own (ending): refused, the car
    // not saved, and a later save with a number takes it.
    jv::NumberFormat::SetUserForTesting(jv::NumberFormat::German());
    doc_.GetUserPreferences().DistanceUnit = 1;
    auto page = Open("?" + car_.VehicleID);
    page->GetDocument()->item("InputIntervalDistance", 1)->setValue("15 km");
    std::string shown;
    ui_.host.AnswerDialog(kMessagePage, [&shown](FakeHost::User& user) {
        shown = user.document().getElementById("message")->innerHTML();
        user.Click("ButtonOK");
    });
    EXPECT_FALSE(page->AddCar());
    EXPECT_EQ(shown,
              "\"15 km\" is not a number. Please enter the distances and months of Tires - Replace as "
              "numbers.<p>Your car was not saved.</p>");
    const std::string stored =
        "SELECT group_concat(INTERVAL_MILEAGE) AS v FROM MaintenancePlanItems WHERE "
        "MaintenancePlanID=" +
        car_.MaintenancePlan.MaintenancePlanID;
    EXPECT_EQ(Scalar(stored), "5000,7500");
    page->GetDocument()->item("InputIntervalDistance", 1)->setValue("15.000");
    Answer("ButtonCancel");  // "Make More Changes"
    EXPECT_TRUE(page->AddCar());
    EXPECT_EQ(Scalar(stored), "5000,9321");
}

TEST_F(EnterCarPageTest, AnEditOfThePurchaseDetailsReplacesThePurchaseReading) {
    const struct {
        const char* date;
        const char* odometer;
        const char* stored;    // PurchaseOdometer afterwards
        const char* readings;  // the car's readings afterwards
    } cases[] = {
        {"01/10/2020", "1,000", "1000", "2020-01-10 1000|2024-03-01 21000"},         // unchanged
        {"02/15/2020", "1,000", "1000", "2020-02-15 1000|2024-03-01 21000"},         // moved date
        {"01/10/2020", "1,500", "1500", "2020-01-10 1500|2024-03-01 21000"},         // new odometer
        {"01/10/2020", "", "-1", "2024-03-01 21000"},                                // odometer emptied: none
        {"01/10/2020", "54,321.7", "54321.7", "2020-01-10 54321|2024-03-01 21000"},  // stored as typed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.date) + " " + c.odometer);
        CCar car = AddCar(std::string("Car ") + c.date + c.odometer, {{"Oil", 0, 5000, 6}});
        auto page = Open("?" + car.VehicleID);
        page->SetInputValue("CarPurchaseDate", c.date);
        page->SetInputValue("CarInitialOdometer", c.odometer);
        Answer("ButtonCancel");
        EXPECT_TRUE(page->AddCar());
        EXPECT_EQ(Scalar("SELECT PurchaseOdometer AS v FROM Vehicles WHERE VehicleID='" + car.VehicleID + "'"),
                  c.stored);
        // Shown again as typed.
        EXPECT_EQ(Open("?" + car.VehicleID)->GetInputValue("CarInitialOdometer"), c.odometer);
        EXPECT_EQ(Readings(car.VehicleID), c.readings);
    }
}

TEST_F(EnterCarPageTest, ANewPageWithoutTheServiceSwitchesToCustomEntryWithNormalDriving) {
    Answer("ButtonCancel");  // "Will you allow Jorvane to connect?" No
    auto page = Open("");
    const auto& document = *page->GetDocument();
    EXPECT_TRUE(page->GetCheckedById("CustomStyle"));
    EXPECT_EQ(document.getElementById("TableCar")->className(), "cartable custom");
    EXPECT_EQ(page->GetCheckedRadioValue("CarDriving"), "N");
    EXPECT_EQ(page->GetCar().DrivingCondition, "N");
    EXPECT_TRUE(document.getElementById("SaveVehicle")->disabled());
    EXPECT_TRUE(document.getElementById("DownloadPlan")->disabled());
    EXPECT_EQ(document.getElementById("AddEdit")->innerText(), "Add a new car to Jorvane.");
}

}  // namespace

namespace {

TEST_F(EnterCarPageTest, WithoutTheServicePointingAtTheListsKeepsTheStoredChoices) {
    auto page = Open("?" + car_.VehicleID);
    page->UpdateYearList();
    page->UpdateMakeList();
    page->UpdateModelList();
    page->UpdateStyleList();
    page->UpdateDriveTypeList();
    EXPECT_EQ(page->GetSelectValue("CarYear"), "2004");
    EXPECT_EQ(page->GetSelectedOptionText("CarMake"), "Acura");
    EXPECT_EQ(page->GetSelectedOptionText("CarModel"), "Integra");
    EXPECT_EQ(page->GetSelectValue("CarStyle"), "s1");
    Answer("ButtonCancel");  // "Make More Changes"
    EXPECT_TRUE(page->AddCar());
    EXPECT_EQ(Scalar("SELECT Make || '/' || Model || '/' || Style || '/' || StyleYear AS v FROM Vehicles WHERE "
                     "VehicleID='" +
                     car_.VehicleID + "'"),
              "Acura/Integra/GS/2004");
}

}  // namespace

namespace {

TEST_F(EnterCarPageTest, ThePurchaseOdometerShowsAsStoredAndASaveKeepsIt) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {{"12345.6", "12,345.6"}, {"1000", "1,000"}, {"12345.25", "12,345.25"}, {"0.5", "0.5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        CCar car = AddCar(std::string("Bought at ") + c.stored, {{"Oil", 0, 5000, 6}});
        jv::db::Connection connection = doc_.GetDatabaseConnection();
        connection.Execute(std::string("UPDATE Vehicles SET PurchaseOdometer = ") + c.stored + " WHERE VehicleID = '" +
                           car.VehicleID + "'");
        connection.Execute(std::string("UPDATE OdometerValues SET OdometerValue = ") + c.stored +
                           " WHERE OdometerValue = 1000 AND VehicleID = '" + car.VehicleID + "'");
        auto page = Open("?" + car.VehicleID);
        EXPECT_EQ(page->GetInputValue("CarInitialOdometer"), c.shown);
        Answer("ButtonCancel");  // "Make More Changes"
        EXPECT_TRUE(page->AddCar());
        // Stored as before (as a single, which is all the column keeps), the reading left where it was.
        EXPECT_EQ(Scalar("SELECT abs(PurchaseOdometer - " + std::string(c.stored) +
                         ") < 0.001 AS v FROM Vehicles WHERE VehicleID='" + car.VehicleID + "'"),
                  "1");
        EXPECT_EQ(Scalar("SELECT count(*) AS v FROM OdometerValues WHERE abs(OdometerValue - " + std::string(c.stored) +
                         ") < 0.001 AND VehicleID='" + car.VehicleID + "'"),
                  "1");
        EXPECT_EQ(Scalar("SELECT count(*) AS v FROM OdometerValues WHERE VehicleID='" + car.VehicleID + "'"), "2");
    }
}

TEST_F(EnterCarPageTest, APurchasePriceThatIsNoNumberIsRefusedWithAMessage) {
    const struct {
        const char* field;
        const char* typed;
        const char* message;  // empty: saved
        const char* stored;   // the column afterwards
    } cases[] = {
        {"PurchasePrice", "12,500.50", "", "12500.5"},
        {"PurchasePrice", "", "", "-1"},
        {"PurchasePrice", "12.5k", "The purchase price \"12.5k\" is not a number.<p>Your car was not saved.</p>", "-1"},
        {"PurchasePrice", "abc", "The purchase price \"abc\" is not a number.<p>Your car was not saved.</p>", "-1"},
        {"SalePrice", "<b>x</b>",
         "The sale price \"&lt;b&gt;x&lt;/b&gt;\" is not a number.<p>Your car was not saved.</p>", "-1"},
        {"CarInitialOdometer", "1,0O0",
         "The purchase odometer \"1,0O0\" is not a number.<p>Your car was not saved.</p>", "1000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed);
        CCar car = AddCar(std::string("Priced ") + c.field + c.typed, {{"Oil", 0, 5000, 6}});
        auto page = Open("?" + car.VehicleID);
        page->SetInputValue(c.field, c.typed);
        std::string shown;
        ui_.host.AnswerDialog(kMessagePage, [&shown](FakeHost::User& user) {
            shown = user.document().getElementById("message")->innerHTML();
            user.Click("ButtonCancel");  // "Make More Changes" after a save; closes a message
        });
        EXPECT_EQ(page->AddCar(), std::string(c.message).empty());
        if (*c.message) {
            EXPECT_EQ(shown, c.message);
        }
        const std::string column = std::string(c.field) == "SalePrice"            ? "SoldPrice"
                                   : std::string(c.field) == "CarInitialOdometer" ? "PurchaseOdometer"
                                                                                  : "PurchasePrice";
        EXPECT_EQ(Scalar("SELECT " + column + " AS v FROM Vehicles WHERE VehicleID='" + car.VehicleID + "'"), c.stored);
    }
}

TEST_F(EnterCarPageTest, APurchaseOrSaleDateTheRegistersWouldRefuseIsRefusedAndNothingIsStored) {
    jv::FixedClock today(DateTime(2026, 12, 10, 9, 30, 0));
    jv::ScopedClock clock(today);
    const struct {
        const char* field;
        const char* typed;
        const char* message;   // empty: saved
        const char* bought;    // the purchase date and odometer afterwards
        const char* readings;  // the car's readings afterwards
    } cases[] = {
        {"CarPurchaseDate", "4/31/2026", "The purchase date \"4/31/2026\" is not a date (month/day/year).",
         "2020-01-10 1000", "2020-01-10 1000|2024-03-01 21000"},
        {"CarPurchaseDate", "2/29/2027", "The purchase date \"2/29/2027\" is not a date (month/day/year).",
         "2020-01-10 1000", "2020-01-10 1000|2024-03-01 21000"},
        {"CarPurchaseDate", "garbage", "The purchase date \"garbage\" is not a date (month/day/year).",
         "2020-01-10 1000", "2020-01-10 1000|2024-03-01 21000"},
        {"CarPurchaseDate", "12/11/2026", "The purchase date \"12/11/2026\" is after today.", "2020-01-10 1000",
         "2020-01-10 1000|2024-03-01 21000"},
        {"CarPurchaseDate", "1/1/1850", "The purchase date \"1/1/1850\" is before 1900.", "2020-01-10 1000",
         "2020-01-10 1000|2024-03-01 21000"},
        {"CarSoldDate", "12/11/2026", "The sale date \"12/11/2026\" is after today.", "2020-01-10 1000",
         "2020-01-10 1000|2024-03-01 21000"},
        {"CarSoldDate", "<b>1/1/1850</b>",
         "The sale date \"&lt;b&gt;1/1/1850&lt;/b&gt;\" is not a date (month/day/year).", "2020-01-10 1000",
         "2020-01-10 1000|2024-03-01 21000"},
        // Today is taken; the reading goes with the purchase.
        {"CarPurchaseDate", "12/10/26", "", "2026-12-10 1500", "2024-03-01 21000|2026-12-10 1500"},
        // An emptied purchase date leaves the stored one (the database keeps a date it is not
        // given), and with it the purchase's reading.
        {"CarPurchaseDate", "", "", "2020-01-10 1500", "2020-01-10 1500|2024-03-01 21000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed);
        CCar car = AddCar(std::string("Dated ") + c.field + c.typed, {{"Oil", 0, 5000, 6}});
        auto page = Open("?" + car.VehicleID);
        page->SetInputValue(c.field, c.typed);
        page->SetInputValue("CarInitialOdometer", "1,500");
        std::string shown;
        ui_.host.AnswerDialog(kMessagePage, [&shown](FakeHost::User& user) {
            shown = user.document().getElementById("message")->innerHTML();
            user.Click("ButtonCancel");  // "Make More Changes" after a save; closes a message
        });
        EXPECT_EQ(page->AddCar(), std::string(c.message).empty());
        if (*c.message) {
            EXPECT_EQ(shown, std::string(c.message) + "<p>Your car was not saved.</p>");
            EXPECT_EQ(page->GetInputValue(c.field), c.typed) << "the typing is kept";
        }
        const std::string where = " FROM Vehicles WHERE VehicleID='" + car.VehicleID + "'";
        EXPECT_EQ(Scalar("SELECT date(PurchaseDate + julianday('1899-12-30')) || ' ' || CAST(PurchaseOdometer AS "
                         "INTEGER) AS v" +
                         where),
                  c.bought);
        EXPECT_EQ(Scalar("SELECT SoldDate IS NULL AS v" + where), "1");
        EXPECT_EQ(Readings(car.VehicleID), c.readings);
    }
}

}  // namespace
