#pragma once

#include <sqlite3.h>

#include <stdexcept>
#include <string>
#include <vector>

// Direct access to database files for tests, past the layer under test: making fixtures and
// looking at what a file really holds.
namespace jv::test {

class SqliteFile {
public:
    // Opens (creating when missing) the file.
    explicit SqliteFile(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("cannot open " + path);
        sqlite3_busy_timeout(db_, 5000);
    }
    ~SqliteFile() { sqlite3_close(db_); }
    SqliteFile(const SqliteFile&) = delete;
    SqliteFile& operator=(const SqliteFile&) = delete;

    // Runs a script of any number of statements.
    void Run(const std::string& script) {
        char* error = nullptr;
        if (sqlite3_exec(db_, script.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "?";
            sqlite3_free(error);
            throw std::runtime_error(message + " in: " + script);
        }
    }

    // Every row of a query, its columns joined by "|" (NULL as "NULL").
    std::vector<std::string> Rows(const std::string& sql) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
            throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
        }
        std::vector<std::string> rows;
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                if (i) row += "|";
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
                row += text ? text : "NULL";
            }
            rows.push_back(row);
        }
        sqlite3_finalize(stmt);
        return rows;
    }

    std::string Value(const std::string& sql) {
        const auto rows = Rows(sql);
        return rows.empty() ? "<no row>" : rows.front();
    }

    // Every table with its columns (name, declared type, collation, NOT NULL, default, key,
    // counter), every index with its columns and every view, in a stable order.
    std::vector<std::string> Schema() {
        std::vector<std::string> lines;
        for (const std::string& table :
             Rows("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%' ORDER BY name")) {
            lines.push_back("table " + table);
            for (const std::string& column :
                 Rows("SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info('" + table + "')")) {
                const std::string name = column.substr(0, column.find('|'));
                const char* collation = nullptr;
                int autoincrement = 0;
                sqlite3_table_column_metadata(db_, nullptr, table.c_str(), name.c_str(), nullptr, &collation, nullptr,
                                              nullptr, &autoincrement);
                lines.push_back("  " + column + "|" + (collation ? collation : "") + (autoincrement ? "|counter" : ""));
            }
        }
        for (const std::string& index : Rows("SELECT name || ' on ' || tbl_name FROM sqlite_master WHERE type='index' "
                                             "AND sql IS NOT NULL ORDER BY name")) {
            const std::string name = index.substr(0, index.find(' '));
            std::string columns;
            for (const std::string& column : Rows("SELECT name FROM pragma_index_info('" + name + "')")) {
                columns += " " + column;
            }
            lines.push_back("index " + index + ":" + columns);
        }
        for (const std::string& view : Rows("SELECT name FROM sqlite_master WHERE type='view' ORDER BY name")) {
            lines.push_back("view " + view);
        }
        for (const std::string& trigger :
             Rows("SELECT name || ' on ' || tbl_name FROM sqlite_master WHERE type='trigger' ORDER BY name")) {
            lines.push_back("trigger " + trigger);
        }
        return lines;
    }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace jv::test
