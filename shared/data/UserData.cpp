#include "shared/data/UserData.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/db/DbError.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarChanges.h"

namespace {

constexpr const char* kVersionQuery = "select version from version;";

// The statements that bring a database from one version to the next. A step's last statement
// writes the new version.
struct UpgradeStep {
    bool logsProgress;
    std::vector<std::string> statements;
};

const std::vector<UpgradeStep>& UpgradeSteps() {
    static const std::vector<UpgradeStep> kSteps = {
        // 0 to 1: odometer, distance and money columns become single-precision numbers.
        {true,
         {"alter table Services alter column Odometer single", "alter table Expenses alter column Odometer single",
          "alter table FuelPurchases alter column Odometer single",
          "alter table FuelPurchases alter column Distance single",
          "alter table Trips alter column StartOdometer single", "alter table Trips alter column EndOdometer single",
          "alter table Trips alter column Distance single",
          "alter table OdometerValues alter column OdometerValue single",
          "alter table Vehicles alter column PurchaseOdometer single",
          "alter table Vehicles alter column PurchasePrice single",
          "alter table Vehicles alter column SoldPrice single", "Update version set version=1"}},
        // 1 to 2: engine and transmission details of a car.
        {false,
         {"alter table Vehicles add column Engine varchar(50)",
          "alter table Vehicles add column EngineCode varchar(10)",
          "alter table Vehicles alter column Transmission varchar(50)",
          "alter table Vehicles add column TransmissionCode varchar(20)", "Update version set version=2"}},
        // 2 to 3: four columns are rebuilt as single through a temporary column, keeping their values.
        {true,
         {"alter table Expenses add column NewCost single",
          "update expenses set NewCost=Cost",
          "alter table Expenses drop column Cost",
          "alter table Expenses add column Cost single",
          "update expenses set Cost=NewCost",
          "alter table Expenses drop column NewCost",
          "alter table Expenses add column NewOdometer single",
          "update expenses set NewOdometer=Odometer",
          "alter table Expenses drop column Odometer",
          "alter table Expenses add column Odometer single",
          "update expenses set Odometer=NewOdometer",
          "alter table Expenses drop column NewOdometer",
          "alter table Services add column NewOdometer single",
          "update Services set NewOdometer=Odometer",
          "alter table Services drop column Odometer",
          "alter table Services add column Odometer single",
          "update Services set Odometer=NewOdometer",
          "alter table Services drop column NewOdometer",
          "alter table FuelPurchases add column NewCost single",
          "update FuelPurchases set NewCost=Cost",
          "alter table FuelPurchases drop column Cost",
          "alter table FuelPurchases add column Cost single",
          "update FuelPurchases set Cost=NewCost",
          "alter table FuelPurchases drop column NewCost",
          "Update version set version=3"}},
        // 3 to 4: insurance and licence-plate details of a car.
        {true,
         {"alter table Vehicles add column InsuranceProvider varchar(50)",
          "alter table Vehicles add column PolicyNumber varchar(30)",
          "alter table Vehicles add column LicensePlate varchar(20)", "Update version set version=4"}},
        // 4 to 5: new plan-item columns in all three item tables, the descriptions moved out of
        // their "Ed_" columns; drive type and region of a car.
        {true,
         {"alter table MaintenancePlanItems add column MVC_Qualifiers varchar(50)",
          "alter table MaintenancePlanItems add column Non_MVC_Qualifiers varchar(50)",
          "alter table MaintenancePlanItems add column Service_Type varchar(50)",
          "alter table MaintenancePlanItems add column Service_Indicator char(1)",
          "alter table MaintenancePlanItems add column Action_Description varchar(50)",
          "update MaintenancePlanItems set Action_Description = Ed_Action_Description",
          "alter table MaintenancePlanItems drop column Ed_Action_Description",
          "alter table MaintenancePlanItems add column Item_Description varchar(50)",
          "update MaintenancePlanItems set Item_Description = Ed_Item_Description",
          "alter table MaintenancePlanItems drop column Ed_Item_Description",
          "alter table CustomMaintenancePlanItems add column MVC_Qualifiers varchar(50)",
          "alter table CustomMaintenancePlanItems add column Non_MVC_Qualifiers varchar(50)",
          "alter table CustomMaintenancePlanItems add column Service_Type varchar(50)",
          "alter table CustomMaintenancePlanItems add column Service_Indicator char(1)",
          "alter table CustomMaintenancePlanItems add column Action_Description varchar(50)",
          "update CustomMaintenancePlanItems set Action_Description = Ed_Action_Description",
          "alter table CustomMaintenancePlanItems drop column Ed_Action_Description",
          "alter table CustomMaintenancePlanItems add column Item_Description varchar(50)",
          "update CustomMaintenancePlanItems set Item_Description = Ed_Item_Description",
          "alter table CustomMaintenancePlanItems drop column Ed_Item_Description",
          "alter table GenericMaintenancePlanItems add column MVC_Qualifiers varchar(50)",
          "alter table GenericMaintenancePlanItems add column Non_MVC_Qualifiers varchar(50)",
          "alter table GenericMaintenancePlanItems add column Service_Type varchar(50)",
          "alter table GenericMaintenancePlanItems add column Service_Indicator char(1)",
          "alter table GenericMaintenancePlanItems add column Action_Description varchar(50)",
          "update GenericMaintenancePlanItems set Action_Description = Ed_Action_Description",
          "alter table GenericMaintenancePlanItems drop column Ed_Action_Description",
          "alter table GenericMaintenancePlanItems add column Item_Description varchar(50)",
          "update GenericMaintenancePlanItems set Item_Description = Ed_Item_Description",
          "alter table GenericMaintenancePlanItems drop column Ed_Item_Description",
          "alter table Vehicles add column DriveType varchar(50)",
          "alter table Vehicles add column Region varchar(50)",
          "Update version set version=5"}},
        // 5 to 6: longer item descriptions.
        {true,
         {"alter table MaintenancePlanItems alter column Item_Description varchar(100)",
          "alter table CustomMaintenancePlanItems alter column Item_Description varchar(100)",
          "alter table GenericMaintenancePlanItems alter column Item_Description varchar(100)",
          "Update version set version=6"}},
        // 6 to 7: a cost column for other costs of a service.
        {true, {"alter table Services add column Other single", "Update version set version=7"}},
        // 7 to 8: the expense category "Body Repair" becomes "Repair".
        {true,
         {"update ExpenseCategories set name = 'Repair' where Name = 'Body Repair'", "Update version set version=8"}},
        // 8 to 9: the file records which cars changed (a new user's file too: the blank database is
        // of version 8).
        {false,
         [] {
             std::vector<std::string> statements = carchanges::CreateStatements();
             statements.emplace_back("Update version set version=9");
             return statements;
         }()},
    };
    return kSteps;
}

struct StoredVersion {
    bool hasRow = false;
    int version = 0;  // 0 when there is no row or the version is NULL
};

StoredVersion ReadVersion(jv::db::Connection& connection) {
    jv::db::Recordset rs = connection.Execute(kVersionQuery);
    StoredVersion stored;
    if (!rs.IsEOF()) {
        stored.hasRow = true;
        stored.version = rs.GetInt("Version").value_or(0);
    }
    rs.Close();
    return stored;
}

std::string Details(const jv::db::DbError& error) {
    return "\r\n\tSource :  " + error.source() + " \r\n\tDescription : " + error.description();
}

// Indexes the program reads through that files made by earlier builds lack; the blank database
// has them. They change no data, so they are added at every open rather than by a version step.
const char* const kReadIndexes[] = {
    "CREATE INDEX IF NOT EXISTS OdometerValuesByValue ON OdometerValues (VehicleID, OdometerValue, OdometerDate)",
};

// Only speed depends on them: a file that cannot take one now (the other program holds the
// lock) is used without it and gets it at a later open.
void AddReadIndexes(jv::db::Connection& connection) {
    for (const char* sql : kReadIndexes) {
        try {
            connection.ExecuteNonQuery(sql);
        } catch (const jv::db::DbError& error) {
            TraceLog("CUserData::OpenConnections", TRACE_WARNING,
                     std::string("Could not add an index. Query is ") + sql + Details(error));
        }
    }
}

// A Jorvane file of any version has the cars and the preferences, which every page reads;
// another program's database lacks them.
bool IsJorvaneFile(jv::db::Connection& connection) {
    return connection.HasTable("Vehicles") && connection.HasTable("Prefs");
}

// Lets the connection wait for another program at most `most` while it lives, then as before.
class WaitAtMost {
public:
    WaitAtMost(jv::db::Connection& connection, std::chrono::milliseconds most)
        : connection_(connection), before_(connection.busyWait()) {
        connection_.SetBusyWait(std::min(before_, most));
    }
    ~WaitAtMost() { connection_.SetBusyWait(before_); }
    WaitAtMost(const WaitAtMost&) = delete;
    WaitAtMost& operator=(const WaitAtMost&) = delete;

private:
    jv::db::Connection& connection_;
    std::chrono::milliseconds before_;
};

}  // namespace

bool CUserData::OpenConnections(const std::string& path) {
    m_strDatabasePath = path;
    m_connection.Close();
    m_nVersion = -1;
    // What the open does to the file (its journal mode, the upgrade, the indexes) waits for another
    // program kOpenWait in all; the program's own work waits as long as ever afterwards.
    const auto waitUntil = std::chrono::steady_clock::now() + kOpenWait;
    const auto rest = [waitUntil] {
        return std::max(
            std::chrono::duration_cast<std::chrono::milliseconds>(waitUntil - std::chrono::steady_clock::now()),
            std::chrono::milliseconds::zero());
    };
    m_bHeld = false;
    m_bNotJorvaneFile = false;
    try {
        // Nothing is written into the file before it is known to be a Jorvane file.
        m_connection = jv::db::Connection::Open(path, kOpenWait, jv::db::Connection::Journal::Unchanged);
        if (!IsJorvaneFile(m_connection)) {
            m_connection.Close();
            m_bNotJorvaneFile = true;
            TraceLog(
                "CUserData::OpenConnections", TRACE_WARNING,
                "The file " + path + " is not a Jorvane database (no table Vehicles or Prefs): it is left as it is.");
            return false;
        }
        m_connection.UseWriteAheadLog();
    } catch (const jv::db::DbError& error) {
        m_connection.Close();
        if (error.IsLocked()) {
            m_bHeld = true;
            TraceLog("CUserData::OpenConnections", TRACE_WARNING,
                     "Another program holds the database " + path + ": it cannot be read until that program lets go." +
                         Details(error));
            return false;
        }
        TraceLog("CUserData::OpenConnections", TRACE_ERROR,
                 "Error connecting to user database\n\tSource :  " + error.source() +
                     " \n\tdescription : " + error.description() + " \n\tmessage : " + error.message() + "\n ");
        return false;
    }
    // A failed upgrade has been logged and reported; the database is used at the version it has.
    Upgrade(rest());
    // Held by another program at a version the pages cannot read: nothing is used of it yet.
    if (m_bHeld && m_nVersion < kOldestVersionUsedAsItIs) {
        m_connection.Close();
        m_bConnected = false;
        return false;
    }
    m_bHeld = false;
    if (!IsLaterVersion() && !m_connection.IsReadOnly()) {
        const WaitAtMost most(m_connection, rest());
        AddReadIndexes(m_connection);
    }
    m_connection.SetBusyWait(jv::db::Connection::kBusyWait);
    m_bConnected = true;
    return true;
}

bool CUserData::CheckAndUpdateVersion() {
    // What the last open met stays as it was.
    const bool held = m_bHeld;
    const bool upgraded = Upgrade(kOpenWait);
    m_bHeld = held;
    return upgraded;
}

bool CUserData::Upgrade(std::chrono::milliseconds wait) {
    constexpr const char* kMethod = "CUserData::CheckAndUpdateVersion";
    if (!m_connection.IsOpen()) return false;

    int version = 0;
    try {
        version = ReadVersion(m_connection).version;
        m_nVersion = version;
        // A later version of the program may have changed what this one would write: nothing is.
        if (version > kCurrentVersion) {
            TraceLog(kMethod, TRACE_WARNING,
                     "The database is of version " + std::to_string(version) + ", later than this program's " +
                         std::to_string(kCurrentVersion) + ": it is used as it is and nothing is upgraded.");
            return true;
        }
        // The record of changes is written anew where it is not as written here and the file may
        // be written; elsewhere the program trusts nothing of it.
        if (version == kCurrentVersion && (m_connection.IsReadOnly() || carchanges::Intact(m_connection))) {
            return true;
        }
        // A file the user may not write is no fault of the program's: it is used as it is, and an
        // open that may write it upgrades it.
        if (m_connection.IsReadOnly()) {
            TraceLog(kMethod, TRACE_WARNING,
                     "The database cannot be written: it is used at version " + std::to_string(version) +
                         " as it is, and upgraded at an open that may write it.");
            return false;
        }
    } catch (const jv::db::DbError& error) {
        m_nVersion = -1;
        if (error.IsLocked()) {
            m_bHeld = true;
            TraceLog(kMethod, TRACE_WARNING,
                     std::string("Another program holds the database: its version cannot be read now. Query is ") +
                         kVersionQuery + Details(error));
            return false;
        }
        TraceLog(kMethod, TRACE_ERROR,
                 std::string("Error reading the database version. Query is ") + kVersionQuery + Details(error));
        return false;
    }

    // The upgrade holds the file from its first step to its last. The other program, opening the
    // file meanwhile, waits here a moment and then finds the version the upgrade wrote, or uses
    // the file as it is: it never starts the same steps over nor sees a half-changed file.
    std::optional<jv::db::Transaction> upgrade;
    try {
        {
            const WaitAtMost most(m_connection, wait);
            upgrade.emplace(m_connection, jv::db::Connection::Lock::Exclusive);
        }
        const StoredVersion stored = ReadVersion(m_connection);
        version = stored.version;
        m_nVersion = version;
        if (version > kCurrentVersion) return true;
        // Without a row the steps' updates would change nothing and every open would start over.
        if (!stored.hasRow && version < kCurrentVersion) {
            m_connection.ExecuteNonQuery("insert into version (Version) values (" + std::to_string(version) + ")");
        }
    } catch (const jv::db::DbError& error) {
        if (error.IsLocked()) {
            // Another program holds the file (or this one was asked to stop). A file this version
            // works on as it is is used so, and a later open upgrades it; an older one waits for
            // the other program (see OpenConnections).
            m_bHeld = true;
            TraceLog(kMethod, TRACE_WARNING,
                     "Another program holds the database: its upgrade from version " + std::to_string(version) +
                         (version < kOldestVersionUsedAsItIs
                              ? " waits for that program to let go, as this version cannot use the file as it is."
                              : " waits for a later open.") +
                         Details(error));
            return false;
        }
        const std::string message = "Error updating database from version " + std::to_string(version) + " to " +
                                    std::to_string(version + 1) + ". Query is " + error.statement() + Details(error);
        TraceLog(kMethod, TRACE_ERROR, message);
        CErrorReporting::Report(kMethod, __LINE__, message);
        return false;
    }

    // Each step runs within its own savepoint: a step that fails is undone, the steps before it
    // are kept, and the next open runs it again.
    const auto& steps = UpgradeSteps();
    bool upgraded = true;
    while (version < kCurrentVersion) {
        if (version < 0) {
            ++version;
            continue;
        }
        const UpgradeStep& step = steps[static_cast<size_t>(version)];
        const std::string fromTo = "version " + std::to_string(version) + " to " + std::to_string(version + 1);
        try {
            jv::db::Transaction transaction(m_connection);
            if (step.logsProgress) TraceLog(kMethod, TRACE_INFO, "Converting database from " + fromTo + ".");
            for (const std::string& statement : step.statements) m_connection.ExecuteNonQuery(statement);
            transaction.Commit();
        } catch (const jv::db::DbError& error) {
            const std::string message =
                "Error updating database from " + fromTo + ". Query is " + error.statement() + Details(error);
            TraceLog(kMethod, TRACE_ERROR, message);
            CErrorReporting::Report(kMethod, __LINE__, message);
            upgraded = false;
            break;
        }
        ++version;
    }
    m_nVersion = version;
    // A record of changes that is not what this version writes is written anew: until then the
    // program trusts nothing of it and works everything out afresh.
    if (upgraded) {
        try {
            jv::db::Transaction transaction(m_connection);
            const std::vector<std::string> rewrite = carchanges::RewriteStatements(m_connection);
            if (!rewrite.empty()) {
                TraceLog(kMethod, TRACE_INFO, "Writing the record of changed cars anew.");
                for (const std::string& statement : rewrite) m_connection.ExecuteNonQuery(statement);
            }
            transaction.Commit();
        } catch (const jv::db::DbError& error) {
            const std::string message =
                "Error writing the record of changed cars. Query is " + error.statement() + Details(error);
            TraceLog(kMethod, TRACE_ERROR, message);
            CErrorReporting::Report(kMethod, __LINE__, message);
            upgraded = false;
        }
    }
    // A failure the engine answered by giving the whole upgrade up (a full disk) has been reported.
    if (!m_connection.InTransaction()) return false;
    try {
        upgrade->Commit();
    } catch (const jv::db::DbError& error) {
        const std::string message = "Error updating database to version " + std::to_string(version) + ". Query is " +
                                    error.statement() + Details(error);
        TraceLog(kMethod, TRACE_ERROR, message);
        CErrorReporting::Report(kMethod, __LINE__, message);
        return false;
    }
    return upgraded;
}
