#include "shared/data/MaintenancePlanDatabaseObject.h"

#include "platform/db/DbError.h"
#include "shared/core/TraceLog.h"
#include "shared/data/SqlValue.h"

namespace {

constexpr auto kWording = QueryErrorWording::Capitalised;

// A one-letter flag as SQL text; a flag the item never got (a NUL) takes its default.
std::string Flag(char flag, char fallback) {
    return sqlvalue::Quoted(std::string(1, flag == '\0' ? fallback : flag), 1);
}

std::string Int(int value) {
    return std::to_string(value);
}

}  // namespace

CMaintenancePlanItem CMaintenancePlanDatabaseObject::ItemFromRow(const jv::db::Recordset& rs) {
    CMaintenancePlanItem item;
    if (rs.HasField("MaintenancePlanItemID"))
        item.MaintenancePlanItemID = rs.GetInt("MaintenancePlanItemID").value_or(0);
    item.ACTION_DESCRIPTION = rs.GetText("ACTION_DESCRIPTION").value_or("");
    item.ITEM_DESCRIPTION = rs.GetText("ITEM_DESCRIPTION").value_or("");
    item.DisplayText = CMaintenancePlanItem::MakeDisplayText(item.ITEM_DESCRIPTION, item.ACTION_DESCRIPTION);
    item.INITIAL_MILEAGE = rs.GetInt("INITIAL_MILEAGE").value_or(0);
    item.INITIAL_MONTH = rs.GetInt("INITIAL_MONTH").value_or(0);
    item.INTERVAL_MILEAGE = rs.GetInt("INTERVAL_MILEAGE").value_or(0);
    item.INTERVAL_MONTH = rs.GetInt("INTERVAL_MONTH").value_or(0);
    return item;
}

bool CMaintenancePlanDatabaseObject::UpdateMaintenanceItem(CMaintenancePlanItem& item) {
    const std::string sql = "Update MaintenancePlanItems set INITIAL_MILEAGE=" + Int(item.INITIAL_MILEAGE) +
                            ", INITIAL_MONTH=" + Int(item.INITIAL_MONTH) +
                            ", INTERVAL_MILEAGE=" + Int(item.INTERVAL_MILEAGE) +
                            ", INTERVAL_MONTH=" + Int(item.INTERVAL_MONTH) +
                            " where MaintenancePlanItemID=" + Int(item.MaintenancePlanItemID);
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CMaintenancePlanDatabaseObject::UpdateMaintenanceItem", 252, sql, e, kWording);
        return false;
    }
}

bool CMaintenancePlanDatabaseObject::InsertCustomMaintenanceItem(CMaintenancePlanItem& item) {
    const std::string sql =
        "INSERT into CustomMaintenancePlanItems ( INITIAL_MILEAGE, initial_month, INTERVAL_MILEAGE, interval_month, "
        "ACTION_DESCRIPTION, ITEM_DESCRIPTION, SEVERE_SERVICE_FLAG) values(" +
        Int(item.INITIAL_MILEAGE) + "," + Int(item.INITIAL_MONTH) + "," + Int(item.INTERVAL_MILEAGE) + "," +
        Int(item.INTERVAL_MONTH) + "," + sqlvalue::Quoted(item.ACTION_DESCRIPTION, 50) + "," +
        sqlvalue::Quoted(item.ITEM_DESCRIPTION, 100) + ", " + Flag(item.severe_service_flag, 'S') + ")";
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CMaintenancePlanDatabaseObject::InsertCustomMaintenanceItem", 699, sql, e, kWording);
        return false;
    }
}

bool CMaintenancePlanDatabaseObject::InsertMaintenanceItem(const std::string& maintenancePlanID,
                                                           CMaintenancePlanItem& item) {
    constexpr const char* kMethod = "CMaintenancePlanDatabaseObject::InsertMaintenanceItem";
    if (!sqlvalue::IsRecordId(maintenancePlanID)) {
        TraceLog(kMethod, TRACE_ERROR, "Invalid maintenance plan id - " + maintenancePlanID);
        return false;
    }
    std::string sql =
        "INSERT into MaintenancePlanItems (MaintenancePlanID, severe_service_flag, engine_code, transmission_code, "
        "drive_type_code, INITIAL_MILEAGE, initial_month, INTERVAL_MILEAGE, interval_month, ACTION_DESCRIPTION, "
        "ITEM_DESCRIPTION, MVC_Qualifiers, Non_MVC_Qualifiers, Service_Type, Service_Indicator) values(" +
        maintenancePlanID + "," + Flag(item.severe_service_flag, 'S') + "," + sqlvalue::Quoted(item.engine_code) + "," +
        sqlvalue::Quoted(item.transmission_code) + "," + sqlvalue::Quoted(item.drive_type_code) + "," +
        Int(item.INITIAL_MILEAGE) + "," + Int(item.INITIAL_MONTH) + "," + Int(item.INTERVAL_MILEAGE) + "," +
        Int(item.INTERVAL_MONTH) + "," + sqlvalue::Quoted(item.ACTION_DESCRIPTION, 50) + "," +
        sqlvalue::Quoted(item.ITEM_DESCRIPTION, 100) + "," + sqlvalue::Quoted(item.MVC_Qualifiers, 50) + "," +
        sqlvalue::Quoted(item.Non_MVC_Qualifiers, 50) + "," + sqlvalue::Quoted(item.Service_Type, 50) + "," +
        Flag(item.Service_Indicator, 'N') + ")";
    try {
        if (!ExecuteCommand(sql)) return false;
        sql = "SELECT @@IDENTITY as MaintenancePlanItemID ";
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (rs.IsOpen() && !rs.IsEOF()) {
            item.MaintenancePlanItemID = rs.GetInt("MaintenancePlanItemID").value_or(0);
            rs.Close();
        }
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 763, sql, e, kWording);
        return false;
    }
}

bool CMaintenancePlanDatabaseObject::DeleteMaintenanceItem(int maintenancePlanItemID) {
    const std::string sql =
        "Delete from MaintenancePlanItems where MaintenancePlanItemID=" + Int(maintenancePlanItemID);
    try {
        return ExecuteCommand(sql);
    } catch (const jv::db::DbError& e) {
        ReportQueryError("CMaintenancePlanDatabaseObject::DeleteMaintenanceItem", 875, sql, e, kWording);
        return false;
    }
}

bool CMaintenancePlanDatabaseObject::AddMaintenancePlan(CMaintenancePlan& plan) {
    // The plan is stored with all its items or not at all.
    return SaveInOneStep([&] { return InsertMaintenancePlan(plan); },
                         "CMaintenancePlanDatabaseObject::AddMaintenancePlan", 335, kWording);
}

bool CMaintenancePlanDatabaseObject::InsertMaintenancePlan(CMaintenancePlan& plan) {
    constexpr const char* kMethod = "CMaintenancePlanDatabaseObject::AddMaintenancePlan";
    if (!(plan.DrivingCondition == "N" || plan.DrivingCondition == "n")) plan.DrivingCondition = "S";
    std::string sql = "INSERT into MaintenancePlan (StyleID, Name, DrivingCondition) values(" +
                      sqlvalue::Quoted(plan.StyleID) + ", " + sqlvalue::Quoted(plan.Name, 50) + ", " +
                      sqlvalue::Quoted(plan.DrivingCondition, 1) + ")";
    int line = 334;
    try {
        if (!ExecuteCommand(sql)) return false;
        line = 356;
        sql = "SELECT @@IDENTITY as MaintenancePlanID ";
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) {
            TraceLog(kMethod, TRACE_ERROR, "Failed to create MaintenancePlan");
            return false;
        }
        plan.MaintenancePlanID = Int(rs.GetInt("MaintenancePlanID").value_or(0));
        rs.Close();
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, line, sql, e, kWording);
        return false;
    }
    // Items of a downloaded or generic plan carry the ids of the rows they were read from; here
    // they all become rows of the new plan and take those rows' ids.
    for (CMaintenancePlanItem& item : plan.Items) {
        if (!InsertMaintenanceItem(plan.MaintenancePlanID, item)) return false;
    }
    return true;
}

bool CMaintenancePlanDatabaseObject::ReadItems(const char* method, int line, const std::string& sql,
                                               std::vector<CMaintenancePlanItem>& items) {
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return false;
        for (; !rs.IsEOF(); rs.MoveNext()) items.push_back(ItemFromRow(rs));
        rs.Close();
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(method, line, sql, e, kWording);
        return false;
    }
}

bool CMaintenancePlanDatabaseObject::GetMaintenancePlan(const std::string& maintenancePlanID, CMaintenancePlan& plan,
                                                        bool orderByDescription) {
    constexpr const char* kMethod = "CMaintenancePlanDatabaseObject::GetMaintenancePlan";
    if (maintenancePlanID.empty()) return false;
    if (!sqlvalue::IsRecordId(maintenancePlanID)) {
        TraceLog(kMethod, TRACE_ERROR, "Invalid maintenance plan id - " + maintenancePlanID);
        return false;
    }
    const std::string sql = "SELECT Name FROM MaintenancePlan WHERE MaintenancePlanID=" + maintenancePlanID;
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen() || rs.IsEOF()) return false;
        plan.Name = rs.GetText("Name").value_or("");
        plan.MaintenancePlanID = maintenancePlanID;
        rs.Close();
    } catch (const jv::db::DbError& e) {
        ReportQueryError(kMethod, 459, sql, e, kWording);
        return false;
    }
    const std::string items =
        "SELECT MaintenancePlanItemID, ACTION_DESCRIPTION , ITEM_DESCRIPTION , INITIAL_MILEAGE , INITIAL_MONTH , "
        "INTERVAL_MILEAGE , INTERVAL_MONTH  FROM MaintenancePlanItems  WHERE MaintenancePlanID=" +
        maintenancePlanID +
        (orderByDescription ? " ORDER BY ITEM_DESCRIPTION, ACTION_DESCRIPTION"
                            : " ORDER BY IIf(INITIAL_MILEAGE=0, INTERVAL_MILEAGE, INITIAL_MILEAGE), "
                              "IIf(INITIAL_MONTH=0, INTERVAL_MONTH, INITIAL_MONTH)");
    return ReadItems(kMethod, 502, items, plan.Items);
}

bool CMaintenancePlanDatabaseObject::GetCustomMaintenanceItems(const std::vector<CMaintenancePlanItem>* leaveOut,
                                                               const std::string& drivingCondition,
                                                               std::vector<CMaintenancePlanItem>& items) {
    std::string sql =
        "SELECT ACTION_DESCRIPTION, ITEM_DESCRIPTION, INITIAL_MILEAGE , INITIAL_MONTH , INTERVAL_MILEAGE , "
        "INTERVAL_MONTH  FROM CustomMaintenancePlanItems  WHERE SEVERE_SERVICE_FLAG=" +
        sqlvalue::Quoted(drivingCondition, 1);
    if (leaveOut != nullptr && !leaveOut->empty()) {
        // Like every other text comparison of the file, without regard to case.
        sql += " AND (ITEM_DESCRIPTION + ' - ' + ACTION_DESCRIPTION) COLLATE NOCASE not in (";
        for (size_t i = 0; i < leaveOut->size(); ++i) {
            if (i > 0) sql += ", ";
            sql += sqlvalue::Quoted((*leaveOut)[i].DisplayText);
        }
        sql += ")";
    }
    sql += " ORDER BY ITEM_DESCRIPTION, ACTION_DESCRIPTION";
    return ReadItems("CMaintenancePlanDatabaseObject::GetCustomMaintenanceItems", 606, sql, items);
}

bool CMaintenancePlanDatabaseObject::GetGenericMaintenancePlan(const std::string& drivingCondition,
                                                               CMaintenancePlan& plan) {
    const std::string sql =
        "SELECT MaintenancePlanItemID, ACTION_DESCRIPTION , ITEM_DESCRIPTION , INITIAL_MILEAGE , INITIAL_MONTH , "
        "INTERVAL_MILEAGE , INTERVAL_MONTH  FROM GenericMaintenancePlanItems  WHERE severe_service_flag=" +
        sqlvalue::Quoted(drivingCondition, 1) +
        " ORDER BY INITIAL_MILEAGE, INITIAL_MONTH, INTERVAL_MILEAGE, INTERVAL_MONTH";
    return ReadItems("CMaintenancePlanDatabaseObject::GetGenericMaintenancePlan", 797, sql, plan.Items);
}

bool CMaintenancePlanDatabaseObject::SaveMaintenancePlan(CMaintenancePlan& plan) {
    // A plan is saved whole or not at all: a step that fails undoes the others.
    return SaveInOneStep([&] { return RewriteMaintenancePlan(plan); },
                         "CMaintenancePlanDatabaseObject::SaveMaintenancePlan", 900, kWording);
}

bool CMaintenancePlanDatabaseObject::RewriteMaintenancePlan(CMaintenancePlan& plan) {
    CMaintenancePlan stored;
    if (!GetMaintenancePlan(plan.MaintenancePlanID, stored, true)) return false;

    // Each stored row serves one item at most: an item that carries the row's id is preferred,
    // then the first with the same DisplayText.
    std::vector<bool> rowUsed(stored.Items.size(), false);
    std::vector<int> rowOfItem(plan.Items.size(), -1);
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < plan.Items.size(); ++i) {
            if (rowOfItem[i] >= 0) continue;
            for (size_t r = 0; r < stored.Items.size(); ++r) {
                const bool sameId = stored.Items[r].MaintenancePlanItemID == plan.Items[i].MaintenancePlanItemID;
                if (!rowUsed[r] && stored.Items[r].DisplayText == plan.Items[i].DisplayText && (pass == 1 || sameId)) {
                    rowUsed[r] = true;
                    rowOfItem[i] = static_cast<int>(r);
                    break;
                }
            }
        }
    }

    bool saved = true;
    for (size_t r = stored.Items.size(); r-- > 0;) {
        if (!rowUsed[r]) saved = DeleteMaintenanceItem(stored.Items[r].MaintenancePlanItemID) && saved;
    }
    for (size_t i = 0; i < plan.Items.size(); ++i) {
        CMaintenancePlanItem& item = plan.Items[i];
        if (rowOfItem[i] >= 0) {
            item.MaintenancePlanItemID = stored.Items[static_cast<size_t>(rowOfItem[i])].MaintenancePlanItemID;
            saved = UpdateMaintenanceItem(item) && saved;
        } else {
            saved = InsertMaintenanceItem(plan.MaintenancePlanID, item) && saved;
        }
    }
    return saved;
}
