#pragma once

#include <string>
#include <vector>

#include "platform/db/Recordset.h"

struct sqlite3;
struct sqlite3_stmt;

namespace jv::db {

// One prepared SQLite statement, finalized when it goes unless it was lent (a kept statement of
// the cache). Failures throw DbError carrying `statement`, the text the program wrote (which the
// log quotes), not the translated one.
class Statement {
public:
    // Refuses a text that holds more than one statement.
    Statement(sqlite3* db, const std::string& sql, const std::string& statement);
    // Runs a statement prepared already; the caller keeps it.
    Statement(sqlite3* db, sqlite3_stmt* lent, const std::string& statement);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Prepares one statement, refusing a text that holds more than one.
    static sqlite3_stmt* Prepare(sqlite3* db, const std::string& sql, const std::string& statement);

    // The columns of the statement's rows, with the columns that hold dates: those marked in
    // `dateColumns` and those declared as dates.
    Recordset EmptyRecordset(const std::vector<bool>& dateColumns) const;
    // Steps to the next row: true while there is one.
    bool Step();
    // Adds the current row's fields to the recordset.
    void AddRow(Recordset& rows) const;

    // Runs to the end and keeps every row; `dateColumns` marks result columns known to hold dates
    // besides those declared as dates.
    Recordset ReadAll(const std::vector<bool>& dateColumns);
    // Runs to the end, dropping any rows; the number of rows an INSERT, UPDATE or DELETE changed.
    long Run();

    // Throws the engine's error for a result code.
    [[noreturn]] static void Throw(sqlite3* db, int code, const std::string& statement);

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
    bool owned_ = true;
    std::string statement_;
};

// Runs SQL text of our own (no translation, no rows kept).
void ExecuteDirect(sqlite3* db, const std::string& sql, const std::string& statement);

}  // namespace jv::db
