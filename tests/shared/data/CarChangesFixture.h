#pragma once

#include <string>

#include "tests/platform/db/SqliteFixture.h"

namespace jv::test {

// Keeps the names of the triggers that record which cars changed, but makes each do nothing, as
// another program might leave them.
inline void EmptyCarChangeTriggers(const std::string& path) {
    SqliteFile file(path);
    for (const std::string& row :
         file.Rows("SELECT name, substr(sql, 1, instr(sql, ' BEGIN ')) FROM sqlite_master WHERE type = 'trigger' AND "
                   "name LIKE 'CarChanges%'")) {
        const std::string name = row.substr(0, row.find('|'));
        file.Run("DROP TRIGGER " + name + "; " + row.substr(row.find('|') + 1) + "BEGIN SELECT 1; END");
    }
}

}  // namespace jv::test
