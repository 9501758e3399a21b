#include "platform/db/Connection.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "platform/db/DatabaseFile.h"
#include "platform/db/DbError.h"
#include "tests/platform/db/SqliteFixture.h"
#include "tests/support/TestSupport.h"

using jv::DateTime;
using jv::db::Connection;
using jv::db::DbError;
using jv::db::Recordset;

namespace {

// A database file with a counter table, a text table and a dated table, as the user database
// declares them.
class ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("user.data");
        jv::test::SqliteFile file(path_);
        file.Run(
            "CREATE TABLE OdometerValues (OdometerValueID INTEGER PRIMARY KEY AUTOINCREMENT,"
            " VehicleID varchar(38) COLLATE NOCASE, OdometerDate DATETIME REAL, OdometerValue INTEGER);"
            "CREATE INDEX OdometerValuesByVehicle ON OdometerValues (VehicleID, OdometerDate);"
            "CREATE VIEW LastReadings AS SELECT VehicleID, max(OdometerDate) AS LastDate FROM OdometerValues"
            " GROUP BY VehicleID;"
            "CREATE TABLE Categories (CategoryID INTEGER PRIMARY KEY AUTOINCREMENT, Name varchar(50) COLLATE NOCASE);"
            "CREATE TABLE Vehicles (VehicleID varchar(38) COLLATE NOCASE PRIMARY KEY, Name varchar(30) COLLATE NOCASE,"
            " Sold INTEGER NOT NULL DEFAULT 0, PurchaseDate DATETIME REAL, PurchasePrice REAL);");
        connection_ = Connection::Open(path_);
    }

    std::vector<std::string> Column(const std::string& sql, const std::string& field) {
        std::vector<std::string> values;
        for (Recordset rs = connection_.Execute(sql); !rs.IsEOF(); rs.MoveNext()) {
            values.push_back(rs.GetText(field).value_or("NULL"));
        }
        return values;
    }

    jv::test::TempDir dir_;
    std::string path_;
    Connection connection_;
};

std::string Description(const std::function<void()>& action) {
    try {
        action();
    } catch (const DbError& error) {
        return error.description();
    }
    return "no error";
}

TEST(ConnectionOpen, RefusesMissingEmptyAndForeignFilesAndCreatesNothing) {
    jv::test::TempDir dir;
    const std::string missing = dir.File("missing.data");
    const std::string empty = dir.File("empty.data");
    const std::string text = dir.File("notes.txt");
    jv::test::WriteFile(empty, "");
    jv::test::WriteFile(text, std::string(4096, 'x'));

    EXPECT_EQ(Description([&] { Connection::Open(missing); }), "Could not find file '" + missing + "'.");
    struct stat info {};
    EXPECT_NE(stat(missing.c_str(), &info), 0) << "opening a missing file must not create it";

    // Not a database: refused at open, not at the first query.
    EXPECT_EQ(Description([&] { Connection::Open(empty); }), "Unrecognized database format '" + empty + "'.");
    EXPECT_EQ(Description([&] { Connection::Open(text); }), "Unrecognized database format '" + text + "'.");
    EXPECT_EQ(jv::test::ReadFile(text), std::string(4096, 'x'));
    // Something there that is not a file is said to be what it is, not missing.
    EXPECT_EQ(Description([&] { Connection::Open(dir.path()); }),
              "The file '" + dir.path() + "' cannot be used: it is a folder, not a file.");
    EXPECT_EQ(Description([&] { Connection::Open("/dev/zero"); }),
              "The file '/dev/zero' cannot be used: it is a device, not a file.");
}

// The mode of a file, or 0 when there is none.
mode_t ModeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(ConnectionOpen, WithTheJournalUnchangedWritesNothingIntoTheFileUntilAskedTo) {
    jv::test::TempDir dir;
    const std::string path = dir.File("notes.db");
    jv::test::SqliteFile(path).Run("CREATE TABLE Notes (Body TEXT); INSERT INTO Notes VALUES ('milk');");
    const std::string bytes = jv::test::ReadFile(path);

    Connection connection = Connection::Open(path, Connection::kBusyWait, Connection::Journal::Unchanged);
    EXPECT_TRUE(connection.HasTable("NOTES"));
    EXPECT_FALSE(connection.HasTable("Vehicles"));
    connection.Close();
    EXPECT_EQ(jv::test::ReadFile(path), bytes);
    EXPECT_EQ(ModeOf(path + "-wal"), 0U);
    EXPECT_EQ(jv::test::SqliteFile(path).Value("PRAGMA journal_mode"), "delete");

    connection = Connection::Open(path, Connection::kBusyWait, Connection::Journal::Unchanged);
    connection.UseWriteAheadLog();
    EXPECT_EQ(jv::test::SqliteFile(path).Value("PRAGMA journal_mode"), "wal");
}

// The engine makes its files beside a database with the database's mode; made beside a file the
// user may only read (or left so by an earlier run), they would keep the file from being written
// once the user makes it writable again.
TEST(ConnectionOpen, TheEnginesFilesBesideAFileAreLeftWritableForTheUser) {
    struct Case {
        const char* name;
        bool leftBefore;  // unwritable files beside it before the open
    };
    for (const Case& c : {Case{"made by this open", false}, Case{"left by an earlier run", true}}) {
        SCOPED_TRACE(c.name);
        jv::test::TempDir dir;
        const std::string path = dir.File("user.data");
        jv::test::SqliteFile(path).Run("PRAGMA journal_mode=WAL; CREATE TABLE Notes (Body TEXT);");
        ASSERT_EQ(chmod(path.c_str(), 0400), 0);
        if (c.leftBefore) {
            for (const char* end : {"-wal", "-shm"}) {
                jv::test::WriteFile(path + end, "");
                ASSERT_EQ(chmod((path + end).c_str(), 0400), 0);
            }
        }
        Connection connection = Connection::Open(path);
        for (const char* end : {"-wal", "-shm"}) {
            EXPECT_EQ(ModeOf(path + end), 0600U) << end;
        }
        EXPECT_EQ(ModeOf(path), 0400U);
    }
}

TEST_F(ConnectionTest, CopiesShareOneOpenFileUntilTheLastLetsGo) {
    Connection copy = connection_;
    connection_.Close();
    EXPECT_FALSE(connection_.IsOpen());
    ASSERT_TRUE(copy.IsOpen());
    EXPECT_EQ(copy.path(), path_);
    EXPECT_EQ(copy.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('Tolls')"), 1);
    EXPECT_EQ(Description([&] { connection_.Execute("SELECT * FROM Categories"); }),
              "Operation is not allowed when the object is closed.");
}

TEST_F(ConnectionTest, RefusesASecondStatementInOneCall) {
    for (const std::string sql :
         {"SELECT * FROM Categories; DROP TABLE Vehicles",
          "INSERT INTO Categories (Name) VALUES ('a');INSERT INTO Categories (Name) VALUES ('b')",
          "DELETE FROM Categories; -- nothing\n DROP TABLE Vehicles;",
          "SELECT 1; -- a comment in SQLite, not in Jet"}) {
        EXPECT_EQ(Description([&] { connection_.ExecuteNonQuery(sql); }),
                  "Characters found after end of SQL statement.")
            << sql;
    }
    // The statements of a trigger's body are the trigger's; what follows its END is not.
    EXPECT_NO_THROW(connection_.ExecuteNonQuery(
        "CREATE TRIGGER Renamed AFTER INSERT ON Categories BEGIN UPDATE Categories SET Name = 'b' WHERE 0; END"));
    EXPECT_EQ(Description([&] {
                  connection_.ExecuteNonQuery(
                      "CREATE TRIGGER Other AFTER INSERT ON Categories BEGIN SELECT 1; END; DROP TABLE Vehicles");
              }),
              "Characters found after end of SQL statement.");
    EXPECT_EQ(Column("SELECT count(*) AS n FROM Vehicles", "n"), std::vector<std::string>{"0"});
    EXPECT_EQ(Column("SELECT count(*) AS n FROM Categories", "n"), std::vector<std::string>{"0"});
    // Closing semicolons and blanks are no second statement.
    EXPECT_NO_THROW(connection_.Execute("SELECT count(*) FROM Categories;  "));
    EXPECT_NO_THROW(connection_.Execute("SELECT count(*) FROM Categories;;\n"));
    // A semicolon inside text is text.
    EXPECT_EQ(connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('a; DROP TABLE Vehicles')"), 1);
}

TEST_F(ConnectionTest, NumberTextCannotCommentOutTheRestOfAStatement) {
    connection_.ExecuteNonQuery("INSERT INTO Vehicles (VehicleID, Name) VALUES ('a', 'First')");
    connection_.ExecuteNonQuery("INSERT INTO Vehicles (VehicleID, Name) VALUES ('b', 'Second')");
    // A price typed as "1 --" would, in SQLite's dialect, drop the WHERE clause and change every car.
    EXPECT_THROW(connection_.ExecuteNonQuery("UPDATE Vehicles set PurchasePrice=1 -- where VehicleID='a'"), DbError);
    EXPECT_THROW(connection_.ExecuteNonQuery("UPDATE Vehicles set PurchasePrice=1 /* where VehicleID='a' */"), DbError);
    EXPECT_EQ(Column("SELECT count(*) AS n FROM Vehicles WHERE PurchasePrice IS NOT NULL", "n"),
              std::vector<std::string>{"0"});
    EXPECT_EQ(connection_.Execute("SELECT 5--3 AS n").GetInt("n"), 8);
}

TEST_F(ConnectionTest, NeverHandsOutAnIdTwice) {
    for (const char* name : {"Insurance", "Repair", "Tolls"}) {
        connection_.ExecuteNonQuery(std::string("INSERT INTO Categories (Name) VALUES ('") + name + "')");
    }
    EXPECT_EQ(connection_.Execute("SELECT @@IDENTITY as CategoryID").GetInt("CategoryID"), 3);
    EXPECT_EQ(connection_.ExecuteNonQuery("DELETE FROM Categories WHERE CategoryID=3"), 1);
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('Parking')");
    EXPECT_EQ(connection_.Execute("SELECT @@IDENTITY as CategoryID ").GetInt("CategoryID"), 4);

    // Also after the table was rebuilt to change a column's type.
    connection_.ExecuteNonQuery(
        "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('a', #1/1/2024#, 10)");
    connection_.ExecuteNonQuery(
        "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('a', #2/1/2024#, 20)");
    connection_.ExecuteNonQuery("DELETE FROM OdometerValues WHERE OdometerValueID=2");
    connection_.ExecuteNonQuery("alter table OdometerValues alter column OdometerValue single");
    connection_.ExecuteNonQuery(
        "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('a', #3/1/2024#, 30)");
    EXPECT_EQ(connection_.Execute("SELECT @@IDENTITY as ID").GetInt("ID"), 3);
}

TEST_F(ConnectionTest, ComparesTextWithoutRegardToCase) {
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('Body Repair')");
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('car wash')");
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('Accessories')");
    connection_.ExecuteNonQuery("INSERT INTO Vehicles (VehicleID, Name) VALUES ('ABC-1', 'Blue Car')");

    struct Case {
        const char* sql;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"SELECT Name FROM Categories WHERE Name = 'BODY REPAIR'", {"Body Repair"}},
        {"SELECT Name FROM Categories WHERE Name like 'CAR%'", {"car wash"}},
        {"SELECT Name FROM Categories WHERE Name in ('accessories', 'Car Wash')", {"car wash", "Accessories"}},
        {"SELECT Name FROM Categories ORDER BY Name", {"Accessories", "Body Repair", "car wash"}},
        {"SELECT Name FROM Vehicles WHERE VehicleID = 'abc-1'", {"Blue Car"}},
        {"SELECT Name FROM Vehicles WHERE VehicleID like 'abc-1'", {"Blue Car"}},
    };
    for (const Case& c : cases) EXPECT_EQ(Column(c.sql, "name"), c.names) << c.sql;
    // A key that differs only in case is the same key.
    EXPECT_THROW(connection_.ExecuteNonQuery("INSERT INTO Vehicles (VehicleID, Name) VALUES ('abc-1', 'Red Car')"),
                 DbError);
}

TEST_F(ConnectionTest, DatesOrderAndCompareAcrossYearsAndCenturies) {
    const char* dates[] = {"#12/31/2099#",
                           "#1/1/1900#",
                           "#12/30/1899#",
                           "#6/15/1850 18:00#",
                           "#2/29/2000#",
                           "#6/15/1850 6:00 AM#",
                           "#12/31/1999 11:59:59 PM#",
                           "#01/05/24#"};
    int value = 0;
    for (const char* date : dates) {
        connection_.ExecuteNonQuery(std::string("Insert into OdometerValues (VehicleID, OdometerDate, OdometerValue) "
                                                "values('car', ") +
                                    date + ", " + std::to_string(++value) + ")");
    }
    EXPECT_EQ(Column("SELECT OdometerDate FROM OdometerValues ORDER BY OdometerDate", "OdometerDate"),
              (std::vector<std::string>{"6/15/1850 6:00:00 AM", "6/15/1850 6:00:00 PM", "12/30/1899", "1/1/1900",
                                        "12/31/1999 11:59:59 PM", "2/29/2000", "1/5/2024", "12/31/2099"}));

    Recordset range = connection_.Execute(
        "SELECT min(OdometerDate) as FirstDate, max(OdometerDate) as LastDate FROM OdometerValues WHERE VehicleID like "
        "'car'");
    EXPECT_EQ(*range.GetDate("FirstDate"), DateTime(1850, 6, 15, 6, 0, 0));
    EXPECT_EQ(*range.GetDate("LastDate"), DateTime(2099, 12, 31));
    EXPECT_EQ(range.GetText("FirstDate"), "6/15/1850 6:00:00 AM");

    struct Case {
        const char* where;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"OdometerDate < #1/1/1900#", {"3", "4", "6"}},
        {"OdometerDate >= #1/1/2000# and OdometerDate <= #12/31/2099#", {"1", "5", "8"}},
        {"OdometerDate = #2/29/2000#", {"5"}},
        {"OdometerDate = '02/29/2000'", {"5"}},
        {"OdometerDate > '1999-12-31'", {"1", "5", "7", "8"}},
        {"OdometerDate <= #1/5/2024# and OdometerDate > #1/4/2024#", {"8"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(
            Column(std::string("SELECT OdometerValue FROM OdometerValues WHERE ") + c.where + " ORDER BY OdometerValue",
                   "OdometerValue"),
            c.values)
            << c.where;
    }
}

TEST_F(ConnectionTest, StoresQuotedDatesIntoDateColumnsAsDates) {
    connection_.ExecuteNonQuery(
        "INSERT into vehicles (VehicleID, Name, PurchaseDate) values('v1', 'Car', '03/07/2021')");
    connection_.ExecuteNonQuery("UPDATE Vehicles set Name='Car', PurchaseDate='04/08/2022' where VehicleID='v2'");
    connection_.ExecuteNonQuery(
        "UPDATE Vehicles set PurchasePrice='1234.5', PurchaseDate='12/24/2020 10:30' where VehicleID='v1'");
    Recordset rs =
        connection_.Execute("SELECT PurchaseDate, PurchasePrice FROM Vehicles WHERE PurchaseDate < #1/1/2021#");
    ASSERT_FALSE(rs.IsEOF());
    EXPECT_EQ(*rs.GetDate("PurchaseDate"), DateTime(2020, 12, 24, 10, 30, 0));
    EXPECT_EQ(rs.GetSingle("PurchasePrice"), 1234.5f);
    jv::test::SqliteFile file(path_);
    EXPECT_EQ(file.Value("SELECT typeof(PurchaseDate) || ' ' || typeof(PurchasePrice) FROM Vehicles"), "real real");
    // Text that is no date cannot go into a date column.
    EXPECT_EQ(Description([&] { connection_.ExecuteNonQuery("UPDATE Vehicles set PurchaseDate='soon'"); }),
              "Data type mismatch in criteria expression.");
    EXPECT_EQ(Description([&] { connection_.Execute("SELECT * FROM Vehicles WHERE PurchaseDate = #13/45/2020#"); }),
              "Syntax error in date in query expression '#13/45/2020#'.");
}

TEST_F(ConnectionTest, TransactionsCommitRollBackAndNest) {
    connection_.BeginTrans();
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('kept')");
    connection_.BeginTrans();
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('inner, undone')");
    connection_.RollbackTrans();
    EXPECT_TRUE(connection_.InTransaction());
    connection_.CommitTrans();
    EXPECT_FALSE(connection_.InTransaction());

    {
        jv::db::Transaction transaction(connection_);
        connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('never committed')");
    }
    {
        jv::db::Transaction transaction(connection_);
        connection_.ExecuteNonQuery("DELETE FROM Categories WHERE Name = 'nothing'");
        transaction.Commit();
    }
    EXPECT_EQ(Column("SELECT Name FROM Categories", "Name"), std::vector<std::string>{"kept"});
    EXPECT_EQ(Description([&] { connection_.CommitTrans(); }), "No transaction is active.");
    EXPECT_EQ(Description([&] { connection_.RollbackTrans(); }), "No transaction is active.");

    // Another program sees nothing of an open transaction, and all of it after the commit.
    connection_.BeginTrans();
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('pending')");
    jv::test::SqliteFile other(path_);
    EXPECT_EQ(other.Value("SELECT count(*) FROM Categories"), "1");
    connection_.CommitTrans();
    EXPECT_EQ(other.Value("SELECT count(*) FROM Categories"), "2");
}

TEST_F(ConnectionTest, AlteringAColumnKeepsRowsIndexesViewsAndSeesOtherConnectionsChanges) {
    connection_.ExecuteNonQuery(
        "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('a', #1/1/2024#, 1200)");
    connection_.ExecuteNonQuery(
        "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('b', #2/1/2024#, 800)");
    EXPECT_EQ(connection_.ExecuteNonQuery("alter table odometervalues alter column OdometerValue single"), 0);
    connection_.ExecuteNonQuery("UPDATE OdometerValues SET OdometerValue = 1200.5 WHERE VehicleID = 'a'");

    jv::test::SqliteFile file(path_);
    EXPECT_EQ(file.Rows("SELECT name, type FROM pragma_table_info('OdometerValues')"),
              (std::vector<std::string>{"OdometerValueID|INTEGER", "VehicleID|varchar(38)",
                                        "OdometerDate|DATETIME REAL", "OdometerValue|REAL"}));
    EXPECT_EQ(file.Rows("SELECT VehicleID, typeof(OdometerValue), OdometerValue FROM OdometerValues ORDER BY 1"),
              (std::vector<std::string>{"a|real|1200.5", "b|real|800.0"}));
    EXPECT_EQ(file.Value("SELECT name FROM sqlite_master WHERE type='index' AND tbl_name='OdometerValues'"),
              "OdometerValuesByVehicle");
    EXPECT_EQ(Column("SELECT LastDate FROM LastReadings WHERE VehicleID = 'B'", "LastDate"),
              std::vector<std::string>{"2/1/2024"});

    // A column added by another connection is known to the translation at once.
    file.Run("ALTER TABLE Vehicles ADD COLUMN SoldDate DATETIME REAL");
    connection_.ExecuteNonQuery("INSERT INTO Vehicles (VehicleID, SoldDate) VALUES ('x', '5/6/2023')");
    EXPECT_EQ(file.Value("SELECT SoldDate FROM Vehicles WHERE VehicleID = 'x'"), "45052.0");

    // A failing change leaves the table as it was.
    EXPECT_EQ(
        Description([&] { connection_.ExecuteNonQuery("alter table OdometerValues alter column Missing single"); }),
        "Column 'Missing' does not exist in table 'OdometerValues'.");
    EXPECT_EQ(Description([&] { connection_.ExecuteNonQuery("alter table Nowhere alter column Missing single"); }),
              "Table 'Nowhere' does not exist.");
    EXPECT_EQ(file.Value("SELECT count(*) FROM OdometerValues"), "2");
}

TEST_F(ConnectionTest, KeptStatementsFollowTheTablesAndRunInsideTheirOwnLoops) {
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('ab')");
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('cd')");
    // "+" between text columns joins them while Name holds text...
    const std::string joined = "SELECT Name + Name AS Both FROM Categories ORDER BY CategoryID";
    EXPECT_EQ(Column(joined, "Both"), (std::vector<std::string>{"abab", "cdcd"}));
    // ...and adds once another program made it a number column: the kept statement goes.
    jv::test::SqliteFile file(path_);
    file.Run(
        "DROP TABLE Categories; CREATE TABLE Categories (CategoryID INTEGER PRIMARY KEY, Name INTEGER);"
        "INSERT INTO Categories VALUES (1, 20), (2, 3);");
    EXPECT_EQ(Column(joined, "Both"), (std::vector<std::string>{"40", "6"}));

    // The same text run for each row of its own rows, as a loop over a query may do.
    std::vector<std::string> pairs;
    const std::string all = "SELECT Name FROM Categories ORDER BY Name";
    for (Recordset outer = connection_.Execute(all); !outer.IsEOF(); outer.MoveNext()) {
        for (jv::db::Rows inner = connection_.Query(all); inner.Next();) {
            pairs.push_back(*outer.GetText("Name") + "/" + *inner.Row().GetText("Name"));
        }
    }
    EXPECT_EQ(pairs, (std::vector<std::string>{"3/3", "3/20", "20/3", "20/20"}));
    // A kept statement that failed runs again as it should.
    const std::string insert = "INSERT INTO Vehicles (VehicleID) VALUES ('v')";
    EXPECT_EQ(connection_.ExecuteNonQuery(insert), 1);
    EXPECT_THROW(connection_.ExecuteNonQuery(insert), DbError);
    connection_.ExecuteNonQuery("DELETE FROM Vehicles");
    EXPECT_EQ(connection_.ExecuteNonQuery(insert), 1);
}

TEST_F(ConnectionTest, QueriesStreamTheirRowsWithValuesForTheirParameters) {
    for (int day = 1; day <= 3; ++day) {
        connection_.ExecuteNonQuery(
            "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('a', #1/" +
            std::to_string(day) + "/2024#, " + std::to_string(day * 100) + ")");
    }
    const std::string sql =
        "SELECT OdometerDate, OdometerValue FROM OdometerValues WHERE VehicleID = ? AND OdometerValue > ? ORDER BY "
        "OdometerDate";
    struct Case {
        std::vector<Connection::Parameter> parameters;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {{std::string("A"), std::int64_t{100}}, {"1/2/2024 200", "1/3/2024 300"}},
        {{std::string("a"), 250.5}, {"1/3/2024 300"}},
        {{std::string("b"), 0.0}, {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> rows;
        for (jv::db::Rows query = connection_.Query(sql, c.parameters); query.Next();) {
            rows.push_back(*query.Row().GetText("OdometerDate") + " " + *query.Row().GetText("OdometerValue"));
        }
        EXPECT_EQ(rows, c.expected);
    }
    EXPECT_EQ(Description([&] { connection_.Query(sql, {std::string("a")}); }),
              "No value given for one or more required parameters.");
    // Once its last row is read, a query holds no lock: another program can write at once.
    jv::db::Rows read = connection_.Query(sql, {std::string("a"), 0.0});
    while (read.Next()) {
    }
    jv::test::SqliteFile file(path_);
    EXPECT_NO_THROW(file.Run("PRAGMA busy_timeout = 0; DELETE FROM OdometerValues"));
}

TEST_F(ConnectionTest, ContentVersionChangesWithEveryWriteOfAnyProgramOnly) {
    const auto version = [this] { return connection_.ContentVersion(); };
    const auto start = version();
    ASSERT_TRUE(start.has_value());
    connection_.Execute("SELECT count(*) FROM Vehicles");
    EXPECT_EQ(version(), start) << "a read";
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('mine')");
    const auto afterMine = version();
    EXPECT_NE(afterMine, start) << "this connection's write";
    jv::test::SqliteFile file(path_);
    file.Run("INSERT INTO Categories (Name) VALUES ('theirs')");
    const auto afterTheirs = version();
    EXPECT_NE(afterTheirs, afterMine) << "another program's write";

    // Inside a transaction nothing may be kept; a rolled back one leaves the content as it was.
    connection_.BeginTrans();
    connection_.ExecuteNonQuery("INSERT INTO Categories (Name) VALUES ('undone')");
    EXPECT_FALSE(version().has_value());
    connection_.RollbackTrans();
    EXPECT_EQ(version(), afterTheirs);

    // What is kept for a version is given back for it only.
    connection_.KeepDerived("total", *afterTheirs, std::make_shared<int>(7));
    ASSERT_NE(connection_.Derived("total", *afterTheirs), nullptr);
    EXPECT_EQ(*std::static_pointer_cast<const int>(connection_.Derived("total", *afterTheirs)), 7);
    EXPECT_EQ(connection_.Derived("total", *afterTheirs + 1), nullptr);
    EXPECT_EQ(connection_.Derived("other", *afterTheirs), nullptr);
}

TEST(DatabaseFile, CopiesTheBlankDatabaseForItsOwnerOnlyAndNeverOverwrites) {
    jv::test::TempDir dir;
    const std::string blank = dir.File("jvbdb");
    jv::test::SqliteFile(blank).Run("CREATE TABLE version (Version INTEGER); INSERT INTO version VALUES (8);");
    const std::string user = dir.File("user.data");

    const mode_t old = umask(0);
    jv::db::CopyDatabaseFile(blank, user);
    umask(old);
    struct stat info {};
    ASSERT_EQ(stat(user.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Connection::Open(user).Execute("select version from version;").GetInt("Version"), 8);

    jv::test::WriteFile(dir.File("other.data"), "precious");
    EXPECT_THROW(jv::db::CopyDatabaseFile(blank, dir.File("other.data")), DbError);
    EXPECT_EQ(jv::test::ReadFile(dir.File("other.data")), "precious");
    EXPECT_THROW(jv::db::CopyDatabaseFile(dir.File("none"), dir.File("new.data")), DbError);
    EXPECT_NE(stat(dir.File("new.data").c_str(), &info), 0);
}

}  // namespace
