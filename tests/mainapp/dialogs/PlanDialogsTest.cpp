#include <gtest/gtest.h>

#include <array>
#include <optional>

#include "mainapp/dialogs/WS_EnterCar_AddServiceItemsDlg.h"
#include "mainapp/dialogs/WS_EnterCar_CarNameDlg.h"
#include "mainapp/dialogs/WS_Home_Reminders_ChangeScheduleDlg2.h"
#include "mainapp/dialogs/WS_Home_UpdateOdometerDlg.h"
#include "platform/base/Clock.h"
#include "shared/data/UserPreferences.h"
#include "tests/mainapp/dialogs/MainAppUiTest.h"

using jv::ui::FakeHost;
using Items = std::vector<CMaintenancePlanItem>;

namespace {

class PlanDialogsTest : public MainAppUiTest {};

CMaintenancePlanItem Item(int id, const std::string& text, int initialMiles = 0, int initialMonths = 0,
                          int intervalMiles = 0, int intervalMonths = 0) {
    CMaintenancePlanItem item;
    item.MaintenancePlanItemID = id;
    item.DisplayText = text;
    item.INITIAL_MILEAGE = initialMiles;
    item.INITIAL_MONTH = initialMonths;
    item.INTERVAL_MILEAGE = intervalMiles;
    item.INTERVAL_MONTH = intervalMonths;
    return item;
}

std::string Texts(const Items& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : "|") + item.DisplayText;
    return text;
}

CUserPreferences Prefs(bool kilometres) {
    CUserPreferences prefs;
    prefs.DistanceUnit = kilometres ? 1 : 0;
    return prefs;
}

TEST_F(PlanDialogsTest, TheCarNameIsNeededAndEnterActsAsOK) {
    CWS_EnterCar_CarNameDlg dialog;
    dialog.SetCarName("Old <name>");
    std::string shownFirst, errorAfterOK, errorAfterEnter;
    bool openAfterOK = false, openAfterEnter = false;
    jv::ui::DialogBounds bounds;
    ui.host.AnswerDialog(CWS_EnterCar_CarNameDlg::kPageID, [&](FakeHost::User& user) {
        bounds = ui.host.BoundsOf(*user.dialog());
        shownFirst = ui.host.BrowserCopy(user.document())->getElementById("CarName")->value();
        user.Type("CarName", "");
        user.Click("ButtonOK");
        openAfterOK = user.IsOpen();
        errorAfterOK = BrowserText(user, "ErrorMessage");
        user.PressEnter();
        openAfterEnter = user.IsOpen();
        errorAfterEnter = BrowserText(user, "ErrorMessage");
        user.Type("CarName", "Mom's Minivan");
        user.PressEnter();
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(shownFirst, "Old <name>");
    EXPECT_TRUE(openAfterOK);
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(errorAfterOK, "Please enter a name for your car.");
    EXPECT_EQ(errorAfterEnter, "Please enter a name for your car.");
    EXPECT_EQ(dialog.GetCarName(), "Mom's Minivan");
    EXPECT_EQ(bounds.width, 350);
    EXPECT_EQ(bounds.height, 250);

    CWS_EnterCar_CarNameDlg cancelled;
    ui.host.AnswerDialog(CWS_EnterCar_CarNameDlg::kPageID, [&](FakeHost::User& user) { user.Click("ButtonCancel"); });
    EXPECT_EQ(cancelled.DoModal(), 0);
}

TEST_F(PlanDialogsTest, ServiceItemListsMovedItemsKeepBothListsSortedByteWiseAndNewItemsByTheirLetters) {
    const struct {
        const char* name;
        Items from;
        Items to;
        std::vector<int> picked;
        const char* fromAfter;
        const char* toAfter;
    } moves[] = {
        {"several at once, equal texts after those already there",
         {Item(1, "Brakes - Inspect"), Item(2, "Oil - Change"), Item(3, "Wipers - Replace")},
         {Item(4, "Air Filter - Replace"), Item(5, "Oil - Change")},
         {0, 1, 2},
         "",
         "Air Filter - Replace|Brakes - Inspect|Oil - Change|Oil - Change|Wipers - Replace"},
        {"after every item: last",
         {Item(1, "Zinc - Check")},
         {Item(2, "Brakes - Inspect")},
         {0},
         "",
         "Brakes - Inspect|Zinc - Check"},
        {"lower case sorts after every upper case letter",
         {Item(1, "air - Check"), Item(2, "Tires - Rotate")},
         {Item(3, "Brakes - Inspect"), Item(4, "Wipers - Replace")},
         {0},
         "Tires - Rotate",
         "Brakes - Inspect|Wipers - Replace|air - Check"},
        {"nothing picked", {Item(1, "A - B")}, {}, {}, "A - B", ""},
    };
    for (auto c : moves) {
        CWS_EnterCar_AddServiceItemsDlg::MoveItems(c.from, c.to, c.picked);
        EXPECT_EQ(Texts(c.from), c.fromAfter) << c.name;
        EXPECT_EQ(Texts(c.to), c.toAfter) << c.name;
    }

    Items plan = {Item(3, "Brakes - Inspect"), Item(4, "Wipers - Replace")};
    CWS_EnterCar_AddServiceItemsDlg::InsertNewItem(plan, Item(0, "air - Check"));
    EXPECT_EQ(Texts(plan), "air - Check|Brakes - Inspect|Wipers - Replace");
    Items empty;
    CWS_EnterCar_AddServiceItemsDlg::InsertNewItem(empty, Item(0, " - "));
    EXPECT_EQ(Texts(empty), " - ");

    // Distances are typed in the unit shown, in the user's format, and kept in miles: 8000 km is
    // 4971 miles, 15.000 km 9321; a number that is not one makes no item.
    const jv::NumberFormat us = jv::NumberFormat::UnitedStates();
    const jv::NumberFormat de = jv::NumberFormat::German();
    const struct {
        bool kilometres;
        const jv::NumberFormat& format;
        const char* initial;
        const char* interval;
        const char* intervalMonths;
        std::optional<std::array<int, 3>> made;  // initial and interval miles, interval months
    } items[] = {{false, us, "7500", "5000", "", std::array{7500, 5000, 0}},
                 {true, us, "8000", "4827", "12", std::array{4971, 2999, 12}},
                 {false, us, "15,000", "15,000", "", std::array{15000, 15000, 0}},
                 {true, de, "15.000", "15.000", "", std::array{9321, 9321, 0}},
                 {false, us, "12.9", "", "", std::array{12, 0, 0}},
                 {true, us, "", "abc", "", std::nullopt},
                 {false, de, "", "", "1-2", std::nullopt},
                 {false, us, "15 miles", "", "", std::nullopt}};
    for (const auto& c : items) {
        SCOPED_TRACE(std::string(c.initial) + "|" + c.interval + "|" + c.intervalMonths);
        const auto made = CWS_EnterCar_AddServiceItemsDlg::MakeNewItem("Tires", "Rotate", c.initial, "6", c.interval,
                                                                       c.intervalMonths, Prefs(c.kilometres), c.format);
        ASSERT_EQ(made.has_value(), c.made.has_value());
        if (!made) continue;
        EXPECT_EQ(made->DisplayText, "Tires - Rotate");
        EXPECT_EQ(made->MaintenancePlanItemID, 0);
        EXPECT_EQ(made->INITIAL_MILEAGE, (*c.made)[0]);
        EXPECT_EQ(made->INTERVAL_MILEAGE, (*c.made)[1]);
        EXPECT_EQ(made->INITIAL_MONTH, 6);
        EXPECT_EQ(made->INTERVAL_MONTH, (*c.made)[2]);
    }
}

TEST_F(PlanDialogsTest, TheServiceItemDialogMovesAndCreatesItemsInTheCallersArrays) {
    UseKilometres();
    Items available = {Item(11, "Brakes - Inspect"), Item(12, "Wipers - Replace")};
    Items plan = {Item(21, "Oil - Change")};
    CWS_EnterCar_AddServiceItemsDlg dialog;
    dialog.SetAvailableItems(&available);
    dialog.SetSelectedItems(&plan);
    std::string unit, planList;
    ui.host.AnswerDialog(CWS_EnterCar_AddServiceItemsDlg::kPageID, [&](FakeHost::User& user) {
        unit = BrowserText(user, "DistanceUnit2");
        user.Choose("AvailableServiceItems", "12");
        user.Click("ButtonSelectService");
        user.Type("NewItem", "Tires");
        user.Type("NewAction", "Rotate");
        user.Type("InputIntervalDistance", "8000");
        user.Type("InputIntervalTime", "6");
        user.Click("CreateNewItem");
        planList = BrowserText(user, "SelectedServiceItems");
        user.Click("ButtonCancel");
    });
    EXPECT_EQ(dialog.DoModal(), 0);
    EXPECT_EQ(unit, "kilometres");
    EXPECT_EQ(Texts(available), "Brakes - Inspect");
    EXPECT_EQ(Texts(plan), "Oil - Change|Tires - Rotate|Wipers - Replace");
    EXPECT_EQ(plan[1].INTERVAL_MILEAGE, 4971);
    EXPECT_EQ(planList,
              "<option value=\"21\">Oil - Change</option><option value=\"0\">Tires - Rotate</option>"
              "<option value=\"12\">Wipers - Replace</option>");
}

// Worked by hand. Miles: the changed item went from every 5,000 miles or 6 months to every 7,500
// miles or 9 months (ratio 1.5). Kilometres: from every 3000 miles or 6 months, shown as 4,800 km,
// to every 9,600 km or 12 months (ratio 2); 6000 miles shows as 9,650 km.
TEST_F(PlanDialogsTest, ScheduleChangeSimilarItemsAreFoundAndScaledInTheUnitTheUserSees) {
    const struct {
        const char* name;
        bool kilometres;
        CMaintenancePlanItem item;
        bool similar;
        int newIntervalMiles;
        int newIntervalMonths;
    } cases[] = {
        {"miles, the same", false, Item(2, "A", 0, 0, 5000, 6), true, 7500, 9},
        {"miles, twice", false, Item(3, "B", 0, 0, 10000, 12), true, 15000, 18},
        {"miles, half", false, Item(4, "C", 0, 0, 2500, 3), true, 3750, 5},
        {"miles, three of four doubled", false, Item(5, "D", 0, 0, 10000, 6), false, 0, 0},
        {"miles, another start", false, Item(6, "E", 1000, 1, 5000, 6), false, 0, 0},
        {"km, the same", true, Item(2, "A", 0, 0, 3000, 6), true, 6000, 12},
        {"km, twice", true, Item(3, "B", 0, 0, 6000, 12), true, 12000, 24},
        {"km, half", true, Item(4, "C", 0, 0, 1500, 3), true, 3000, 6},
        {"km, close but not the same", true, Item(5, "D", 0, 0, 3100, 6), false, 0, 0},
    };
    for (const auto& c : cases) {
        const CUserPreferences prefs = Prefs(c.kilometres);
        CWS_Home_Reminders_ChangeScheduleDlg2 dialog;
        if (c.kilometres)
            dialog.SetSchedule(1, 0, 0, 4800, 9600, 0, 0, 6, 12);
        else
            dialog.SetSchedule(1, 0, 0, 5000, 7500, 0, 0, 6, 9);
        EXPECT_EQ(dialog.IsSimilar(c.item, prefs), c.similar) << c.name;
        if (!c.similar) continue;
        const CMaintenancePlanItem scaled = dialog.Scaled(c.item, prefs);
        EXPECT_EQ(scaled.INTERVAL_MILEAGE, c.newIntervalMiles) << c.name;
        EXPECT_EQ(scaled.INTERVAL_MONTH, c.newIntervalMonths) << c.name;
        EXPECT_EQ(scaled.INITIAL_MILEAGE, 0) << c.name;
        EXPECT_EQ(scaled.INITIAL_MONTH, 0) << c.name;
    }

    // An old value of 0 gives the new value itself: in miles cut to 50, in kilometres in miles once.
    const struct {
        bool kilometres;
        int newInitialDistance;
        int storedMiles;
    } fresh[] = {{false, 7525, 7500}, {true, 8000, 4971}};
    for (const auto& c : fresh) {
        CWS_Home_Reminders_ChangeScheduleDlg2 dialog;
        dialog.SetSchedule(1, 0, c.newInitialDistance, 0, 0, 0, 0, 6, 12);
        const CMaintenancePlanItem scaled = dialog.Scaled(Item(2, "A", 0, 0, 0, 6), Prefs(c.kilometres));
        EXPECT_EQ(scaled.INITIAL_MILEAGE, c.storedMiles);
        EXPECT_EQ(scaled.INTERVAL_MONTH, 12);
    }
    // With an old interval of 0 months and a new one of 6, every checked item gets 6 months.
    CWS_Home_Reminders_ChangeScheduleDlg2 months;
    months.SetSchedule(1, 0, 0, 5000, 5000, 0, 0, 0, 6);
    EXPECT_EQ(months.Scaled(Item(2, "A", 0, 0, 5000, 0), Prefs(false)).INTERVAL_MONTH, 6);
}

TEST_F(PlanDialogsTest, ScheduleChangeTheScheduleTextsNameOnlyTheirParts) {
    CWS_Home_Reminders_ChangeScheduleDlg2 dialog;
    dialog.SetSchedule(1, 0, 1000, 5000, 7500, 0, 0, 6, 9);
    const CUserPreferences miles = Prefs(false);
    const CMaintenancePlanItem plain = Item(2, "A", 0, 0, 5000, 6);
    EXPECT_EQ(dialog.ScheduleText(plain, false, miles), "every 5,000 miles or 6 months");
    EXPECT_EQ(dialog.ScheduleText(plain, true, miles), "at 1,000 miles<br/>and then<br/>every 7,500 miles or 9 months");
    EXPECT_EQ(dialog.ScheduleText(Item(3, "B", 0, 3, 0, 12), false, miles),
              "at 3 months<br/>and then<br/>every 12 months");
    CWS_Home_Reminders_ChangeScheduleDlg2 km;
    km.SetSchedule(1, 0, 0, 4800, 9600, 0, 0, 6, 12);
    EXPECT_EQ(km.ScheduleText(Item(2, "A", 0, 0, 3000, 6), false, Prefs(true)), "every 4,800 kilometres or 6 months");
    EXPECT_EQ(km.ScheduleText(Item(2, "A", 0, 0, 3000, 6), true, Prefs(true)), "every 9,600 kilometres or 12 months");
}

TEST_F(PlanDialogsTest, TheScheduleDialogListsSimilarItemsAndChangesOnlyTheTickedOnes) {
    // Stored items, and items not saved yet (all with the id 0): the boxes go by place.
    for (const bool saved : {true, false}) {
        const auto id = [saved](int stored) { return saved ? stored : 0; };
        Items plan = {Item(id(1), "Oil - Change", 0, 0, 5000, 6), Item(id(2), "Filter <A> - Replace", 0, 0, 5000, 6),
                      Item(id(3), "Tires - Rotate", 0, 0, 10000, 12), Item(id(4), "Belt - Inspect", 0, 0, 10000, 6),
                      Item(id(5), "Wipers - Replace", 0, 0, 2500, 3)};
        const Items before = plan;
        const struct {
            const char* button;
            int result;
        } cases[] = {{"ButtonCancel", 2}, {"ButtonOK", 1}};
        for (const auto& c : cases) {
            plan = before;
            CWS_Home_Reminders_ChangeScheduleDlg2 dialog;
            dialog.SetSchedule(id(1), 0, 0, 5000, 7500, 0, 0, 6, 9);
            dialog.SetItems(&plan);
            dialog.SetChangedIndex(0);
            EXPECT_TRUE(dialog.HasSimilarItems(Prefs(false)));
            std::vector<std::string> rows;
            bool secondButtons = true;
            ui.host.AnswerDialog(CWS_Home_Reminders_ChangeScheduleDlg2::kPageID, [&](FakeHost::User& user) {
                const auto browser = ui.host.BrowserCopy(user.document());
                for (const auto* row : browser->getElementById("serviceitems")->rows())
                    rows.push_back(row->className() + ": " + row->innerText());
                secondButtons = browser->getElementById("ButtonOK2") || browser->getElementById("ButtonCancel2");
                user.SetChecked("ChangeItem_1", true);
                user.SetChecked("ChangeItem_4", true);
                user.Click(c.button);
            });
            EXPECT_EQ(dialog.DoModal(), c.result);
            EXPECT_FALSE(secondButtons) << "one OK and one Cancel";
            ASSERT_EQ(rows.size(), 4u);
            EXPECT_EQ(rows[1].substr(0, rows[1].find(':')), "registerrowtop");
            EXPECT_NE(rows[1].find("Filter <A> - Replace"), std::string::npos) << rows[1];
            EXPECT_EQ(rows[2].substr(0, rows[2].find(':')), "registerrowbottom");
            EXPECT_EQ(rows[3].substr(0, rows[3].find(':')), "registerrowtop");
            EXPECT_NE(rows[3].find("every 2,500 miles or 3 months"), std::string::npos) << rows[3];
            EXPECT_NE(rows[3].find("every 3,750 miles or 5 months"), std::string::npos) << rows[3];
            if (c.result == 2) {
                EXPECT_EQ(plan, before);
                continue;
            }
            EXPECT_EQ(plan[1].INTERVAL_MILEAGE, 7500);
            EXPECT_EQ(plan[1].INTERVAL_MONTH, 9);
            EXPECT_EQ(plan[2], before[2]) << "listed but not ticked";
            EXPECT_EQ(plan[3], before[3]) << "not similar";
            EXPECT_EQ(plan[4].INTERVAL_MILEAGE, 3750);
            EXPECT_EQ(plan[4].INTERVAL_MONTH, 5);
            EXPECT_EQ(plan[0], before[0]) << "the changed item is the caller's";
        }
    }
    // Nothing like the old schedule: nothing to ask.
    Items plan = {Item(1, "Oil - Change", 0, 0, 5000, 6), Item(2, "Tires - Rotate", 0, 0, 7500, 0)};
    CWS_Home_Reminders_ChangeScheduleDlg2 dialog;
    dialog.SetSchedule(1, 0, 0, 5000, 7500, 0, 0, 6, 9);
    dialog.SetItems(&plan);
    dialog.SetChangedIndex(0);
    EXPECT_FALSE(dialog.HasSimilarItems(Prefs(false)));
}

TEST_F(PlanDialogsTest, TheOdometerDialogStoresAReadingAndExplainsOneItCannotStore) {
    jv::FixedClock today(jv::DateTime(2026, 12, 10, 9, 30, 0));
    jv::ScopedClock clock(today);
    const CCar car = AddCar("Sedan");
    // A date as the registers take it, in their words.
    const struct {
        const char* date;
        const char* odometer;
        const char* message;  // empty: stored, the dialog ends with 1
    } cases[] = {
        {"3/15/26", "12,345.5", ""},
        {"3/16/26", "12345.5", "This car already has a reading of 12345.5."},
        {"3/32/26", "13000", "Please enter a valid date (month/day/year).<br>"},
        {"3/17/26", "13,OOO", "Please enter the odometer reading as a number."},
        {"", "", "Please enter a valid date (month/day/year).<br>Please enter the odometer reading as a number."},
        {"12/11/2026", "13000", "Please enter a date that is not after today.<br>"},
        {"1/1/1850", "13000", "Please enter a date in 1900 or later.<br>"},
        {"2/29/2027", "13000", "Please enter a valid date (month/day/year).<br>"},
    };
    for (const auto& c : cases) {
        CWS_Home_UpdateOdometerDlg dialog;
        dialog.SetValues(car.VehicleID, "3/15/26", "");
        std::string shown, initialDate;
        ui.host.AnswerDialog(CWS_Home_UpdateOdometerDlg::kPageID, [&](FakeHost::User& user) {
            initialDate = ui.host.BrowserCopy(user.document())->getElementById("Date")->value();
            user.Type("Date", c.date);
            user.Type("Odometer", c.odometer);
            user.PressEnter();
            if (!user.IsOpen()) return;
            shown = BrowserText(user, "message");
            user.Click("ButtonCancel");
        });
        EXPECT_EQ(dialog.DoModal(), *c.message ? 0 : 1) << c.date;
        EXPECT_EQ(shown, c.message) << c.date;
        EXPECT_EQ(initialDate, "3/15/26");
    }
    EXPECT_EQ(Count("SELECT COUNT(*) FROM OdometerValues WHERE VehicleID='" + car.VehicleID + "'"), 1);
    EXPECT_EQ(Scalar("SELECT OdometerValue FROM OdometerValues WHERE VehicleID='" + car.VehicleID + "'"), "12345.5");
}

}  // namespace
