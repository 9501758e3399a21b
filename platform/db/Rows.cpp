#include "platform/db/Rows.h"

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
    if (!statement_->Step()) {
        done_ = true;
        // The read of the file ends with the last row, not when the rows go.
        statement_.reset();
        lease_ = StatementCache::Lease();
        return false;
    }
    statement_->AddRow(row_);
    return true;
}

}  // namespace jv::db
