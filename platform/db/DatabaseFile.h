#pragma once

#include <string>

namespace jv::db {

// Makes a new user database as a copy of the blank one. The user's data is kept private by the
// file's mode, 0600 (readable and writable by its owner only), in place of a database password.
// Never overwrites: throws DbError when the target exists, the source cannot be read or the copy
// cannot be written completely (nothing is left behind then).
void CopyDatabaseFile(const std::string& source, const std::string& target);

}  // namespace jv::db
