#include "platform/db/Recordset.h"

#include <gtest/gtest.h>

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "tests/platform/db/SqliteFixture.h"
#include "tests/support/TestSupport.h"

using jv::db::DbError;
using jv::db::Recordset;

namespace {

// One row holding each kind of value the user database stores, read back through a query.
class RecordsetTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("user.data");
        jv::test::SqliteFile(path_).Run(
            "CREATE TABLE Services (ServiceID INTEGER PRIMARY KEY AUTOINCREMENT, Vendor varchar(60) COLLATE NOCASE,"
            " ServiceDate DATETIME REAL, Odometer REAL, Cost DOUBLE, Skipped INTEGER NOT NULL DEFAULT 0,"
            " Notes TEXT COLLATE NOCASE, Big INTEGER);"
            "INSERT INTO Services (Vendor, ServiceDate, Odometer, Cost, Skipped, Notes, Big)"
            " VALUES ('Joe''s', 45306.5, 12345.6, 2.5, -1, NULL, 3000000000);"
            "INSERT INTO Services (Vendor, ServiceDate, Odometer, Cost, Skipped, Notes)"
            " VALUES ('12.5', 45307, 3.5, 0.1, 0, '');");
        connection_ = jv::db::Connection::Open(path_);
    }

    jv::test::TempDir dir_;
    std::string path_;
    jv::db::Connection connection_;
};

TEST_F(RecordsetTest, ReadsEachStoredKindAsTheProgramAsksForIt) {
    Recordset rs = connection_.Execute(
        "SELECT serviceid, Vendor, ServiceDate, Odometer, Cost, Skipped, Notes, Big FROM Services ORDER BY ServiceID");
    ASSERT_TRUE(rs.IsOpen());
    ASSERT_EQ(rs.RecordCount(), 2u);

    EXPECT_EQ(rs.GetInt("ServiceID"), 1);  // field names ignore case
    EXPECT_EQ(rs.GetText("VENDOR"), "Joe's");
    EXPECT_EQ(*rs.GetDate("ServiceDate"), jv::DateTime(2024, 1, 15, 12, 0, 0));
    EXPECT_EQ(rs.GetText("ServiceDate"), "1/15/2024 12:00:00 PM");
    EXPECT_EQ(rs.GetSingle("Odometer"), 12345.6f);
    EXPECT_EQ(rs.GetText("Odometer"), "12345.6");
    EXPECT_EQ(rs.GetDouble("Cost"), 2.5);
    EXPECT_EQ(rs.GetInt("Cost"), 2);  // halves go to the even neighbour
    EXPECT_EQ(rs.GetBool("Skipped"), true);
    EXPECT_EQ(rs.GetInt("Skipped"), -1);
    EXPECT_TRUE(rs.IsNull("Notes"));
    EXPECT_FALSE(rs.GetText("Notes").has_value());
    EXPECT_FALSE(rs.GetInt("Notes").has_value());
    EXPECT_FALSE(rs.GetDate("Notes").has_value());
    EXPECT_THROW(rs.GetInt("Big"), DbError);  // wider than 32 bits
    EXPECT_EQ(rs.GetDouble("Big"), 3000000000.0);
    EXPECT_THROW(rs.GetInt("Vendor"), DbError);  // text that is no number
    EXPECT_THROW(rs.GetText("NoSuchColumn"), DbError);
    EXPECT_TRUE(rs.HasField("notes"));
    EXPECT_FALSE(rs.HasField("NoSuchColumn"));

    rs.MoveNext();
    EXPECT_EQ(rs.GetText("ServiceDate"), "1/16/2024");
    EXPECT_EQ(rs.GetInt("Vendor"), 12);  // numeric text reads as a number
    EXPECT_EQ(rs.GetInt("Odometer"), 4);
    EXPECT_EQ(rs.GetText("Cost"), "0.1");
    EXPECT_EQ(rs.GetBool("Skipped"), false);
    EXPECT_EQ(rs.GetText("Notes"), "");
    EXPECT_FALSE(rs.IsNull("Notes"));

    rs.MoveNext();
    EXPECT_TRUE(rs.IsEOF());
    try {
        rs.GetText("Vendor");
        FAIL();
    } catch (const DbError& error) {
        // The error names the query, so the caller's log line can quote it.
        EXPECT_EQ(error.statement(),
                  "SELECT serviceid, Vendor, ServiceDate, Odometer, Cost, Skipped, Notes, Big FROM Services ORDER BY "
                  "ServiceID");
    }
    EXPECT_THROW(rs.MoveNext(), DbError);
    rs.Close();
    EXPECT_FALSE(rs.IsOpen());
    EXPECT_TRUE(rs.IsEOF());
}

TEST_F(RecordsetTest, AggregatesOfDatesReadAsDates) {
    Recordset rs = connection_.Execute(
        "SELECT min(ServiceDate) as MinDate, max(ServiceDate) as MaxDate, count(*) as N, sum(Cost) as Total "
        "FROM Services");
    EXPECT_EQ(rs.GetText("MinDate"), "1/15/2024 12:00:00 PM");
    EXPECT_EQ(rs.GetText("MaxDate"), "1/16/2024");
    EXPECT_EQ(rs.GetInt("N"), 2);
    EXPECT_EQ(rs.GetText("Total"), "2.6");

    Recordset none = connection_.Execute("SELECT min(ServiceDate) as MinDate FROM Services WHERE ServiceID = 99");
    ASSERT_FALSE(none.IsEOF());
    EXPECT_FALSE(none.GetDate("MinDate").has_value());

    Recordset empty = connection_.Execute("SELECT * FROM Services WHERE ServiceID = 99");
    EXPECT_TRUE(empty.IsOpen());
    EXPECT_TRUE(empty.IsEOF());
    EXPECT_FALSE(Recordset().IsOpen());
    EXPECT_TRUE(Recordset().IsEOF());
}

}  // namespace
