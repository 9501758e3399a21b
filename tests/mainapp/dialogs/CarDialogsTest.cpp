#include <gtest/gtest.h>

#include "mainapp/dialogs/DeleteCarDlg.h"
#include "mainapp/dialogs/SelectCarDlg.h"
#include "mainapp/dialogs/TypedValue.h"
#include "mainapp/dialogs/WS_CarsOverview_SoldCarDlg.h"
#include "platform/base/Clock.h"
#include "shared/data/CarsDB.h"
#include "tests/mainapp/dialogs/MainAppUiTest.h"

using jv::ui::FakeHost;

namespace {

class CarDialogsTest : public MainAppUiTest {};

TEST_F(CarDialogsTest, TheChooserListsTheCarsAndGivesTheChosenOneOnlyWhenOneIsChosen) {
    const CCar first = AddCar("Family <Van>");
    const CCar second = AddCar("Truck");
    CCarsDB cars(document.GetDatabaseConnection());
    ASSERT_TRUE(cars.getCars("%", document.GetUserPreferences()));

    const struct {
        const char* name;
        std::string choose;  // empty: nothing chosen
        enum { OK, Enter, Cancel, Escape } action;
        int result;
        std::string vehicleId;
    } cases[] = {
        {"OK with a car", second.VehicleID, decltype(cases[0].action)::OK, 1, second.VehicleID},
        {"Enter with a car", first.VehicleID, decltype(cases[0].action)::Enter, 1, first.VehicleID},
        {"OK without a car is a cancel", "", decltype(cases[0].action)::OK, 0, ""},
        {"Enter without a car is a cancel", "", decltype(cases[0].action)::Enter, 0, ""},
        {"Cancel", first.VehicleID, decltype(cases[0].action)::Cancel, 0, ""},
        {"Escape", first.VehicleID, decltype(cases[0].action)::Escape, 2, ""},
    };
    for (const auto& c : cases) {
        CSelectCarDlg dialog;
        dialog.SetCars(&cars);
        std::string listed;
        ui.host.AnswerDialog(CSelectCarDlg::kPageID, [&](FakeHost::User& user) {
            listed = BrowserText(user, "CarList");
            if (!c.choose.empty()) user.Choose("CarList", c.choose);
            switch (c.action) {
                case decltype(c.action)::OK:
                    user.Click("ButtonOK");
                    break;
                case decltype(c.action)::Enter:
                    user.PressEnter();
                    break;
                case decltype(c.action)::Cancel:
                    user.Click("ButtonCancel");
                    break;
                case decltype(c.action)::Escape:
                    user.PressEscape();
                    break;
            }
        });
        EXPECT_EQ(dialog.DoModal(), c.result) << c.name;
        EXPECT_EQ(dialog.GetVehicleID(), c.vehicleId) << c.name;
        EXPECT_EQ(listed, "<option value=\"" + first.VehicleID + "\">Family &lt;Van&gt;</option><option value=\"" +
                              second.VehicleID + "\">Truck</option>")
            << c.name;
    }
}

TEST_F(CarDialogsTest, TheDeletionQuestionAnswersDeleteKeepOrSold) {
    const struct {
        const char* action;
        int result;
    } cases[] = {{"ButtonOK", CDeleteCarDlg::kDelete},
                 {"ButtonCancel", CDeleteCarDlg::kKeep},
                 {"SellLink", CDeleteCarDlg::kSold},
                 {"Escape", CDeleteCarDlg::kKeep},
                 {"Close", CDeleteCarDlg::kKeep}};
    for (const auto& c : cases) {
        CDeleteCarDlg dialog;
        dialog.SetVehicleID("{1}");
        std::string caption;
        ui.host.AnswerDialog(CDeleteCarDlg::kPageID, [&](FakeHost::User& user) {
            caption = ui.host.Caption(*user.dialog());
            const std::string action = c.action;
            if (action == "Escape")
                user.PressEscape();
            else if (action == "Close")
                user.CloseBox();
            else
                user.Click(action);
        });
        EXPECT_EQ(dialog.DoModal(), c.result) << c.action;
        EXPECT_EQ(caption, "Delete Car");
    }
}

TEST(TypedValue, NumbersAndDatesAreReadWhollyInTheUsersFormat) {
    const jv::NumberFormat us = jv::NumberFormat::UnitedStates();
    const jv::NumberFormat de = jv::NumberFormat::German();
    const struct {
        const char* text;
        const jv::NumberFormat& format;
        std::optional<double> value;
    } numbers[] = {
        {"12500", us, 12500},       {" 12,500.50 ", us, 12500.5}, {"12.500,5", de, 12500.5},   {"0.5", us, 0.5},
        {"", us, std::nullopt},     {"12a", us, std::nullopt},    {"1.2.3", us, std::nullopt}, {",5", us, std::nullopt},
        {"5,", us, std::nullopt},   {"-3", us, std::nullopt},     {"1e5", us, std::nullopt},   {"12,5", de, 12.5},
        {"1e40", us, std::nullopt},
    };
    for (const auto& c : numbers) EXPECT_EQ(CTypedValue::Number(c.text, c.format), c.value) << c.text;

    const struct {
        const char* text;
        const char* date;  // "" when not a date
    } dates[] = {{"3/15/26", "03/15/2026"},
                 {" 12/31/1999 ", "12/31/1999"},
                 {"2026-03-15", "03/15/2026"},
                 {"2/30/26", ""},
                 {"15/3/26", ""},
                 {"tomorrow", ""},
                 {"", ""}};
    for (const auto& c : dates) {
        const auto parsed = CTypedValue::Date(c.text);
        EXPECT_EQ(parsed ? parsed->Format("%m/%d/%Y") : "", c.date) << c.text;
    }
}

TEST(TypedValue, ADateProblemThePageShowsIsNotSaidAgain) {
    const char* date = "Please enter a date that is not after today.";
    const struct {
        const char* message;
        const char* shown;
        const char* said;
    } cases[] = {
        {"Please enter a date that is not after today.<br/>", date, ""},
        {"Please enter a date that is not after today.<br/>Please enter a number for Selling Price.", date,
         "Please enter a number for Selling Price."},
        {"Please enter a date in 1900 or later.<br/>", date, "Please enter a date in 1900 or later.<br/>"},
        {"Please enter a value for Selling Price.", "", "Please enter a value for Selling Price."},
    };
    for (const auto& c : cases) EXPECT_EQ(CTypedValue::WithoutDateShown(c.message, c.shown), c.said) << c.message;
}

TEST(TypedValue, PlanCountsAreWholeNumbersInTheUsersFormat) {
    const jv::NumberFormat us = jv::NumberFormat::UnitedStates();
    const jv::NumberFormat de = jv::NumberFormat::German();
    const struct {
        const char* text;
        const jv::NumberFormat& format;
        std::optional<int> count;
    } counts[] = {
        {"15,000", us, 15000},
        {"15.000", de, 15000},
        {"15000", de, 15000},
        {"", us, 0},
        {"  ", de, 0},
        {"15.9", us, 15},
        {"15,9", de, 15},
        {"45.67", de, 4567},
        {"2,147,483,647", us, 2147483647},
        {"15 km", de, std::nullopt},
        {"1-2", us, std::nullopt},
        {"-5", us, std::nullopt},
        {"15,000,5", de, std::nullopt},
        {"2147483648", us, std::nullopt},
        {"abc", us, std::nullopt},
    };
    for (const auto& c : counts) EXPECT_EQ(CTypedValue::Count(c.text, c.format), c.count) << c.text;
}

TEST_F(CarDialogsTest, TheSaleIsRecordedOnlyWithADateAndAPriceThatReadAsSuch) {
    jv::FixedClock today(jv::DateTime(2026, 12, 10, 9, 30, 0));
    jv::ScopedClock clock(today);
    const CCar car = AddCar("Sedan");
    // A date as the registers take it, in their words.
    const struct {
        const char* date;
        const char* price;
        const char* message;  // empty: recorded
    } cases[] = {
        {"", "", "Please enter a value for Selling Date.<br>Please enter a value for Selling Price."},
        {"13/45/26", "1500", "Please enter a valid date (month/day/year).<br>"},
        {"3/15/26", "15OO", "Please enter a number for Selling Price."},
        {"3/15/26'; DROP TABLE Vehicles; --", "1", "Please enter a valid date (month/day/year).<br>"},
        {"", "2,500", "Please enter a value for Selling Date.<br>"},
        {"12/11/2026", "1500", "Please enter a date that is not after today.<br>"},
        {"12/31/2099", "1500", "Please enter a date that is not after today.<br>"},
        {"1/1/1850", "1500", "Please enter a date in 1900 or later.<br>"},
        {"2/29/2027", "x", "Please enter a valid date (month/day/year).<br>Please enter a number for Selling Price."},
    };
    for (const auto& c : cases) {
        CWS_CarsOverview_SoldCarDlg dialog;
        dialog.SetVehicleID(car.VehicleID);
        std::string shown;
        bool stayedOpen = false;
        ui.host.AnswerDialog(CWS_CarsOverview_SoldCarDlg::kPageID, [&](FakeHost::User& user) {
            user.Type("SoldDate", c.date);
            user.Type("SoldPrice", c.price);
            user.Click("ButtonOK");
            stayedOpen = user.IsOpen();
            shown = BrowserText(user, "message");
            user.Click("ButtonCancel");
        });
        EXPECT_EQ(dialog.DoModal(), 0) << c.date;
        EXPECT_TRUE(stayedOpen) << c.date;
        EXPECT_EQ(shown, c.message) << c.date;
        EXPECT_EQ(Count("SELECT COUNT(*) FROM Vehicles WHERE Sold<>0"), 0) << c.date;
    }

    CWS_CarsOverview_SoldCarDlg dialog;
    dialog.SetVehicleID(car.VehicleID);
    ui.host.AnswerDialog(CWS_CarsOverview_SoldCarDlg::kPageID, [&](FakeHost::User& user) {
        user.Type("SoldDate", "3/15/26");
        user.Type("SoldPrice", "12,500.50");
        user.Type("SoldVendor", "O'Brien's Cars");
        user.PressEnter();
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(Scalar("SELECT SoldPrice FROM Vehicles"), "12500.5");
    EXPECT_EQ(Scalar("SELECT SoldVendor FROM Vehicles"), "O'Brien's Cars");
    EXPECT_EQ(Count("SELECT COUNT(*) FROM Vehicles WHERE Sold<>0"), 1);
    EXPECT_EQ(Scalar("SELECT SoldDate FROM Vehicles"), "3/15/2026");

    // Today itself is taken.
    CWS_CarsOverview_SoldCarDlg again;
    again.SetVehicleID(car.VehicleID);
    ui.host.AnswerDialog(CWS_CarsOverview_SoldCarDlg::kPageID, [&](FakeHost::User& user) {
        user.Type("SoldDate", "12/10/26");
        user.Type("SoldPrice", "12000");
        user.PressEnter();
    });
    EXPECT_EQ(again.DoModal(), 1);
    EXPECT_EQ(Scalar("SELECT SoldDate FROM Vehicles"), "12/10/2026");
}

}  // namespace
