#include "shared/registers/ServiceRegisterDatabaseObject.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/base/NumberText.h"
#include "platform/db/DbError.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"
#include "shared/data/CarChanges.h"
#include "shared/data/MaintenancePlanDatabaseObject.h"
#include "shared/data/OdometerValue.h"
#include "shared/data/OdometerValuesDatabaseObject.h"
#include "shared/data/SqlValue.h"
#include "shared/data/UserPreferences.h"
#include "shared/registers/RegisterTable.h"
#include "shared/registers/RemindersDatabaseObject.h"
#include "shared/registers/RowColumns.h"
#include "shared/registers/RowValues.h"

namespace {

constexpr auto kWording = QueryErrorWording::Capitalised;
const CRegisterTable::Columns kServices{"Services", "ServiceID", "ServiceDate",
                                        CServiceRegisterDatabaseObject::kReadingCondition};

// Call-site numbers of the handlers that check values and keep the readings in step.
enum Line { kAddReading = 170, kUpdate = 86, kDelete = 372, kRefused = 9, kWithItems = 10, kSetItems = 640 };

// The optional columns an insert and an update share, in their order. False when a value was
// refused.
bool AddValues(CRowValues& values, CRowColumns& columns, const std::string& Odometer, const std::string& Vendor,
               const std::string& ServiceMemo, const std::string& Cost, const std::string& Parts,
               const std::string& Labor, const std::string& Other, const std::string& Tax, const std::string& Notes,
               std::optional<double>& odometer) {
    odometer = values.Number("odometer value", Odometer);
    const std::optional<double> cost = values.Number("cost", Cost);
    const std::optional<double> parts = values.Number("parts", Parts);
    const std::optional<double> labor = values.Number("labor", Labor);
    const std::optional<double> other = values.Number("other", Other);
    const std::optional<double> tax = values.Number("tax", Tax);
    if (!values.IsValid()) return false;
    const size_t width = CServiceRegisterDatabaseObject::kTextWidth;
    columns.AddOdometer(Odometer, odometer);
    columns.AddText("Vendor", Vendor, sqlvalue::Quoted(Vendor, width));
    columns.AddText("ServiceMemo", ServiceMemo, sqlvalue::Quoted(ServiceMemo, width));
    if (cost) columns.Add("Cost", sqlvalue::Number(*cost));
    if (parts) columns.Add("Parts", sqlvalue::Number(*parts));
    if (labor) columns.Add("Labor", sqlvalue::Number(*labor));
    if (other) columns.Add("Other", sqlvalue::Number(*other));
    if (tax) columns.Add("Tax", sqlvalue::Number(*tax));
    columns.AddText("Notes", Notes, sqlvalue::Quoted(Notes));
    return true;
}

// A ServiceID as the pages pass it: digits only, so that it can go into SQL as it is.
bool CheckServiceId(const char* method, const std::string& serviceId) {
    if (sqlvalue::IsRecordId(serviceId)) return true;
    TraceLog(method, TRACE_ERROR, "Bad RowID: " + serviceId);
    return false;
}

bool CheckVehicleId(const char* method, const std::string& vehicleId) {
    if (sqlvalue::IsVehicleId(vehicleId)) return true;
    TraceLog(method, TRACE_ERROR, "Invalid vehicle id - " + vehicleId);
    return false;
}

}  // namespace

CServiceRegisterDatabaseObject::CServiceRegisterDatabaseObject(jv::db::Connection connection)
    : CRegisterDatabaseObject(std::move(connection), kServices) {}

bool CServiceRegisterDatabaseObject::AddService(std::string& ServiceID, const std::string& VehicleID,
                                                const std::string& ServiceDate, const std::string& Odometer,
                                                const std::string& Vendor, const std::string& ServiceMemo,
                                                const std::string& Cost, const std::string& Parts,
                                                const std::string& Labor, const std::string& Other,
                                                const std::string& Tax, const std::string& Notes, bool Skipped) {
    const std::string method = "CServiceRegisterDatabaseObject::AddService";
    CRowValues values(method, kAddReading + kRefused);
    values.VehicleID(VehicleID);
    const std::optional<jv::DateTime> date = values.Date(ServiceDate);
    CRowColumns columns;
    if (values.IsValid()) {
        columns.Add("VehicleID", sqlvalue::Quoted(VehicleID));
        columns.Add("ServiceDate", sqlvalue::Date(*date));
    }
    std::optional<double> odometer;
    if (!AddValues(values, columns, Odometer, Vendor, ServiceMemo, Cost, Parts, Labor, Other, Tax, Notes, odometer)) {
        return false;
    }
    columns.Add("Skipped", Skipped ? "-1" : "0");

    // The service and its reading are stored together or not at all; the id is handed out only
    // for a service that stays.
    CRegisterTable table = Table();
    std::string newID;
    const bool added = table.InOneStep(
        [&] {
            if (!table.IsCar(VehicleID, method, kAddReading)) return false;
            std::string sql = columns.Insert("Services");
            try {
                if (!ExecuteCommand(sql)) return false;
            } catch (const jv::db::DbError& error) {
                ReportQueryError(method, 169, sql, error, kWording);
                return false;
            }
            // The new id is read before the reading is recorded, which has an id of its own.
            sql = "SELECT @@IDENTITY as ServiceID ";
            try {
                jv::db::Recordset rs = ExecuteQuery(sql);
                if (!rs.IsOpen() || rs.IsEOF()) {
                    ServiceID.clear();
                    return false;
                }
                newID = std::to_string(rs.GetInt("ServiceID").value_or(0));
                rs.Close();
            } catch (const jv::db::DbError& error) {
                ReportQueryError(method, 190, sql, error, kWording);
                return false;
            }
            // As stored: a skipped service was not done, and a generated entry only stands for a
            // service the user may not have had, so neither tells what the odometer read that day.
            return table.RecordRow(newID, method, kAddReading);
        },
        method, kAddReading);
    if (added) ServiceID = newID;
    return added;
}

bool CServiceRegisterDatabaseObject::UpdateService(const std::string& ServiceID, const std::string& VehicleID,
                                                   const std::string& ServiceDate, const std::string& Odometer,
                                                   const std::string& Vendor, const std::string& ServiceMemo,
                                                   const std::string& Cost, const std::string& Parts,
                                                   const std::string& Labor, const std::string& Other,
                                                   const std::string& Tax, const std::string& Notes) {
    const std::string method = "CServiceRegisterDatabaseObject::UpdateService";
    CRowValues values(method, kUpdate + kRefused);
    values.RowID(ServiceID);
    const std::optional<jv::DateTime> date = values.Date(ServiceDate);
    values.VehicleID(VehicleID, true);
    CRowColumns columns = UpdateColumns(values, date, VehicleID);
    std::optional<double> odometer;
    if (!AddValues(values, columns, Odometer, Vendor, ServiceMemo, Cost, Parts, Labor, Other, Tax, Notes, odometer)) {
        return false;
    }
    // The reading follows the service as it is stored afterwards: its car, its day, its odometer.
    return UpdateStoredRow(ServiceID, columns, method, kUpdate);
}

bool CServiceRegisterDatabaseObject::AddService(std::string& ServiceID, const std::string& VehicleID,
                                                const std::string& ServiceDate, const std::string& Odometer,
                                                const std::string& Vendor, const std::string& ServiceMemo,
                                                const std::string& Cost, const std::string& Parts,
                                                const std::string& Labor, const std::string& Other,
                                                const std::string& Tax, const std::string& Notes, bool Skipped,
                                                const std::vector<CMaintenancePlanItem>& items) {
    std::string newID;
    const bool added = SaveInOneStep(
        [&] {
            return AddService(newID, VehicleID, ServiceDate, Odometer, Vendor, ServiceMemo, Cost, Parts, Labor, Other,
                              Tax, Notes, Skipped) &&
                   SetMaintenanceItems(newID, items);
        },
        "CServiceRegisterDatabaseObject::AddService", kAddReading + kWithItems, kWording);
    if (added) ServiceID = newID;
    return added;
}

bool CServiceRegisterDatabaseObject::UpdateService(const std::string& ServiceID, const std::string& VehicleID,
                                                   const std::string& ServiceDate, const std::string& Odometer,
                                                   const std::string& Vendor, const std::string& ServiceMemo,
                                                   const std::string& Cost, const std::string& Parts,
                                                   const std::string& Labor, const std::string& Other,
                                                   const std::string& Tax, const std::string& Notes,
                                                   const std::vector<CMaintenancePlanItem>& items) {
    return SaveInOneStep(
        [&] {
            return UpdateService(ServiceID, VehicleID, ServiceDate, Odometer, Vendor, ServiceMemo, Cost, Parts, Labor,
                                 Other, Tax, Notes) &&
                   SetMaintenanceItems(ServiceID, items);
        },
        "CServiceRegisterDatabaseObject::UpdateService", kUpdate + kWithItems, kWording);
}

bool CServiceRegisterDatabaseObject::DeleteService(const std::string& ServiceID) {
    const std::string method = "CServiceRegisterDatabaseObject::DeleteService";
    if (!CheckServiceId(method.c_str(), ServiceID)) return false;
    // The service goes with the items it covered, or neither does.
    CRegisterTable table = Table();
    return table.InOneStep(
        [&] { return table.DeleteRow(ServiceID, method, kDelete) && DeleteAllMaintenanceItems(ServiceID); }, method,
        kDelete);
}

bool CServiceRegisterDatabaseObject::AddMaintenanceItem(const std::string& ServiceID, int MaintenancePlanItemID) {
    static const char* const kMethod = "CServiceRegisterDatabaseObject::AddMaintenanceItem";
    if (ServiceID.empty()) {
        TraceLog(kMethod, TRACE_ERROR, "Tried to add maintenance item with blank ServiceID");
        return false;
    }
    if (!CheckServiceId(kMethod, ServiceID)) return false;
    const std::string sql = "Insert into ServiceItems (ServiceID, MaintenancePlanItemID) values(" + ServiceID + ", " +
                            std::to_string(MaintenancePlanItemID) + ")";
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& error) {
        ReportQueryError(kMethod, 612, sql, error, kWording);
        return false;
    }
}

bool CServiceRegisterDatabaseObject::DeleteAllMaintenanceItems(const std::string& ServiceID) {
    static const char* const kMethod = "CServiceRegisterDatabaseObject::DeleteAllMaintenanceItems";
    if (!CheckServiceId(kMethod, ServiceID)) return false;
    const std::string sql = "Delete from ServiceItems where ServiceID=" + ServiceID;
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& error) {
        ReportQueryError(kMethod, 639, sql, error, kWording);
        return false;
    }
}

bool CServiceRegisterDatabaseObject::SetMaintenanceItems(const std::string& ServiceID,
                                                         const std::vector<CMaintenancePlanItem>& items) {
    return SaveInOneStep(
        [&] {
            if (!DeleteAllMaintenanceItems(ServiceID)) return false;
            for (const CMaintenancePlanItem& item : items) {
                if (!AddMaintenanceItem(ServiceID, item.MaintenancePlanItemID)) return false;
            }
            return true;
        },
        "CServiceRegisterDatabaseObject::SetMaintenanceItems", kSetItems, kWording);
}

bool CServiceRegisterDatabaseObject::GetOdometerData(const std::string& ServiceID, COdometerValue& value) {
    static const char* const kMethod = "CServiceRegisterDatabaseObject::GetOdometerData";
    if (!sqlvalue::IsRecordId(ServiceID)) {
        const std::string message = "Bad RowID in GetOdometerData(): " + ServiceID;
        TraceLog(kMethod, TRACE_ERROR, message);
        CErrorReporting::Report(kMethod, 673, message);
        return false;
    }
    const std::string sql =
        "SELECT VehicleID, ServiceDate, Odometer FROM Services WHERE ServiceID=" + ServiceID + " and Skipped=0";
    try {
        auto rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return false;
        if (const auto date = rs.GetDate("ServiceDate")) value.OdometerDate = *date;
        value.OdometerDate.SetStatus(jv::DateTime::Status::Valid);
        value.VehicleID = rs.GetText("VehicleID").value_or("");
        value.OdometerValue = rs.GetSingle("Odometer").value_or(0.0f);
        rs.Close();
        return true;
    } catch (const jv::db::DbError& error) {
        ReportQueryError(kMethod, 691, sql, error, kWording);
        return false;
    }
}

bool CServiceRegisterDatabaseObject::ValidateMaintenanceItem(const std::string& VehicleID, int MaintenancePlanItemID) {
    static const char* const kMethod = "CServiceRegisterDatabaseObject::ValidateMaintenanceItem";
    if (!CheckVehicleId(kMethod, VehicleID)) return false;
    const std::string sql =
        "SELECT MaintenancePlanItemID FROM MaintenancePlanItems i, Vehicles v"
        " WHERE i.MaintenancePlanID=v.MaintenancePlanID and v.VehicleID ='" +
        VehicleID + "' and i.MaintenancePlanItemID=" + std::to_string(MaintenancePlanItemID);
    try {
        auto rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return false;
        rs.Close();
        return true;
    } catch (const jv::db::DbError& error) {
        ReportQueryError(kMethod, 1047, sql, error, kWording);
        return false;
    }
}

void CServiceRegisterDatabaseObject::GetMaintenanceItems(const std::string& ServiceID,
                                                         std::vector<CMaintenancePlanItem>& items) {
    static const char* const kMethod = "CServiceRegisterDatabaseObject::GetMaintenanceItems";
    if (!CheckServiceId(kMethod, ServiceID)) return;
    const std::string sql =
        "SELECT m.MaintenancePlanItemID , ACTION_DESCRIPTION , ITEM_DESCRIPTION , INITIAL_MILEAGE , INITIAL_MONTH "
        ", INTERVAL_MILEAGE , INTERVAL_MONTH  FROM MaintenancePlanItems m, ServiceItems s "
        " WHERE m.MaintenancePlanItemID=s.MaintenancePlanItemID  and s.ServiceID=" +
        ServiceID + " ORDER BY ITEM_DESCRIPTION";
    CMaintenancePlanDatabaseObject(GetConnection()).ReadItems(kMethod, 409, sql, items);
}

void CServiceRegisterDatabaseObject::GetAllMaintenanceItems(const std::string& VehicleID,
                                                            std::vector<CMaintenancePlanItem>& items,
                                                            bool includeSkipped) {
    static const char* const kMethod = "CServiceRegisterDatabaseObject::GetAllMaintenanceItems";
    if (!CheckVehicleId(kMethod, VehicleID)) return;
    std::string sql =
        "SELECT MaintenancePlanItemID, ACTION_DESCRIPTION , ITEM_DESCRIPTION , INITIAL_MILEAGE , INITIAL_MONTH , "
        "INTERVAL_MILEAGE , INTERVAL_MONTH FROM MaintenancePlanItems i, Vehicles v "
        "WHERE i.MaintenancePlanID=v.MaintenancePlanID and v.VehicleID = '" +
        VehicleID + "' ";
    if (!includeSkipped) sql += "and i.Skip=0 ";
    sql += "order by ITEM_DESCRIPTION, INTERVAL_MILEAGE desc, INTERVAL_MONTH desc;";
    CMaintenancePlanDatabaseObject(GetConnection()).ReadItems(kMethod, 495, sql, items);
}

const RegisterListing& CServiceRegisterDatabaseObject::Listing() {
    static const RegisterListing listing{
        "s.VehicleID, ServiceID, ServiceDate, Odometer, Vendor, ServiceMemo, Cost, Parts, Labor, Other, Tax, s.Notes",
        "Services",
        "s",
        "ServiceID",
        "ServiceDate, s.VehicleID, Odometer",
        "Skipped=0",
        "CServiceRegisterDatabaseObject::GetServiceRegister",
        266,
        kWording};
    return listing;
}

CService CServiceRegisterDatabaseObject::ReadEntry(const jv::db::Recordset& rs) {
    CService service;
    service.ServiceID = rs.GetInt("ServiceID").value_or(0);
    service.VehicleID = rs.GetText("VehicleID").value_or("");
    if (const auto date = rs.GetDate("ServiceDate")) service.ServiceDate = *date;
    service.Odometer = rs.GetSingle("Odometer").value_or(0.0f);
    service.Vendor = rs.GetText("Vendor").value_or("");
    service.ServiceMemo = rs.GetText("ServiceMemo").value_or("");
    service.Cost = rs.GetSingle("Cost").value_or(0.0f);
    service.Parts = rs.GetSingle("Parts").value_or(0.0f);
    service.Labor = rs.GetSingle("Labor").value_or(0.0f);
    service.Other = rs.GetSingle("Other").value_or(0.0f);
    service.Tax = rs.GetSingle("Tax").value_or(0.0f);
    service.Notes = rs.GetText("Notes").value_or("");
    return service;
}

void CServiceRegisterDatabaseObject::GetServiceRegister(const std::string& VehicleID, std::vector<CService>& services,
                                                        const CUserPreferences& preferences) {
    ReadRegister(Listing(), VehicleID, preferences, &ReadEntry, services);
}

void CServiceRegisterDatabaseObject::GetLatestServices(const std::string& VehicleID, std::vector<CService>& services) {
    static const char* const kMethod = "CServiceRegisterDatabaseObject::GetLatestServices";
    if (!sqlvalue::IsVehicleIdPattern(VehicleID)) {
        TraceLog(kMethod, TRACE_ERROR, "Invalid vehicle id - " + VehicleID);
        return;
    }
    if (sqlvalue::IsVehicleId(VehicleID)) {
        GetLatestServicesOfCar(VehicleID, services);
        return;
    }
    const std::string sql =
        "select s.ServiceDate, s.Odometer, s.VehicleID, i.MaintenancePlanItemID, ACTION_DESCRIPTION , "
        "ITEM_DESCRIPTION , INITIAL_MILEAGE , INITIAL_MONTH , INTERVAL_MILEAGE , INTERVAL_MONTH  from services s, "
        "serviceitems i, MostRecentServices ls, MaintenancePlanItems mpi where s.ServiceID = i.ServiceID and "
        "s.VehicleID like '" +
        VehicleID +
        "' and s.ServiceDate=ls.ServiceDate and i.MaintenancePlanItemID=ls.MaintenancePlanItemID and "
        "i.MaintenancePlanItemID=mpi.MaintenancePlanItemID order by s.ServiceDate";
    // The query looks at every service there is: what it found is kept with the open file until
    // its content changes, so asking again costs nothing however long the history.
    std::optional<std::uint64_t> version;
    const std::string name = "latest services of " + VehicleID;
    try {
        if (m_connection.IsOpen()) version = m_connection.ContentVersion();
    } catch (const jv::db::DbError&) {
        // Then nothing is kept; the query reports what is wrong.
    }
    if (version) {
        if (const auto kept = m_connection.Derived(name, *version)) {
            const auto& found = *std::static_pointer_cast<const std::vector<CService>>(kept);
            services.insert(services.end(), found.begin(), found.end());
            return;
        }
    }
    auto found = std::make_shared<std::vector<CService>>();
    try {
        auto rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            CService service;
            service.VehicleID = rs.GetText("VehicleID").value_or("");
            if (const auto date = rs.GetDate("ServiceDate")) service.ServiceDate = *date;
            service.Odometer = rs.GetSingle("Odometer").value_or(0.0f);
            service.items.push_back(CMaintenancePlanDatabaseObject::ItemFromRow(rs));
            found->push_back(std::move(service));
        }
        rs.Close();
    } catch (const jv::db::DbError& error) {
        ReportQueryError(kMethod, 830, sql, error, kWording);
        // What was read before the failure is given, as before; nothing is kept.
        services.insert(services.end(), found->begin(), found->end());
        return;
    }
    services.insert(services.end(), found->begin(), found->end());
    if (version) m_connection.KeepDerived(name, *version, std::move(found));
}

namespace {

// One car's latest services with what orders them as the query over every car does: by date,
// services of one date by plan item, then in the order their items were stored.
struct LatestService {
    CService service;
    int dateKind = 0;  // how the engine orders the stored date: numbers before text
    double date = 0.0;
    std::string dateText;
    std::int64_t itemRow = 0;
};

bool Earlier(const LatestService& a, const LatestService& b) {
    return std::tie(a.dateKind, a.date, a.dateText, a.service.items.front().MaintenancePlanItemID, a.itemRow) <
           std::tie(b.dateKind, b.date, b.dateText, b.service.items.front().MaintenancePlanItemID, b.itemRow);
}

}  // namespace

void CServiceRegisterDatabaseObject::GetLatestServicesOfCar(const std::string& VehicleID,
                                                            std::vector<CService>& services) {
    static const char* const kMethod = "CServiceRegisterDatabaseObject::GetLatestServices";
    // The same rows as the query over every car gives for this one, found through the car's
    // services and the services of their plan items only, and kept with the open file while the
    // car's latest services stay the same (see CarChanges.h).
    const std::string name = "latest services of car " + VehicleID;
    carchanges::KeptForCar kept(m_connection, VehicleID, carchanges::Kind::Services);
    if (const auto found = kept.Find(name)) {
        const auto& latest = *std::static_pointer_cast<const std::vector<CService>>(found);
        services.insert(services.end(), latest.begin(), latest.end());
        return;
    }

    const std::string itemsSql =
        "SELECT DISTINCT i.MaintenancePlanItemID FROM Services s, ServiceItems i WHERE s.VehicleID = ? AND "
        "i.ServiceID = s.ServiceID AND i.MaintenancePlanItemID IS NOT NULL";
    // The car's services of one plan item that have the item's latest date, whichever car's
    // service that date is of.
    const std::string latestSql =
        "SELECT s.ServiceDate, s.Odometer, s.VehicleID, i.MaintenancePlanItemID, ACTION_DESCRIPTION, "
        "ITEM_DESCRIPTION, INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH, i.rowid AS ItemRow "
        "FROM ServiceItems i, Services s, MaintenancePlanItems mpi WHERE i.MaintenancePlanItemID = ? AND "
        "s.ServiceID = i.ServiceID AND s.VehicleID = ? AND mpi.MaintenancePlanItemID = i.MaintenancePlanItemID AND "
        "s.ServiceDate = (SELECT max(s2.ServiceDate) FROM ServiceItems i2, Services s2 WHERE "
        "i2.MaintenancePlanItemID = ? AND s2.ServiceID = i2.ServiceID)";
    std::vector<LatestService> latest;
    const std::string* running = &itemsSql;
    try {
        std::vector<std::int64_t> items;
        for (jv::db::Rows rows = m_connection.Query(itemsSql, {VehicleID}); rows.Next();) {
            items.push_back(static_cast<std::int64_t>(rows.Number(0)));
        }
        running = &latestSql;
        for (const std::int64_t item : items) {
            for (jv::db::Rows rows = m_connection.Query(latestSql, {item, VehicleID, item}); rows.Next();) {
                const jv::db::Recordset& rs = rows.Row();
                LatestService row;
                row.service.VehicleID = rs.GetText("VehicleID").value_or("");
                if (const auto date = rs.GetDate("ServiceDate")) row.service.ServiceDate = *date;
                row.service.Odometer = rs.GetSingle("Odometer").value_or(0.0f);
                row.service.items.push_back(CMaintenancePlanDatabaseObject::ItemFromRow(rs));
                const auto kind = rows.Type(0);
                row.dateKind = kind == jv::db::Recordset::Integer || kind == jv::db::Recordset::Real ? 1 : 2;
                row.date = rows.Number(0);
                if (row.dateKind == 2) row.dateText = rs.GetText("ServiceDate").value_or("");
                row.itemRow = rs.GetInt("ItemRow").value_or(0);
                latest.push_back(std::move(row));
            }
        }
    } catch (const jv::db::DbError& error) {
        ReportQueryError(kMethod, 830, *running, error, kWording);
        return;
    }
    std::sort(latest.begin(), latest.end(), Earlier);
    auto found = std::make_shared<std::vector<CService>>();
    for (LatestService& row : latest) found->push_back(std::move(row.service));
    services.insert(services.end(), found->begin(), found->end());
    kept.Keep(name, std::move(found));
}

void CServiceRegisterDatabaseObject::GetUpcomingServices(const std::string& VehicleID,
                                                         std::vector<CMaintenancePlanItem>& items,
                                                         CUserPreferences& preferences) {
    // No lower bound: overdue items are offered too.
    const jv::DateTime from = jv::DateTime::Null();
    const jv::DateTime to = CRemindersDatabaseObject::Now() + CRemindersDatabaseObject::kUpcomingDays;
    std::vector<CReminder> reminders;
    CRemindersDatabaseObject remindersDb(m_connection);
    remindersDb.GetReminders(VehicleID, from, to, reminders, preferences);
    for (const CReminder& reminder : reminders) {
        CMaintenancePlanItem item;
        item.MaintenancePlanItemID = reminder.MaintenancePlanItemID;
        item.DisplayText = reminder.DisplayText;
        items.push_back(std::move(item));
    }
}
