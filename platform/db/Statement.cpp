#include "platform/db/Statement.h"

#include <sqlite3.h>

#include <charconv>

#include "platform/db/DbError.h"
#include "platform/db/Schema.h"

namespace jv::db {

void Statement::Throw(sqlite3* db, int code, const std::string& statement) {
    throw DbError("SQLite", db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code), sqlite3_errstr(code), statement,
                  code);
}

Statement::Statement(sqlite3* db, const std::string& sql, const std::string& statement)
    : db_(db), statement_(statement) {
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt_, &tail);
    if (rc != SQLITE_OK) Throw(db_, rc, statement_);
    if (stmt_ == nullptr) throw DbError("jv::db::Connection", "Invalid SQL statement.", "", statement_);
    if (tail != nullptr && *tail != '\0') {
        // Whatever follows must not be a statement of its own.
        sqlite3_stmt* second = nullptr;
        const int tailRc = sqlite3_prepare_v2(db_, tail, -1, &second, nullptr);
        const bool another = tailRc != SQLITE_OK || second != nullptr;
        sqlite3_finalize(second);
        if (another) {
            sqlite3_finalize(stmt_);
            stmt_ = nullptr;
            throw DbError("jv::db::Connection", "Characters found after end of SQL statement.", "", statement_);
        }
    }
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

bool Statement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Throw(db_, rc, statement_);
}

Recordset Statement::ReadAll(const std::vector<bool>& dateColumns) {
    const int count = sqlite3_column_count(stmt_);
    std::vector<std::string> columns;
    std::vector<bool> dates;
    for (int i = 0; i < count; ++i) {
        columns.emplace_back(sqlite3_column_name(stmt_, i));
        const char* declared = sqlite3_column_decltype(stmt_, i);
        const bool hinted = static_cast<size_t>(i) < dateColumns.size() && dateColumns[static_cast<size_t>(i)];
        dates.push_back(hinted || (declared != nullptr && Schema::KindOfType(declared) == ColumnKind::Date));
    }
    std::vector<std::vector<std::optional<std::string>>> rows;
    std::vector<std::vector<int>> types;
    while (Step()) {
        std::vector<std::optional<std::string>> row;
        std::vector<int> rowTypes;
        row.reserve(static_cast<size_t>(count));
        rowTypes.reserve(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const int type = sqlite3_column_type(stmt_, i);
            rowTypes.push_back(type);
            switch (type) {
                case SQLITE_NULL:
                    row.emplace_back(std::nullopt);
                    break;
                case SQLITE_INTEGER:
                    row.emplace_back(std::to_string(sqlite3_column_int64(stmt_, i)));
                    break;
                case SQLITE_FLOAT: {
                    // The shortest text that reads back as the same double.
                    char buffer[32];
                    const auto result = std::to_chars(buffer, buffer + sizeof buffer, sqlite3_column_double(stmt_, i));
                    row.emplace_back(std::string(buffer, result.ptr));
                    break;
                }
                default: {
                    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
                    const int size = sqlite3_column_bytes(stmt_, i);
                    row.emplace_back(std::string(data != nullptr ? data : "", static_cast<size_t>(size)));
                    break;
                }
            }
        }
        rows.push_back(std::move(row));
        types.push_back(std::move(rowTypes));
    }
    return Recordset(std::move(columns), std::move(rows), std::move(types), std::move(dates), statement_);
}

long Statement::Run() {
    const sqlite3_int64 before = sqlite3_total_changes64(db_);
    while (Step()) {
    }
    // DDL leaves the change counters alone; only a statement that changed rows reports them.
    return sqlite3_total_changes64(db_) != before ? static_cast<long>(sqlite3_changes64(db_)) : 0;
}

void ExecuteDirect(sqlite3* db, const std::string& sql, const std::string& statement) {
    Statement(db, sql, statement).Run();
}

}  // namespace jv::db
