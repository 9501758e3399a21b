#include "platform/db/JetTranslator.h"

#include <gtest/gtest.h>

#include "platform/base/DateTime.h"
#include "platform/db/DbError.h"
#include "platform/db/Schema.h"

using jv::db::JetTranslator;

namespace {

jv::db::Schema UserSchema() {
    jv::db::Schema schema;
    for (const char* column : {"VehicleID varchar(38)", "Name varchar(30)", "PurchaseDate DATETIME REAL",
                               "PurchasePrice REAL", "Sold INTEGER"}) {
        const std::string text = column;
        const size_t blank = text.find(' ');
        schema.AddColumn("Vehicles", text.substr(0, blank), text.substr(blank + 1));
    }
    schema.AddColumn("OdometerValues", "OdometerDate", "DATETIME REAL");
    schema.AddColumn("OdometerValues", "VehicleID", "varchar(38)");
    schema.AddColumn("CustomMaintenancePlanItems", "ITEM_DESCRIPTION", "varchar(100)");
    schema.AddColumn("CustomMaintenancePlanItems", "ACTION_DESCRIPTION", "varchar(50)");
    schema.AddColumn("CustomMaintenancePlanItems", "INITIAL_MILEAGE", "INTEGER");
    return schema;
}

TEST(JetTranslator, RewritesTheJetFormsTheProgramWrites) {
    const jv::db::Schema schema = UserSchema();
    const JetTranslator translator(&schema);
    struct Case {
        const char* jet;
        const char* sqlite;
    };
    const Case cases[] = {
        // Date literals: day numbers, also two-digit years, times and dates before 1900.
        {"Insert into OdometerValues (VehicleID, OdometerDate, OdometerValue) values('v', #01/15/2024#, 100)",
         "Insert into OdometerValues (VehicleID, OdometerDate, OdometerValue) values('v', 45306.0, 100)"},
        {"SELECT 1 FROM OdometerValues WHERE OdometerDate=#1/15/24# or OdometerDate <= #2024-01-15 18:00#",
         "SELECT 1 FROM OdometerValues WHERE OdometerDate=45306.0 or OdometerDate <= 45306.75"},
        {"SELECT #12/30/1899#, #12/29/1899 6:00 PM#, #12:00#", "SELECT 0.0, -0.25, 0.5"},
        // Quoted dates in date columns, not in text columns.
        {"INSERT into vehicles (VehicleID, Name, PurchaseDate) values('1/2/2024', '1/2/2024', '01/02/2024')",
         "INSERT into vehicles (VehicleID, Name, PurchaseDate) values('1/2/2024', '1/2/2024', 45293.0)"},
        {"UPDATE Vehicles set Name='3/4/2020', PurchaseDate='3/4/2020' where v.PurchaseDate > '1/1/2020'",
         "UPDATE Vehicles set Name='3/4/2020', PurchaseDate=43894.0 where v.PurchaseDate > 43831.0"},
        {"SELECT Name FROM Vehicles v WHERE '1/1/2020' < v.PurchaseDate",
         "SELECT Name FROM Vehicles v WHERE 43831.0 < v.PurchaseDate"},
        // The identity of the last insert.
        {"SELECT @@IDENTITY as ServiceID ", "SELECT last_insert_rowid() as ServiceID "},
        // "+" joins text; it still adds numbers.
        {"SELECT 1 FROM CustomMaintenancePlanItems WHERE ITEM_DESCRIPTION + ' - ' + ACTION_DESCRIPTION not in ('a')",
         "SELECT 1 FROM CustomMaintenancePlanItems WHERE ITEM_DESCRIPTION || ' - ' || ACTION_DESCRIPTION not in ('a')"},
        {"SELECT ITEM_DESCRIPTION + ACTION_DESCRIPTION, INITIAL_MILEAGE + 5 FROM CustomMaintenancePlanItems",
         "SELECT ITEM_DESCRIPTION || ACTION_DESCRIPTION, INITIAL_MILEAGE + 5 FROM CustomMaintenancePlanItems"},
        // Jet's constants and strings.
        {"UPDATE Vehicles set Sold=True where Sold = false", "UPDATE Vehicles set Sold=-1 where Sold = 0"},
        {"SELECT \"it's \"\"new\"\"\" AS t", "SELECT 'it''s \"new\"' AS t"},
        // Text in quotes or brackets is left alone.
        {"SELECT '#1/1/2020# + @@IDENTITY -- x' AS [a + b]", "SELECT '#1/1/2020# + @@IDENTITY -- x' AS [a + b]"},
        // Jet has no comments: what follows "--" or "/*" stays part of the statement.
        {"UPDATE Vehicles set Sold=1 -- where VehicleID='a'", "UPDATE Vehicles set Sold=1 - - where VehicleID='a'"},
        {"SELECT 4--3, 6/*2", "SELECT 4- -3, 6/ *2"},
        // Column types of the schema upgrade.
        {"alter table Vehicles add column Engine varchar(50)",
         "ALTER TABLE Vehicles ADD COLUMN Engine varchar(50) COLLATE NOCASE"},
        {"alter table Services add column Other single", "ALTER TABLE Services ADD COLUMN Other REAL"},
        {"alter table Services add Paid yesno", "ALTER TABLE Services ADD COLUMN Paid INTEGER NOT NULL DEFAULT 0"},
        {"alter table Trips add column TripDate datetime", "ALTER TABLE Trips ADD COLUMN TripDate DATETIME REAL"},
        {"alter table Expenses drop column Cost", "alter table Expenses drop column Cost"},
    };
    for (const Case& c : cases) EXPECT_EQ(translator.Translate(c.jet).sql, c.sqlite) << c.jet;

    const auto change = translator.Translate("alter table Vehicles alter column [Transmission] varchar(50)");
    ASSERT_TRUE(change.columnChange.has_value());
    EXPECT_EQ(change.columnChange->table, "Vehicles");
    EXPECT_EQ(change.columnChange->column, "Transmission");
    EXPECT_EQ(change.columnChange->declaration, "varchar(50) COLLATE NOCASE");
}

TEST(JetTranslator, KnowsWhichSelectedColumnsAreDates) {
    const jv::db::Schema schema = UserSchema();
    const JetTranslator translator(&schema);
    EXPECT_EQ(translator
                  .Translate("SELECT max(OdometerDate) as LastDate, max(OdometerValue) as LastOdometer, "
                             "ov.OdometerDate, Name, min(v.PurchaseDate) FROM OdometerValues ov, Vehicles v")
                  .dateColumns,
              (std::vector<bool>{true, false, true, false, true}));
    EXPECT_TRUE(translator.Translate("DELETE FROM Vehicles").dateColumns.empty());
}

TEST(JetTranslator, RefusesWhatJetRefuses) {
    const JetTranslator translator;
    for (const char* sql : {"SELECT 1; SELECT 2", "SELECT * FROM t WHERE d = #2/30/2024#", "SELECT #1/1/2024",
                            "SELECT * FROM t WHERE d = #yesterday#"}) {
        EXPECT_THROW(translator.Translate(sql), jv::db::DbError) << sql;
    }
    try {
        translator.Translate("DELETE FROM Vehicles; DROP TABLE Vehicles");
        FAIL();
    } catch (const jv::db::DbError& error) {
        EXPECT_EQ(error.description(), "Characters found after end of SQL statement.");
        EXPECT_EQ(error.statement(), "DELETE FROM Vehicles; DROP TABLE Vehicles");
    }
}

TEST(JetTranslator, DayNumbersCountContinuouslyThroughTheEpoch) {
    // Before 30 Dec 1899 the day number keeps counting forward through each day, so that times
    // of one day order as they happen.
    EXPECT_LT(*JetTranslator::DayNumber("6/15/1850 6:00"), *JetTranslator::DayNumber("6/15/1850 18:00"));
    EXPECT_LT(*JetTranslator::DayNumber("12/29/1899 23:00"), *JetTranslator::DayNumber("12/30/1899"));
    EXPECT_EQ(jv::DateTime(jv::DateTime::FromLinear(*JetTranslator::DayNumber("6/15/1850 6:00"))),
              jv::DateTime(1850, 6, 15, 6, 0, 0));
    EXPECT_EQ(JetTranslator::DayNumber("1/1/29"), JetTranslator::DayNumber("1/1/2029"));
    EXPECT_EQ(JetTranslator::DayNumber("1/1/30"), JetTranslator::DayNumber("1/1/1930"));
    EXPECT_FALSE(JetTranslator::DayNumber("").has_value());
    EXPECT_FALSE(JetTranslator::DayNumber("31/12/2024").has_value());
}

}  // namespace
