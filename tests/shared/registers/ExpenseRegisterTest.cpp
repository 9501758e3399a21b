#include <string>
#include <vector>

#include "shared/data/OdometerValue.h"
#include "shared/registers/ExpenseRegisterDatabaseObject.h"
#include "shared/registers/FuelRegisterDatabaseObject.h"
#include "tests/shared/registers/CostsFixture.h"

namespace {

class ExpenseRegister : public CostsTest {
protected:
    ExpenseRegister() {
        AddCar(kCar, "Blue");
        AddCar(kOtherCar, "Red");
    }

    bool Add(const std::string& date, const std::string& odometer, const std::string& vendor = "",
             const std::string& memo = "", const std::string& category = "", const std::string& cost = "",
             const std::string& notes = "", const std::string& car = kCar) {
        CExpenseRegisterDatabaseObject expenses(db_);
        return expenses.AddExpense(car, date, odometer, vendor, memo, category, cost, notes);
    }

    std::vector<CExpense> Register(const std::string& pattern = "%") {
        std::vector<CExpense> rows;
        CExpenseRegisterDatabaseObject(db_).GetExpenseRegister(pattern, rows, prefs_);
        return rows;
    }
};

TEST_F(ExpenseRegister, AnExpenseWithOnlyCarAndDateIsStoredWithoutAReading) {
    ASSERT_TRUE(Add("06/01/24", ""));
    EXPECT_EQ(Count("FROM Expenses WHERE Odometer IS NULL AND Vendor IS NULL AND CategoryID IS NULL AND Cost IS NULL"),
              1);
    const std::vector<CExpense> rows = Register();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(Day(rows[0].ExpenseDate), "6/1/2024");
    EXPECT_EQ(rows[0].Odometer, 0.0f);
    EXPECT_EQ(rows[0].CategoryID, -1);
    EXPECT_EQ(rows[0].Cost, 0.0f);
    EXPECT_EQ(rows[0].Vendor, "");
    EXPECT_TRUE(Readings(kCar).empty());
    EXPECT_EQ(Log().find("ERR"), std::string::npos) << Log();
}

TEST_F(ExpenseRegister, AnExpenseKeepsItsValuesAndRecordsItsReading) {
    ASSERT_TRUE(Add("6/1/2024", "12000.000000", "O'Brien's Tyres", "Two tyres", "4", "250.500000", "Front; 'worn'"));
    const std::vector<CExpense> rows = Register(kCar);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].VehicleID, kCar);
    EXPECT_EQ(rows[0].Odometer, 12000.0f);
    EXPECT_EQ(rows[0].Vendor, "O'Brien's Tyres");
    EXPECT_EQ(rows[0].ExpenseMemo, "Two tyres");
    EXPECT_EQ(rows[0].CategoryID, 4);
    EXPECT_EQ(rows[0].Cost, 250.5f);
    EXPECT_EQ(rows[0].Notes, "Front; 'worn'");
    EXPECT_EQ(Readings(kCar), std::vector<std::string>{"6/1/2024=12000"});
}

TEST_F(ExpenseRegister, VendorAndMemoAreCutToSixtyCharactersBeforeTheirQuotesAreDoubled) {
    const std::string vendor = std::string(59, 'v') + "'s garage";  // the quote is the 60th character
    const std::string memo(70, 'm');
    const std::string notes(300, 'n');
    ASSERT_TRUE(Add("6/1/2024", "", vendor, memo, "", "", notes));
    const std::vector<CExpense> rows = Register();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Vendor, vendor.substr(0, 60));
    EXPECT_EQ(rows[0].ExpenseMemo, memo.substr(0, 60));
    EXPECT_EQ(rows[0].Notes, notes);

    // Updating keeps the same rule.
    const std::string id = Text("SELECT ExpenseID FROM Expenses");
    ASSERT_TRUE(
        CExpenseRegisterDatabaseObject(db_).UpdateExpense(id, "6/1/2024", "", "", "'" + vendor, "", "", "", ""));
    EXPECT_EQ(Text("SELECT Vendor FROM Expenses"), ("'" + vendor).substr(0, 60));
}

TEST_F(ExpenseRegister, BadValuesAreRefusedBeforeAnySqlAndNothingIsWritten) {
    struct Case {
        const char* what;
        std::string car, date, odometer, category, cost, logged;
    };
    const Case cases[] = {
        {"car id with SQL", "x'); DELETE FROM Vehicles; --", "6/1/2024", "", "", "", "Invalid vehicle id"},
        {"empty car id", "", "6/1/2024", "", "", "", "Invalid vehicle id"},
        {"date", kCar, "13/45/2024", "", "", "", "Invalid date - 13/45/2024"},
        {"date with SQL", kCar, "6/1/2024#, 1); DROP TABLE Expenses; --", "", "", "", "Invalid date"},
        {"odometer", kCar, "6/1/2024", "12a", "", "", "Invalid odometer value - 12a"},
        {"odometer with SQL", kCar, "6/1/2024", "1); DROP TABLE Expenses; --", "", "", "Invalid odometer value"},
        {"category", kCar, "6/1/2024", "", "1.5", "", "Invalid category - 1.5"},
        {"cost", kCar, "6/1/2024", "", "", "ten", "Invalid cost - ten"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(Add(c.date, c.odometer, "", "", c.category, c.cost, "", c.car)) << c.what;
        EXPECT_NE(Log().find(c.logged), std::string::npos) << c.what;
    }
    EXPECT_EQ(Count("FROM Expenses"), 0);
    EXPECT_EQ(Count("FROM OdometerValues"), 0);
    EXPECT_EQ(Count("FROM Vehicles"), 2);
}

TEST_F(ExpenseRegister, AFailedInsertRecordsNoReading) {
    db_.ExecuteNonQuery("DROP TABLE Expenses");
    EXPECT_FALSE(Add("6/1/2024", "12000"));
    EXPECT_TRUE(Readings(kCar).empty());
    EXPECT_NE(Log().find("Error executing query Insert into Expenses"), std::string::npos) << Log();
}

TEST_F(ExpenseRegister, TheReadingFollowsItsRowOnChangeMoveAndDelete) {
    ASSERT_TRUE(Add("6/1/2024", "12000", "Wash", "", "7", "10"));
    const std::string id = Text("SELECT ExpenseID FROM Expenses");
    CExpenseRegisterDatabaseObject expenses(db_);

    // New date and odometer: the old reading goes, the new one comes.
    ASSERT_TRUE(expenses.UpdateExpense(id, "6/3/2024", "", "12050", "", "", "", "", ""));
    EXPECT_EQ(Readings(kCar), std::vector<std::string>{"6/3/2024=12050"});
    EXPECT_EQ(Text("SELECT CategoryID FROM Expenses"), "7");  // an empty category keeps the stored one

    // An update that leaves the odometer empty keeps the stored odometer and its reading.
    ASSERT_TRUE(expenses.UpdateExpense(id, "6/4/2024", "", "", "", "", "", "12.5", ""));
    EXPECT_EQ(Readings(kCar), std::vector<std::string>{"6/4/2024=12050"});

    // Moved to another car: the reading moves with it.
    ASSERT_TRUE(expenses.UpdateExpense(id, "6/4/2024", kOtherCar, "", "", "", "", "", ""));
    EXPECT_TRUE(Readings(kCar).empty());
    EXPECT_EQ(Readings(kOtherCar), std::vector<std::string>{"6/4/2024=12050"});

    // Deleted: row first, then its reading.
    ASSERT_TRUE(expenses.DeleteExpense(id));
    EXPECT_EQ(Count("FROM Expenses"), 0);
    EXPECT_TRUE(Readings(kOtherCar).empty());
}

TEST_F(ExpenseRegister, ReadingsOfYearsBeyondTwoDigitsAreRemovedWithTheirRows) {
    for (const char* date : {"6/1/2031", "6/1/1925", "6/1/2099"}) {
        ASSERT_TRUE(Add(date, "5000")) << date;
        ASSERT_TRUE(CExpenseRegisterDatabaseObject(db_).DeleteExpense(LastId())) << date;
        EXPECT_TRUE(Readings(kCar).empty()) << date;
    }
}

TEST_F(ExpenseRegister, UpdatesAndDeletesOfRowsThatAreNotThere) {
    CExpenseRegisterDatabaseObject expenses(db_);
    AddReading(kCar, jv::DateTime(2024, 6, 1), 12000);
    // Not a row id: nothing runs, nothing is removed.
    EXPECT_FALSE(expenses.DeleteExpense("1 OR 1=1"));
    EXPECT_FALSE(expenses.DeleteExpense("-1"));
    EXPECT_FALSE(expenses.UpdateExpense("1 OR 1=1", "6/1/2024", "", "", "", "", "", "", ""));
    // A row that does not exist: the delete has nothing to do, the update nothing to change.
    EXPECT_TRUE(expenses.DeleteExpense("4711"));
    EXPECT_FALSE(expenses.UpdateExpense("4711", "6/1/2024", "", "12000", "", "", "", "", ""));
    EXPECT_EQ(Readings(kCar), std::vector<std::string>{"6/1/2024=12000"});
    EXPECT_EQ(Count("FROM Expenses"), 0);

    COdometerValue value;
    EXPECT_FALSE(expenses.GetOdometerData("12x", value));
    EXPECT_NE(Log().find("Bad RowID in GetOdometerData(): 12x"), std::string::npos);
}

TEST_F(ExpenseRegister, AReadingTwoRowsShareStaysUntilTheLastOfThemIsGone) {
    // A fill-up and a car wash on the same day at the same odometer stand for one reading.
    CFuelRegisterDatabaseObject fuel(db_);
    ASSERT_TRUE(fuel.AddFuelData(kCar, "6/1/2024", "12000", "300", "", true, "10", "", "", "", "M", ""));
    const std::string fuelId = LastId();
    ASSERT_TRUE(Add("6/1/2024", "12000", "Wash"));
    const std::string expenseId = LastId();
    EXPECT_EQ(Readings(kCar), std::vector<std::string>{"6/1/2024=12000"});

    ASSERT_TRUE(CExpenseRegisterDatabaseObject(db_).DeleteExpense(expenseId));
    EXPECT_EQ(Readings(kCar), std::vector<std::string>{"6/1/2024=12000"});
    ASSERT_TRUE(fuel.DeleteFuelRegisterRow(fuelId));
    EXPECT_TRUE(Readings(kCar).empty());
}

TEST_F(ExpenseRegister, AVendorsLatestExpenseFillsTheNewRow) {
    ASSERT_TRUE(Add("1/1/2024", "", "Joe's", "Old memo", "3", "10", "old", kOtherCar));
    ASSERT_TRUE(Add("3/1/2024", "", "Joe's", "Newer memo", "5", "20", "newer", kOtherCar));
    ASSERT_TRUE(Add("2/1/2024", "", "Parking Co", "Monthly", "5", "30", "mine", kCar));

    struct Case {
        std::string car, vendor;
        bool found;
        std::string memo;
        int category;
    };
    const Case cases[] = {
        {kCar, "Parking Co", true, "Monthly", 5},  // the car's own expense of the vendor
        {kCar, "joe's", true, "Newer memo", 5},    // another car's, the latest, ignoring case
        {"%", "Joe's", true, "Newer memo", 5},
        {kCar, "Nobody", false, "untouched", 9},
    };
    for (const Case& c : cases) {
        CExpense expense;
        expense.VehicleID = c.car;
        expense.Vendor = c.vendor;
        expense.ExpenseMemo = "untouched";
        expense.CategoryID = 9;
        EXPECT_EQ(CExpenseRegisterDatabaseObject(db_).GetExpense(expense), c.found) << c.vendor;
        EXPECT_EQ(expense.ExpenseMemo, c.memo) << c.vendor;
        EXPECT_EQ(expense.CategoryID, c.category) << c.vendor;
        EXPECT_EQ(expense.Vendor, c.vendor);
    }
}

TEST_F(ExpenseRegister, TheRegisterListsByDateThenOdometerAndHidesSoldCars) {
    AddCar("CCCCCCCC-0000-0000-0000-000000000000", "Sold", true);
    ASSERT_TRUE(Add("3/1/2024", "300"));
    ASSERT_TRUE(Add("1/1/2024", "200", "", "", "", "", "", kOtherCar));
    ASSERT_TRUE(Add("3/1/2024", "100", "", "", "", "", "", kOtherCar));
    ASSERT_TRUE(Add("2/1/2024", "50", "", "", "", "", "", "CCCCCCCC-0000-0000-0000-000000000000"));

    auto odometers = [](const std::vector<CExpense>& rows) {
        std::vector<float> values;
        for (const CExpense& row : rows) values.push_back(row.Odometer);
        return values;
    };
    EXPECT_EQ(odometers(Register()), (std::vector<float>{200, 100, 300}));
    EXPECT_EQ(odometers(Register(kOtherCar)), (std::vector<float>{200, 100}));
    prefs_.ShowSoldCars = true;
    EXPECT_EQ(odometers(Register()), (std::vector<float>{200, 50, 100, 300}));
    EXPECT_TRUE(Register("' OR ''='").empty());
}

TEST_F(ExpenseRegister, CategoriesComeByNameAndExpensesKeepTheirCategory) {
    std::vector<CExpenseCategory> categories;
    CExpenseRegisterDatabaseObject(db_).GetCategories(categories);
    ASSERT_FALSE(categories.empty());
    for (size_t i = 1; i < categories.size(); ++i) EXPECT_LT(categories[i - 1].Name, categories[i].Name);

    for (const CExpenseCategory& category : categories) {
        ASSERT_TRUE(Add("5/1/2024", "", "", category.Name, std::to_string(category.CategoryID)));
    }
    for (const CExpense& expense : Register()) {
        const auto it = std::find_if(categories.begin(), categories.end(),
                                     [&](const CExpenseCategory& c) { return c.CategoryID == expense.CategoryID; });
        ASSERT_NE(it, categories.end());
        EXPECT_EQ(it->Name, expense.ExpenseMemo);
    }
}

}  // namespace
