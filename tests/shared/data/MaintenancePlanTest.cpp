#include <gtest/gtest.h>

#include "shared/data/CarsDB.h"
#include "shared/data/MaintenancePlanDatabaseObject.h"
#include "tests/shared/data/CarsTestDatabase.h"

namespace {

CMaintenancePlanItem Item(const std::string& item, const std::string& action, int initialMileage, int intervalMileage,
                          int initialMonth = 0, int intervalMonth = 0) {
    CMaintenancePlanItem planItem;
    planItem.ITEM_DESCRIPTION = item;
    planItem.ACTION_DESCRIPTION = action;
    planItem.DisplayText = CMaintenancePlanItem::MakeDisplayText(item, action);
    planItem.INITIAL_MILEAGE = initialMileage;
    planItem.INTERVAL_MILEAGE = intervalMileage;
    planItem.INITIAL_MONTH = initialMonth;
    planItem.INTERVAL_MONTH = intervalMonth;
    return planItem;
}

TEST(MaintenancePlanRecords, DefaultsAndCopies) {
    const CMaintenancePlanItem fresh;
    EXPECT_EQ(fresh.severe_service_flag, 'S');
    EXPECT_EQ(fresh.Service_Indicator, 'N');
    EXPECT_EQ(fresh.MaintenancePlanItemID, 0);
    EXPECT_EQ(fresh.INITIAL_MILEAGE + fresh.INITIAL_MONTH + fresh.INTERVAL_MILEAGE + fresh.INTERVAL_MONTH, 0);

    CMaintenancePlanItem item = Item("Tyres", "Rotate", 0, 7500);
    item.Ticked = true;
    item.Service_Type = "Tyre service";
    const CMaintenancePlanItem copy = item;
    EXPECT_EQ(copy, item);

    CCar two, three;
    two.MaintenancePlan.Items = {item, item};
    three.MaintenancePlan.Items = {item, item, item};
    two.ForwardRate = 12.5f;
    two.BackwardRate = 7.5f;
    two.OdometerEstimated = true;
    three = two;
    EXPECT_EQ(three.MaintenancePlan.Items.size(), 2u);
    EXPECT_FLOAT_EQ(three.ForwardRate, 12.5f);
    EXPECT_FLOAT_EQ(three.BackwardRate, 7.5f);
    EXPECT_TRUE(three.OdometerEstimated);
}

class MaintenancePlans : public CarsTestDatabase {
protected:
    CMaintenancePlan Read(const std::string& id, bool byDescription) {
        CMaintenancePlan plan;
        EXPECT_TRUE(db.GetMaintenancePlan(id, plan, byDescription));
        return plan;
    }

    std::vector<std::string> Texts(const CMaintenancePlan& plan) {
        std::vector<std::string> texts;
        for (const auto& item : plan.Items) texts.push_back(item.DisplayText);
        return texts;
    }

    CMaintenancePlanDatabaseObject db{connection};
};

TEST_F(MaintenancePlans, DrivingConditionAndNameAsStored) {
    struct Case {
        const char* given;
        const char* stored;
    };
    for (const Case& c : {Case{"n", "n"}, Case{"N", "N"}, Case{"X", "S"}, Case{"s", "S"}, Case{"", "S"}}) {
        CMaintenancePlan plan;
        plan.DrivingCondition = c.given;
        ASSERT_TRUE(db.AddMaintenancePlan(plan));
        EXPECT_EQ(plan.DrivingCondition, c.stored);
        EXPECT_EQ(
            Scalar("SELECT DrivingCondition FROM MaintenancePlan WHERE MaintenancePlanID=" + plan.MaintenancePlanID),
            c.stored);
    }
    CMaintenancePlan named;
    named.Name = std::string(49, 'p') + "'" + std::string(10, 'q');
    named.StyleID = "st'yle";
    ASSERT_TRUE(db.AddMaintenancePlan(named));
    EXPECT_EQ(Read(named.MaintenancePlanID, true).Name, std::string(49, 'p') + "'");
    EXPECT_EQ(Scalar("SELECT StyleID FROM MaintenancePlan WHERE MaintenancePlanID=" + named.MaintenancePlanID),
              "st'yle");
}

TEST_F(MaintenancePlans, ReadInEitherOrder) {
    CMaintenancePlan plan;
    plan.Name = "Order";
    plan.Items = {Item("Brakes", "Inspect", 5000, 10000), Item("Air filter", "Replace", 0, 3000),
                  Item("Coolant", "Flush", 0, 0, 24, 24)};
    ASSERT_TRUE(db.AddMaintenancePlan(plan));
    // By the first due distance (initial, or the interval when there is none), then months.
    EXPECT_EQ(Texts(Read(plan.MaintenancePlanID, false)),
              (std::vector<std::string>{"Coolant - Flush", "Air filter - Replace", "Brakes - Inspect"}));
    EXPECT_EQ(Texts(Read(plan.MaintenancePlanID, true)),
              (std::vector<std::string>{"Air filter - Replace", "Brakes - Inspect", "Coolant - Flush"}));

    CMaintenancePlan untouched;
    untouched.Name = "as it was";
    EXPECT_FALSE(db.GetMaintenancePlan("", untouched, true));
    EXPECT_FALSE(db.GetMaintenancePlan("1 OR 1=1", untouched, true));
    EXPECT_EQ(untouched.Name, "as it was");
}

TEST_F(MaintenancePlans, SavedChangedAndReadBack) {
    CMaintenancePlan plan;
    plan.Items = {Item("Engine oil", "Replace", 0, 5000), Item("Brakes", "Inspect", 0, 10000),
                  Item("Wipers", "Replace", 0, 0, 0, 12)};
    ASSERT_TRUE(db.AddMaintenancePlan(plan));
    for (const auto& item : plan.Items) EXPECT_GT(item.MaintenancePlanItemID, 0);
    const int brakesRow = plan.Items[1].MaintenancePlanItemID;

    // The user drops the wipers, adds a custom item and changes the oil interval.
    plan.Items.pop_back();
    plan.Items.push_back(Item("Cabin filter", "Replace", 0, 15000));
    plan.Items[0].INTERVAL_MILEAGE = 7500;
    ASSERT_TRUE(db.SaveMaintenancePlan(plan));
    ASSERT_TRUE(db.SaveMaintenancePlan(plan));  // saving again changes nothing

    const CMaintenancePlan read = Read(plan.MaintenancePlanID, true);
    EXPECT_EQ(Texts(read),
              (std::vector<std::string>{"Brakes - Inspect", "Cabin filter - Replace", "Engine oil - Replace"}));
    EXPECT_EQ(read.Items[0].MaintenancePlanItemID, brakesRow);
    EXPECT_EQ(read.Items[2].INTERVAL_MILEAGE, 7500);
    EXPECT_EQ(Count("SELECT count(*) FROM MaintenancePlanItems WHERE MaintenancePlanID=" + plan.MaintenancePlanID), 3);
}

TEST_F(MaintenancePlans, ItemsWithAnotherPlansIdsBecomeNewRows) {
    // Car A's plan is stored; car B gets a plan built from the same items (as a plan downloaded
    // again, or the generic plan, carries the ids of the rows it was read from).
    CMaintenancePlan planA;
    planA.Items = {Item("Engine oil", "Replace", 0, 5000), Item("Brakes", "Inspect", 0, 10000)};
    ASSERT_TRUE(db.AddMaintenancePlan(planA));
    const CMaintenancePlan storedA = Read(planA.MaintenancePlanID, true);

    CMaintenancePlan planB;
    planB.Items = storedA.Items;
    ASSERT_TRUE(db.AddMaintenancePlan(planB));
    for (size_t i = 0; i < planB.Items.size(); ++i) {
        EXPECT_NE(planB.Items[i].MaintenancePlanItemID, storedA.Items[i].MaintenancePlanItemID);
    }

    // Car B's plan is then saved with A's ids and a changed schedule: A keeps its own.
    CMaintenancePlan savedB;
    savedB.MaintenancePlanID = planB.MaintenancePlanID;
    savedB.Items = storedA.Items;
    for (auto& item : savedB.Items) item.INTERVAL_MILEAGE = 99999;
    ASSERT_TRUE(db.SaveMaintenancePlan(savedB));
    for (const auto& item : Read(planA.MaintenancePlanID, true).Items) EXPECT_NE(item.INTERVAL_MILEAGE, 99999);
    for (const auto& item : Read(planB.MaintenancePlanID, true).Items) EXPECT_EQ(item.INTERVAL_MILEAGE, 99999);
    EXPECT_EQ(Count("SELECT count(*) FROM MaintenancePlanItems WHERE MaintenancePlanID=" + planB.MaintenancePlanID), 2);
}

TEST_F(MaintenancePlans, EmptyServiceIndicatorKeepsTheDefault) {
    CMaintenancePlan plan;
    CMaintenancePlanItem item = Item("Belt", "Inspect", 0, 30000);
    item.Service_Indicator = '\0';
    item.severe_service_flag = '\'';
    item.engine_code = "V6'";
    plan.Items = {item};
    ASSERT_TRUE(db.AddMaintenancePlan(plan));
    const std::string where = " FROM MaintenancePlanItems WHERE MaintenancePlanID=" + plan.MaintenancePlanID;
    EXPECT_EQ(Scalar("SELECT Service_Indicator" + where), "N");
    EXPECT_EQ(Scalar("SELECT severe_service_flag" + where), "'");
    EXPECT_EQ(Scalar("SELECT engine_code" + where), "V6'");
}

TEST_F(MaintenancePlans, CustomAndGenericItems) {
    CMaintenancePlanItem mine = Item("Roof box", "Inspect", 0, 0, 0, 12);
    mine.severe_service_flag = 'N';
    ASSERT_TRUE(db.InsertCustomMaintenanceItem(mine));
    CMaintenancePlanItem other = Item("Tow bar", "Grease", 0, 0, 0, 6);
    other.severe_service_flag = 'N';
    ASSERT_TRUE(db.InsertCustomMaintenanceItem(other));
    CMaintenancePlanItem severe = Item("Snow chains", "Check", 0, 0, 0, 3);
    ASSERT_TRUE(db.InsertCustomMaintenanceItem(severe));

    std::vector<CMaintenancePlanItem> items;
    ASSERT_TRUE(db.GetCustomMaintenanceItems(nullptr, "N", items));
    EXPECT_EQ(items.size(), 2u);
    const std::vector<CMaintenancePlanItem> empty;
    items.clear();
    ASSERT_TRUE(db.GetCustomMaintenanceItems(&empty, "N", items));
    EXPECT_EQ(items.size(), 2u);
    const std::vector<CMaintenancePlanItem> inPlan = {mine};
    items.clear();
    ASSERT_TRUE(db.GetCustomMaintenanceItems(&inPlan, "N", items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].DisplayText, "Tow bar - Grease");
    EXPECT_EQ(items[0].INTERVAL_MONTH, 6);
    // The plan's text in another case leaves the item out too, as every text comparison of the
    // file ignores case.
    CMaintenancePlanItem shouted = Item("ROOF BOX", "inspect", 0, 0, 0, 12);
    const std::vector<CMaintenancePlanItem> otherCase = {shouted};
    items.clear();
    ASSERT_TRUE(db.GetCustomMaintenanceItems(&otherCase, "N", items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].DisplayText, "Tow bar - Grease");

    Exec("DELETE FROM GenericMaintenancePlanItems");
    Exec(
        "INSERT INTO GenericMaintenancePlanItems (ACTION_DESCRIPTION, ITEM_DESCRIPTION, INITIAL_MILEAGE, "
        "INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, severe_service_flag) VALUES ('Replace', 'Oil', 0, 0, 3000, "
        "3, 'S')");
    Exec(
        "INSERT INTO GenericMaintenancePlanItems (ACTION_DESCRIPTION, ITEM_DESCRIPTION, INITIAL_MILEAGE, "
        "INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, severe_service_flag) VALUES ('Replace', 'Oil', 0, 0, 5000, "
        "6, 'N')");
    CMaintenancePlan generic;
    ASSERT_TRUE(db.GetGenericMaintenancePlan("N", generic));
    ASSERT_EQ(generic.Items.size(), 1u);
    EXPECT_EQ(generic.Items[0].INTERVAL_MILEAGE, 5000);
    EXPECT_EQ(generic.Items[0].DisplayText, "Oil - Replace");
    EXPECT_GT(generic.Items[0].MaintenancePlanItemID, 0);
}

TEST_F(MaintenancePlans, ItemsChangedAndDeletedOneByOne) {
    CMaintenancePlan plan;
    plan.Items = {Item("Engine oil", "Replace", 0, 5000), Item("Brakes", "Inspect", 0, 10000)};
    ASSERT_TRUE(db.AddMaintenancePlan(plan));
    plan.Items[0].INITIAL_MONTH = 3;
    ASSERT_TRUE(db.UpdateMaintenanceItem(plan.Items[0]));
    ASSERT_TRUE(db.DeleteMaintenanceItem(plan.Items[1].MaintenancePlanItemID));
    const CMaintenancePlan read = Read(plan.MaintenancePlanID, true);
    ASSERT_EQ(read.Items.size(), 1u);
    EXPECT_EQ(read.Items[0].INITIAL_MONTH, 3);

    CMaintenancePlanItem orphan = Item("Horn", "Test", 0, 1000);
    EXPECT_FALSE(db.InsertMaintenanceItem("0); DELETE FROM MaintenancePlanItems; --", orphan));
    EXPECT_EQ(Count("SELECT count(*) FROM MaintenancePlanItems"), 1);
}

}  // namespace
