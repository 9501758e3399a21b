#include "shared/data/UserData.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "shared/core/ErrorReporting.h"
#include "shared/data/CarChanges.h"
#include "shared/data/DatabaseObject.h"
#include "tests/platform/db/HeldFile.h"
#include "tests/platform/db/SqliteFixture.h"
#include "tests/shared/data/CarChangesFixture.h"
#include "tests/shared/data/TestDatabase.h"
#include "tests/support/ChildProcess.h"

namespace {

using jv::test::SqliteFile;
using jv::test::TestDatabase;

constexpr int kCurrent = CUserData::kCurrentVersion;

// Turns the blank database into one of version 6.
constexpr const char* kBackToVersion6 =
    "UPDATE ExpenseCategories SET Name = 'Body Repair' WHERE Name = 'Repair'; ALTER TABLE Services DROP COLUMN "
    "Other; UPDATE version SET Version = 6;";

// The schema of a new user's file: the blank database as the program opens it.
std::vector<std::string> NewUserSchema() {
    TestDatabase database;
    CUserData userData;
    if (!userData.OpenConnections(database.path())) return {};
    return SqliteFile(database.path()).Schema();
}

std::string Version(const std::string& path) {
    return SqliteFile(path).Value("SELECT group_concat(ifnull(Version, 'NULL')) FROM version");
}

std::vector<std::string> ProgressLines(const jv::test::TraceCapture& log) {
    std::vector<std::string> lines;
    const std::string text = log.Text();
    const std::string marker = "Converting database from version ";
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1)) {
        lines.push_back(text.substr(at, text.find('\n', at) - at));
    }
    return lines;
}

std::vector<std::string> AllProgressLines(int from) {
    std::vector<std::string> lines;
    for (int version = from; version < kCurrent; ++version) {
        // The step from 1 has never announced itself; the one from 8, which every new user's file
        // takes, has nothing to announce.
        if (version == 1 || version == 8) continue;
        lines.push_back("Converting database from version " + std::to_string(version) + " to " +
                        std::to_string(version + 1) + ".");
    }
    return lines;
}

TEST(UserDataUpgrade, FromVersionZeroEndsLikeTheBlankDatabaseAndKeepsTheData) {
    TestDatabase database(jv::test::VersionZeroDatabase());
    {
        SqliteFile file(database.path());
        file.Run(
            "INSERT INTO Vehicles (VehicleID, Name, PurchasePrice, PurchaseOdometer, Transmission)"
            " VALUES ('car', 'Blue', 15999.99, 12, '5-speed manual');"
            "INSERT INTO Expenses (VehicleID, ExpenseDate, Odometer, Vendor, CategoryID, Cost)"
            " VALUES ('car', 45306, 12345, 'Joe''s', 3, 12.34);"
            "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Cost) VALUES ('car', 45000, 1000, 50);"
            "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Cost) VALUES ('car', 45100, 4000, 60);"
            "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Cost) VALUES ('car', 45200, 7000, 70);"
            "DELETE FROM Services WHERE ServiceID = 3;"
            "INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Cost, Fillup)"
            " VALUES ('car', 45306, 12000, 350, 40.5, -1);"
            "INSERT INTO MaintenancePlanItems (MaintenancePlanID, Ed_Action_Description, Ed_Item_Description,"
            " INTERVAL_MILEAGE) VALUES (1, 'Replace', 'Engine oil', 5000);"
            "INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES (1, 1), (2, 1);"
            "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('car', 45306, 12345);");
    }
    jv::test::TraceCapture log;
    CUserData userData;
    ASSERT_TRUE(userData.OpenConnections(database.path()));
    EXPECT_TRUE(userData.IsConnected());
    EXPECT_EQ(ProgressLines(log), AllProgressLines(0));
    EXPECT_EQ(log.Count("ERR"), 0);

    SqliteFile upgraded(database.path());
    EXPECT_EQ(upgraded.Schema(), NewUserSchema());
    EXPECT_EQ(Version(database.path()), std::to_string(kCurrent));
    const std::pair<const char*, const char*> kept[] = {
        {"SELECT Cost, typeof(Cost), Odometer, typeof(Odometer), Vendor FROM Expenses",
         "12.34|real|12345.0|real|Joe's"},
        {"SELECT group_concat(Odometer) FROM Services", "1000.0,4000.0"},
        {"SELECT Cost, Odometer, Distance FROM FuelPurchases", "40.5|12000.0|350.0"},
        {"SELECT PurchasePrice, PurchaseOdometer, Transmission FROM Vehicles", "15999.99|12.0|5-speed manual"},
        {"SELECT Action_Description, Item_Description FROM MaintenancePlanItems", "Replace|Engine oil"},
        {"SELECT Name FROM ExpenseCategories WHERE CategoryID = 3", "Repair"},
        {"SELECT count(*) FROM ExpenseCategories WHERE Name = 'Body Repair'", "0"},
        {"SELECT Action_Description || ' ' || Item_Description FROM GenericMaintenancePlanItems LIMIT 1",
         "Replace Engine oil and filter"},
        {"SELECT MaintenancePlanItemID, ServiceDate FROM MostRecentServices", "1|45100.0"},
    };
    for (const auto& [sql, value] : kept) EXPECT_EQ(upgraded.Value(sql), value) << sql;

    // The rebuilt tables still never hand out a deleted id again.
    CDatabaseObject services(userData.GetDatabaseConnection());
    services.ExecuteCommand("Insert into Services (VehicleID, ServiceDate, Skipped) values('car', #1/1/2024#, 0)");
    EXPECT_EQ(services.ExecuteQuery("SELECT @@IDENTITY as ServiceID ").GetInt("ServiceID"), 4);

    // Opening it again finds nothing to do.
    CUserData again;
    ASSERT_TRUE(again.OpenConnections(database.path()));
    EXPECT_EQ(ProgressLines(log), AllProgressLines(0));
}

TEST(UserDataUpgrade, RunsOnlyTheStepsAfterTheStoredVersion) {
    struct Case {
        int version;
        const char* backdate;  // turns the blank database into one of that version
    };
    const Case cases[] = {
        {8, ""},
        {7, "UPDATE ExpenseCategories SET Name = 'Body Repair' WHERE Name = 'Repair'; UPDATE version SET Version = 7;"},
        {6, kBackToVersion6},
        {12, "UPDATE version SET Version = 12;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        TestDatabase database;
        SqliteFile(database.path()).Run(c.backdate);
        jv::test::TraceCapture log;
        CUserData userData;
        ASSERT_TRUE(userData.OpenConnections(database.path()));
        EXPECT_TRUE(userData.CheckAndUpdateVersion());
        EXPECT_EQ(ProgressLines(log), AllProgressLines(std::min(c.version, kCurrent)));
        // A file of a later version is left as it is.
        EXPECT_EQ(SqliteFile(database.path()).Schema(),
                  c.version > kCurrent ? SqliteFile(JV_BLANK_DATABASE_FILE).Schema() : NewUserSchema());
        EXPECT_EQ(Version(database.path()), std::to_string(std::max(c.version, kCurrent)));
    }
}

TEST(UserDataUpgrade, AStepThatFailsChangesNothingAndRunsAgainAtTheNextOpen) {
    TestDatabase database(jv::test::VersionZeroDatabase());
    // A column that the step from version 3 is about to add makes its second statement fail.
    SqliteFile(database.path()).Run("ALTER TABLE Vehicles ADD COLUMN PolicyNumber varchar(30)");
    jv::test::TraceCapture log;
    std::vector<std::string> schemaAfterFailure;
    for (int open = 1; open <= 2; ++open) {
        SCOPED_TRACE(open);
        CUserData userData;
        ASSERT_TRUE(userData.OpenConnections(database.path()));  // still opens
        EXPECT_FALSE(userData.CheckAndUpdateVersion());
        EXPECT_EQ(Version(database.path()), "3");
        SqliteFile file(database.path());
        EXPECT_EQ(file.Value("SELECT count(*) FROM pragma_table_info('Vehicles') WHERE name = 'InsuranceProvider'"),
                  "0");
        if (open == 1) schemaAfterFailure = file.Schema();
        EXPECT_EQ(file.Schema(), schemaAfterFailure);
        // The database is usable at the version it reached.
        CDatabaseObject vehicles(userData.GetDatabaseConnection());
        EXPECT_TRUE(vehicles.ExecuteCommand("INSERT INTO Vehicles (VehicleID, Engine) VALUES ('car" +
                                            std::to_string(open) + "', 'V6')"));
    }
    const std::string failure =
        "Error updating database from version 3 to 4. Query is alter table Vehicles add column PolicyNumber "
        "varchar(30)\r\n\tSource :  SQLite \r\n\tDescription : duplicate column name: PolicyNumber";
    // Each open: once by CheckAndUpdateVersion of the open, once by the direct call; logged and
    // reported each time.
    EXPECT_EQ(log.Count("ERR  CUserData::CheckAndUpdateVersion"), 4);
    EXPECT_GE(log.Count(failure), 4);

    // Without the obstacle the next open carries on from version 3.
    SqliteFile(database.path()).Run("ALTER TABLE Vehicles DROP COLUMN PolicyNumber");
    jv::test::TraceCapture laterLog;
    CUserData userData;
    ASSERT_TRUE(userData.OpenConnections(database.path()));
    EXPECT_EQ(ProgressLines(laterLog), AllProgressLines(3));
    EXPECT_EQ(Version(database.path()), std::to_string(kCurrent));
    EXPECT_EQ(SqliteFile(database.path()).Schema(), NewUserSchema());
}

TEST(UserDataUpgrade, AMissingOrEmptyVersionCountsAsZeroAndIsWrittenOnce) {
    for (const char* damage : {"DELETE FROM version;", "UPDATE version SET Version = NULL;"}) {
        SCOPED_TRACE(damage);
        TestDatabase database(jv::test::VersionZeroDatabase());
        SqliteFile(database.path()).Run(damage);
        jv::test::TraceCapture log;
        CUserData first;
        ASSERT_TRUE(first.OpenConnections(database.path()));
        EXPECT_EQ(Version(database.path()), std::to_string(kCurrent));
        CUserData second;
        ASSERT_TRUE(second.OpenConnections(database.path()));
        EXPECT_EQ(ProgressLines(log), AllProgressLines(0));
        EXPECT_EQ(log.Count("ERR"), 0);
    }
}

// Every table of a file, its rows in order, and its schema: two files with equal dumps hold the
// same data under the same schema.
std::vector<std::string> Dump(const std::string& path) {
    SqliteFile file(path);
    std::vector<std::string> dump = file.Schema();
    for (const std::string& table :
         file.Rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name COLLATE BINARY")) {
        dump.push_back("table " + table);
        for (const std::string& row : file.Rows("SELECT * FROM \"" + table + "\" ORDER BY rowid")) dump.push_back(row);
    }
    return dump;
}

// The one that comes second waits for the other's upgrade a moment (CUserData::kOpenWait). Whichever
// comes first, the upgrade's end or the end of that moment, it finds the file upgraded, or says
// that the file is held (the window's Retry / Exit) and opens it, upgraded, once the other program
// lets go. How fast the machine is decides only which of the two the test sees.
TEST(UserDataUpgrade, TwoProgramsOpeningOneOldFileAtOnceUpgradeItOnceAndNeitherFails) {
    jv::test::TempDir dir;
    // A file of the oldest version with years of entries, so that its upgrade takes a while.
    const std::string original = dir.File("original.data");
    std::filesystem::copy_file(jv::test::VersionZeroDatabase(), original);
    SqliteFile(original).Run(
        "INSERT INTO Vehicles (VehicleID, Name, PurchasePrice, PurchaseOdometer) VALUES ('car', 'Blue', 15999.99, 12);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000)"
        " INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Cost, Notes)"
        "  SELECT 'car', 40000 + i / 10, i * 3, 'Garage ' || (i % 50), i % 300 + 0.5, 'entry ' || i FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000)"
        " INSERT INTO Expenses (VehicleID, ExpenseDate, Odometer, Vendor, CategoryID, Cost)"
        "  SELECT 'car', 40000 + i / 10, i * 3 + 1, 'Shop', i % 8, i % 90 + 0.25 FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000)"
        " INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Cost, Fillup)"
        "  SELECT 'car', 40000 + i / 10, i * 3 + 2, 300, 40.5, -1 FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 60000)"
        " INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) SELECT 'car', 40000 + i / 10, i * 3 FROM "
        "n;");

    // What one program alone makes of it.
    const std::string alone = dir.File("alone.data");
    std::filesystem::copy_file(original, alone);
    {
        CUserData userData;
        ASSERT_TRUE(userData.OpenConnections(alone));
        ASSERT_TRUE(userData.CheckAndUpdateVersion());
    }

    // How each program came to open the file.
    enum Opened { kAtOnce = 0, kFailed = 1, kOnceLetGo = 2 };
    const std::string shared = dir.File("shared.data");
    std::filesystem::copy_file(original, shared);
    jv::test::StartGate gate;
    std::vector<std::unique_ptr<jv::test::ChildProcess>> programs;
    for (int program = 0; program < 2; ++program) {
        const std::string log = dir.File("trace-" + std::to_string(program) + ".log");
        programs.push_back(std::make_unique<jv::test::ChildProcess>([&gate, log, shared] {
            OpenTraceLog(log.c_str(), kTraceLogSizeKB);
            gate.Pass();
            CUserData userData;
            bool opened = userData.OpenConnections(shared);
            const bool held = !opened && userData.IsHeldByAnotherProgram();
            // As the window's Retry does: each open waits kOpenWait for the other program. The
            // limit only ends a test that would otherwise hang.
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(5);
            while (!opened && userData.IsHeldByAnotherProgram() && std::chrono::steady_clock::now() < giveUp) {
                opened = userData.OpenConnections(shared);
            }
            opened = opened && userData.GetVersion() == kCurrent;
            CloseTraceLog();
            return !opened ? kFailed : held ? kOnceLetGo : kAtOnce;
        }));
    }
    gate.Open();
    int upgraders = 0;
    for (int program = 0; program < 2; ++program) {
        SCOPED_TRACE(program);
        const int opened = programs[program]->Wait();
        const std::string log = jv::test::ReadFile(dir.File("trace-" + std::to_string(program) + ".log"));
        EXPECT_TRUE(opened == kAtOnce || opened == kOnceLetGo) << opened << "\n" << log;
        EXPECT_EQ(log.find("ERR"), std::string::npos) << log;
        // A file this old is never used as it is.
        EXPECT_EQ(log.find("waits for a later open"), std::string::npos) << log;
        EXPECT_EQ(log.find("Another program holds the database") != std::string::npos, opened == kOnceLetGo) << log;
        if (log.find("Converting database from version 0 to 1.") != std::string::npos) ++upgraders;
    }
    EXPECT_EQ(upgraders, 1);
    EXPECT_EQ(Version(shared), std::to_string(kCurrent));
    EXPECT_EQ(SqliteFile(shared).Value("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(Dump(shared), Dump(alone));
}

// A user's file of the version before, held by another program (a write under way, or only a
// read), opens while the other program still holds it: the program works on the file as it is,
// without the upgrade, and the next open upgrades it. Nothing of either program is lost.
TEST(UserDataUpgrade, AFileAnotherProgramHoldsOpensWithoutWaitingForItAndIsUpgradedLater) {
    struct Case {
        const char* what;
        const char* journal;
        const char* hold;
        const char* held;  // what the hold leaves in the file
    };
    const Case cases[] = {
        {"a write, the file in its first journal mode", "delete",
         "BEGIN IMMEDIATE; INSERT INTO ExpenseCategories (Name) VALUES ('Held')", "1"},
        {"only a read, the file in its first journal mode", "delete", "BEGIN; SELECT count(*) FROM Vehicles", "0"},
        {"a write, the file with a write-ahead log", "wal",
         "BEGIN IMMEDIATE; INSERT INTO ExpenseCategories (Name) VALUES ('Held')", "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDatabase database;
        SqliteFile(database.path())
            .Run(std::string("PRAGMA journal_mode=") + c.journal +
                 "; INSERT INTO Vehicles (VehicleID, Name) VALUES ('car', 'Blue')");
        jv::test::TraceCapture log;
        {
            jv::test::HeldFile other(database.path(), c.hold);
            ASSERT_TRUE(other.held());
            CUserData userData;
            ASSERT_TRUE(userData.OpenConnections(database.path()));
            jv::db::Connection connection = userData.GetDatabaseConnection();
            EXPECT_FALSE(carchanges::Recorded(connection));
            CDatabaseObject vehicles(connection);
            EXPECT_EQ(vehicles.ExecuteQuery("SELECT Name FROM Vehicles").GetText("Name"), "Blue");
            // The other program held the file all the time the open took.
            EXPECT_TRUE(other.LetGo());
        }
        EXPECT_EQ(log.Count("ERR"), 0) << log.Text();
        EXPECT_EQ(Version(database.path()), "8");
        EXPECT_EQ(SqliteFile(database.path()).Value("SELECT count(*) FROM ExpenseCategories WHERE Name = 'Held'"),
                  c.held);

        CUserData later;
        ASSERT_TRUE(later.OpenConnections(database.path()));
        EXPECT_EQ(Version(database.path()), std::to_string(kCurrent));
        jv::db::Connection upgraded = later.GetDatabaseConnection();
        EXPECT_TRUE(carchanges::Recorded(upgraded));
        SqliteFile file(database.path());
        EXPECT_EQ(file.Value("SELECT count(*) FROM ExpenseCategories WHERE Name = 'Held'"), c.held);
        EXPECT_EQ(file.Value("SELECT Name FROM Vehicles"), "Blue");
        EXPECT_EQ(file.Value("PRAGMA integrity_check"), "ok");
    }
}

// A user's file that another program holds for longer than the open waits: used as it is only
// where this version can read it as it is (version 8 lacks only the record of changes); otherwise
// nothing is open, the reason is that the file is held (no error, no problem report), and an open
// once the other program let go upgrades the file and keeps what either program wrote.
TEST(UserDataOpen, AHeldFileIsUsedAsItIsOnlyWhereThisVersionCanReadIt) {
    struct Case {
        const char* what;
        const char* before;  // makes the file what the other program finds
        const char* hold;
        bool opens;        // while held
        const char* held;  // what the hold leaves in the file
    };
    const Case cases[] = {
        {"version 8, a write under way", "PRAGMA journal_mode=delete",
         "BEGIN IMMEDIATE; INSERT INTO ExpenseCategories (Name) VALUES ('Held')", true, "1"},
        {"version 8, the whole file taken (no write-ahead log)", "PRAGMA journal_mode=delete",
         "BEGIN EXCLUSIVE; INSERT INTO ExpenseCategories (Name) VALUES ('Held')", false, "1"},
        {"version 6, a write under way", kBackToVersion6,
         "BEGIN IMMEDIATE; INSERT INTO ExpenseCategories (Name) VALUES ('Held')", false, "1"},
        {"version 6, only a read", kBackToVersion6, "BEGIN; SELECT count(*) FROM Vehicles", false, "0"},
        {"version 6 with a write-ahead log, a write under way",
         "PRAGMA journal_mode=wal; UPDATE version SET Version = 6; ALTER TABLE Services DROP COLUMN Other",
         "BEGIN IMMEDIATE; INSERT INTO ExpenseCategories (Name) VALUES ('Held')", false, "1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestDatabase database;
        SqliteFile(database.path())
            .Run(std::string(c.before) + "; INSERT INTO Vehicles (VehicleID, Name) VALUES ('car', 'Blue')");
        const std::string versionBefore = Version(database.path());
        jv::test::TraceCapture log;
        {
            jv::test::HeldFile other(database.path(), c.hold);
            ASSERT_TRUE(other.held());
            CUserData userData;
            EXPECT_EQ(userData.OpenConnections(database.path()), c.opens);
            EXPECT_EQ(userData.IsHeldByAnotherProgram(), !c.opens);
            EXPECT_EQ(userData.GetDatabaseConnection().IsOpen(), c.opens);
            EXPECT_TRUE(other.LetGo());
        }
        EXPECT_EQ(log.Count("ERR"), 0) << log.Text();
        EXPECT_EQ(Version(database.path()), versionBefore);

        CUserData later;
        ASSERT_TRUE(later.OpenConnections(database.path()));
        EXPECT_FALSE(later.IsHeldByAnotherProgram());
        EXPECT_EQ(Version(database.path()), std::to_string(kCurrent));
        SqliteFile file(database.path());
        EXPECT_EQ(file.Value("SELECT count(*) FROM pragma_table_info('Services') WHERE name = 'Other'"), "1");
        EXPECT_EQ(file.Value("SELECT count(*) FROM ExpenseCategories WHERE Name = 'Held'"), c.held);
        EXPECT_EQ(file.Value("SELECT Name FROM Vehicles"), "Blue");
        EXPECT_EQ(file.Value("PRAGMA integrity_check"), "ok");
    }
}

// A file that a later version of the program has made its own: the program uses it as it is and
// writes nothing of its own making into it: no upgrade step, no record of changes made anew, no
// index, whatever of these the file lacks.
TEST(UserDataOpen, AFileOfALaterVersionIsUsedAsItIsAndNothingIsWrittenIntoIt) {
    TestDatabase database;
    {
        CUserData userData;
        ASSERT_TRUE(userData.OpenConnections(database.path()));
    }
    const int later = kCurrent + 1;
    jv::test::EmptyCarChangeTriggers(database.path());
    SqliteFile(database.path())
        .Run("UPDATE version SET Version = " + std::to_string(later) +
             "; DROP INDEX OdometerValuesByValue; INSERT INTO Vehicles (VehicleID, Name) VALUES ('car', 'Blue')");
    const std::vector<std::string> before = Dump(database.path());
    const std::vector<std::string> schema = SqliteFile(database.path()).Rows("SELECT sql FROM sqlite_master");

    jv::test::TraceCapture log;
    CUserData userData;
    ASSERT_TRUE(userData.OpenConnections(database.path()));
    EXPECT_TRUE(userData.IsConnected());
    EXPECT_TRUE(userData.CheckAndUpdateVersion());
    jv::db::Connection connection = userData.GetDatabaseConnection();
    EXPECT_FALSE(carchanges::Recorded(connection));
    CDatabaseObject vehicles(connection);
    EXPECT_EQ(vehicles.ExecuteQuery("SELECT Name FROM Vehicles").GetText("Name"), "Blue");

    EXPECT_EQ(Dump(database.path()), before);
    EXPECT_EQ(SqliteFile(database.path()).Rows("SELECT sql FROM sqlite_master"), schema);
    EXPECT_EQ(log.Count("ERR"), 0);
}

TEST(UserDataOpen, AFileThatCannotBeOpenedGivesFalseAndCreatesNothing) {
    jv::test::TempDir dir;
    jv::test::TraceCapture log;
    const std::string missing = dir.File("Jorvane/user.data");
    CUserData userData;
    EXPECT_FALSE(userData.OpenConnections(missing));
    EXPECT_FALSE(userData.IsConnected());
    EXPECT_FALSE(userData.GetDatabaseConnection().IsOpen());
    EXPECT_FALSE(userData.CheckAndUpdateVersion());
    EXPECT_EQ(log.Count("ERR  CUserData::OpenConnections"), 1);
    EXPECT_EQ(log.Count("Error connecting to user database\n\tSource :  jv::db::Connection \n\tdescription : Could "
                        "not find file '" +
                        missing + "'."),
              1);
    struct stat info {};
    EXPECT_NE(stat(missing.c_str(), &info), 0);

    jv::test::WriteFile(dir.File("notes.txt"), "not a database at all, but long enough to look like a file");
    EXPECT_FALSE(userData.OpenConnections(dir.File("notes.txt")));
    EXPECT_EQ(log.Count("Unrecognized database format"), 1);
    // Damaged, not another program's database: the caller reports it as it reports every such file.
    EXPECT_FALSE(userData.IsNotJorvaneFile());

    // A good file afterwards opens normally.
    TestDatabase database;
    EXPECT_TRUE(userData.OpenConnections(database.path()));
    EXPECT_TRUE(userData.GetDatabaseConnection().IsOpen());
    EXPECT_EQ(userData.GetDatabasePath(), database.path());
}

TEST(UserDataOpen, AnotherProgramsDatabaseIsToldAsSuchAndNothingIsWrittenIntoIt) {
    jv::test::TempDir dir;
    const std::string path = dir.File("notes.db");
    SqliteFile(path).Run("CREATE TABLE Notes (Body TEXT); INSERT INTO Notes VALUES ('milk');");
    const std::string bytes = jv::test::ReadFile(path);
    jv::test::TraceCapture log;
    CUserData userData;
    EXPECT_FALSE(userData.OpenConnections(path));
    EXPECT_TRUE(userData.IsNotJorvaneFile());
    EXPECT_FALSE(userData.IsHeldByAnotherProgram());
    EXPECT_FALSE(userData.GetDatabaseConnection().IsOpen());
    EXPECT_EQ(log.Count("ERR"), 0);
    EXPECT_EQ(log.Count("The file " + path + " is not a Jorvane database"), 1);
    EXPECT_EQ(jv::test::ReadFile(path), bytes);
    for (const char* end : {"-wal", "-shm", "-journal"}) {
        struct stat info {};
        EXPECT_NE(stat((path + end).c_str(), &info), 0) << end;
    }

    // The user's own file afterwards opens normally.
    TestDatabase database;
    EXPECT_TRUE(userData.OpenConnections(database.path()));
    EXPECT_FALSE(userData.IsNotJorvaneFile());
}

TEST(UserDataOpen, ADatabaseWithoutAVersionTableStillOpens) {
    TestDatabase database;
    SqliteFile(database.path()).Run("DROP TABLE version");
    jv::test::TraceCapture log;
    CUserData userData;
    EXPECT_TRUE(userData.OpenConnections(database.path()));
    EXPECT_FALSE(userData.CheckAndUpdateVersion());
    EXPECT_EQ(log.Count("Error reading the database version. Query is select version from version;"), 2);
    CDatabaseObject prefs(userData.GetDatabaseConnection());
    EXPECT_EQ(prefs.ExecuteQuery("SELECT DistanceUnit FROM Prefs").GetInt("DistanceUnit"), 0);
}

}  // namespace
