#include <tuple>

#include "shared/registers/ServiceRegisterDatabaseObject.h"

#include "tests/shared/registers/ServicesFixture.h"

namespace {

const std::string kOldCar = "33333333-3333-3333-3333-333333333333";

// A car driven 10 a day since 1 January 2020 (readings 0 then and 14,610 on 1 January 2024),
// entered on 15 June 2024 with its odometer at 16,270.
class AutomaticEntries : public ServicesTest {
protected:
    AutomaticEntries() { clock_.Set(jv::DateTime(2024, 6, 15)); }

    std::vector<int> AddOldCar(const std::vector<PlanItem>& plan) {
        const auto ids = AddCarWithPlan(kOldCar, "Old car", plan);
        AddReading(kOldCar, {2020, 1, 1}, 0);
        AddReading(kOldCar, {2024, 1, 1}, 14610);
        return ids;
    }

    bool Add(float currentOdometer) {
        CCar car = LoadCar(kOldCar);
        return CServiceRegisterDatabaseObject(db_).AddAutomaticEntries(car, currentOdometer, prefs_);
    }

    // Each generated service as (date, odometer, memo, the plan item it covers), oldest first.
    std::vector<std::tuple<std::string, float, std::string, int>> Entries() {
        std::vector<std::tuple<std::string, float, std::string, int>> entries;
        auto rs = db_.Execute(
            "SELECT s.ServiceDate, s.Odometer, s.ServiceMemo, i.MaintenancePlanItemID FROM Services s, ServiceItems i "
            "WHERE s.ServiceID = i.ServiceID AND s.Vendor = 'Jorvane Automatic Entry' AND s.Skipped = 0 AND "
            "s.Notes = 'This entry was added by Jorvane.  You can modify or delete this to add in your actual "
            "service history.' ORDER BY s.ServiceDate");
        for (; !rs.IsEOF(); rs.MoveNext()) {
            entries.emplace_back(Day(*rs.GetDate("ServiceDate")), *rs.GetSingle("Odometer"), *rs.GetText("ServiceMemo"),
                                 *rs.GetInt("MaintenancePlanItemID"));
        }
        return entries;
    }
    using Entry = std::tuple<std::string, float, std::string, int>;
};

}  // namespace

TEST_F(AutomaticEntries, OneEntryPerItemReachedOnTheCarsHistory) {
    const auto ids = AddOldCar({
        {"Air filter", "Replace", 15000, 0, 15000, 0},
        {"Inspection", "Annual", 0, 12, 0, 0},
        {"Lights", "Check", 0, 0, 0, 0},
        {"Oil", "Change", 0, 0, 5000, 6},
        {"Timing belt", "Replace", 60000, 0, 0, 0},
        {"Wipers", "Replace", 0, 0, 0, 12, true},
    });
    EXPECT_TRUE(Add(16270));
    EXPECT_EQ(Entries(), (std::vector<Entry>{
                             // 12 months after the start, where the odometer read 366 days x 10.
                             {"1/1/2021", 3660.0f, "Inspection - Annual", ids[1]},
                             // Every 6 months or 5,000: at 10 a day the months fall due first; the
                             // last occurrence before 15 June 2024 is 1 January 2024.
                             {"1/1/2024", 14610.0f, "Oil - Change", ids[3]},
                             // 15,000 is reached 39 days after 14,610 on 1 January 2024; 30,000 is not.
                             {"2/9/2024", 15000.0f, "Air filter - Replace", ids[0]},
                         }));
    // The lights have no schedule (their only point is the car's start), the timing belt is not
    // due yet and the wipers are not in the plan the user keeps.
    EXPECT_EQ(Readings(kOldCar), (std::vector<std::string>{"1/1/2020=0", "1/1/2024=14610"}))
        << "generated entries record no readings";

    std::vector<CService> listed;
    CServiceRegisterDatabaseObject(db_).GetServiceRegister(kOldCar, listed, prefs_);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].Vendor, "Jorvane Automatic Entry");
}

TEST_F(AutomaticEntries, KilometreUsersGetTheirEntriesAtTheConvertedDistance) {
    struct Case {
        int distanceUnit;
        Entry expected;
    } cases[] = {
        // 5,000 miles: reached 500 days after the start.
        {0, {"5/15/2021", 5000.0f, "Belt - Inspect", 0}},
        // 5,000 miles are 8,046.5 km, cut to 8,000: reached 800 days after the start.
        {1, {"3/11/2022", 8000.0f, "Belt - Inspect", 0}},
    };
    const auto ids = AddOldCar({{"Belt", "Inspect", 5000, 0, 0, 0}});
    for (Case& c : cases) {
        SCOPED_TRACE(c.distanceUnit);
        db_.ExecuteNonQuery("DELETE FROM Services");
        prefs_.DistanceUnit = c.distanceUnit;
        std::get<3>(c.expected) = ids[0];
        EXPECT_TRUE(Add(16270));
        EXPECT_EQ(Entries(), std::vector<Entry>{c.expected});
    }
}

TEST_F(AutomaticEntries, AMonthlyItemKeepsTheDayClampedAtTheMonthsEnd) {
    clock_.Set(jv::DateTime(2021, 2, 10));
    const auto ids = AddCarWithPlan(kOldCar, "Old car", {{"Tyre pressure", "Check", 0, 1, 0, 1}});
    AddReading(kOldCar, {2020, 12, 31}, 0);
    AddReading(kOldCar, {2021, 2, 10}, 410);
    EXPECT_TRUE(Add(410));
    // 31 January, then 28 February (clamped), one step back: 28 January, not 31 January.
    EXPECT_EQ(Entries(), (std::vector<Entry>{{"1/28/2021", 280.0f, "Tyre pressure - Check", ids[0]}}));
}

TEST_F(AutomaticEntries, NegativeIntervalsCountAsNone) {
    const auto ids = AddOldCar({
        {"Battery", "Check", 1000, 0, -500, 0},
        {"Horn", "Test", 0, 6, 0, -6},
    });
    EXPECT_TRUE(Add(16270));
    EXPECT_EQ(Entries(), (std::vector<Entry>{
                             {"4/10/2020", 1000.0f, "Battery - Check", ids[0]},
                             {"7/1/2020", 1820.0f, "Horn - Test", ids[1]},
                         }));
}

TEST_F(AutomaticEntries, IntervalsThatReachPastEveryDateAreNeverReached) {
    const auto ids = AddOldCar({
        {"Belts", "Inspect", 0, 0, 2147483647, 2147483647},
        {"Coolant", "Flush", 2147483647, 2147483647, 0, 0},
        {"Hoses", "Inspect", 0, 0, 0, 120000},
        {"Inspection", "Annual", 0, 12, 0, 0},
        {"Oil", "Change", 0, 0, 5000, 2147483647},
    });
    // Oil falls due by its distance alone: the last 5,000 miles (8,000 km) the car passed.
    const std::tuple<int, const char*, float> oil[] = {{0, "2/9/2024", 15000.0f}, {1, "5/19/2024", 16000.0f}};
    for (const auto& [unit, date, odometer] : oil) {
        SCOPED_TRACE(unit == 0 ? "miles" : "kilometres");
        db_.Execute("DELETE FROM ServiceItems");
        db_.Execute("DELETE FROM Services");
        prefs_.DistanceUnit = unit;
        EXPECT_TRUE(Add(16270));
        EXPECT_EQ(Entries(), (std::vector<Entry>{{"1/1/2021", 3660.0f, "Inspection - Annual", ids[3]},
                                                 {date, odometer, "Oil - Change", ids[4]}}));
    }
}

TEST_F(AutomaticEntries, AnItemWithoutAnEstimableDateIsLeftOutAndTheOthersGoOn) {
    // The odometer never moved, and the car has no model year: no date can be estimated for a
    // distance beyond the readings, while dates still have their odometer.
    const auto ids = AddCarWithPlan(kOldCar, "Idle car",
                                    {{"Brake fluid", "Flush", 1000, 0, 0, 0}, {"Inspection", "Annual", 0, 12, 0, 0}});
    AddReading(kOldCar, {2020, 1, 1}, 100);
    AddReading(kOldCar, {2024, 1, 1}, 100);
    EXPECT_TRUE(Add(5000));
    EXPECT_EQ(Entries(), (std::vector<Entry>{{"1/1/2021", 100.0f, "Inspection - Annual", ids[1]}}));
}

TEST_F(AutomaticEntries, NothingIsWrittenWithoutAStartingOdometer) {
    AddCarWithPlan(kOldCar, "Project car", {{"Inspection", "Annual", 0, 12, 0, 0}});
    EXPECT_FALSE(Add(5000));
    EXPECT_EQ(Count("FROM Services"), 0);
}
