#include "platform/db/Statement.h"

#include <sqlite3.h>

#include <cerrno>

#include <string_view>

#include "platform/db/DbError.h"
#include "platform/db/Schema.h"

namespace jv::db {

void Statement::Throw(sqlite3* db, int code, const std::string& statement) {
    const std::string description = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    // The engine says "full" only when a write of its file met a full disk; a full disk met
    // while it grew its shared-memory file or at a user's quota reads as an I/O error.
    if (db != nullptr && (code & 0xff) == SQLITE_IOERR) {
        const int error = sqlite3_system_errno(db);
        if (error == ENOSPC || error == EDQUOT) code = SQLITE_FULL;
    }
    throw DbError("SQLite", description, sqlite3_errstr(code), statement, code);
}

sqlite3_stmt* Statement::Prepare(sqlite3* db, const std::string& sql, const std::string& statement) {
    const char* tail = nullptr;
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
    if (rc != SQLITE_OK) Throw(db, rc, statement);
    if (stmt == nullptr) throw DbError("jv::db::Connection", "Invalid SQL statement.", "", statement);
    if (tail != nullptr && *tail != '\0') {
        // Whatever follows must not be a statement of its own.
        sqlite3_stmt* second = nullptr;
        const int tailRc = sqlite3_prepare_v2(db, tail, -1, &second, nullptr);
        const bool another = tailRc != SQLITE_OK || second != nullptr;
        sqlite3_finalize(second);
        if (another) {
            sqlite3_finalize(stmt);
            throw DbError("jv::db::Connection", "Characters found after end of SQL statement.", "", statement);
        }
    }
    return stmt;
}

Statement::Statement(sqlite3* db, const std::string& sql, const std::string& statement)
    : db_(db), stmt_(Prepare(db, sql, statement)), statement_(statement) {}

Statement::Statement(sqlite3* db, sqlite3_stmt* lent, const std::string& statement)
    : db_(db), stmt_(lent), owned_(false), statement_(statement) {}

Statement::~Statement() {
    if (owned_) sqlite3_finalize(stmt_);
}

bool Statement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Throw(db_, rc, statement_);
}

Recordset Statement::EmptyRecordset(const std::vector<bool>& dateColumns) const {
    const int count = sqlite3_column_count(stmt_);
    std::vector<std::string> columns;
    std::vector<bool> dates;
    for (int i = 0; i < count; ++i) {
        columns.emplace_back(sqlite3_column_name(stmt_, i));
        const char* declared = sqlite3_column_decltype(stmt_, i);
        const bool hinted = static_cast<size_t>(i) < dateColumns.size() && dateColumns[static_cast<size_t>(i)];
        dates.push_back(hinted || (declared != nullptr && Schema::KindOfType(declared) == ColumnKind::Date));
    }
    return Recordset(std::move(columns), std::move(dates), statement_);
}

void Statement::AddRow(Recordset& rows) const {
    const int count = sqlite3_column_count(stmt_);
    for (int i = 0; i < count; ++i) {
        switch (sqlite3_column_type(stmt_, i)) {
            case SQLITE_NULL:
                rows.AddNull();
                break;
            case SQLITE_INTEGER:
                rows.AddInteger(sqlite3_column_int64(stmt_, i));
                break;
            case SQLITE_FLOAT:
                rows.AddReal(sqlite3_column_double(stmt_, i));
                break;
            default: {
                const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, i));
                const int size = sqlite3_column_bytes(stmt_, i);
                rows.AddText(data != nullptr ? std::string_view(data, static_cast<size_t>(size)) : std::string_view());
                break;
            }
        }
    }
}

Recordset Statement::ReadAll(const std::vector<bool>& dateColumns) {
    Recordset rows = EmptyRecordset(dateColumns);
    while (Step()) AddRow(rows);
    return rows;
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
