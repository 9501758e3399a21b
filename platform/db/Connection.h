#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/db/Recordset.h"
#include "platform/db/Rows.h"

namespace jv::db {

struct ConnectionState;

// A connection to one user database file. Copies share the same open file (counted), as every
// database object holds a copy of the one connection the user database owns.
//
// Statements are the Jet SQL text the program builds; the connection translates the Jet forms it
// uses (#m/d/yyyy# date literals, @@IDENTITY, "+" between strings, ALTER COLUMN, ...) before
// SQLite sees them. Exactly one statement per call. Every failure throws DbError.
//
// Each text is translated and prepared once: the prepared statements are kept by their text
// (the most recently used few hundred) and run again from there, until the tables change.
class Connection {
public:
    // A value bound to a "?" of a query's text.
    using Parameter = std::variant<std::int64_t, double, std::string>;

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
    // Runs a query whose rows are read as the engine steps to them, none kept (see Rows), with
    // values for the "?" in its text.
    Rows Query(const std::string& sql, const std::vector<Parameter>& parameters = {});

    // A number that changes whenever the file's content changes, through this connection or any
    // other (the other program's included), so that what was worked out from the content may be
    // kept while it stays the same. Nothing inside a transaction, whose changes may still be
    // undone: nothing worked out there may be kept.
    std::optional<std::uint64_t> ContentVersion();
    // What the program worked out from the file's content and keeps under a name, for as long as
    // ContentVersion gives `version`: null when nothing is kept under the name for that version.
    std::shared_ptr<const void> Derived(std::string_view name, std::uint64_t version) const;
    void KeepDerived(std::string_view name, std::uint64_t version, std::shared_ptr<const void> value);

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
