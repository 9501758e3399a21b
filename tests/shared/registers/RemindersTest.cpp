#include "shared/registers/RemindersDatabaseObject.h"

#include <map>
#include <tuple>

#include "shared/registers/ServiceRegisterDatabaseObject.h"

#include "tests/shared/registers/ServicesFixture.h"

namespace {

const std::string kFamilyCar = "11111111-1111-1111-1111-111111111111";
const std::string kProjectCar = "22222222-2222-2222-2222-222222222222";

// One car driven 30 a day since 1 January 2024 (readings 0 on 1 Jan and 900 on 31 Jan); now is
// 18 March 2024, so the next 14 days end on 1 April 2024 at midnight.
class Reminders : public ServicesTest {
protected:
    void AddFamilyCar() {
        ids_ = AddCarWithPlan(kFamilyCar, "Family car",
                              {
                                  {"Air filter", "Replace", 0, 0, 0, 12},
                                  {"Brakes", "Inspect", 0, 0, 3000, 3},
                                  {"Coolant", "Check", 0, 0, 0, 1},
                                  {"Oil", "Change", 0, 0, 3000, 3},
                                  {"Spark plugs", "Replace", 0, 0, 0, 1, true},
                                  {"Tyres", "Rotate", 0, 0, 2400, 6},
                                  {"Wipers", "Replace", 0, 0, 2760, 0},
                              });
        AddReading(kFamilyCar, {2024, 1, 1}, 0);
        AddReading(kFamilyCar, {2024, 1, 31}, 900);
    }

    std::vector<CReminder> Get(const jv::DateTime& from, const jv::DateTime& to, bool* allCars = nullptr) {
        std::vector<CReminder> reminders;
        CRemindersDatabaseObject db(db_);
        const bool result = db.GetReminders("%", from, to, reminders, prefs_);
        if (allCars) *allCars = result;
        return reminders;
    }
    std::vector<CReminder> NextTwoWeeks(bool* allCars = nullptr) {
        return Get(jv::DateTime::Null(), CRemindersDatabaseObject::Now() + CRemindersDatabaseObject::kUpcomingDays,
                   allCars);
    }
    static std::map<std::string, CReminder> ByItem(const std::vector<CReminder>& reminders) {
        std::map<std::string, CReminder> byItem;
        for (const CReminder& reminder : reminders) byItem[reminder.ITEM_DESCRIPTION] = reminder;
        return byItem;
    }
    static std::vector<std::string> Items(const std::vector<CReminder>& reminders) {
        std::vector<std::string> items;
        for (const CReminder& reminder : reminders) items.push_back(reminder.ITEM_DESCRIPTION);
        return items;
    }

    std::vector<int> ids_;
};

std::string DayOrStatus(const jv::DateTime& date) {
    if (date.GetStatus() == jv::DateTime::Status::Null) return "null";
    if (!date.IsValid()) return "invalid";
    return Day(date);
}

}  // namespace

TEST_F(Reminders, DueByDateByDistanceWhicheverComesFirst) {
    AddFamilyCar();
    struct Expected {
        const char* item;
        const char* dueByTime;
        const char* dueByOdometer;
        const char* dueDate;
        float dueOdometer;
    } expected[] = {
        // 3 months after 1 Jan; 3,000 is reached 70 days after 900 on 31 Jan: the date comes first.
        {"Oil", "4/1/2024", "4/10/2024", "4/1/2024", 2730.0f},
        // 2,400 is reached on 21 March, long before 1 July: the distance comes first.
        {"Tyres", "7/1/2024", "3/21/2024", "3/21/2024", 2400.0f},
        {"Air filter", "1/1/2025", "null", "1/1/2025", 900.0f + 336 * 30.0f},
        {"Coolant", "2/1/2024", "null", "2/1/2024", 930.0f},
        {"Wipers", "null", "4/2/2024", "4/2/2024", 2760.0f},
    };
    const auto byItem = ByItem(Get(jv::DateTime::Null(), jv::DateTime(2026, 1, 1)));
    EXPECT_EQ(byItem.count("Spark plugs"), 0u) << "a skipped plan item has no reminder";
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.item);
        ASSERT_EQ(byItem.count(e.item), 1u);
        const CReminder& reminder = byItem.at(e.item);
        EXPECT_EQ(reminder.VehicleID, kFamilyCar);
        EXPECT_EQ(reminder.Name, "Family car");
        EXPECT_EQ(DayOrStatus(reminder.DueByTime), e.dueByTime);
        EXPECT_EQ(DayOrStatus(reminder.DueByOdometer), e.dueByOdometer);
        EXPECT_EQ(DayOrStatus(reminder.DueDate), e.dueDate);
        EXPECT_FLOAT_EQ(reminder.DueOdometer, e.dueOdometer);
    }
}

TEST_F(Reminders, TheNextTwoWeeksEndOnTheirLastDayAndKeepOverdueItems) {
    AddFamilyCar();
    // Oil falls due exactly at the end of the window, Wipers a day later; Coolant is overdue.
    EXPECT_EQ(Items(NextTwoWeeks()), (std::vector<std::string>{"Brakes", "Coolant", "Oil", "Tyres"}));

    // With a lower bound the overdue item goes.
    const jv::DateTime now = CRemindersDatabaseObject::Now();
    EXPECT_EQ(Items(Get(now, now + 14.0)), (std::vector<std::string>{"Brakes", "Oil", "Tyres"}));
}

TEST_F(Reminders, AServiceOfTheItemMovesItsReminderOn) {
    AddFamilyCar();
    CServiceRegisterDatabaseObject services(db_);
    std::string serviceId;
    ASSERT_TRUE(
        services.AddService(serviceId, kFamilyCar, "2/15/2024", "1350", "Garage", "", "", "", "", "", "", "", false));
    CMaintenancePlanItem brakes;
    brakes.MaintenancePlanItemID = ids_[1];
    ASSERT_TRUE(services.SetMaintenanceItems(serviceId, {brakes}));

    // Counted from the service: 3 months after 15 February, and 1,350 + 3,000 reached 100 days later.
    EXPECT_EQ(Items(NextTwoWeeks()), (std::vector<std::string>{"Coolant", "Oil", "Tyres"}));
    const auto byItem = ByItem(Get(jv::DateTime::Null(), jv::DateTime(2026, 1, 1)));
    EXPECT_EQ(Day(byItem.at("Brakes").DueByTime), "5/15/2024");
    EXPECT_EQ(Day(byItem.at("Brakes").DueByOdometer), "5/25/2024");
    EXPECT_EQ(Day(byItem.at("Brakes").DueDate), "5/15/2024");

    // A skipped service counts too: skipping Oil moves it on to its next interval.
    ASSERT_TRUE(services.AddService(serviceId, kFamilyCar, "3/18/2024", "2310", "", "", "", "", "", "", "", "", true));
    CMaintenancePlanItem oil;
    oil.MaintenancePlanItemID = ids_[3];
    ASSERT_TRUE(services.SetMaintenanceItems(serviceId, {oil}));
    EXPECT_EQ(Items(NextTwoWeeks()), (std::vector<std::string>{"Coolant", "Tyres"}));
}

TEST_F(Reminders, KilometresConvertPlanMilesInStepsOfFifty) {
    AddFamilyCar();
    prefs_.DistanceUnit = 1;
    const auto byItem = ByItem(Get(jv::DateTime::Null(), jv::DateTime(2026, 1, 1)));
    // 3,000 miles are 4,827.9 km, cut to 4,800: reached 130 days after 900 on 31 January.
    EXPECT_EQ(Day(byItem.at("Oil").DueByOdometer), "6/9/2024");
    EXPECT_EQ(Day(byItem.at("Oil").DueDate), "4/1/2024");
    // 2,400 miles are 3,862.32 km, cut to 3,850: 98 1/3 days after 31 January.
    EXPECT_NEAR(byItem.at("Tyres").DueByOdometer - jv::DateTime(2024, 1, 31), 2950.0 / 30.0, 1.0 / 86400);
    EXPECT_EQ(Items(NextTwoWeeks()), (std::vector<std::string>{"Brakes", "Coolant", "Oil"}));
}

TEST_F(Reminders, ACarWithoutAStartingOdometerDoesNotHideTheOthers) {
    // No readings and no model year: nothing to count this car's services from. It comes first.
    AddCarWithPlan(kProjectCar, "Project car", {{"Oil", "Change", 0, 0, 0, 1}});
    AddFamilyCar();
    bool allCars = true;
    EXPECT_EQ(Items(NextTwoWeeks(&allCars)), (std::vector<std::string>{"Brakes", "Coolant", "Oil", "Tyres"}));
    EXPECT_FALSE(allCars);
    EXPECT_NE(Log().find("Could not calculate reminders because we can't calculate an original odometer for vehicle " +
                         kProjectCar + "."),
              std::string::npos);
}

TEST_F(Reminders, AskingAgainWithTheSameListAddsNothing) {
    AddFamilyCar();
    std::vector<CReminder> reminders;
    CRemindersDatabaseObject db(db_);
    const jv::DateTime to = CRemindersDatabaseObject::Now() + 14.0;
    EXPECT_TRUE(db.GetReminders(kFamilyCar, jv::DateTime::Null(), to, reminders, prefs_));
    EXPECT_TRUE(db.GetReminders("%", jv::DateTime::Null(), to, reminders, prefs_));
    EXPECT_EQ(Items(reminders), (std::vector<std::string>{"Brakes", "Coolant", "Oil", "Tyres"}));
}

TEST_F(Reminders, UpcomingServicesOfferTheItemsOfTheNextTwoWeeks) {
    AddFamilyCar();
    std::vector<CMaintenancePlanItem> items;
    CServiceRegisterDatabaseObject(db_).GetUpcomingServices(kFamilyCar, items, prefs_);
    std::vector<std::pair<int, std::string>> offered;
    for (const CMaintenancePlanItem& item : items) offered.emplace_back(item.MaintenancePlanItemID, item.DisplayText);
    EXPECT_EQ(offered, (std::vector<std::pair<int, std::string>>{{ids_[1], "Brakes - Inspect"},
                                                                 {ids_[2], "Coolant - Check"},
                                                                 {ids_[3], "Oil - Change"},
                                                                 {ids_[5], "Tyres - Rotate"}}));
}

TEST_F(Reminders, OnlyALatestServiceWithIntervalsAsLongAsTheItemsCounts) {
    // Driven 30 a day from 200 on 1 January 2024: the original odometer is that first reading.
    const auto ids = AddCarWithPlan(kProjectCar, "Commuter",
                                    {
                                        {"Belts", "Inspect", 5000, 6, 0, 0},
                                        {"Oil", "Change", 0, 0, 3000, 3},
                                        {"Oil", "Top up", 0, 0, 1000, 1},
                                        {"Tyres", "Replace", 0, 0, 10000, 12, true},
                                        {"Tyres", "Rotate", 0, 0, 5000, 6},
                                        {"Wipers", "Check", 0, 0, 1000, 6, true},
                                        {"Wipers", "Replace", 0, 0, 2000, 12},
                                    });
    AddReading(kProjectCar, {2024, 1, 1}, 200);
    AddReading(kProjectCar, {2024, 1, 31}, 1100);
    CServiceRegisterDatabaseObject services(db_);
    std::string serviceId;
    ASSERT_TRUE(services.AddService(serviceId, kProjectCar, "1/15/2024", "620", "", "", "", "", "", "", "", "", false));
    CMaintenancePlanItem replaceTyres, checkWipers;
    replaceTyres.MaintenancePlanItemID = ids[3];
    checkWipers.MaintenancePlanItemID = ids[5];
    ASSERT_TRUE(services.SetMaintenanceItems(serviceId, {replaceTyres, checkWipers}));

    const auto reminders = Get(jv::DateTime::Null(), jv::DateTime(2026, 1, 1));
    std::vector<std::tuple<std::string, std::string, std::string>> due;
    for (const CReminder& r : reminders) due.emplace_back(r.DisplayText, Day(r.DueByTime), Day(r.DueDate));
    EXPECT_EQ(due, (std::vector<std::tuple<std::string, std::string, std::string>>{
                       // The first service: 5,000 itself (not 200 + 5,000), reached 130 days after 31 January.
                       {"Belts - Inspect", "7/1/2024", "6/9/2024"},
                       // "Oil - Top up" has the same item description and is left out.
                       {"Oil - Change", "4/1/2024", "4/1/2024"},
                       // Replacing the tyres covers rotating them: 620 + 5,000 from 15 January.
                       {"Tyres - Rotate", "7/15/2024", "6/29/2024"},
                       // Checking the wipers does not cover replacing them: 200 + 2,000 from the start.
                       {"Wipers - Replace", "1/1/2025", "3/7/2024"},
                   }));
}

TEST_F(Reminders, IntervalsThatReachPastEveryDateAreNeverDue) {
    // Served on 15 January 2024 at 450; the largest intervals a plan can hold never come round,
    // in miles or kilometres, counted from the service or from the car's start.
    const auto ids = AddCarWithPlan(kProjectCar, "Commuter",
                                    {
                                        {"Belts", "Inspect", 0, 0, 2147483647, 2147483647},
                                        {"Coolant", "Flush", 2147483647, 2147483647, 0, 0},
                                        {"Hoses", "Inspect", 0, 0, 0, 120000},
                                        {"Oil", "Change", 0, 0, 3000, 3},
                                    });
    AddReading(kProjectCar, {2024, 1, 1}, 0);
    AddReading(kProjectCar, {2024, 1, 31}, 900);
    CServiceRegisterDatabaseObject services(db_);
    std::string serviceId;
    ASSERT_TRUE(services.AddService(serviceId, kProjectCar, "1/15/2024", "450", "", "", "", "", "", "", "", "", false));
    CMaintenancePlanItem belts;
    belts.MaintenancePlanItemID = ids[0];
    ASSERT_TRUE(services.SetMaintenanceItems(serviceId, {belts}));
    for (const int unit : {0, 1}) {
        SCOPED_TRACE(unit == 0 ? "miles" : "kilometres");
        prefs_.DistanceUnit = unit;
        EXPECT_EQ(Items(Get(jv::DateTime::Null(), jv::DateTime(9999, 12, 31))), (std::vector<std::string>{"Oil"}));
        EXPECT_EQ(Items(NextTwoWeeks()), (std::vector<std::string>{"Oil"}));
    }
}
