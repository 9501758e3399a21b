#include "platform/db/DbError.h"

#include <sqlite3.h>

#include <utility>

namespace jv::db {

DbError::DbError(std::string source, std::string description, std::string message, std::string statement, long code)
    : PlatformError(std::move(source), std::move(description), code),
      message_(std::move(message)),
      statement_(std::move(statement)) {}

bool DbError::IsLocked() const {
    return (code() & 0xff) == SQLITE_BUSY;
}

bool DbError::IsReadOnly() const {
    return (code() & 0xff) == SQLITE_READONLY;
}

bool DbError::IsDiskFull() const {
    return (code() & 0xff) == SQLITE_FULL;
}

}  // namespace jv::db
