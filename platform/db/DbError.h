#pragma once

#include <string>

#include "platform/base/PlatformError.h"

namespace jv::db {

// A failed database call: where it came from (the engine or the layer), what went wrong, the
// engine's own message and the statement that was being run.
class DbError : public PlatformError {
public:
    DbError(std::string source, std::string description, std::string message, std::string statement, long code = 0);

    const std::string& message() const { return message_; }
    const std::string& statement() const { return statement_; }
    // Another connection held the lock the statement needed for longer than the connection waits
    // (or the program was asked to stop meanwhile): nothing was changed, and a later try may do.
    bool IsLocked() const;
    // The file can only be read (its permissions): nothing was changed.
    bool IsReadOnly() const;
    // The disk that holds the file (or the engine's files beside it) is full: the statement, or
    // its whole transaction, was undone.
    bool IsDiskFull() const;

private:
    std::string message_;
    std::string statement_;
};

}  // namespace jv::db
