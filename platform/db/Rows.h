#pragma once

#include <memory>
#include <optional>

#include "platform/db/Recordset.h"
#include "platform/db/Statement.h"
#include "platform/db/StatementCache.h"

namespace jv::db {

// The rows of a query read as the engine steps to them, one at a time, none kept: for work that
// only sums or scans what it reads. The current row reads as a recordset positioned on it, with
// the same conversions and errors as a recordset that holds every row:
//
//     for (jv::db::Rows rows = connection.Query(sql); rows.Next();) total += rows.Row().GetDouble("Cost").value_or(0);
//
// The statement keeps its read of the file until the last row was read or the rows go, so a loop
// over rows should not wait on anything else. Failures throw DbError naming the query.
class Rows {
public:
    Rows() = default;  // no rows at all
    Rows(std::shared_ptr<void> connection, sqlite3* db, StatementCache::Lease lease,
         const std::vector<bool>& dateColumns);
    Rows(Rows&&) noexcept = default;
    Rows& operator=(Rows&&) noexcept = default;

    // Steps to the next row; false once there is none (and for no rows at all).
    bool Next();
    // The current row (after Next gave true).
    const Recordset& Row() const;

    // A field of the current row by its place, as the engine holds it, for loops that read many
    // rows: its storage class (Recordset::FieldType) and its value as a number.
    Recordset::FieldType Type(int column) const;
    double Number(int column) const;
    // A field of the current row by its place, read as Row().GetDouble reads it (the same
    // values, the same errors), numbers without going through the row.
    std::optional<double> GetDouble(int column) const;

private:
    // Declared first so that it goes last: the open file outlives the statement.
    std::shared_ptr<void> connection_;
    StatementCache::Lease lease_;
    std::unique_ptr<Statement> statement_;
    mutable Recordset row_;
    mutable bool rowRead_ = false;  // row_ holds the current row
    bool done_ = true;
};

}  // namespace jv::db
