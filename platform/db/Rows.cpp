#include "platform/db/Rows.h"

#include <sqlite3.h>

#include <utility>

namespace jv::db {

Rows::Rows(std::shared_ptr<void> connection, sqlite3* db, StatementCache::Lease lease,
           const std::vector<bool>& dateColumns)
    : connection_(std::move(connection)), lease_(std::move(lease)) {
    if (!lease_) return;
    statement_ = std::make_unique<Statement>(db, lease_.stmt(), lease_.jet());
    row_ = statement_->EmptyRecordset(dateColumns);
    done_ = false;
}

bool Rows::Next() {
    if (done_) return false;
    row_.ClearRows();
    rowRead_ = false;
    if (!statement_->Step()) {
        done_ = true;
        // The read of the file ends with the last row, not when the rows go.
        statement_.reset();
        lease_ = StatementCache::Lease();
        return false;
    }
    return true;
}

const Recordset& Rows::Row() const {
    if (!rowRead_ && !done_) {
        statement_->AddRow(row_);
        rowRead_ = true;
    }
    return row_;
}

Recordset::FieldType Rows::Type(int column) const {
    return done_ ? Recordset::Null : static_cast<Recordset::FieldType>(sqlite3_column_type(lease_.stmt(), column));
}

double Rows::Number(int column) const {
    return done_ ? 0.0 : sqlite3_column_double(lease_.stmt(), column);
}

}  // namespace jv::db

namespace jv::db {

std::optional<double> Rows::GetDouble(int column) const {
    switch (Type(column)) {
        case Recordset::Null:
            return std::nullopt;
        case Recordset::Integer:
        case Recordset::Real:
            return Number(column);
        default:
            return Row().GetDouble(Row().Columns().at(static_cast<size_t>(column)));
    }
}

}  // namespace jv::db
