#include "shared/data/CarChanges.h"

#include <cctype>
#include <map>
#include <memory>
#include <utility>

#include "platform/db/DbError.h"

namespace carchanges {

namespace {

// The triggers that keep the table; without every one of them the numbers tell nothing.
const char* const kTriggers[] = {
    "CarChangesReadingAdded",     "CarChangesReadingChanged",     "CarChangesReadingRemoved",
    "CarChangesServiceAdded",     "CarChangesServiceChanged",     "CarChangesServiceRemoved",
    "CarChangesServiceItemAdded", "CarChangesServiceItemChanged", "CarChangesServiceItemRemoved",
    "CarChangesPlanItemAdded",    "CarChangesPlanItemChanged",    "CarChangesPlanItemRemoved",
};

// The numbers of one content of the file, by kind and VehicleID in lower case (the column
// compares without case); none at all when the file does not keep them.
struct Numbers {
    bool kept = false;
    std::map<std::pair<char, std::string>, std::uint64_t> byCar;
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::shared_ptr<const Numbers> Read(jv::db::Connection& connection) {
    auto numbers = std::make_shared<Numbers>();
    std::string names;
    for (const char* trigger : kTriggers) names += std::string(names.empty() ? "'" : ", '") + trigger + "'";
    for (jv::db::Rows rows =
             connection.Query("SELECT count(*) FROM sqlite_master WHERE type = 'trigger' AND name IN (" + names + ")");
         rows.Next();) {
        numbers->kept = rows.Number(0) == static_cast<double>(std::size(kTriggers));
    }
    if (!numbers->kept) return numbers;
    for (jv::db::Rows rows = connection.Query("SELECT Kind, VehicleID, ChangeID FROM CarChanges"); rows.Next();) {
        const jv::db::Recordset& row = rows.Row();
        const std::string kind = row.GetText("Kind").value_or("");
        if (kind.size() != 1) continue;
        numbers->byCar[{kind[0], Lower(row.GetText("VehicleID").value_or(""))}] =
            static_cast<std::uint64_t>(row.GetDouble("ChangeID").value_or(0.0));
    }
    return numbers;
}

}  // namespace

std::optional<std::uint64_t> Of(jv::db::Connection& connection, const std::string& VehicleID, Kind kind) {
    constexpr const char* kName = "car change numbers";
    if (!connection.IsOpen()) return std::nullopt;
    try {
        // The numbers are read after the version they are kept for: a change meanwhile makes them
        // newer than that version, never older, and so never serves what changed since.
        const std::optional<std::uint64_t> version = connection.ContentVersion();
        if (!version) return std::nullopt;
        auto numbers = std::static_pointer_cast<const Numbers>(connection.Derived(kName, *version));
        if (!numbers) {
            numbers = Read(connection);
            connection.KeepDerived(kName, *version, numbers);
        }
        if (!numbers->kept) return std::nullopt;
        const auto found = numbers->byCar.find({static_cast<char>(kind), Lower(VehicleID)});
        return found != numbers->byCar.end() ? found->second : 0;
    } catch (const jv::db::DbError&) {
        // Then nothing is kept by car; the statements of the work itself report what is wrong.
        return std::nullopt;
    }
}

bool Recorded(jv::db::Connection& connection) {
    return Of(connection, std::string(), Kind::Readings).has_value();
}

KeptForCar::KeptForCar(jv::db::Connection connection, const std::string& VehicleID, Kind kind)
    : connection_(std::move(connection)), carChange_(Of(connection_, VehicleID, kind)) {
    if (carChange_ || !connection_.IsOpen()) return;
    try {
        contentVersion_ = connection_.ContentVersion();
    } catch (const jv::db::DbError&) {
        // Then nothing is kept; the statements of the work itself report what is wrong.
    }
}

std::shared_ptr<const void> KeptForCar::Find(const std::string& name) const {
    if (carChange_) return connection_.KeptFor(name, *carChange_);
    if (contentVersion_) return connection_.Derived(name, *contentVersion_);
    return nullptr;
}

void KeptForCar::Keep(const std::string& name, std::shared_ptr<const void> value) {
    if (carChange_) {
        connection_.KeepFor(name, *carChange_, std::move(value));
    } else if (contentVersion_) {
        connection_.KeepDerived(name, *contentVersion_, std::move(value));
    }
}

std::vector<std::string> CreateStatements() {
    const std::string mark = "INSERT OR REPLACE INTO CarChanges (VehicleID, Kind) ";
    // The car of a row, when it has one.
    const auto car = [&mark](const char* row, const char* kind) {
        return mark + "SELECT " + row + ".VehicleID, '" + kind + "' WHERE " + row + ".VehicleID IS NOT NULL; ";
    };
    // The latest services of a car are its services of the latest date among all the services of
    // their plan item, whichever car's: a change that touches a plan item reaches every car with a
    // service of that item.
    const auto carsOfItems = [&mark](const std::string& items) {
        return mark +
               "SELECT DISTINCT s.VehicleID, 'S' FROM ServiceItems si, Services s WHERE si.MaintenancePlanItemID IN (" +
               items + ") AND s.ServiceID = si.ServiceID AND s.VehicleID IS NOT NULL; ";
    };
    const auto itemsOf = [](const char* service) {
        return std::string("SELECT MaintenancePlanItemID FROM ServiceItems WHERE ServiceID = ") + service;
    };
    const auto carOfService = [&mark](const char* service) {
        return mark + "SELECT VehicleID, 'S' FROM Services WHERE ServiceID = " + service +
               " AND VehicleID IS NOT NULL; ";
    };
    const auto trigger = [](const char* name, const char* event, const char* table, const std::string& body) {
        return std::string("CREATE TRIGGER ") + name + " AFTER " + event + " ON " + table + " BEGIN " + body + "END";
    };
    return {
        "CREATE TABLE CarChanges (ChangeID INTEGER PRIMARY KEY AUTOINCREMENT, VehicleID varchar(38) COLLATE NOCASE "
        "NOT NULL, Kind char(1) NOT NULL, UNIQUE (VehicleID, Kind))",
        trigger("CarChangesReadingAdded", "INSERT", "OdometerValues", car("NEW", "R")),
        trigger("CarChangesReadingChanged", "UPDATE", "OdometerValues", car("OLD", "R") + car("NEW", "R")),
        trigger("CarChangesReadingRemoved", "DELETE", "OdometerValues", car("OLD", "R")),
        trigger("CarChangesServiceAdded", "INSERT", "Services",
                car("NEW", "S") + carsOfItems(itemsOf("NEW.ServiceID"))),
        trigger("CarChangesServiceChanged", "UPDATE", "Services",
                car("OLD", "S") + car("NEW", "S") + carsOfItems(itemsOf("OLD.ServiceID")) +
                    carsOfItems(itemsOf("NEW.ServiceID"))),
        trigger("CarChangesServiceRemoved", "DELETE", "Services",
                car("OLD", "S") + carsOfItems(itemsOf("OLD.ServiceID"))),
        trigger("CarChangesServiceItemAdded", "INSERT", "ServiceItems", carsOfItems("NEW.MaintenancePlanItemID")),
        trigger("CarChangesServiceItemChanged", "UPDATE", "ServiceItems",
                carOfService("OLD.ServiceID") + carsOfItems("OLD.MaintenancePlanItemID, NEW.MaintenancePlanItemID")),
        trigger("CarChangesServiceItemRemoved", "DELETE", "ServiceItems",
                carOfService("OLD.ServiceID") + carsOfItems("OLD.MaintenancePlanItemID")),
        trigger("CarChangesPlanItemAdded", "INSERT", "MaintenancePlanItems", carsOfItems("NEW.MaintenancePlanItemID")),
        trigger("CarChangesPlanItemChanged", "UPDATE", "MaintenancePlanItems",
                carsOfItems("OLD.MaintenancePlanItemID, NEW.MaintenancePlanItemID")),
        trigger("CarChangesPlanItemRemoved", "DELETE", "MaintenancePlanItems",
                carsOfItems("OLD.MaintenancePlanItemID")),
        "Update version set version=9",
    };
}

}  // namespace carchanges
