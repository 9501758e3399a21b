#pragma once

#include <memory>
#include <string>

#include "platform/db/Recordset.h"

namespace jv::db {

struct ConnectionState;

// A connection to one user database file. Copies share the same open file (counted), as every
// database object holds a copy of the one connection the user database owns.
//
// Statements are the Jet SQL text the program builds; the connection translates the Jet forms it
// uses (#m/d/yyyy# date literals, @@IDENTITY, "+" between strings, ALTER COLUMN, ...) before
// SQLite sees them. Exactly one statement per call. Every failure throws DbError.
class Connection {
public:
    Connection() = default;  // not open

    // Opens an existing database file; never creates one. Throws DbError when the file is
    // missing or is not a database.
    static Connection Open(const std::string& path);

    bool IsOpen() const { return static_cast<bool>(state_); }
    void Close();  // this copy lets go; the file closes when the last copy does

    // Runs a statement that returns rows.
    Recordset Execute(const std::string& sql);
    // Runs a statement that returns no rows; the number of rows it changed.
    long ExecuteNonQuery(const std::string& sql);

    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const;

    // The SQLite text a Jet statement becomes (exposed for tests and the log).
    static std::string Translate(const std::string& jetSql);

    const std::string& path() const;

private:
    std::shared_ptr<ConnectionState> state_;
};

// Rolls back in its destructor unless committed.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    void Commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Connection& connection_;
    bool done_ = false;
};

}  // namespace jv::db
