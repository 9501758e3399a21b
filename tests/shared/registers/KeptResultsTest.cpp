// What the reminders keep with the open file between two home pages (each car's reading order,
// its estimates and its latest services) against the same worked out afresh, on a garage of
// awkward data, after writes of every kind by another connection or another program.

#include <strings.h>

#include <cmath>
#include <string>
#include <vector>

#include "shared/data/CarChanges.h"
#include "shared/data/CarsDB.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/registers/RemindersDatabaseObject.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"
#include "tests/platform/db/SqliteFixture.h"
#include "tests/shared/data/CarChangesFixture.h"
#include "tests/shared/registers/ServicesFixture.h"

namespace {

const std::string kEven = "E0000000-0000-0000-0000-000000000001";    // readings rise with their dates
const std::string kBack = "B0000000-0000-0000-0000-000000000002";    // readings go back and forth
const std::string kShares = "5A000000-0000-0000-0000-000000000003";  // on the even car's plan

class KeptResults : public ServicesTest {
protected:
    KeptResults() {
        const std::vector<PlanItem> plan = {
            {"Oil", "Change", 0, 0, 3000, 3},     {"Oil", "Check", 0, 0, 1500, 2},
            {"Tyres", "Rotate", 500, 2, 6000, 6}, {"Brakes", "Inspect", 0, 0, 9000, 0},
            {"Wipers", "Replace", 0, 0, 0, 5},
        };
        const std::vector<int> evenItems = AddCarWithPlan(kEven, "Even", plan);
        const std::vector<int> backItems = AddCarWithPlan(kBack, "Back", plan);
        AddCar(kShares, "Shares");
        db_.ExecuteNonQuery(
            "UPDATE Vehicles SET MaintenancePlanID = (SELECT MaintenancePlanID FROM Vehicles WHERE "
            "VehicleID = '" +
            kEven + "') WHERE VehicleID = '" + kShares + "'");
        const struct {
            const std::string& car;
            const std::vector<int>& items;
            double start;
        } cars[] = {{kEven, evenItems, 100}, {kBack, backItems, 2000}, {kShares, evenItems, 40}};
        for (const auto& car : cars) {
            double odometer = car.start;
            for (int row = 0; row < 90; ++row) {
                const jv::DateTime date = jv::DateTime(2022, 1, 3) + (row * 9 + (row % 4 == 0 ? 0 : 2)) % 790;
                odometer += 60.5 + (row % 5) * 17.25;
                double value = odometer;
                if (&car.car == &kBack && row % 11 == 4) value -= 900;  // a lower reading later
                AddReading(car.car, date, value);
                if (row % 23 == 6) AddReading(car.car, date, value + 2.5);  // a second one that day
                if (row % 7 == 3) {
                    db_.ExecuteNonQuery(
                        "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Skipped) "
                        "VALUES ('" +
                        car.car + "', " + std::to_string(date.Days()) + ", " + std::to_string(value) + ", 'Garage', " +
                        (row % 21 == 3 ? "-1" : "0") + ")");
                    db_.ExecuteNonQuery("INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES (" +
                                        LastId() + ", " + std::to_string(car.items[(row / 7) % car.items.size()]) +
                                        ")");
                }
            }
        }
        db_.ExecuteNonQuery("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + kBack +
                            "', 45000, NULL)");
    }

    static std::vector<std::string> Reminders(jv::db::Connection& db, CUserPreferences& prefs) {
        std::vector<CReminder> reminders;
        CRemindersDatabaseObject(db).GetReminders("%", jv::DateTime::Null(), jv::DateTime(2025, 6, 1), reminders,
                                                  prefs);
        std::vector<std::string> texts;
        for (const CReminder& r : reminders) {
            texts.push_back(r.VehicleID + " " + r.DisplayText + " " + std::to_string(r.DueByTime.Days()) + " " +
                            std::to_string(r.DueByOdometer.Days()) + " " + std::to_string(r.DueDate.Days()) + " " +
                            std::to_string(r.DueOdometer));
        }
        return texts;
    }

    static std::vector<std::string> Latest(jv::db::Connection& db, const std::string& pattern) {
        std::vector<CService> latest;
        CServiceRegisterDatabaseObject(db).GetLatestServices(pattern, latest);
        std::vector<std::string> texts;
        for (const CService& s : latest) {
            texts.push_back(s.VehicleID + " " + std::to_string(s.ServiceDate.Days()) + " " +
                            std::to_string(s.Odometer) + " " + s.items.front().DisplayText);
        }
        return texts;
    }

    // The kept results against those worked out afresh: reminders, each car's latest services
    // against the query over every car, and the estimates against the plain statements.
    void ExpectKeptAsAfresh(const std::string& when) {
        SCOPED_TRACE(when);
        jv::db::Connection fresh = jv::db::Connection::Open(db_.path());
        const std::vector<std::string> kept = Reminders(db_, prefs_);
        EXPECT_FALSE(kept.empty());
        EXPECT_EQ(kept, Reminders(fresh, prefs_));
        EXPECT_EQ(Reminders(db_, prefs_), kept);

        const std::vector<std::string> everyCar = Latest(fresh, "%");
        CCarsDB cars(db_);
        cars.getCars("%", prefs_);
        cars.getCurrentOdometers(prefs_);
        COdometerValuesDatabaseObject plain(db_), fast(db_);
        fast.KeepReadingsInMemory();
        for (CCar& car : cars.m_cars) {
            std::vector<std::string> expected;
            for (const std::string& text : everyCar) {
                if (strncasecmp(text.c_str(), car.VehicleID.c_str(), car.VehicleID.size()) == 0) {
                    expected.push_back(text);
                }
            }
            EXPECT_EQ(Latest(db_, car.VehicleID), expected) << car.Name;
            for (jv::DateTime date(2021, 12, 1); date < jv::DateTime(2024, 8, 1); date += 13.5) {
                const float a = fast.CalculateOdometerFromDate(car, date, prefs_);
                const float b = plain.CalculateOdometerFromDate(car, date, prefs_);
                EXPECT_TRUE(a == b || (std::isnan(a) && std::isnan(b))) << car.Name << " on " << Day(date);
            }
            for (float odometer = 0; odometer < 12000; odometer += 97.75f) {
                const jv::DateTime a = fast.CalculateDateFromOdometer(car, odometer, prefs_);
                const jv::DateTime b = plain.CalculateDateFromOdometer(car, odometer, prefs_);
                EXPECT_TRUE(a.IsValid() == b.IsValid() && (!a.IsValid() || a.Days() == b.Days()))
                    << car.Name << " at " << odometer;
            }
        }
    }
};

// Each write, one after the other, by another connection of this program or by another program
// (the engine alone); then the kept results must be those worked out afresh. Once on a file that
// records which cars changed and once on one that does not.
TEST_F(KeptResults, EqualTheResultsWorkedOutAfreshAfterEveryWriteOfAnotherConnection) {
    struct Write {
        const char* what;
        std::string sql;
        bool byOtherProgram;
    };
    const Write writes[] = {
        {"a reading at the end of the even car",
         "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) SELECT VehicleID, max(OdometerDate) + 2, "
         "max(OdometerValue) + 80 FROM OdometerValues WHERE VehicleID = '" +
             kEven + "'",
         false},
        {"a reading out of order",
         "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + kEven + "', 44700, 99999)",
         true},
        {"the reading out of order taken out", "DELETE FROM OdometerValues WHERE OdometerValue = 99999", false},
        {"readings moved up",
         "UPDATE OdometerValues SET OdometerValue = OdometerValue + 700 WHERE OdometerValueID % 6 = 2", true},
        {"readings given to another car in another case",
         "UPDATE OdometerValues SET VehicleID = lower('" + kShares + "') WHERE VehicleID = '" + kBack +
             "' AND OdometerValueID % 5 = 0",
         false},
        {"a service of the latest date",
         "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Skipped) VALUES ('" + kShares +
             "', 45360, 9000, 'Garage', 0)",
         true},
        {"the service covering the plan item of two cars",
         "INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) SELECT max(ServiceID), (SELECT "
         "min(MaintenancePlanItemID) FROM MaintenancePlanItems WHERE MaintenancePlanID = (SELECT MaintenancePlanID "
         "FROM "
         "Vehicles WHERE VehicleID = '" +
             kEven + "')) FROM Services",
         false},
        {"services moved", "UPDATE Services SET ServiceDate = ServiceDate + 45 WHERE ServiceID % 4 = 1", true},
        {"plan items changed",
         "UPDATE MaintenancePlanItems SET INTERVAL_MILEAGE = INTERVAL_MILEAGE + 250 WHERE MaintenancePlanItemID % 3 = "
         "0",
         false},
        {"service items taken out", "DELETE FROM ServiceItems WHERE ServiceID % 5 = 2", true},
        {"a service taken out", "DELETE FROM Services WHERE ServiceID = (SELECT max(ServiceID) FROM Services)", false},
    };
    const std::string path = db_.path();
    enum class Record { Kept, KeptByTriggersThatDoNothing, LackingATrigger };
    for (const Record record : {Record::Kept, Record::KeptByTriggersThatDoNothing, Record::LackingATrigger}) {
        const bool recordsChanges = record == Record::Kept;
        const std::string mode = recordsChanges                                  ? "recording changes: "
                                 : record == Record::KeptByTriggersThatDoNothing ? "triggers doing nothing: "
                                                                                 : "recording none: ";
        if (record == Record::KeptByTriggersThatDoNothing) jv::test::EmptyCarChangeTriggers(path);
        if (record == Record::LackingATrigger)
            jv::test::SqliteFile(path).Run("DROP TRIGGER CarChangesServiceItemAdded");
        EXPECT_EQ(carchanges::Of(db_, kEven, carchanges::Kind::Readings).has_value(), recordsChanges);
        ExpectKeptAsAfresh(mode + "as built");
        for (const Write& write : writes) {
            if (write.byOtherProgram) {
                jv::test::SqliteFile(path).Run(write.sql);
            } else {
                jv::db::Connection::Open(path).ExecuteNonQuery(write.sql);
            }
            ExpectKeptAsAfresh(mode + write.what);
        }
    }
}

}  // namespace
