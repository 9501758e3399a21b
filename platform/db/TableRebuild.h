#pragma once

#include <string>

#include "platform/db/JetTranslator.h"

struct sqlite3;

namespace jv::db {

// Gives a column a new type by rebuilding its table, since SQLite cannot alter a column: the
// table is created again with the changed declaration, its rows copied (each value converted to
// the new type's affinity), its indexes and triggers made again, and its counter kept where it
// was, so that no id that was ever handed out comes back. All of it or nothing happens.
void RebuildWithColumnType(sqlite3* db, const ColumnChange& change, const std::string& statement);

}  // namespace jv::db
