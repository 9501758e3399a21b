#include "shared/data/CarChanges.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "shared/data/UserData.h"
#include "tests/platform/db/SqliteFixture.h"
#include "tests/shared/data/CarChangesFixture.h"
#include "tests/shared/data/TestDatabase.h"

namespace {

using carchanges::Kind;
using jv::test::SqliteFile;
using jv::test::TestDatabase;

// Car A and car C share a plan (items 1 and 2), car B has its own (item 3). A's service 1 and
// C's service 2 cover item 1, B's service 3 covers item 3.
constexpr const char* kGarage =
    "INSERT INTO Vehicles (VehicleID, Name, MaintenancePlanID) VALUES ('aaaaaaaa-0000-0000-0000-000000000001', 'A', "
    "1), ('bbbbbbbb-0000-0000-0000-000000000002', 'B', 2), ('cccccccc-0000-0000-0000-000000000003', 'C', 1);"
    "INSERT INTO MaintenancePlanItems (MaintenancePlanItemID, MaintenancePlanID, Item_Description) VALUES "
    "(1, 1, 'Oil'), (2, 1, 'Tyres'), (3, 2, 'Oil');"
    "INSERT INTO Services (ServiceID, VehicleID, ServiceDate, Odometer) VALUES "
    "(1, 'aaaaaaaa-0000-0000-0000-000000000001', 45000, 1000), "
    "(2, 'cccccccc-0000-0000-0000-000000000003', 45010, 2000), "
    "(3, 'bbbbbbbb-0000-0000-0000-000000000002', 45020, 3000);"
    "INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES (1, 1), (2, 1), (3, 3);"
    "INSERT INTO OdometerValues (OdometerValueID, VehicleID, OdometerDate, OdometerValue) VALUES "
    "(1, 'aaaaaaaa-0000-0000-0000-000000000001', 45000, 1000), "
    "(2, 'bbbbbbbb-0000-0000-0000-000000000002', 45020, 3000), "
    "(3, 'cccccccc-0000-0000-0000-000000000003', 45010, 2000);";

// The change number of every car and kind, as "R:A" (readings of car A) and "S:A" (its latest
// services).
std::map<std::string, std::string> Numbers(SqliteFile& file) {
    std::map<std::string, std::string> numbers;
    for (const std::string& row : file.Rows("SELECT Kind || ':' || upper(substr(VehicleID, 1, 1)), ChangeID FROM "
                                            "CarChanges")) {
        numbers[row.substr(0, row.find('|'))] = row.substr(row.find('|') + 1);
    }
    return numbers;
}

std::set<std::string> Changed(const std::map<std::string, std::string>& before,
                              const std::map<std::string, std::string>& after) {
    std::set<std::string> changed;
    for (const auto& [key, number] : after) {
        const auto found = before.find(key);
        if (found == before.end() || found->second != number) changed.insert(key);
    }
    return changed;
}

// Each write, by a program that knows nothing of the record (the engine alone), in this order,
// and the cars whose numbers it changes: those of the rows written and every car with a service
// of a plan item whose latest service the write may move.
TEST(CarChanges, EveryWriteOfAnyProgramChangesTheNumbersOfTheCarsItTouchesAndNoOthers) {
    struct Case {
        const char* write;
        std::set<std::string> changed;
    };
    const Case cases[] = {
        {"INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES "
         "('AAAAAAAA-0000-0000-0000-000000000001', 45100, 1500)",
         {"R:A"}},
        {"UPDATE OdometerValues SET OdometerValue = 3100 WHERE OdometerValueID = 2", {"R:B"}},
        {"UPDATE OdometerValues SET VehicleID = 'cccccccc-0000-0000-0000-000000000003' WHERE OdometerValueID = 1",
         {"R:A", "R:C"}},
        {"DELETE FROM OdometerValues WHERE OdometerValueID = 2", {"R:B"}},
        {"INSERT INTO Services (ServiceID, VehicleID, ServiceDate, Odometer) VALUES (4, "
         "'bbbbbbbb-0000-0000-0000-000000000002', 45030, 3500)",
         {"S:B"}},
        // B's new service covers the plan item A and C share: it becomes the latest of it.
        {"INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES (4, 1)", {"S:A", "S:B", "S:C"}},
        {"UPDATE Services SET Odometer = 1100 WHERE ServiceID = 1", {"S:A", "S:B", "S:C"}},
        {"UPDATE Services SET ServiceDate = 45005 WHERE ServiceID = 3", {"S:B"}},
        {"UPDATE MaintenancePlanItems SET Item_Description = 'Engine oil' WHERE MaintenancePlanItemID = 3", {"S:B"}},
        {"INSERT INTO MaintenancePlanItems (MaintenancePlanItemID, MaintenancePlanID, Item_Description) VALUES "
         "(4, 2, 'Brakes')",
         {}},
        {"UPDATE ServiceItems SET MaintenancePlanItemID = 2 WHERE ServiceID = 2", {"S:A", "S:B", "S:C"}},
        {"DELETE FROM ServiceItems WHERE ServiceID = 4", {"S:A", "S:B"}},
        {"DELETE FROM Services WHERE ServiceID = 2", {"S:C"}},
        {"DELETE FROM MaintenancePlanItems WHERE MaintenancePlanItemID = 1", {"S:A"}},
        // Fuel purchases, expenses and the cars' own rows are no part of either.
        {"INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer) VALUES "
         "('aaaaaaaa-0000-0000-0000-000000000001', 45200, 5000)",
         {}},
        {"INSERT INTO Expenses (VehicleID, ExpenseDate, Odometer) VALUES ('bbbbbbbb-0000-0000-0000-000000000002', "
         "45200, 5000)",
         {}},
        {"UPDATE Vehicles SET Name = 'D' WHERE Name = 'C'", {}},
    };
    TestDatabase database;
    {
        CUserData userData;
        ASSERT_TRUE(userData.OpenConnections(database.path()));
    }
    SqliteFile file(database.path());
    file.Run(kGarage);
    std::set<std::string> seen;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.write);
        const auto before = Numbers(file);
        file.Run(c.write);
        const auto after = Numbers(file);
        EXPECT_EQ(Changed(before, after), c.changed);
        // A number is never handed out twice.
        for (const auto& [key, number] : after) {
            if (c.changed.count(key) != 0) {
                EXPECT_TRUE(seen.insert(number).second) << key;
            }
        }
    }
}

TEST(CarChanges, TheProgramReadsTheNumbersOnlyWhereTheFileKeepsThemAndNeverWithinATransaction) {
    const std::string car = "AAAAAAAA-0000-0000-0000-000000000001";
    TestDatabase database;
    {
        // The blank database as it is does not record changes.
        jv::db::Connection connection = jv::db::Connection::Open(database.path());
        EXPECT_EQ(carchanges::Of(connection, car, Kind::Readings), std::nullopt);
    }
    CUserData userData;
    ASSERT_TRUE(userData.OpenConnections(database.path()));
    jv::db::Connection connection = userData.GetDatabaseConnection();
    SqliteFile(database.path()).Run(kGarage);
    const auto number = carchanges::Of(connection, car, Kind::Readings);
    ASSERT_TRUE(number.has_value());
    EXPECT_GT(*number, 0u);
    EXPECT_EQ(carchanges::Of(connection, "dddddddd-0000-0000-0000-000000000004", Kind::Readings), 0u);

    // Another program's change is seen at once.
    SqliteFile(database.path())
        .Run("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + car + "', 45300, 9000)");
    const auto changed = carchanges::Of(connection, car, Kind::Readings);
    ASSERT_TRUE(changed.has_value());
    EXPECT_GT(*changed, *number);
    EXPECT_EQ(carchanges::Of(connection, car, Kind::Services), carchanges::Of(connection, car, Kind::Services));

    connection.BeginTrans();
    EXPECT_EQ(carchanges::Of(connection, car, Kind::Readings), std::nullopt);
    connection.RollbackTrans();

    // A file whose record lacks a trigger records nothing dependable.
    SqliteFile(database.path()).Run("DROP TRIGGER CarChangesReadingRemoved");
    EXPECT_EQ(carchanges::Of(connection, car, Kind::Readings), std::nullopt);
}

// The file's record of changes as it stands: its table and the triggers that touch it.
std::vector<std::string> Record(SqliteFile& file) {
    return file.Rows(
        "SELECT type, name, sql FROM sqlite_master WHERE name = 'CarChanges' OR tbl_name = 'CarChanges' OR sql LIKE "
        "'%CarChanges%' ORDER BY type, name");
}

// Only a record made as the upgrade makes it is trusted: a file whose triggers keep their names
// but do something else, lack one, have another beside them, or whose table was made otherwise
// records nothing dependable. The program rewrites such a record where it may write the file
// (one of its own version) and leaves it as it is in a file of a later version.
TEST(CarChanges, OnlyARecordAsTheUpgradeMakesItIsTrustedAndTheUpgradeMakesItSoAgain) {
    struct Case {
        const char* what;
        std::string damage;
    };
    const Case cases[] = {
        {"intact", ""},
        {"triggers that keep their names and do nothing", "empty"},
        {"a trigger missing", "DROP TRIGGER CarChangesServiceAdded"},
        {"a trigger beside them that takes changes out again",
         "CREATE TRIGGER Housekeeping AFTER INSERT ON CarChanges BEGIN DELETE FROM CarChanges WHERE ChangeID = "
         "NEW.ChangeID; END"},
        {"a trigger beside them under a name of the record",
         "CREATE TRIGGER CarChangesFuelAdded AFTER INSERT ON FuelPurchases BEGIN SELECT 1; END"},
        {"the table made anew without its counter",
         "CREATE TABLE Renewed (ChangeID INTEGER PRIMARY KEY, VehicleID varchar(38) COLLATE NOCASE NOT NULL, Kind "
         "char(1) NOT NULL, UNIQUE (VehicleID, Kind)); INSERT INTO Renewed SELECT * FROM CarChanges; DROP TABLE "
         "CarChanges; ALTER TABLE Renewed RENAME TO CarChanges"},
    };
    const std::string car = "aaaaaaaa-0000-0000-0000-000000000001";
    std::vector<std::string> asMade;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const bool intact = c.damage.empty();
        for (const bool later : {false, true}) {
            SCOPED_TRACE(later ? "a file of a later version" : "a file of this version");
            TestDatabase database;
            {
                CUserData userData;
                ASSERT_TRUE(userData.OpenConnections(database.path()));
            }
            SqliteFile file(database.path());
            file.Run(kGarage);
            if (asMade.empty()) asMade = Record(file);
            if (c.damage == "empty") {
                jv::test::EmptyCarChangeTriggers(database.path());
            } else if (!intact) {
                file.Run("PRAGMA legacy_alter_table = ON; " + c.damage);
            }
            if (later) file.Run("UPDATE version SET Version = " + std::to_string(CUserData::kCurrentVersion + 1));
            const std::vector<std::string> damaged = Record(file);
            {
                jv::db::Connection connection = jv::db::Connection::Open(database.path());
                EXPECT_EQ(carchanges::Recorded(connection), intact);
            }

            CUserData userData;
            ASSERT_TRUE(userData.OpenConnections(database.path()));
            jv::db::Connection connection = userData.GetDatabaseConnection();
            EXPECT_EQ(Record(file), later ? damaged : asMade);
            EXPECT_EQ(carchanges::Recorded(connection), intact || !later);
            // What is trusted follows another program's changes.
            const auto before = carchanges::Of(connection, car, Kind::Readings);
            file.Run("INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + car +
                     "', 45300, 9000)");
            const auto after = carchanges::Of(connection, car, Kind::Readings);
            if (before) {
                ASSERT_TRUE(after.has_value());
                EXPECT_GT(*after, *before);
            } else {
                EXPECT_EQ(after, std::nullopt);
            }
            // Nothing of the user's went.
            EXPECT_EQ(file.Value("SELECT count(*) FROM OdometerValues"), "4");
            EXPECT_EQ(file.Value("SELECT count(*) FROM Services"), "3");
        }
    }
}

}  // namespace
