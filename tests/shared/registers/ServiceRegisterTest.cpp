#include "shared/registers/ServiceRegisterDatabaseObject.h"

#include <algorithm>
#include <functional>
#include <tuple>

#include "shared/data/OdometerValue.h"
#include "shared/data/SqlValue.h"

#include "tests/platform/db/SqliteFixture.h"
#include "tests/shared/registers/ServicesFixture.h"

namespace {

const std::string kFamilyCar = "44444444-4444-4444-4444-444444444444";
const std::string kSecondCar = "55555555-5555-5555-5555-555555555555";

class ServiceRegister : public ServicesTest {
protected:
    ServiceRegister() {
        ids_ = AddCarWithPlan(kFamilyCar, "Family car",
                              {{"Oil", "Change", 0, 0, 3000, 3}, {"Filter", "Replace", 0, 0, 3000, 3}});
        AddCarWithPlan(kSecondCar, "Second car", {});
    }

    std::string Add(const std::string& date, const std::string& odometer, const std::string& vendor = "Garage",
                    bool skipped = false, const std::string& vehicleId = kFamilyCar) {
        std::string serviceId;
        EXPECT_TRUE(db.AddService(serviceId, vehicleId, date, odometer, vendor, "Oil change", "45.5", "30", "15.5", "",
                                  "", "Synthetic", skipped));
        return serviceId;
    }
    std::vector<CMaintenancePlanItem> Items(std::initializer_list<int> ids) {
        std::vector<CMaintenancePlanItem> items;
        for (int id : ids) {
            items.emplace_back();
            items.back().MaintenancePlanItemID = id;
        }
        return items;
    }
    std::vector<CService> Register(const std::string& pattern = "%") {
        std::vector<CService> services;
        db.GetServiceRegister(pattern, services, prefs_);
        return services;
    }

    CServiceRegisterDatabaseObject db{db_};
    std::vector<int> ids_;
};

}  // namespace

TEST_F(ServiceRegister, AServiceIsStoredWithItsItemsAndItsReading) {
    const std::string id = Add("2/15/2024", "1350");
    ASSERT_TRUE(sqlvalue::IsRecordId(id)) << id;
    ASSERT_TRUE(db.SetMaintenanceItems(id, Items({ids_[0], ids_[1]})));

    const auto services = Register();
    ASSERT_EQ(services.size(), 1u);
    const CService& s = services[0];
    EXPECT_EQ(std::to_string(s.ServiceID), id);
    EXPECT_EQ(s.VehicleID, kFamilyCar);
    EXPECT_EQ(Day(s.ServiceDate), "2/15/2024");
    EXPECT_FLOAT_EQ(s.Odometer, 1350.0f);
    EXPECT_EQ(s.Vendor, "Garage");
    EXPECT_EQ(s.ServiceMemo, "Oil change");
    EXPECT_FLOAT_EQ(s.Cost, 45.5f);
    EXPECT_FLOAT_EQ(s.Parts, 30.0f);
    EXPECT_FLOAT_EQ(s.Labor, 15.5f);
    EXPECT_FLOAT_EQ(s.Other, 0.0f);
    EXPECT_EQ(s.Notes, "Synthetic");

    std::vector<CMaintenancePlanItem> items;
    db.GetMaintenanceItems(id, items);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].DisplayText, "Filter - Replace");
    EXPECT_EQ(items[1].DisplayText, "Oil - Change");
    EXPECT_EQ(items[1].INTERVAL_MILEAGE, 3000);
    EXPECT_EQ(Readings(kFamilyCar), std::vector<std::string>{"2/15/2024=1350"});

    COdometerValue reading;
    ASSERT_TRUE(db.GetOdometerData(id, reading));
    EXPECT_EQ(reading.VehicleID, kFamilyCar);
    EXPECT_FLOAT_EQ(reading.OdometerValue, 1350.0f);

    // Replacing the items leaves only the new ones; an empty list removes them all.
    ASSERT_TRUE(db.SetMaintenanceItems(id, Items({ids_[1]})));
    EXPECT_EQ(
        Count("FROM ServiceItems WHERE ServiceID=" + id + " AND MaintenancePlanItemID=" + std::to_string(ids_[1])), 1);
    EXPECT_EQ(Count("FROM ServiceItems"), 1);
    ASSERT_TRUE(db.SetMaintenanceItems(id, {}));
    EXPECT_EQ(Count("FROM ServiceItems"), 0);
}

TEST_F(ServiceRegister, TextsNotGivenLeaveTheirColumnsOut) {
    std::string id;
    ASSERT_TRUE(db.AddService(id, kFamilyCar, "2/15/2024", "", "", "", "", "", "", "", "", "", true));
    EXPECT_EQ(
        Count("FROM Services WHERE ServiceID=" + id +
              " AND Odometer IS NULL AND Vendor IS NULL AND ServiceMemo IS NULL AND Cost IS NULL AND Parts IS NULL"
              " AND Labor IS NULL AND Other IS NULL AND Tax IS NULL AND Notes IS NULL AND Skipped=-1"),
        1);

    // An update keeps what it is not given.
    const std::string full = Add("2/16/2024", "1400");
    ASSERT_TRUE(db.UpdateService(full, "", "2/16/2024", "", "", "", "", "", "", "", "", ""));
    const auto services = Register();
    ASSERT_EQ(services.size(), 1u);
    EXPECT_EQ(services[0].Vendor, "Garage");
    EXPECT_FLOAT_EQ(services[0].Odometer, 1400.0f);
    EXPECT_EQ(services[0].Notes, "Synthetic");
    EXPECT_EQ(Readings(kFamilyCar), std::vector<std::string>{"2/16/2024=1400"});
}

TEST_F(ServiceRegister, VendorAndMemoAreCutToSixtyCharactersWithoutBreakingAQuoteOrACharacter) {
    const std::string a59(59, 'a');
    struct Case {
        std::string typed;
        std::string stored;
    } cases[] = {
        {"O'Brien's", "O'Brien's"},
        {a59 + "'bc", a59 + "'"},
        {a59 + "\xc3\xa9x", a59 + "\xc3\xa9"},
        {std::string(61, 'b'), std::string(60, 'b')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        std::string id;
        ASSERT_TRUE(db.AddService(id, kFamilyCar, "2/15/2024", "", c.typed, c.typed, "", "", "", "", "", "", false));
        EXPECT_EQ(Text("SELECT Vendor FROM Services WHERE ServiceID=" + id), c.stored);
        EXPECT_EQ(Text("SELECT ServiceMemo FROM Services WHERE ServiceID=" + id), c.stored);
        ASSERT_TRUE(db.AddService(id, kFamilyCar, "2/15/2024", "", "first", "first", "", "", "", "", "", "", false));
        ASSERT_TRUE(db.UpdateService(id, "", "2/15/2024", "", c.typed, c.typed, "", "", "", "", "", ""));
        EXPECT_EQ(Text("SELECT Vendor FROM Services WHERE ServiceID=" + id), c.stored);
        EXPECT_EQ(Text("SELECT ServiceMemo FROM Services WHERE ServiceID=" + id), c.stored);
    }
}

TEST_F(ServiceRegister, TheReadingFollowsItsServiceWhenChanged) {
    AddReading(kFamilyCar, {2024, 2, 15}, 1000);  // the user's own reading that day
    const std::string id = Add("2/15/2024", "1350");
    ASSERT_TRUE(db.UpdateService(id, "", "2/20/2024", "1500", "", "", "", "", "", "", "", ""));
    EXPECT_EQ(Readings(kFamilyCar), (std::vector<std::string>{"2/15/2024=1000", "2/20/2024=1500"}));

    // Moved to another car, the reading moves with it.
    ASSERT_TRUE(db.UpdateService(id, kSecondCar, "2/20/2024", "", "", "", "", "", "", "", "", ""));
    EXPECT_EQ(Readings(kFamilyCar), std::vector<std::string>{"2/15/2024=1000"});
    EXPECT_EQ(Readings(kSecondCar), std::vector<std::string>{"2/20/2024=1500"});
}

TEST_F(ServiceRegister, OnlyServicesThatWereDoneRecordReadings) {
    AddReading(kFamilyCar, {2024, 3, 1}, 2000);  // the user's own reading
    // A skipped service and a generated entry tell nothing about the odometer: no reading when
    // they are added or changed, and the user's reading of the same day and value stays when
    // they are deleted.
    for (const auto& [vendor, skipped] :
         {std::pair{std::string("Garage"), true}, std::pair{std::string("Jorvane Automatic Entry"), false}}) {
        SCOPED_TRACE(vendor);
        const std::string id = Add("3/1/2024", "2000", vendor, skipped);
        ASSERT_TRUE(db.UpdateService(id, "", "3/1/2024", "2000", "", "", "", "", "", "", "", ""));
        EXPECT_EQ(Readings(kFamilyCar), std::vector<std::string>{"3/1/2024=2000"});
        ASSERT_TRUE(db.DeleteService(id));
        EXPECT_EQ(Readings(kFamilyCar), std::vector<std::string>{"3/1/2024=2000"});
    }
    const std::string skipped = Add("3/5/2024", "2100", "Garage", true);
    Add("3/6/2024", "2200", "Jorvane Automatic Entry");
    EXPECT_EQ(Readings(kFamilyCar), std::vector<std::string>{"3/1/2024=2000"});
    const auto listed = Register();
    ASSERT_EQ(listed.size(), 1u) << "skipped services are not listed";
    EXPECT_EQ(listed[0].Vendor, "Jorvane Automatic Entry");
    COdometerValue reading;
    EXPECT_FALSE(db.GetOdometerData(skipped, reading));
}

TEST_F(ServiceRegister, DeletingAServiceTakesItsItemsAndItsReading) {
    AddReading(kFamilyCar, {2024, 2, 15}, 1000);
    const std::string id = Add("2/15/2024", "1350");
    const std::string other = Add("2/20/2024", "1500");
    ASSERT_TRUE(db.SetMaintenanceItems(id, Items({ids_[0], ids_[1]})));
    ASSERT_TRUE(db.SetMaintenanceItems(other, Items({ids_[0]})));

    ASSERT_TRUE(db.DeleteService(id));
    EXPECT_EQ(Count("FROM Services WHERE ServiceID=" + id), 0);
    EXPECT_EQ(Count("FROM ServiceItems WHERE ServiceID=" + id), 0);
    EXPECT_EQ(Count("FROM ServiceItems WHERE ServiceID=" + other), 1);
    EXPECT_EQ(Readings(kFamilyCar), (std::vector<std::string>{"2/15/2024=1000", "2/20/2024=1500"}));
}

TEST_F(ServiceRegister, AServiceIsSavedWithItsItemsAndItsReadingOrNotAtAll) {
    // An item the file refuses, as a full disk or an end of the program midway would.
    constexpr int kRefused = 999;
    jv::test::SqliteFile(home_.dir().File("user.jvdb"))
        .Run("CREATE TRIGGER RefuseItem BEFORE INSERT ON ServiceItems WHEN NEW.MaintenancePlanItemID = " +
             std::to_string(kRefused) + " BEGIN SELECT RAISE(ABORT, 'refused'); END");
    auto items = [&](const std::string& serviceId) {
        std::vector<CMaintenancePlanItem> stored;
        db.GetMaintenanceItems(serviceId, stored);
        std::vector<int> ids;
        for (const CMaintenancePlanItem& item : stored) ids.push_back(item.MaintenancePlanItemID);
        std::sort(ids.begin(), ids.end());
        return ids;
    };

    std::string id = "unchanged";
    EXPECT_FALSE(db.AddService(id, kFamilyCar, "2/15/2024", "1350", "Garage", "", "", "", "", "", "", "", false,
                               Items({ids_[0], kRefused})));
    EXPECT_EQ(id, "unchanged");
    EXPECT_EQ(Count("FROM Services"), 0);
    EXPECT_EQ(Count("FROM ServiceItems"), 0);
    EXPECT_TRUE(Readings(kFamilyCar).empty());

    ASSERT_TRUE(db.AddService(id, kFamilyCar, "2/15/2024", "1350", "Garage", "", "", "", "", "", "", "", false,
                              Items({ids_[0], ids_[1]})));
    EXPECT_EQ(items(id), (std::vector<int>{ids_[0], ids_[1]}));
    EXPECT_EQ(Readings(kFamilyCar), std::vector<std::string>{"2/15/2024=1350"});

    struct Change {
        const char* what;
        std::function<bool()> save;
        bool saved;
        std::vector<int> items;
        const char* reading;
    };
    const Change changes[] = {
        {"an update with a refused item changes nothing",
         [&] {
             return db.UpdateService(id, "", "2/16/2024", "1500", "", "", "", "", "", "", "", "",
                                     Items({ids_[1], kRefused}));
         },
         false,
         {ids_[0], ids_[1]},
         "2/15/2024=1350"},
        {"a refused item keeps the items a service had",
         [&] { return db.SetMaintenanceItems(id, Items({kRefused})); },
         false,
         {ids_[0], ids_[1]},
         "2/15/2024=1350"},
        {"an update changes the service, its items and its reading",
         [&] {
             return db.UpdateService(id, "", "2/16/2024", "1500", "", "", "", "", "", "", "", "", Items({ids_[1]}));
         },
         true,
         {ids_[1]},
         "2/16/2024=1500"},
    };
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.save(), c.saved);
        EXPECT_EQ(items(id), c.items);
        EXPECT_EQ(Readings(kFamilyCar), std::vector<std::string>{c.reading});
        EXPECT_FALSE(db_.InTransaction());
    }
}

TEST_F(ServiceRegister, BadInputIsRefusedBeforeAnySql) {
    const std::string id = Add("2/15/2024", "1350");
    const long services = Count("FROM Services");
    std::string newId = "unchanged";
    auto add = [&](const std::string& vehicle, const std::string& date, const std::string& odometer,
                   const std::string& cost) {
        return db.AddService(newId, vehicle, date, odometer, "", "", cost, "", "", "", "", "", false);
    };
    auto update = [&](const std::string& serviceId, const std::string& vehicle, const std::string& date,
                      const std::string& odometer) {
        return db.UpdateService(serviceId, vehicle, date, odometer, "", "", "", "", "", "", "", "");
    };
    COdometerValue reading;
    struct Case {
        const char* what;
        bool result;
    } cases[] = {
        {"vehicle id with a quote", add("x' or '1'='1", "2/15/2024", "", "")},
        {"date", add(kFamilyCar, "2/30/2024", "", "")},
        {"date with SQL", add(kFamilyCar, "2/15/2024# or 1=1 or #1/1/2000", "", "")},
        {"odometer", add(kFamilyCar, "2/15/2024", "1,350", "")},
        {"cost", add(kFamilyCar, "2/15/2024", "", "12; DROP TABLE Services")},
        {"update of a service id with SQL", update(id + " or 1=1", "", "2/16/2024", "")},
        {"update of a service that is not there", update("999", "", "2/16/2024", "")},
        {"update to a bad car", update(id, "nobody'", "2/16/2024", "")},
        {"delete of a service id with SQL", db.DeleteService(id + " or 1=1")},
        {"delete of a negative id", db.DeleteService("-" + id)},
        {"items of a blank service", db.AddMaintenanceItem("", ids_[0])},
        {"items of a service id with SQL", db.SetMaintenanceItems(id + ";", Items({ids_[0]}))},
        {"odometer of a service id with a letter", db.GetOdometerData("1a", reading)},
    };
    for (const Case& c : cases) EXPECT_FALSE(c.result) << c.what;
    EXPECT_EQ(newId, "unchanged");
    EXPECT_EQ(Count("FROM Services"), services);
    EXPECT_EQ(Count("FROM ServiceItems"), 0);
    EXPECT_EQ(Day(Register()[0].ServiceDate), "2/15/2024");
    EXPECT_EQ(Readings(kFamilyCar), std::vector<std::string>{"2/15/2024=1350"});
    EXPECT_NE(Log().find("Tried to add maintenance item with blank ServiceID"), std::string::npos);
    EXPECT_NE(Log().find("Bad RowID in GetOdometerData(): 1a"), std::string::npos);
}

TEST_F(ServiceRegister, TheListingLeavesOutSoldCarsUnlessShown) {
    const std::string soldCar = "66666666-6666-6666-6666-666666666666";
    AddCarWithPlan(soldCar, "Sold car", {}, true);
    Add("2/15/2024", "1350");
    Add("1/10/2024", "900", "Dealer", false, soldCar);
    EXPECT_EQ(Register().size(), 1u);
    prefs_.ShowSoldCars = true;
    const auto services = Register();
    ASSERT_EQ(services.size(), 2u);
    EXPECT_EQ(services[0].VehicleID, soldCar) << "oldest first";
    EXPECT_EQ(Register(kFamilyCar).size(), 1u);
}

TEST_F(ServiceRegister, LatestServicesGiveTheLastServiceOfEveryItem) {
    const std::string first = Add("1/10/2024", "500");
    const std::string second = Add("2/15/2024", "1350");
    const std::string sameDay = Add("2/15/2024", "1351", "Other garage");
    const std::string skipped = Add("3/1/2024", "", "Garage", true);
    ASSERT_TRUE(db.SetMaintenanceItems(first, Items({ids_[0], ids_[1]})));
    ASSERT_TRUE(db.SetMaintenanceItems(second, Items({ids_[0]})));
    ASSERT_TRUE(db.SetMaintenanceItems(sameDay, Items({ids_[0]})));
    ASSERT_TRUE(db.SetMaintenanceItems(skipped, Items({ids_[1]})));

    std::vector<CService> latest;
    db.GetLatestServices(kFamilyCar, latest);
    std::vector<std::tuple<std::string, float, std::string>> rows;
    for (const CService& s : latest) {
        ASSERT_EQ(s.items.size(), 1u);
        rows.emplace_back(Day(s.ServiceDate), s.Odometer, s.items[0].DisplayText);
    }
    std::sort(rows.begin(), rows.end());
    // Oil was serviced twice on its latest day; the filter's latest service was skipped.
    EXPECT_EQ(rows, (std::vector<std::tuple<std::string, float, std::string>>{
                        {"2/15/2024", 1350.0f, "Oil - Change"},
                        {"2/15/2024", 1351.0f, "Oil - Change"},
                        {"3/1/2024", 0.0f, "Filter - Replace"},
                    }));
    latest.clear();
    db.GetLatestServices(kSecondCar, latest);
    EXPECT_TRUE(latest.empty());
}

TEST_F(ServiceRegister, PlanItemsAreCheckedAgainstTheCarsPlan) {
    EXPECT_TRUE(db.ValidateMaintenanceItem(kFamilyCar, ids_[0]));
    EXPECT_FALSE(db.ValidateMaintenanceItem(kSecondCar, ids_[0]));
    std::vector<CMaintenancePlanItem> items;
    db.GetAllMaintenanceItems(kFamilyCar, items, false);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].DisplayText, "Filter - Replace");
}
