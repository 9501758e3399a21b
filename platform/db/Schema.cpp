#include "platform/db/Schema.h"

#include <sqlite3.h>

#include <utility>
#include <vector>

#include "platform/db/DbError.h"
#include "platform/db/JetTranslator.h"

namespace jv::db {

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

namespace {

struct Column {
    std::string name;
    std::string type;
};

// The columns of a table or view; empty when it cannot be described (a view that no longer
// compiles), so that the rest of the schema still can be.
std::vector<Column> ColumnsOf(sqlite3* db, const std::string& name) {
    std::vector<Column> columns;
    sqlite3_stmt* info = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name, type FROM pragma_table_info(?1)", -1, &info, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(info, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(info) == SQLITE_ROW) {
            const auto* column = reinterpret_cast<const char*>(sqlite3_column_text(info, 0));
            const auto* type = reinterpret_cast<const char*>(sqlite3_column_text(info, 1));
            columns.push_back({column ? column : "", type ? type : ""});
        }
    }
    sqlite3_finalize(info);
    return columns;
}

}  // namespace

Schema Schema::Load(sqlite3* db) {
    Schema schema;
    std::vector<std::pair<std::string, std::string>> views;  // name, SQL
    sqlite3_stmt* list = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT type, name, sql FROM sqlite_master WHERE type IN ('table','view')", -1, &list,
                           nullptr) == SQLITE_OK) {
        while (sqlite3_step(list) == SQLITE_ROW) {
            const std::string type = reinterpret_cast<const char*>(sqlite3_column_text(list, 0));
            const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(list, 1));
            const auto* sql = reinterpret_cast<const char*>(sqlite3_column_text(list, 2));
            if (type == "view") {
                views.emplace_back(name, sql ? sql : "");
                continue;
            }
            for (const Column& column : ColumnsOf(db, name)) schema.AddColumn(name, column.name, column.type);
        }
    }
    sqlite3_finalize(list);

    // A view's column computed from dates (max(ServiceDate)) has no declared type: its SELECT
    // tells.
    for (const auto& [name, sql] : views) {
        std::vector<bool> dates;
        try {
            dates = JetTranslator(&schema).DateColumnsOf(sql);
        } catch (const DbError&) {
            // Read without the hints.
        }
        const std::vector<Column> columns = ColumnsOf(db, name);
        for (size_t i = 0; i < columns.size(); ++i) {
            const bool date = i < dates.size() && dates[i];
            schema.AddColumn(name, columns[i].name, date ? "DATETIME" : columns[i].type);
        }
    }
    return schema;
}

void Schema::AddColumn(const std::string& table, const std::string& column, const std::string& declaredType) {
    tables_[LowerAscii(table)][LowerAscii(column)] = KindOfType(declaredType);
}

bool Schema::HasTable(const std::string& name) const {
    return tables_.count(LowerAscii(name)) != 0;
}

ColumnKind Schema::Kind(const std::string& table, const std::string& column) const {
    const auto found = tables_.find(LowerAscii(table));
    if (found == tables_.end()) return ColumnKind::Other;
    const auto kind = found->second.find(LowerAscii(column));
    return kind == found->second.end() ? ColumnKind::Other : kind->second;
}

ColumnKind Schema::KindOfType(const std::string& declaredType) {
    const std::string type = LowerAscii(declaredType);
    if (type.find("date") != std::string::npos || type.find("time") != std::string::npos) return ColumnKind::Date;
    if (type.find("char") != std::string::npos || type.find("clob") != std::string::npos ||
        type.find("text") != std::string::npos) {
        return ColumnKind::Text;
    }
    return ColumnKind::Other;
}

}  // namespace jv::db
