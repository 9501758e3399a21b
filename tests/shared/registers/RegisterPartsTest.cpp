// The parts of a register a page reads (the latest entries, those it scrolls to, those it keeps
// after a save) are the entries the whole register holds at those positions, for every register,
// one car or all, sold cars shown or not, with entries that tie on date and odometer.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/RegisterQuery.h"
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

TEST_F(RegisterParts, TheLatestEntryBeforeAPositionThatMeetsACondition) {
    const RegisterListing& listing = CFuelRegisterDatabaseObject::Listing();
    const std::vector<int> whole = Whole(listing, "%");
    std::vector<std::string> cars;
    CRegisterQuery(db_, listing, "%", prefs_).ReadAll([&](const jv::db::Recordset& rs) {
        cars.push_back(rs.GetText("VehicleID").value_or(""));
    });
    for (const std::optional<size_t> before : {std::optional<size_t>(), std::optional<size_t>(0),
                                               std::optional<size_t>(1), std::optional<size_t>(whole.size() / 2),
                                               std::optional<size_t>(whole.size() + 5)}) {
        for (const char* car : {kCar, kOtherCar}) {
            SCOPED_TRACE(std::string(car) + " before " + (before ? std::to_string(*before) : "the end"));
            std::optional<int> expected;
            for (size_t i = std::min(before.value_or(whole.size()), whole.size()); i-- > 0;) {
                if (cars[i] == car) {
                    expected = whole[i];
                    break;
                }
            }
            std::optional<int> found;
            CRegisterQuery(db_, listing, "%", prefs_)
                .ReadLatestBefore(before, std::string("fp.VehicleID = '") + car + "'",
                                  [&](const jv::db::Recordset& rs) {
                                      found = static_cast<int>(rs.GetInt("FuelPurchaseID").value_or(0));
                                  });
            EXPECT_EQ(found, expected);
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
