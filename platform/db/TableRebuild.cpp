#include "platform/db/TableRebuild.h"

#include <sqlite3.h>

#include <optional>
#include <vector>

#include "platform/db/DbError.h"
#include "platform/db/Schema.h"
#include "platform/db/Statement.h"

namespace jv::db {
namespace {

constexpr const char* kSource = "jv::db::Connection";

std::string QuotedName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

// Column 0 of every row of a query with text parameters ?1, ?2, ...
std::vector<std::string> Texts(sqlite3* db, const char* sql, const std::vector<std::string>& parameters,
                               const std::string& statement) {
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
    if (rc != SQLITE_OK) Statement::Throw(db, rc, statement);
    for (size_t i = 0; i < parameters.size(); ++i) {
        sqlite3_bind_text(stmt, static_cast<int>(i + 1), parameters[i].c_str(), -1, SQLITE_TRANSIENT);
    }
    std::vector<std::string> texts;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        texts.emplace_back(text != nullptr ? text : "");
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) Statement::Throw(db, rc, statement);
    return texts;
}

// The end of a column definition or quoted name starting at `i` in a CREATE TABLE text.
size_t SkipQuoted(const std::string& sql, size_t i) {
    const char open = sql[i];
    const char close = open == '[' ? ']' : open;
    for (++i; i < sql.size(); ++i) {
        if (sql[i] == close) {
            if (close != ']' && i + 1 < sql.size() && sql[i + 1] == close) {
                ++i;
                continue;
            }
            return i;
        }
    }
    return i;
}

struct TableDefinition {
    std::string head;                  // "CREATE TABLE name "
    std::vector<std::string> columns;  // column definitions and table constraints
    std::string tail;                  // after the closing parenthesis
};

TableDefinition Split(const std::string& sql, const std::string& statement) {
    TableDefinition definition;
    size_t open = std::string::npos;
    for (size_t i = 0; i < sql.size(); ++i) {
        if (sql[i] == '"' || sql[i] == '[' || sql[i] == '`' || sql[i] == '\'') {
            i = SkipQuoted(sql, i);
        } else if (sql[i] == '(') {
            open = i;
            break;
        }
    }
    if (open == std::string::npos) throw DbError(kSource, "Cannot read the table's definition.", "", statement);
    definition.head = sql.substr(0, open);
    int depth = 0;
    size_t start = open + 1;
    for (size_t i = open; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '"' || c == '[' || c == '`' || c == '\'') {
            i = SkipQuoted(sql, i);
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            definition.columns.push_back(sql.substr(start, i - start));
            definition.tail = sql.substr(i + 1);
            return definition;
        } else if (c == ',' && depth == 1) {
            definition.columns.push_back(sql.substr(start, i - start));
            start = i + 1;
        }
    }
    throw DbError(kSource, "Cannot read the table's definition.", "", statement);
}

// The name a column definition starts with, as written, and unquoted.
std::pair<std::string, std::string> ColumnName(const std::string& definition) {
    size_t begin = definition.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    size_t end;
    std::string name;
    const char c = definition[begin];
    if (c == '"' || c == '[' || c == '`') {
        end = SkipQuoted(definition, begin) + 1;
        name = definition.substr(begin + 1, end - begin - 2);
    } else {
        end = definition.find_first_of(" \t\r\n(", begin);
        if (end == std::string::npos) end = definition.size();
        name = definition.substr(begin, end - begin);
    }
    return {definition.substr(begin, end - begin), name};
}

}  // namespace

void RebuildWithColumnType(sqlite3* db, const ColumnChange& change, const std::string& statement) {
    const auto tables = Texts(db, "SELECT name FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE",
                              {change.table}, statement);
    if (tables.empty()) throw DbError(kSource, "Table '" + change.table + "' does not exist.", "", statement);
    const std::string table = tables.front();
    const std::string createSql =
        Texts(db, "SELECT sql FROM sqlite_master WHERE type='table' AND name=?1", {table}, statement).front();

    TableDefinition definition = Split(createSql, statement);
    bool found = false;
    for (std::string& column : definition.columns) {
        const auto [written, name] = ColumnName(column);
        if (LowerAscii(name) != LowerAscii(change.column)) continue;
        if (LowerAscii(column).find("primary key") != std::string::npos) {
            throw DbError(kSource, "The type of the key column '" + name + "' cannot be changed.", "", statement);
        }
        column = " " + written + " " + change.declaration;
        found = true;
    }
    if (!found) {
        throw DbError(kSource, "Column '" + change.column + "' does not exist in table '" + table + "'.", "",
                      statement);
    }

    const std::string rebuilt = "jv_rebuild_" + table;
    std::string newSql = "CREATE TABLE " + QuotedName(rebuilt) + " (";
    for (size_t i = 0; i < definition.columns.size(); ++i) newSql += (i ? "," : "") + definition.columns[i];
    newSql += ")" + definition.tail;

    const auto dependants =
        Texts(db, "SELECT sql FROM sqlite_master WHERE tbl_name=?1 AND type IN ('index','trigger') AND sql IS NOT NULL",
              {table}, statement);
    // The highest id ever handed out: copying the rows alone would only keep the highest one left.
    std::optional<std::string> counter;
    if (!Texts(db, "SELECT 1 FROM sqlite_master WHERE type='table' AND name='sqlite_sequence'", {}, statement)
             .empty()) {
        const auto seq = Texts(db, "SELECT seq FROM sqlite_sequence WHERE name=?1", {table}, statement);
        if (!seq.empty()) counter = seq.front();
    }

    ExecuteDirect(db, "SAVEPOINT jv_alter_column", statement);
    try {
        ExecuteDirect(db, newSql, statement);
        ExecuteDirect(db, "INSERT INTO " + QuotedName(rebuilt) + " SELECT * FROM " + QuotedName(table), statement);
        ExecuteDirect(db, "DROP TABLE " + QuotedName(table), statement);
        // Views name the table, not the copy: renaming must leave them as they are.
        ExecuteDirect(db, "PRAGMA legacy_alter_table=ON", statement);
        try {
            ExecuteDirect(db, "ALTER TABLE " + QuotedName(rebuilt) + " RENAME TO " + QuotedName(table), statement);
        } catch (...) {
            ExecuteDirect(db, "PRAGMA legacy_alter_table=OFF", statement);
            throw;
        }
        ExecuteDirect(db, "PRAGMA legacy_alter_table=OFF", statement);
        for (const std::string& sql : dependants) ExecuteDirect(db, sql, statement);
        if (counter) {
            Texts(db, "UPDATE sqlite_sequence SET seq=max(seq, CAST(?2 AS INTEGER)) WHERE name=?1", {table, *counter},
                  statement);
            if (Texts(db, "SELECT 1 FROM sqlite_sequence WHERE name=?1", {table}, statement).empty()) {
                Texts(db, "INSERT INTO sqlite_sequence (name, seq) VALUES (?1, CAST(?2 AS INTEGER))", {table, *counter},
                      statement);
            }
        }
        ExecuteDirect(db, "RELEASE jv_alter_column", statement);
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK TO jv_alter_column; RELEASE jv_alter_column", nullptr, nullptr, nullptr);
        throw;
    }
}

}  // namespace jv::db
