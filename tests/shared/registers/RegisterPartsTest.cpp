// The parts of a register a page reads (the latest entries, those it scrolls to, those it keeps
// after a save) are the entries the whole register holds at those positions, for every register,
// one car or all, sold cars shown or not, with entries that tie on date and odometer.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/RegisterQuery.h"
#include "shared/data/SqlValue.h"
#include "shared/registers/ExpenseRegisterDatabaseObject.h"
#include "shared/registers/FuelRegisterDatabaseObject.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"
#include "tests/shared/registers/CostsFixture.h"

namespace {

constexpr const char* kSoldCar = "AAAAAAAA-BBBB-CCCC-DDDD-EEEEEEEEEEEE";
constexpr int kPerCar = 120;

class RegisterParts : public CostsTest {
protected:
    RegisterParts() {
        AddCar(kCar, "Blue");
        AddCar(kOtherCar, "Red");
        AddCar(kSoldCar, "Gone", true);
        for (const char* car : {kCar, kOtherCar, kSoldCar}) {
            // Three entries a day; every fifth day two of them on the same odometer, and the cars'
            // days overlap, so that only the ids tell some entries apart.
            const std::string rows = "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                                     std::to_string(kPerCar - 1) + ") ";
            const std::string day = "45000 + i / 3";
            const std::string odometer = "CASE WHEN i % 15 = 1 THEN (i - 1) * 10.0 ELSE i * 10.0 END";
            Exec(rows + "INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Vendor) SELECT '" + car +
                 "', " + day + ", " + odometer + ", 'Fuel ' || i FROM n");
            Exec(rows + "INSERT INTO Expenses (VehicleID, ExpenseDate, Odometer, Vendor) SELECT '" + car + "', " + day +
                 ", " + odometer + ", 'Shop ' || i FROM n");
            Exec(rows + "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Skipped) SELECT '" + car +
                 "', " + day + ", " + odometer + ", 'Garage ' || i, CASE WHEN i % 7 = 3 THEN -1 ELSE 0 END FROM n");
            Exec(rows + "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) SELECT '" + car + "', " +
                 day + ", i * 10.0 FROM n");
        }
    }

    void Exec(const std::string& sql) { db_.Execute(sql); }

    // The ids of the whole register in its order.
    std::vector<int> Whole(const RegisterListing& listing, const std::string& pattern) {
        std::vector<int> ids;
        EXPECT_TRUE(CRegisterQuery(db_, listing, pattern, prefs_).ReadAll([&](const jv::db::Recordset& rs) {
            ids.push_back(static_cast<int>(rs.GetInt(listing.key).value_or(0)));
        }));
        return ids;
    }

    // The ids of a part by position.
    std::map<size_t, int> Part(const RegisterListing& listing, const std::string& pattern, const RegisterPart& part) {
        std::map<size_t, int> ids;
        CRegisterQuery(db_, listing, pattern, prefs_).ReadPart(part, [&](const jv::db::Recordset& rs, size_t at) {
            EXPECT_TRUE(ids.emplace(at, static_cast<int>(rs.GetInt(listing.key).value_or(0))).second) << at;
        });
        return ids;
    }
};

struct Register {
    const char* name;
    const RegisterListing& listing;
};

const Register kRegisters[] = {{"fuel", CFuelRegisterDatabaseObject::Listing()},
                               {"expenses", CExpenseRegisterDatabaseObject::Listing()},
                               {"services", CServiceRegisterDatabaseObject::Listing()},
                               {"odometer", COdometerValuesDatabaseObject::Listing()}};

TEST_F(RegisterParts, EveryPartIsTheWholeRegisterAtItsPositions) {
    for (const Register& reg : kRegisters) {
        for (const bool showSold : {false, true}) {
            prefs_.ShowSoldCars = showSold;
            for (const std::string& pattern : {std::string(kCar), std::string("%"), std::string(kSoldCar)}) {
                SCOPED_TRACE(std::string(reg.name) + " " + pattern + (showSold ? " sold shown" : ""));
                const std::vector<int> whole = Whole(reg.listing, pattern);
                const size_t total = whole.size();
                EXPECT_EQ(CRegisterQuery(db_, reg.listing, pattern, prefs_).Count(), total);
                if (pattern == kSoldCar && !showSold) {
                    EXPECT_EQ(total, 0u);
                    continue;
                }
                ASSERT_GT(total, 60u);
                // From the start, the latest, one in the middle from either side, past the end.
                const std::pair<size_t, size_t> ranges[] = {
                    {0, 30}, {total - 30, 30}, {total / 2 - 20, 38}, {total / 2 + 5, 10}, {total - 5, 30}, {0, 0}};
                for (const auto& [first, count] : ranges) {
                    SCOPED_TRACE(std::to_string(first) + "+" + std::to_string(count));
                    const std::map<size_t, int> part = Part(reg.listing, pattern, RegisterPart{first, count, total, {}, false});
                    std::map<size_t, int> expected;
                    for (size_t i = first; i < std::min(total, first + count); ++i) expected[i] = whole[i];
                    EXPECT_EQ(part, expected);
                }
                // By id, wherever they stand, with the newest.
                const std::vector<int> ids = {whole[total - 1], whole[3], whole[total / 2]};
                std::map<size_t, int> expected = {
                    {total - 1, whole[total - 1]}, {3, whole[3]}, {total / 2, whole[total / 2]}};
                EXPECT_EQ(Part(reg.listing, pattern, RegisterPart{0, 0, total, ids, false}), expected);
                int newest = 0;
                for (int id : whole) newest = std::max(newest, id);
                const auto at = static_cast<size_t>(std::find(whole.begin(), whole.end(), newest) - whole.begin());
                expected = {{3, whole[3]}, {at, newest}};
                EXPECT_EQ(Part(reg.listing, pattern, RegisterPart{0, 0, total, {whole[3]}, true}), expected);
            }
        }
    }
    EXPECT_EQ(Log().find("ERR"), std::string::npos) << Log();
}

// The fill-up before an entry, found by where the entry stands as stored now: by date, then
// odometer, then id, the entry itself left out, after another program deleted or added entries.
class LatestBefore : public RegisterParts {
public:
    const RegisterListing& listing_ = CFuelRegisterDatabaseObject::Listing();

    std::optional<int> Found(const RegisterPlace& place, const char* car) {
        std::optional<int> found;
        CRegisterQuery(db_, listing_, "%", prefs_)
            .ReadLatestBefore(place, std::string("fp.VehicleID = '") + car + "' AND Odometer > 0",
                              [&](const jv::db::Recordset& rs) {
                                  EXPECT_FALSE(found) << "more than one";
                                  found = static_cast<int>(rs.GetInt("FuelPurchaseID").value_or(0));
                              });
        return found;
    }
    // The latest entry of the car with an odometer before `id` in the whole register.
    std::optional<int> Expected(int id, const char* car) {
        std::optional<int> expected;
        bool reached = false;
        CRegisterQuery(db_, listing_, "%", prefs_).ReadAll([&](const jv::db::Recordset& rs) {
            const int entry = static_cast<int>(rs.GetInt("FuelPurchaseID").value_or(0));
            reached = reached || entry == id;
            if (!reached && rs.GetText("VehicleID").value_or("") == car && rs.GetDouble("Odometer").value_or(0) > 0)
                expected = entry;
        });
        return expected;
    }
    int IdOf(const char* car, int vendor) {
        return std::stoi(Text(std::string("SELECT FuelPurchaseID FROM FuelPurchases WHERE VehicleID = '") + car +
                              "' AND Vendor = 'Fuel " + std::to_string(vendor) + "'"));
    }
};

TEST_F(LatestBefore, AStoredEntryComesAfterWhatTheRegisterOrdersBeforeIt) {
    // Every entry of either car: the first ones (no odometer before them), those on one day,
    // those that tie on date and odometer with the one before or after.
    for (const char* car : {kCar, kOtherCar}) {
        for (int i = 0; i < 40; ++i) {
            SCOPED_TRACE(std::string(car) + " Fuel " + std::to_string(i));
            const int id = IdOf(car, i);
            EXPECT_EQ(Found(RegisterPlace{id, {}}, car), Expected(id, car));
        }
    }
    // 'Fuel 16' ties with 'Fuel 15' on day and odometer: the one stored first comes first.
    EXPECT_EQ(Found(RegisterPlace{IdOf(kCar, 16), {}}, kCar), IdOf(kCar, 15));
    EXPECT_EQ(Found(RegisterPlace{IdOf(kCar, 15), {}}, kCar), IdOf(kCar, 14));
    EXPECT_EQ(Log().find("ERR"), std::string::npos) << Log();
}

TEST_F(LatestBefore, AnotherProgramDeletesOrAddsEntriesMeanwhile) {
    const int entry = IdOf(kCar, 50);
    const RegisterPlace place{entry, {}};
    ASSERT_EQ(Found(place, kCar), IdOf(kCar, 49));
    const std::string car = std::string("VehicleID = '") + kCar + "'";
    const struct {
        const char* what;
        std::string sql;
        std::function<std::optional<int>()> expected;
    } changes[] = {
        {"the one before deleted", "DELETE FROM FuelPurchases WHERE Vendor = 'Fuel 49' AND " + car,
         [&]() -> std::optional<int> { return IdOf(kCar, 48); }},
        {"entries long before deleted", "DELETE FROM FuelPurchases WHERE Vendor IN ('Fuel 3', 'Fuel 4', 'Fuel 5')",
         [&]() -> std::optional<int> { return IdOf(kCar, 48); }},
        {"one added on its day, below its odometer",
         "INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Vendor) SELECT VehicleID, FuelPurchaseDate, "
         "Odometer - 1, 'Added' FROM FuelPurchases WHERE Vendor = 'Fuel 50' AND " + car,
         [&]() -> std::optional<int> { return std::stoi(LastId()); }},
        {"one added on its day and odometer: stored later, it comes after",
         "INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Vendor) SELECT VehicleID, FuelPurchaseDate, "
         "Odometer, 'Tie' FROM FuelPurchases WHERE Vendor = 'Fuel 50' AND " + car,
         [&]() -> std::optional<int> { return std::stoi(Text("SELECT FuelPurchaseID FROM FuelPurchases WHERE Vendor = 'Added'")); }},
        {"the entry itself moved to an earlier day",
         "UPDATE FuelPurchases SET FuelPurchaseDate = FuelPurchaseDate - 10 WHERE FuelPurchaseID = " + std::to_string(entry),
         [&]() -> std::optional<int> { return Expected(entry, kCar); }},
        {"the entry itself deleted", "DELETE FROM FuelPurchases WHERE FuelPurchaseID = " + std::to_string(entry),
         [&]() -> std::optional<int> { return std::nullopt; }},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.what);
        Exec(change.sql);
        EXPECT_EQ(Found(place, kCar), change.expected());
    }
    EXPECT_EQ(Log().find("ERR"), std::string::npos) << Log();
}

TEST_F(LatestBefore, ANewEntryStandsWhereItsDateAndOdometerPutIt) {
    // 'Fuel 30' to 'Fuel 32' are of day 45010, at 300, 300 and 320.
    const jv::DateTime day = jv::DateTime(45010.0);
    const jv::DateTime dayBefore = jv::DateTime(45009.0);
    const struct {
        const char* what;
        std::vector<std::string> values;
        int expected;  // the vendor number; -1: the latest of all
    } cases[] = {
        {"no date: after every entry", {}, -1},
        {"its day, no odometer: after the day's entries", {sqlvalue::Date(day)}, 32},
        {"the day before", {sqlvalue::Date(dayBefore)}, 29},
        {"its day, between odometers", {sqlvalue::Date(day), "315"}, 31},
        {"its day, on an odometer: after the entries it ties with", {sqlvalue::Date(day), "300"}, 31},
        {"its day, below every odometer", {sqlvalue::Date(day), "1"}, 29},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const int expected = c.expected >= 0 ? IdOf(kCar, c.expected) : IdOf(kCar, kPerCar - 1);
        EXPECT_EQ(Found(RegisterPlace{0, c.values}, kCar), expected);
    }
    EXPECT_EQ(Log().find("ERR"), std::string::npos) << Log();
}

TEST_F(LatestBefore, TheIndexByCarAndDateFindsItInARegisterOf10000) {
    Exec("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 9999) INSERT INTO FuelPurchases "
         "(VehicleID, FuelPurchaseDate, Odometer) SELECT '" + std::string(kCar) + "', 30000 + i, i * 10.0 FROM n");
    Exec("ANALYZE");
    const int id = std::stoi(Text("SELECT MIN(FuelPurchaseID) FROM FuelPurchases WHERE FuelPurchaseDate = 35000"));
    const jv::DateTime day(35000.0);
    for (const char* pattern : {kCar, "%"}) {
        for (const RegisterPlace& place : {RegisterPlace{id, {}}, RegisterPlace{0, {sqlvalue::Date(day), "70"}}}) {
            SCOPED_TRACE(std::string(pattern) + (place.id > 0 ? " stored" : " new"));
            const std::string jet = CRegisterQuery(db_, listing_, pattern, prefs_)
                                        .LatestBefore(place, std::string("fp.VehicleID = '") + kCar + "' AND Odometer > 0");
            // The statement as the program runs it, planned by the engine itself.
            sqlite3* raw = nullptr;
            ASSERT_EQ(sqlite3_open_v2(db_.path().c_str(), &raw, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
            sqlite3_stmt* stmt = nullptr;
            const std::string sql = "EXPLAIN QUERY PLAN " + jv::db::Connection::Translate(jet);
            ASSERT_EQ(sqlite3_prepare_v2(raw, sql.c_str(), -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(raw);
            std::string plan;
            while (sqlite3_step(stmt) == SQLITE_ROW)
                plan += reinterpret_cast<const char*>(sqlite3_column_text(stmt, 3)) + std::string("\n");
            sqlite3_finalize(stmt);
            sqlite3_close(raw);
            // From the entry's date back, by the index: no scan of the car's rows, no sort of them.
            EXPECT_NE(plan.find("USING INDEX FuelPurchasesByVehicle (VehicleID=? AND FuelPurchaseDate<?)"),
                      std::string::npos)
                << plan;
            EXPECT_EQ(plan.find("SCAN fp"), std::string::npos) << plan;
        }
    }
}

TEST_F(RegisterParts, APatternThatIsNoCarReadsNothing) {
    const RegisterListing& listing = CFuelRegisterDatabaseObject::Listing();
    CRegisterQuery query(db_, listing, "x' OR '1'='1", prefs_);
    EXPECT_EQ(query.Count(), 0u);
    EXPECT_FALSE(query.ReadAll([](const jv::db::Recordset&) { ADD_FAILURE(); }));
    EXPECT_NE(Log().find("Invalid vehicle id"), std::string::npos) << Log();
}

}  // namespace
