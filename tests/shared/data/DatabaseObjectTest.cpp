#include "shared/data/DatabaseObject.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "shared/core/ErrorReporting.h"
#include "tests/platform/db/SqliteFixture.h"
#include "tests/shared/data/TestDatabase.h"

namespace {

// Stands in for the person in front of the problem-report dialog: declines every report.
class DecliningReportDialog : public IErrorReportDialog {
public:
    DecliningReportDialog() { CErrorReporting::InstallDialog(this); }
    ~DecliningReportDialog() override { CErrorReporting::InstallDialog(nullptr); }
    ErrorReportDialogResult Show(const std::string& details) override {
        shown.push_back(details);
        ErrorReportDialogResult result;
        result.result = 0;
        return result;
    }
    std::vector<std::string> shown;
};

// A database operation written the way every register writes them.
class CTestRegisterDatabaseObject : public CDatabaseObject {
public:
    using CDatabaseObject::CDatabaseObject;

    bool AddExpense(const std::string& vehicleId, const std::string& vendor) {
        const std::string sql = "Insert into Expenses (VehicleID, ExpenseDate, Vendor) values('" + vehicleId +
                                "', #1/15/2024#, '" + EscapeQuotes(vendor, 60) + "')";
        try {
            return ExecuteCommand(sql);
        } catch (const jv::db::DbError& error) {
            ReportQueryError("CTestRegisterDatabaseObject::AddExpense", 76, error);
            return false;
        }
    }

    int CountRows(const std::string& table) {
        const std::string sql = "SELECT count(*) as N FROM " + table;
        try {
            jv::db::Recordset rs = ExecuteQuery(sql);
            if (!rs.IsOpen() || rs.IsEOF()) return 0;
            return rs.GetInt("N").value_or(0);
        } catch (const jv::db::DbError& error) {
            ReportQueryError("CTestRegisterDatabaseObject::CountRows", 91, error, QueryErrorWording::Capitalised);
            return -1;
        }
    }
};

TEST(EscapeQuotes, DoublesQuotesAndCutsWholeCharactersFirst) {
    struct Case {
        std::string text;
        size_t width;
        std::string escaped;
    };
    const std::string x59(59, 'x');
    const Case cases[] = {
        {"O'Brien's", 100, "O''Brien''s"},
        {"", 10, ""},
        {"no quotes", 100, "no quotes"},
        {"abcdef", 3, "abc"},
        {"abc", 0, ""},
        {x59 + "'s Garage", 60, x59 + "''"},  // the quote on the boundary stays whole
        {"Crème brûlée", 4, "Crèm"},          // characters, not bytes
        {"Müller's", 7, "Müller''"},
        {"日本車", 2, "日本"},
    };
    for (const Case& c : cases) EXPECT_EQ(EscapeQuotes(c.text, c.width), c.escaped) << c.text;
    EXPECT_EQ(EscapeQuotes("it's 'quoted'"), "it''s ''quoted''");
    EXPECT_EQ(CutToWidth("Crème", 3), "Crè");
}

TEST(DatabaseObject, StoresAQuoteOnTheWidthBoundaryIntact) {
    jv::test::TestDatabase database;
    CTestRegisterDatabaseObject expenses(jv::db::Connection::Open(database.path()));
    // Doubling first and cutting second would end this literal on half a doubled quote and run
    // the rest of the text as SQL.
    const std::string vendor = std::string(59, 'x') + "'); DELETE FROM Vehicles; --";
    const std::string quoteAt60 = std::string(59, 'x') + "'";
    ASSERT_TRUE(expenses.AddExpense("car", vendor));
    ASSERT_TRUE(expenses.AddExpense("car", "Joe's"));

    jv::test::SqliteFile file(database.path());
    EXPECT_EQ(file.Rows("SELECT Vendor FROM Expenses ORDER BY ExpenseID"),
              (std::vector<std::string>{quoteAt60, "Joe's"}));
    EXPECT_EQ(file.Value("SELECT count(*) FROM Expenses WHERE Vendor = 'JOE''S'"), "1");
}

TEST(DatabaseObject, AFailedStatementIsLoggedWithItsTextReportedAndGivesTheFailureValue) {
    jv::test::TestDatabase database;
    jv::test::TraceCapture log;
    DecliningReportDialog dialog;
    CTestRegisterDatabaseObject register_(jv::db::Connection::Open(database.path()));

    EXPECT_EQ(register_.CountRows("NoSuchTable"), -1);

    const std::string message =
        "Error Executing query SELECT count(*) as N FROM NoSuchTable to database 0\r\n\tSource :  SQLite "
        "\r\n\tDescription : no such table: NoSuchTable\r\n\tMessage : SQL logic error";
    EXPECT_EQ(log.Count("ERR  CTestRegisterDatabaseObject::CountRows"), 1);
    // Reported once: through the problem-report dialog, or where no dialog is wired up yet, as
    // the report's own line in the log.
    const int shownWithMessage =
        static_cast<int>(std::count_if(dialog.shown.begin(), dialog.shown.end(), [&](const std::string& details) {
            return details.find(message) != std::string::npos;
        }));
    EXPECT_EQ(shownWithMessage + log.Count("CErrorReporting::Report"), 1);
    EXPECT_EQ(log.Count(message), 1 + (shownWithMessage == 0 ? 1 : 0));
}

TEST(DatabaseObject, WithoutAConnectionRunsNothing) {
    CTestRegisterDatabaseObject closed{jv::db::Connection()};
    EXPECT_FALSE(closed.ExecuteQuery("SELECT * FROM Vehicles").IsOpen());
    EXPECT_FALSE(closed.ExecuteCommand("DELETE FROM Vehicles"));
    EXPECT_NO_THROW(closed.BeginTransaction());
    EXPECT_NO_THROW(closed.RollbackTransaction());
    EXPECT_FALSE(closed.AddExpense("car", "Joe's"));
    EXPECT_EQ(closed.CountRows("Vehicles"), 0);

    // The skip flag runs nothing either, while a command still counts as done.
    jv::test::TestDatabase database;
    CDatabaseObject open(jv::db::Connection::Open(database.path()));
    EXPECT_FALSE(open.ExecuteQuery("SELECT * FROM Vehicles", 1).IsOpen());
    EXPECT_TRUE(open.ExecuteCommand("DELETE FROM NoSuchTable", 1));
    EXPECT_THROW(open.ExecuteCommand("DELETE FROM NoSuchTable"), jv::db::DbError);
}

TEST(DatabaseObject, RollsBackWhatATransactionChanged) {
    jv::test::TestDatabase database;
    CTestRegisterDatabaseObject expenses(jv::db::Connection::Open(database.path()));
    expenses.BeginTransaction();
    expenses.AddExpense("car", "first");
    expenses.AddExpense("car", "second");
    expenses.RollbackTransaction();
    EXPECT_EQ(expenses.CountRows("Expenses"), 0);
    expenses.BeginTransaction();
    expenses.AddExpense("car", "kept");
    expenses.CommitTransaction();
    EXPECT_EQ(expenses.CountRows("Expenses"), 1);
}

}  // namespace
