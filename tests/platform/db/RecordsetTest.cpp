#include "platform/db/Recordset.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <type_traits>

#include "platform/db/Connection.h"
#include "platform/db/DbError.h"
#include "platform/db/JetTranslator.h"
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

// What one typed read gives, as text: the value, "null" or "error".
template <typename T>
std::string Outcome(const std::function<std::optional<T>()>& read) {
    try {
        const std::optional<T> value = read();
        if (!value) return "null";
        if constexpr (std::is_same_v<T, std::string>) {
            return *value;
        } else if constexpr (std::is_same_v<T, jv::DateTime>) {
            if (!value->IsValid()) return "invalid";
            return jv::db::JetTranslator::DayNumberLiteral(jv::DateTime::ToLinear(value->Days()));
        } else {
            std::ostringstream text;
            text.precision(17);
            text << *value;
            return text.str();
        }
    } catch (const DbError&) {
        return "error";
    }
}

// Every typed read of every kind of stored value, whole numbers, real numbers, text and blobs,
// in plain columns and in a date column, gives what the program has always read from it.
TEST_F(RecordsetTest, EveryTypedReadConvertsEveryStoredKind) {
    jv::test::SqliteFile(path_).Run(
        "CREATE TABLE Kinds (KindID INTEGER PRIMARY KEY, V, D DATETIME);"
        "INSERT INTO Kinds (KindID, V, D) VALUES"
        " (1, 42, 45307), (2, -7, 45306.5), (3, 2.5, '2024-01-16'), (4, -0.5, '1/16/2024 6:00 PM'), (5, 3.5, 'soon'),"
        " (6, 0.1 + 0.2, NULL), (7, 1e20, NULL), (8, 9007199254740993, NULL), (9, 2147483647, NULL),"
        " (10, 2147483648, NULL), (11, -2147483648.4, NULL), (12, 1e39, NULL), (13, ' +12.5 ', NULL),"
        " (14, '12abc', NULL), (15, '', NULL), (16, '0', NULL), (17, 'inf', NULL), (18, x'3132', NULL),"
        " (19, NULL, NULL), (20, '-1e3', NULL)");
    struct Case {
        int id;
        const char *text, *number, *whole, *single, *yesNo, *date, *dateText, *dateDay;
    };
    const Case cases[] = {
        // id  GetText         GetDouble                 GetInt         GetSingle       GetBool  GetDate(V)  D as text
        // D as day
        {1, "42", "42", "42", "42", "1", "42.0", "1/16/2024", "45307.0"},
        {2, "-7", "-7", "-7", "-7", "1", "-7.0", "1/15/2024 12:00:00 PM", "45306.5"},
        {3, "2.5", "2.5", "2", "2.5", "1", "2.5", "2024-01-16", "45307.0"},
        {4, "-0.5", "-0.5", "0", "-0.5", "1", "-0.5", "1/16/2024 6:00 PM", "45307.75"},
        {5, "3.5", "3.5", "4", "3.5", "1", "3.5", "soon", "error"},
        {6, "0.3", "0.30000000000000004", "0", "0.30000001192092896", "1", "0.30000000000000004", "null", "null"},
        {7, "1e+20", "1e+20", "error", "1.0000000200408773e+20", "1", "invalid", "null", "null"},
        {8, "9007199254740993", "9007199254740992", "error", "9007199254740992", "1", "invalid", "null", "null"},
        {9, "2147483647", "2147483647", "2147483647", "2147483648", "1", "invalid", "null", "null"},
        {10, "2147483648", "2147483648", "error", "2147483648", "1", "invalid", "null", "null"},
        {11, "-2147483648.4", "-2147483648.4000001", "-2147483648", "-2147483648", "1", "invalid", "null", "null"},
        {12, "1e+39", "9.9999999999999994e+38", "error", "error", "1", "invalid", "null", "null"},
        {13, " +12.5 ", "12.5", "12", "12.5", "1", "error", "null", "null"},
        {14, "12abc", "error", "error", "error", "error", "error", "null", "null"},
        {15, "", "error", "error", "error", "error", "error", "null", "null"},
        {16, "0", "0", "0", "0", "0", "error", "null", "null"},
        {17, "inf", "inf", "error", "inf", "1", "error", "null", "null"},
        {18, "12", "12", "12", "12", "1", "error", "null", "null"},
        {19, "null", "null", "null", "null", "null", "null", "null", "null"},
        {20, "-1e3", "-1000", "-1000", "-1000", "1", "error", "null", "null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const Recordset rs = connection_.Execute("SELECT V, D FROM Kinds WHERE KindID = " + std::to_string(c.id));
        ASSERT_FALSE(rs.IsEOF());
        EXPECT_EQ(Outcome<std::string>([&] { return rs.GetText("V"); }), c.text);
        EXPECT_EQ(Outcome<double>([&] { return rs.GetDouble("V"); }), c.number);
        EXPECT_EQ(Outcome<int>([&] { return rs.GetInt("V"); }), c.whole);
        EXPECT_EQ(Outcome<float>([&] { return rs.GetSingle("V"); }), c.single);
        EXPECT_EQ(Outcome<bool>([&] { return rs.GetBool("V"); }), c.yesNo);
        EXPECT_EQ(Outcome<jv::DateTime>([&] { return rs.GetDate("V"); }), c.date);
        EXPECT_EQ(Outcome<std::string>([&] { return rs.GetText("D"); }), c.dateText);
        EXPECT_EQ(Outcome<jv::DateTime>([&] { return rs.GetDate("D"); }), c.dateDay);
        EXPECT_EQ(rs.IsNull("V"), std::string(c.text) == "null");
    }
}

}  // namespace
