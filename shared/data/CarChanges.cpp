#include "shared/data/CarChanges.h"

#include <cctype>
#include <map>
#include <memory>
#include <utility>

#include "platform/db/DbError.h"

namespace carchanges {

namespace {

constexpr const char* kTable = "CarChanges";

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
    numbers->kept = Intact(connection);
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

namespace {

// One object of the record (its table or a trigger) as the upgrade writes it.
struct SchemaObject {
    std::string type;  // "table" or "trigger"
    std::string name;
    std::string sql;
};

std::vector<SchemaObject> MakeSchemaObjects() {
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
        return SchemaObject{
            "trigger", name,
            std::string("CREATE TRIGGER ") + name + " AFTER " + event + " ON " + table + " BEGIN " + body + "END"};
    };
    return {
        {"table", kTable,
         "CREATE TABLE CarChanges (ChangeID INTEGER PRIMARY KEY AUTOINCREMENT, VehicleID varchar(38) COLLATE NOCASE "
         "NOT NULL, Kind char(1) NOT NULL, UNIQUE (VehicleID, Kind))"},
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
    };
}

// The table and its twelve triggers, the table first.
const std::vector<SchemaObject>& SchemaObjects() {
    static const std::vector<SchemaObject> kObjects = MakeSchemaObjects();
    return kObjects;
}

// The record as the file holds it: the table and every trigger that touches it, whatever its name
// (one that writes the table or acts on its rows), by type and name in lower case (names compare
// without case), with the text the file keeps.
std::map<std::pair<std::string, std::string>, std::string> Stored(jv::db::Connection& connection) {
    std::map<std::pair<std::string, std::string>, std::string> stored;
    for (jv::db::Rows rows = connection.Query(
             "SELECT type, name, sql FROM sqlite_master WHERE (type = 'table' AND name LIKE 'CarChanges') OR "
             "(type = 'trigger' AND (name LIKE 'CarChanges%' OR tbl_name LIKE 'CarChanges' OR sql LIKE "
             "'%CarChanges%'))");
         rows.Next();) {
        const jv::db::Recordset& row = rows.Row();
        stored[{row.GetText("type").value_or(""), Lower(row.GetText("name").value_or(""))}] =
            row.GetText("sql").value_or("");
    }
    return stored;
}

// A name as an identifier in a statement, whatever it holds.
std::string Identifier(const std::string& name) {
    std::string quoted = "`";
    for (const char c : name) quoted += c == '`' ? std::string("``") : std::string(1, c);
    return quoted + "`";
}

}  // namespace

bool Intact(jv::db::Connection& connection) {
    const auto stored = Stored(connection);
    if (stored.size() != SchemaObjects().size()) return false;
    for (const SchemaObject& object : SchemaObjects()) {
        const auto found = stored.find({object.type, Lower(object.name)});
        if (found == stored.end() || found->second != object.sql) return false;
    }
    return true;
}

std::vector<std::string> CreateStatements() {
    std::vector<std::string> statements;
    for (const SchemaObject& object : SchemaObjects()) statements.push_back(object.sql);
    return statements;
}

std::vector<std::string> RewriteStatements(jv::db::Connection& connection) {
    if (Intact(connection)) return {};
    // Every trigger goes and comes back as written here: one left in place could be one of those
    // that do something else under the right name. The table stays when it is as written, so
    // that its numbers go on from where they are; else it is made anew (its numbers start again,
    // and what was kept by them goes with the change of the tables).
    const auto stored = Stored(connection);
    std::vector<std::string> statements;
    for (const auto& [key, sql] : stored) {
        if (key.first == "trigger") statements.push_back("DROP TRIGGER " + Identifier(key.second));
    }
    const auto table = stored.find({"table", Lower(kTable)});
    const bool tableAsWritten = table != stored.end() && table->second == SchemaObjects().front().sql;
    if (!tableAsWritten && table != stored.end()) statements.push_back(std::string("DROP TABLE ") + kTable);
    for (const SchemaObject& object : SchemaObjects()) {
        if (object.type == "table" && tableAsWritten) continue;
        statements.push_back(object.sql);
    }
    return statements;
}

}  // namespace carchanges
