// What the three registers write between them: the odometer readings they share (one reading of
// a car stands for every fuel purchase, expense and service of that car with its value, whichever
// register wrote it first, and goes only with the last of them), and the values they refuse.

#include <functional>
#include <string>
#include <vector>

#include "shared/registers/ExpenseRegisterDatabaseObject.h"
#include "shared/registers/FuelRegisterDatabaseObject.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"
#include "tests/shared/registers/CostsFixture.h"

namespace {

enum class Register { Fuel, Expense, Service };

const char* Name(Register kind) {
    switch (kind) {
        case Register::Fuel:
            return "fuel purchase";
        case Register::Expense:
            return "expense";
        case Register::Service:
            return "service";
    }
    return "";
}

// A row of one of the registers, as the pages write it.
struct Row {
    Register kind;
    std::string id;
};

class RegisterWrites : public CostsTest {
protected:
    RegisterWrites() {
        AddCar(kCar, "Blue");
        AddCar(kOtherCar, "Red");
    }

    // Adds a row with a cost of 10; an empty id when the register refused it.
    Row Add(Register kind, const std::string& date, const std::string& odometer, const std::string& vendor = "Garage",
            bool skipped = false) {
        bool added = false;
        switch (kind) {
            case Register::Fuel:
                added = CFuelRegisterDatabaseObject(db_).AddFuelData(kCar, date, odometer, "", vendor, true, "10", "",
                                                                     "10", "", "M", "");
                break;
            case Register::Expense:
                added = CExpenseRegisterDatabaseObject(db_).AddExpense(kCar, date, odometer, vendor, "", "", "10", "");
                break;
            case Register::Service: {
                std::string id;
                added = CServiceRegisterDatabaseObject(db_).AddService(id, kCar, date, odometer, vendor, "", "10", "",
                                                                       "", "", "", "", skipped);
                break;
            }
        }
        // The newest row of its table: @@IDENTITY would give the reading's id.
        const char* const newest[] = {"SELECT max(FuelPurchaseID) FROM FuelPurchases",
                                      "SELECT max(ExpenseID) FROM Expenses", "SELECT max(ServiceID) FROM Services"};
        return {kind, added ? Text(newest[static_cast<int>(kind)]) : ""};
    }
    bool Update(const Row& row, const std::string& date, const std::string& odometer, const std::string& car = "") {
        switch (row.kind) {
            case Register::Fuel:
                return CFuelRegisterDatabaseObject(db_).UpdateFuelData(row.id, car, date, odometer, "", "", true, "",
                                                                       "", "", "", "", "");
            case Register::Expense:
                return CExpenseRegisterDatabaseObject(db_).UpdateExpense(row.id, date, car, odometer, "", "", "", "",
                                                                         "");
            case Register::Service:
                return CServiceRegisterDatabaseObject(db_).UpdateService(row.id, car, date, odometer, "", "", "", "",
                                                                         "", "", "", "");
        }
        return false;
    }
    bool Delete(const Row& row) {
        switch (row.kind) {
            case Register::Fuel:
                return CFuelRegisterDatabaseObject(db_).DeleteFuelRegisterRow(row.id);
            case Register::Expense:
                return CExpenseRegisterDatabaseObject(db_).DeleteExpense(row.id);
            case Register::Service:
                return CServiceRegisterDatabaseObject(db_).DeleteService(row.id);
        }
        return false;
    }
    // The rows of every register, counted.
    long Rows() { return Count("FROM FuelPurchases") + Count("FROM Expenses") + Count("FROM Services"); }

    // Hides the readings behind a view: they can still be read, but no longer written.
    void MakeReadingsReadOnly() {
        db_.ExecuteNonQuery("ALTER TABLE OdometerValues RENAME TO StoredOdometerValues");
        db_.ExecuteNonQuery("CREATE VIEW OdometerValues AS SELECT * FROM StoredOdometerValues");
    }

    using Readings_ = std::vector<std::string>;
};

const Register kAll[] = {Register::Fuel, Register::Expense, Register::Service};

TEST_F(RegisterWrites, AReadingTwoRegistersShareStaysUntilTheLastOfTheirRowsIsGone) {
    for (Register first : kAll) {
        for (Register second : kAll) {
            SCOPED_TRACE(std::string(Name(first)) + " then " + Name(second));
            // Both on the same day at the same odometer: one reading stands for both.
            const Row a = Add(first, "6/1/2024", "12000");
            const Row b = Add(second, "6/1/2024", "12000");
            ASSERT_FALSE(a.id.empty());
            ASSERT_FALSE(b.id.empty());
            EXPECT_EQ(Readings(kCar), Readings_{"6/1/2024=12000"});

            // Either one moved away leaves the reading to the other.
            ASSERT_TRUE(Update(a, "6/5/2024", "12100"));
            EXPECT_EQ(Readings(kCar), (Readings_{"6/1/2024=12000", "6/5/2024=12100"}));
            ASSERT_TRUE(Update(a, "6/1/2024", "12000"));
            EXPECT_EQ(Readings(kCar), Readings_{"6/1/2024=12000"});
            ASSERT_TRUE(Update(b, "6/1/2024", "12000", kOtherCar));
            EXPECT_EQ(Readings(kCar), Readings_{"6/1/2024=12000"});
            EXPECT_EQ(Readings(kOtherCar), Readings_{"6/1/2024=12000"});
            ASSERT_TRUE(Update(b, "6/1/2024", "12000", kCar));
            EXPECT_TRUE(Readings(kOtherCar).empty());

            // Deleted one after the other: the reading goes with the last of them.
            ASSERT_TRUE(Delete(a));
            EXPECT_EQ(Readings(kCar), Readings_{"6/1/2024=12000"});
            ASSERT_TRUE(Delete(b));
            EXPECT_TRUE(Readings(kCar).empty());
            EXPECT_EQ(Rows(), 0);
        }
    }
}

TEST_F(RegisterWrites, AnEmptyOdometerIsNoReading) {
    for (Register kind : kAll) {
        SCOPED_TRACE(Name(kind));
        // Not given: no odometer stored, no reading of 0, neither when added nor when changed.
        const Row row = Add(kind, "6/1/2024", "");
        ASSERT_FALSE(row.id.empty());
        ASSERT_TRUE(Update(row, "6/2/2024", ""));
        EXPECT_TRUE(Readings(kCar).empty());
        // Given later, then left empty: the stored odometer and its reading stay.
        ASSERT_TRUE(Update(row, "6/2/2024", "12000"));
        ASSERT_TRUE(Update(row, "6/3/2024", ""));
        EXPECT_EQ(Readings(kCar), Readings_{"6/3/2024=12000"});
        ASSERT_TRUE(Delete(row));
        EXPECT_TRUE(Readings(kCar).empty());
    }
    EXPECT_EQ(Count("FROM FuelPurchases WHERE Odometer = 0") + Count("FROM Expenses WHERE Odometer = 0") +
                  Count("FROM Services WHERE Odometer = 0"),
              0);
}

TEST_F(RegisterWrites, ServicesThatRecordNoReadingDoNotKeepOne) {
    // A skipped service and a generated entry tell nothing about the odometer: the reading of a
    // purchase on their day and odometer goes with the purchase.
    struct Case {
        const char* what;
        std::string vendor;
        bool skipped;
    };
    const Case cases[] = {
        {"skipped service", "Garage", true},
        {"automatic entry", "Jorvane Automatic Entry", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Row service = Add(Register::Service, "6/1/2024", "12000", c.vendor, c.skipped);
        const Row fuel = Add(Register::Fuel, "6/1/2024", "12000");
        EXPECT_EQ(Readings(kCar), Readings_{"6/1/2024=12000"});
        ASSERT_TRUE(Delete(fuel));
        EXPECT_TRUE(Readings(kCar).empty());
        ASSERT_TRUE(Delete(service));
    }

    // Only the vendor exactly as the program writes it marks a generated entry: a service the
    // user typed otherwise keeps its reading, and takes it with it when deleted.
    const Row typed = Add(Register::Service, "6/1/2024", "12000", "JORVANE AUTOMATIC ENTRY");
    EXPECT_EQ(Readings(kCar), Readings_{"6/1/2024=12000"});
    ASSERT_TRUE(Update(typed, "6/2/2024", "12050"));
    EXPECT_EQ(Readings(kCar), Readings_{"6/2/2024=12050"});
    ASSERT_TRUE(Delete(typed));
    EXPECT_TRUE(Readings(kCar).empty());
}

TEST_F(RegisterWrites, RowsOfOneOdometerOnDifferentDaysKeepTheirReading) {
    // The car stood still: an expense nine days after a fill-up at the same odometer. A car holds
    // one reading per value, so both rows stand for the fill-up's reading.
    for (Register later : kAll) {
        SCOPED_TRACE(Name(later));
        const Row fuel = Add(Register::Fuel, "6/1/2024", "12000");
        const Row row = Add(later, "6/10/2024", "12000");
        EXPECT_EQ(Readings(kCar), Readings_{"6/1/2024=12000"});

        // The fill-up deleted, the reading moves to the row that still stands for it.
        ASSERT_TRUE(Delete(fuel));
        EXPECT_EQ(Readings(kCar), Readings_{"6/10/2024=12000"});
        ASSERT_TRUE(Delete(row));
        EXPECT_TRUE(Readings(kCar).empty());
    }
}

TEST_F(RegisterWrites, ReadingsLessThanOneApartOnOneDayAreKeptApart) {
    // A fill-up at 12000 and a car wash at 12000.5 on the same day record a reading each; each
    // reading goes with its own row.
    for (bool fuelFirst : {true, false}) {
        SCOPED_TRACE(fuelFirst ? "fuel purchase deleted first" : "expense deleted first");
        const Row fuel = Add(Register::Fuel, "6/1/2024", "12000");
        const Row wash = Add(Register::Expense, "6/1/2024", "12000.5");
        EXPECT_EQ(Readings(kCar), (Readings_{"6/1/2024=12000", "6/1/2024=12000.5"}));
        ASSERT_TRUE(Delete(fuelFirst ? fuel : wash));
        EXPECT_EQ(Readings(kCar), Readings_{fuelFirst ? "6/1/2024=12000.5" : "6/1/2024=12000"});
        ASSERT_TRUE(Delete(fuelFirst ? wash : fuel));
        EXPECT_TRUE(Readings(kCar).empty());
    }
}

TEST_F(RegisterWrites, LargeOdometersAreRemovedExactly) {
    // Beyond 2^24 a 32-bit float no longer holds every whole number: 123456789 would be looked
    // for as 123456792 and never found.
    for (Register kind : kAll) {
        SCOPED_TRACE(Name(kind));
        const Row row = Add(kind, "6/1/2024", "123456789");
        EXPECT_EQ(Readings(kCar), Readings_{"6/1/2024=123456789"});
        ASSERT_TRUE(Update(row, "6/2/2024", "987654321"));
        EXPECT_EQ(Readings(kCar), Readings_{"6/2/2024=987654321"});
        ASSERT_TRUE(Delete(row));
        EXPECT_TRUE(Readings(kCar).empty());
    }
}

TEST_F(RegisterWrites, ReadingsAtAnyMagnitudeGoWithTheirRows) {
    // From 2^53 on a double holds no number between x - 1 and x + 1: a match by those bounds
    // alone found nothing, and the reading outlived its row.
    const char* const odometers[] = {"9007199254740992", "9007199254740994", "1152921504606846976",
                                     "1000000000000000000000000000000"};
    for (const char* odometer : odometers) {
        for (Register kind : kAll) {
            SCOPED_TRACE(std::string(Name(kind)) + " at " + odometer);
            const Row row = Add(kind, "6/1/2024", odometer);
            ASSERT_FALSE(row.id.empty());
            ASSERT_EQ(Readings(kCar).size(), 1u);
            ASSERT_TRUE(Update(row, "6/2/2024", odometer));
            ASSERT_EQ(Readings(kCar).size(), 1u);
            EXPECT_EQ(Readings(kCar)[0].rfind("6/2/2024=", 0), 0u) << Readings(kCar)[0];
            ASSERT_TRUE(Delete(row));
            EXPECT_TRUE(Readings(kCar).empty());
        }
    }
}

TEST_F(RegisterWrites, ControlCharactersInTypedTextAreRemovedBeforeTheStatement) {
    // A NUL ended the statement early: the write failed and was reported as a database failure.
    const std::string typed = std::string("Gar\0age\x01\x1b", 9) + "'s";
    for (Register kind : kAll) {
        SCOPED_TRACE(Name(kind));
        const Row row = Add(kind, "6/1/2024", "12000", typed);
        ASSERT_FALSE(row.id.empty());
        ASSERT_TRUE(Delete(row));
    }
    const std::string log = Log();
    EXPECT_NE(log.find("Removed 3 control character(s) from a text before storing it"), std::string::npos) << log;
    EXPECT_EQ(log.find("ERR"), std::string::npos) << log;
    EXPECT_EQ(log.find('\0'), std::string::npos);
}

TEST_F(RegisterWrites, RowsOnTheLastDayDatesHoldAreChangedAndDeletedLikeAnyOther) {
    // 31 December 9999 has no next midnight to look up to.
    for (Register kind : kAll) {
        SCOPED_TRACE(Name(kind));
        const Row row = Add(kind, "12/31/9999", "12000");
        ASSERT_FALSE(row.id.empty());
        ASSERT_TRUE(Update(row, "12/31/9999", "12050"));
        EXPECT_EQ(Readings(kCar), Readings_{"12/31/9999=12050"});
        ASSERT_TRUE(Delete(row));
        EXPECT_TRUE(Readings(kCar).empty());
        EXPECT_EQ(Rows(), 0);
    }
}

TEST_F(RegisterWrites, ARowWhoseReadingCannotBeWrittenIsNotWrittenEither) {
    const std::vector<Row> stored = {Add(Register::Fuel, "5/1/2024", "11000"),
                                     Add(Register::Expense, "5/2/2024", "11100"),
                                     Add(Register::Service, "5/3/2024", "11200")};
    const Readings_ readings{"5/1/2024=11000", "5/2/2024=11100", "5/3/2024=11200"};
    ASSERT_EQ(Readings(kCar), readings);
    MakeReadingsReadOnly();

    for (Register kind : kAll) {
        SCOPED_TRACE(Name(kind));
        // Added: the row would stand without its reading, so neither is kept and the page hears so.
        EXPECT_TRUE(Add(kind, "6/1/2024", "12000").id.empty());
        EXPECT_EQ(Rows(), 3);
        // A row without an odometer needs no reading.
        const Row plain = Add(kind, "6/1/2024", "");
        ASSERT_FALSE(plain.id.empty());
        ASSERT_TRUE(Delete(plain));
    }
    for (const Row& row : stored) {
        SCOPED_TRACE(Name(row.kind));
        // Changed or deleted: the row stays as it was, with its reading.
        EXPECT_FALSE(Update(row, "6/1/2024", "12000"));
        EXPECT_FALSE(Delete(row));
    }
    EXPECT_EQ(Count("FROM FuelPurchases WHERE Odometer = 11000") + Count("FROM Expenses WHERE Odometer = 11100") +
                  Count("FROM Services WHERE Odometer = 11200"),
              3);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(Readings(kCar), readings);
    EXPECT_NE(Log().find("query Insert into OdometerValues"), std::string::npos) << Log();
}

TEST_F(RegisterWrites, RowsAreNeverWrittenForACarThatIsNotThere) {
    // A page still showing a car that was deleted meanwhile: a row for it would be in no list.
    const std::string gone = "DDDDDDDD-0000-0000-0000-000000000000";
    CFuelRegisterDatabaseObject fuel(db_);
    CExpenseRegisterDatabaseObject expenses(db_);
    CServiceRegisterDatabaseObject services(db_);
    std::string serviceId = "unchanged";
    EXPECT_FALSE(fuel.AddFuelData(gone, "6/1/2024", "12000", "", "", true, "", "", "", "", "M", ""));
    EXPECT_FALSE(expenses.AddExpense(gone, "6/1/2024", "", "", "", "", "10", ""));
    EXPECT_FALSE(services.AddService(serviceId, gone, "6/1/2024", "12000", "", "", "", "", "", "", "", "", false));
    EXPECT_EQ(serviceId, "unchanged");
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(Readings(gone).empty());

    // Nor moved to it: the row stays with its car and its reading.
    for (Register kind : kAll) {
        SCOPED_TRACE(Name(kind));
        const Row row = Add(kind, "6/1/2024", "12000");
        EXPECT_FALSE(Update(row, "6/1/2024", "12000", gone));
        EXPECT_EQ(Readings(kCar), Readings_{"6/1/2024=12000"});
        EXPECT_TRUE(Readings(gone).empty());
        ASSERT_TRUE(Delete(row));
    }
    EXPECT_NE(Log().find("Invalid vehicle id - " + gone), std::string::npos);
}

TEST_F(RegisterWrites, NumbersBeyondASingleColumnAreRefusedAndTheRegistersStillList) {
    // A 40-digit number is no 32-bit float: stored, it would make every later listing of its
    // register fail, so the user could not even see the row to mend it.
    const Row stored[] = {Add(Register::Fuel, "5/1/2024", "11000"), Add(Register::Expense, "5/2/2024", "11100"),
                          Add(Register::Service, "5/3/2024", "11200")};
    const std::string huge = "1" + std::string(39, '0');
    using Write = std::function<bool(const std::string& id, const std::string& value)>;
    auto fuel = [&](int column) -> Write {
        return [this, column](const std::string& id, const std::string& value) {
            std::string texts[5];
            texts[column] = value;
            CFuelRegisterDatabaseObject purchases(db_);
            return id.empty() ? purchases.AddFuelData(kCar, "6/1/2024", texts[0], texts[1], "", true, texts[2],
                                                      texts[3], texts[4], "", "M", "")
                              : purchases.UpdateFuelData(id, "", "6/1/2024", texts[0], texts[1], "", true, texts[2],
                                                         texts[3], texts[4], "", "", "");
        };
    };
    auto expense = [&](int column) -> Write {
        return [this, column](const std::string& id, const std::string& value) {
            std::string texts[2];
            texts[column] = value;
            CExpenseRegisterDatabaseObject register_(db_);
            return id.empty() ? register_.AddExpense(kCar, "6/1/2024", texts[0], "", "", "", texts[1], "")
                              : register_.UpdateExpense(id, "6/1/2024", "", texts[0], "", "", "", texts[1], "");
        };
    };
    auto service = [&](int column) -> Write {
        return [this, column](const std::string& id, const std::string& value) {
            std::string texts[6];
            texts[column] = value;
            CServiceRegisterDatabaseObject register_(db_);
            std::string newId;
            return id.empty() ? register_.AddService(newId, kCar, "6/1/2024", texts[0], "", "", texts[1], texts[2],
                                                     texts[3], texts[4], texts[5], "", false)
                              : register_.UpdateService(id, "", "6/1/2024", texts[0], "", "", texts[1], texts[2],
                                                        texts[3], texts[4], texts[5], "");
        };
    };
    struct Case {
        Register kind;
        const char* name;
        Write write;
    };
    const Case cases[] = {
        {Register::Fuel, "odometer value", fuel(0)}, {Register::Fuel, "distance", fuel(1)},
        {Register::Fuel, "volume", fuel(2)},         {Register::Fuel, "cost per", fuel(3)},
        {Register::Fuel, "cost", fuel(4)},           {Register::Expense, "odometer value", expense(0)},
        {Register::Expense, "cost", expense(1)},     {Register::Service, "odometer value", service(0)},
        {Register::Service, "cost", service(1)},     {Register::Service, "parts", service(2)},
        {Register::Service, "labor", service(3)},    {Register::Service, "other", service(4)},
        {Register::Service, "tax", service(5)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(Name(c.kind)) + " " + c.name);
        const std::string& id = stored[static_cast<int>(c.kind)].id;
        for (const std::string& value : {huge, "-" + huge}) {
            EXPECT_FALSE(c.write("", value));
            EXPECT_NE(Log().find(std::string("Invalid ") + c.name + " - " + value), std::string::npos);
            EXPECT_FALSE(c.write(id, value));
        }
        // The largest number a single holds is still a number the user may type.
        const std::string largest = "340282346638528859811704183484516925440";
        EXPECT_TRUE(c.write(id, largest));
    }
    EXPECT_EQ(Rows(), 3);

    std::vector<CFuelPurchase> purchases;
    std::vector<CExpense> expenses;
    std::vector<CService> services;
    CFuelRegisterDatabaseObject(db_).GetFuelRegister("%", purchases, prefs_);
    CExpenseRegisterDatabaseObject(db_).GetExpenseRegister("%", expenses, prefs_);
    CServiceRegisterDatabaseObject(db_).GetServiceRegister("%", services, prefs_);
    EXPECT_EQ(purchases.size() + expenses.size() + services.size(), 3u);
    EXPECT_EQ(Log().find("Overflow"), std::string::npos) << Log();
}

}  // namespace
