#include "bench/IrregularGarage.h"

#include <strings.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/NumberFormat.h"
#include "platform/base/NumberText.h"
#include "platform/db/Connection.h"
#include "shared/core/NumberUtils.h"
#include "shared/data/CarChanges.h"
#include "shared/data/CarsDB.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/SqlValue.h"
#include "shared/data/UserData.h"
#include "shared/data/UserPreferences.h"
#include "shared/registers/CarsOverviewDB.h"
#include "shared/registers/RemindersDatabaseObject.h"
#include "shared/registers/ServiceRegisterDatabaseObject.h"

namespace {

int g_compared = 0;

void Expect(bool same, const std::string& what) {
    ++g_compared;
    if (same) return;
    std::fprintf(stderr, "the fast path differs from the plain statements: %s\n", what.c_str());
    std::exit(1);
}

std::string Show(double value, int digits) {
    std::string text;
    return DoubleToLocaleString(text, value, digits, jv::NumberFormat::UnitedStates());
}

// The cost totals as the program computed them before: three sums over every car at once,
// grouped by car, every row kept.
void PlainCostPerUnit(jv::db::Connection& db, const std::vector<CCar>& cars, const std::string& unit,
                      std::vector<std::string>& perUnit, std::vector<std::string>& totals) {
    perUnit.assign(cars.size(), "0");
    totals.assign(cars.size(), "0");
    jv::DateTime now = jv::CurrentClock().Now();
    int year, month, day, hour, minute, second;
    if (now.Split(year, month, day, hour, minute, second)) now = jv::DateTime(year, month, day, hour, minute, second);
    struct Tally {
        float costSum = 0, lowest = 0;
        jv::DateTime first;
    };
    std::vector<Tally> tallies(cars.size(), Tally{0, 0, now});
    const auto find = [&](const std::string& id) {
        for (size_t i = 0; i < cars.size(); ++i) {
            if (strcasecmp(cars[i].VehicleID.c_str(), id.c_str()) == 0) return static_cast<int>(i);
        }
        return -1;
    };
    std::string ids;
    for (const CCar& car : cars) ids += (ids.empty() ? "" : ", ") + sqlvalue::Quoted(car.VehicleID);
    const std::pair<const char*, std::string> statements[] = {
        {"TotalFuel",
         "SELECT sum(Cost) as TotalFuel, VehicleID, min(FuelPurchaseDate) as MinDate FROM FuelPurchases "
         "where VehicleID in (" +
             ids + ") group by vehicleid"},
        {"TotalService",
         "SELECT sum(Cost) as TotalService, VehicleID, min(ServiceDate) as MinDate FROM Services where "
         "VehicleID in (" +
             ids + ") and Skipped=0 group by vehicleid"},
        {"TotalMisc",
         "SELECT sum(Cost) as TotalMisc, VehicleID, min(ExpenseDate) as MinDate FROM Expenses where "
         "VehicleID in (" +
             ids + ") group by vehicleid"},
    };
    for (const auto& [total, sql] : statements) {
        for (jv::db::Recordset rs = db.Execute(sql); !rs.IsEOF(); rs.MoveNext()) {
            const int car = find(rs.GetText("VehicleID").value_or(""));
            if (car < 0) continue;
            tallies[car].costSum += static_cast<float>(rs.GetDouble(total).value_or(0.0));
            const auto first = rs.GetDate("MinDate");
            if (first && first->IsValid() && *first < tallies[car].first) tallies[car].first = *first;
        }
    }
    if (unit == "Distance") {
        for (jv::db::Recordset rs = db.Execute("SELECT VehicleID, min(OdometerValue) as MinO FROM OdometerValues where "
                                               "VehicleID in (" +
                                               ids + ") group by vehicleid");
             !rs.IsEOF(); rs.MoveNext()) {
            const int car = find(rs.GetText("VehicleID").value_or(""));
            if (car >= 0) tallies[car].lowest = static_cast<float>(rs.GetDouble("MinO").value_or(0.0));
        }
    }
    for (size_t i = 0; i < cars.size(); ++i) {
        const Tally& t = tallies[i];
        std::optional<float> value;
        if (unit == "Distance") {
            const float distance = cars[i].CurrentOdometer - t.lowest;
            if (distance != 0.0f) value = t.costSum / distance;
        } else if (const double span = now - t.first; span >= 1.0) {
            const double days = COdometerValuesDatabaseObject::WholeDays(span);
            if (unit == "Year") value = static_cast<float>(t.costSum / static_cast<float>(days / 365.25));
            if (unit == "Month") value = static_cast<float>(t.costSum / static_cast<float>(days / 30.44));
            if (unit == "Week") value = static_cast<float>(t.costSum / static_cast<float>(days / 7.0));
            if (unit == "Day") value = static_cast<float>(t.costSum / days);
        }
        perUnit[i] = value && *value != 0.0f ? Show(*value, 2) : "N/A";
        totals[i] = Show(t.costSum, 2);
    }
}

void Run(jv::db::Connection& db, const std::string& sql) {
    db.ExecuteNonQuery(sql);
}

std::string Id(jv::db::Connection& db) {
    return *db.Execute("SELECT @@IDENTITY AS id").GetText("id");
}

// The cars: an even one, one whose readings go back and forth, one without readings, a sold one
// and one whose id the list holds in another case.
void Build(jv::db::Connection& db) {
    const char* ids[] = {"00000001-0000-0000-0000-0000000000AA", "00000002-0000-0000-0000-0000000000AA",
                         "00000003-0000-0000-0000-0000000000AA", "00000004-0000-0000-0000-0000000000AA"};
    for (int car = 0; car < 4; ++car) {
        const std::string id = ids[car];
        Run(db, "INSERT INTO MaintenancePlan (StyleID, Name, DrivingCondition) VALUES ('JV000001', 'Plan', 'N')");
        const std::string plan = Id(db);
        Run(db,
            "INSERT INTO Vehicles (VehicleID, Name, StyleYear, MaintenancePlanID, Sold, Custom, PurchaseOdometer, "
            "PurchaseDate) VALUES ('" +
                id + "', 'Car " + std::to_string(car) + "', 2018, " + plan + ", " + (car == 3 ? "-1" : "0") + ", -1, " +
                (car == 1 ? "50, #3/1/2018#" : "-1, NULL") + ")");
        std::vector<std::string> items;
        for (int item = 0; item < 6; ++item) {
            Run(db,
                "INSERT INTO MaintenancePlanItems (MaintenancePlanID, ITEM_DESCRIPTION, ACTION_DESCRIPTION, "
                "INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, Skip) VALUES (" +
                    plan + ", 'Item " + std::to_string(item % 4) + "', 'Service', " + std::to_string(item * 700) +
                    ", " + std::to_string(item % 3) + ", " + std::to_string(item == 5 ? 0 : 2500 + 900 * item) + ", " +
                    std::to_string((item * 5) % 13) + ", " + (item == 4 ? "-1" : "0") + ")");
            items.push_back(Id(db));
        }
        if (car == 2) {
            Run(db, "INSERT INTO Expenses (VehicleID, ExpenseDate, Odometer, Vendor, CategoryID, Cost) VALUES ('" + id +
                        "', #5/5/2023#, 0, 'Insurer', 1, 812.5)");
            continue;
        }
        double odometer = 900 + car * 13.7;
        double lastFuel = odometer;
        for (int row = 0; row < 160; ++row) {
            const jv::DateTime date = jv::DateTime(2021, 1, 1) + (row * 7 + (row % 3 == 0 ? 0 : 2)) % 1600;
            odometer += 95.5 + (row % 5) * 12.25;
            double value = odometer;
            if (car == 1 && row % 17 == 5) value -= 700;  // a lower reading later: out of order
            const std::string when = "#" + date.Format("%m/%d/%Y") + "#";
            const std::string where = "'" + id + "', " + when + ", " + jv::number::FormatFixed(value, 2);
            switch (row % 6) {
                case 4:
                    Run(db, "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Cost, Skipped) VALUES (" +
                                where + ", 'Garage', " + (row % 12 == 4 ? "NULL" : "99.95") + ", " +
                                (row % 18 == 4 ? "-1" : "0") + ")");
                    Run(db, "INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) VALUES (" + Id(db) + ", " +
                                items[static_cast<size_t>(row / 6) % items.size()] + ")");
                    break;
                case 5:
                    Run(db,
                        "INSERT INTO Expenses (VehicleID, ExpenseDate, Odometer, Vendor, CategoryID, Cost) VALUES (" +
                            where + ", 'Parking', 5, 3.3)");
                    break;
                default: {
                    const double distance = row % 9 == 0 ? 0 : value - lastFuel;
                    lastFuel = value;
                    Run(db,
                        "INSERT INTO FuelPurchases (VehicleID, FuelPurchaseDate, Odometer, Distance, Vendor, "
                        "Fillup, Volume, CostPer, Cost, Roads) VALUES (" +
                            where + ", " + jv::number::FormatFixed(distance, 2) + ", 'Fuel', " +
                            (row % 4 == 0 ? "0" : "-1") + ", " +
                            jv::number::FormatFixed(std::fabs(distance) / 27.3, 3) + ", 3.1, 40.1, 'M')");
                    break;
                }
            }
            Run(db, "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES (" + where + ")");
            if (row % 40 == 7) {
                // A second reading on the same day, and one without a value.
                Run(db, "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + id + "', " +
                            when + ", " + jv::number::FormatFixed(value + 3.5, 2) + ")");
                if (car == 1) {
                    Run(db, "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES ('" + id +
                                "', " + when + ", NULL)");
                }
            }
        }
    }
}

std::string Text(const CReminder& r) {
    return r.VehicleID + "|" + r.ITEM_DESCRIPTION + "|" + std::to_string(r.DueDate.Days()) + "|" +
           std::to_string(r.DueByTime.Days()) + "|" + std::to_string(r.DueByOdometer.Days()) + "|" +
           std::to_string(r.DueOdometer);
}

std::vector<std::string> Reminders(jv::db::Connection& db, CUserPreferences& preferences) {
    std::vector<CReminder> reminders;
    CRemindersDatabaseObject(db).GetReminders("%", jv::DateTime::Null(), jv::DateTime(2030, 1, 1), reminders,
                                              preferences);
    std::vector<std::string> texts;
    for (const CReminder& r : reminders) texts.push_back(Text(r));
    return texts;
}

void Compare(jv::db::Connection& db, CUserPreferences& preferences, const std::string& when) {
    CCarsDB carsDb(db);
    carsDb.getCars("%", preferences);
    carsDb.getCurrentOdometers(preferences);
    std::vector<CCar>& cars = carsDb.m_cars;
    // The list names the second car again in another case.
    CCar again = cars.at(1);
    for (char& c : again.VehicleID) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    cars.push_back(again);

    CCarsOverviewDB overview(db, jv::NumberFormat::UnitedStates());
    for (const char* unit : {"Year", "Month", "Week", "Day", "Distance"}) {
        std::vector<std::string> perUnit, totals;
        PlainCostPerUnit(db, cars, unit, perUnit, totals);
        overview.getCostPerUnit(cars, unit);
        Expect(overview.GetCostPerUnit() == perUnit, when + ": cost per " + unit);
        Expect(overview.GetTotalCost() == totals, when + ": total cost per " + unit);
    }
    overview.getFuelEconomy(cars);
    for (size_t i = 0; i < cars.size(); ++i) {
        double pendingDistance = 0, pendingVolume = 0, distance = 0, volume = 0;
        bool started = false;
        for (jv::db::Recordset rs = db.Execute("SELECT Volume, Distance, FillUp FROM FuelPurchases where VehicleID=" +
                                               sqlvalue::Quoted(cars[i].VehicleID) + " order by FuelPurchaseDate");
             !rs.IsEOF(); rs.MoveNext()) {
            const double d = rs.GetDouble("Distance").value_or(0.0), v = rs.GetDouble("Volume").value_or(0.0);
            if (d > 0.0 && v > 0.0) {
                if (started) pendingDistance += d, pendingVolume += v;
                if (rs.GetBool("FillUp").value_or(false)) {
                    if (started) distance += pendingDistance, volume += pendingVolume;
                    pendingDistance = pendingVolume = 0.0;
                    started = true;
                }
            } else {
                pendingDistance = pendingVolume = 0.0;
            }
        }
        Expect(overview.GetFuelEconomy()[i] == (volume == 0.0 ? "N/A" : Show(distance / volume, 1)),
               when + ": fuel economy of " + cars[i].Name);
    }

    // Every estimate of every car, twice: worked out, then kept.
    for (int round = 0; round < 2; ++round) {
        COdometerValuesDatabaseObject plain(db), fast(db);
        fast.KeepReadingsInMemory();
        for (CCar& car : cars) {
            for (jv::DateTime date(2020, 6, 1); date < jv::DateTime(2026, 1, 1); date += 11.5) {
                const float a = fast.CalculateOdometerFromDate(car, date, preferences);
                const float b = plain.CalculateOdometerFromDate(car, date, preferences);
                Expect(a == b || (std::isnan(a) && std::isnan(b)),
                       when + ": odometer of " + car.Name + " on " + date.Format("%m/%d/%Y"));
            }
            for (float odometer = 0; odometer < 25000; odometer += 173.25f) {
                const jv::DateTime a = fast.CalculateDateFromOdometer(car, odometer, preferences);
                const jv::DateTime b = plain.CalculateDateFromOdometer(car, odometer, preferences);
                Expect(a.IsValid() == b.IsValid() && (!a.IsValid() || a.Days() == b.Days()),
                       when + ": date of " + car.Name + " at " + std::to_string(odometer));
            }
        }
    }

    // The latest services: worked out, kept, and as the view gives them.
    std::vector<std::string> plainServices;
    for (jv::db::Recordset rs = db.Execute(
             "select s.ServiceDate, s.Odometer, s.VehicleID, i.MaintenancePlanItemID from services s, serviceitems i, "
             "MostRecentServices ls, MaintenancePlanItems mpi where s.ServiceID = i.ServiceID and s.VehicleID like '%' "
             "and s.ServiceDate=ls.ServiceDate and i.MaintenancePlanItemID=ls.MaintenancePlanItemID and "
             "i.MaintenancePlanItemID=mpi.MaintenancePlanItemID order by s.ServiceDate");
         !rs.IsEOF(); rs.MoveNext()) {
        plainServices.push_back(*rs.GetText("VehicleID") + "|" + std::to_string(rs.GetDate("ServiceDate")->Days()) +
                                "|" + std::to_string(rs.GetSingle("Odometer").value_or(0.0f)) + "|" +
                                std::to_string(*rs.GetInt("MaintenancePlanItemID")));
    }
    // Each car's own, as the reminders ask for them: the same rows.
    for (int round = 0; round < 2; ++round) {
        for (const CCar& car : cars) {
            std::vector<CService> latest;
            CServiceRegisterDatabaseObject(db).GetLatestServices(car.VehicleID, latest);
            std::vector<std::string> texts, expected;
            for (const CService& s : latest) {
                texts.push_back(s.VehicleID + "|" + std::to_string(s.ServiceDate.Days()) + "|" +
                                std::to_string(s.Odometer) + "|" +
                                std::to_string(s.items.front().MaintenancePlanItemID));
            }
            for (const std::string& text : plainServices) {
                if (strncasecmp(text.c_str(), (car.VehicleID + "|").c_str(), car.VehicleID.size() + 1) == 0) {
                    expected.push_back(text);
                }
            }
            Expect(texts == expected, when + ": latest services of " + car.Name + ", round " + std::to_string(round));
        }
    }
    for (int round = 0; round < 2; ++round) {
        std::vector<CService> latest;
        CServiceRegisterDatabaseObject(db).GetLatestServices("%", latest);
        std::vector<std::string> texts;
        for (const CService& s : latest) {
            texts.push_back(s.VehicleID + "|" + std::to_string(s.ServiceDate.Days()) + "|" +
                            std::to_string(s.Odometer) + "|" + std::to_string(s.items.front().MaintenancePlanItemID));
        }
        Expect(texts == plainServices, when + ": latest services, round " + std::to_string(round));
    }
}

// What other connections change in the file, one statement each: readings, services, their plan
// items and the plan items themselves, of one car or of several, in order and out of it.
struct Change {
    const char* what;
    const char* sql;
};
const Change kChanges[] = {
    {"readings moved up",
     "UPDATE OdometerValues SET OdometerValue = OdometerValue + 1000 WHERE OdometerValueID % 7 = 3"},
    {"a reading out of order",
     "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) VALUES "
     "('00000001-0000-0000-0000-0000000000AA', 44600, 99999)"},
    {"the reading out of order taken out", "DELETE FROM OdometerValues WHERE OdometerValue = 99999"},
    {"a reading at the end",
     "INSERT INTO OdometerValues (VehicleID, OdometerDate, OdometerValue) SELECT VehicleID, "
     "max(OdometerDate) + 3, max(OdometerValue) + 120 FROM OdometerValues WHERE VehicleID = "
     "'00000001-0000-0000-0000-0000000000AA'"},
    {"a car's readings given to another car",
     "UPDATE OdometerValues SET VehicleID = '00000002-0000-0000-0000-0000000000aa' WHERE VehicleID = "
     "'00000001-0000-0000-0000-0000000000AA' AND OdometerValueID % 3 = 0"},
    {"a new service",
     "INSERT INTO Services (VehicleID, ServiceDate, Odometer, Vendor, Skipped) VALUES "
     "('00000001-0000-0000-0000-0000000000AA', 45500, 30000, 'Garage', 0)"},
    {"the new service covering another car's plan item, latest of all",
     "INSERT INTO ServiceItems (ServiceID, MaintenancePlanItemID) SELECT max(ServiceID), (SELECT "
     "min(MaintenancePlanItemID) FROM MaintenancePlanItems WHERE MaintenancePlanID = (SELECT MaintenancePlanID FROM "
     "Vehicles WHERE VehicleID = '00000002-0000-0000-0000-0000000000AA')) FROM Services"},
    {"services moved to other dates", "UPDATE Services SET ServiceDate = ServiceDate + 400 WHERE ServiceID % 9 = 4"},
    {"plan items renamed",
     "UPDATE MaintenancePlanItems SET Item_Description = 'Item 9' WHERE MaintenancePlanItemID % 5 = 2"},
    {"service items taken out", "DELETE FROM ServiceItems WHERE ServiceID % 4 = 1"},
    {"a service taken out", "DELETE FROM Services WHERE ServiceID = (SELECT max(ServiceID) FROM Services)"},
};

}  // namespace

int CheckIrregularGarage(const std::string& blankDatabase) {
    const auto folder = std::filesystem::temp_directory_path() / "jvbench-irregular";
    // Once on the blank database as it is (the file records no car's changes) and once as the
    // program opens a new user's file (it does).
    for (const bool recordsChanges : {false, true}) {
        const std::string mode = recordsChanges ? "recording changes" : "recording none";
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        const std::string path = (folder / "user.jvdb").string();
        std::filesystem::copy_file(blankDatabase, path);
        if (recordsChanges) {
            CUserData userData;
            Expect(userData.OpenConnections(path), "the file opens");
        }
        jv::FixedClock clock(jv::DateTime(2025, 3, 14, 9, 30, 0));
        jv::ScopedClock useClock(clock);
        jv::db::Connection db = jv::db::Connection::Open(path);
        db.BeginTrans();
        Build(db);
        db.CommitTrans();
        Expect(carchanges::Of(db, "00000001-0000-0000-0000-0000000000AA", carchanges::Kind::Readings).has_value() ==
                   recordsChanges,
               mode + ": the file's record of changes");
        CUserPreferences preferences;
        Compare(db, preferences, mode + ", as built");
        const std::vector<std::string> first = Reminders(db, preferences);
        Expect(Reminders(db, preferences) == first, mode + ": reminders worked out and kept");
        // Other connections change the file: what was kept of what they changed goes, the rest
        // stays as it was worked out afresh.
        for (const Change& change : kChanges) {
            jv::db::Connection::Open(path).ExecuteNonQuery(change.sql);
            const std::string when = mode + ", after another connection's change: " + change.what;
            Compare(db, preferences, when);
            const std::vector<std::string> kept = Reminders(db, preferences);
            jv::db::Connection fresh = jv::db::Connection::Open(path);
            Expect(kept == Reminders(fresh, preferences), when + ": reminders kept and afresh");
        }
    }
    std::filesystem::remove_all(folder);
    return g_compared;
}
