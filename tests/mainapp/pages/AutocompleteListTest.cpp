#include "mainapp/AutocompleteList.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/db/Connection.h"
#include "tests/support/TestSupport.h"

namespace {

// The vendor list over a copy of the blank database holding the given vendors.
class AutocompleteList : public ::testing::Test {
protected:
    AutocompleteList() : path_(dir_.File("user.data")) {
        std::filesystem::copy_file(JV_BLANK_DATABASE_FILE, path_);
        db_ = jv::db::Connection::Open(path_);
    }
    void Store(const std::string& table, const std::string& vendor) {
        const std::string value = vendor == "NULL" ? vendor : "'" + vendor + "'";
        db_.ExecuteNonQuery("INSERT INTO " + table + " (VehicleID, Vendor) VALUES ('{car}', " + value + ")");
    }
    struct Completion {
        bool found;
        std::string remainder, whole;
    };
    static Completion Complete(const CAutocompleteList& list, const std::string& prefix) {
        Completion c{false, "untouched", "untouched"};
        c.found = list.Lookup(prefix, c.remainder, c.whole);
        return c;
    }

    jv::test::TempDir dir_;
    std::string path_;
    jv::db::Connection db_;
};

TEST_F(AutocompleteList, CompletesTheFirstVendorThatBeginsWithTheTypedTextInAnyCase) {
    Store("FuelPurchases", "Shell");
    Store("FuelPurchases", "Sheetz");
    Store("Services", "SHOP");
    Store("Expenses", "shell");  // the same vendor in another case: listed once (either spelling)
    Store("Services", "Jiffy \"Lube\" & Co");
    Store("Expenses", "NULL");
    Store("Expenses", "");
    CAutocompleteList list(db_);
    list.Initialize();
    EXPECT_EQ(list.size(), 4u);

    struct Case {
        std::string typed;
        bool found;
        std::string remainder, whole;
    };
    const Case cases[] = {
        {"sh", true, "eetz", "Sheetz"},
        {"SHE", true, "etz", "Sheetz"},
        {"shop", true, "", "SHOP"},
        {"j", true, "iffy \"Lube\" & Co", "Jiffy \"Lube\" & Co"},
        // No vendor begins with it, or nothing was typed: nothing is completed.
        {"Shx", false, "untouched", "untouched"},
        {"Zed", false, "untouched", "untouched"},
        {"", false, "untouched", "untouched"},
        {"Shellac", false, "untouched", "untouched"},
    };
    for (const Case& c : cases) {
        const Completion got = Complete(list, c.typed);
        EXPECT_EQ(got.found, c.found) << c.typed;
        EXPECT_EQ(got.remainder, c.remainder) << c.typed;
        EXPECT_EQ(got.whole, c.whole) << c.typed;
    }
}

TEST_F(AutocompleteList, SavedVendorsJoinTheListOnceInTheirFirstSpelling) {
    Store("FuelPurchases", "Shell");
    CAutocompleteList list(db_);
    list.Initialize();
    list.Add("SHELL");
    list.Add("");
    list.Add("Costco");
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(Complete(list, "she").whole, "Shell");
    EXPECT_EQ(Complete(list, "co").whole, "Costco");
}

}  // namespace
