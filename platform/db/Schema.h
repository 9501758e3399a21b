#pragma once

#include <string>
#include <unordered_map>

struct sqlite3;

namespace jv::db {

// What the statement translation needs to know about a column: whether it holds text, a date
// (a day number) or anything else.
enum class ColumnKind { Other, Text, Date };

// The tables and views of an open database with the kind of each column, looked up without
// regard to case as Jet looks up names.
class Schema {
public:
    // Reads every table and view of the database. Objects that cannot be read are left out.
    static Schema Load(sqlite3* db);

    void AddColumn(const std::string& table, const std::string& column, const std::string& declaredType);
    bool HasTable(const std::string& name) const;
    // Other when the table or the column is unknown.
    ColumnKind Kind(const std::string& table, const std::string& column) const;

    // The kind a declared column type stands for: "DATETIME REAL" (or any type naming DATE or
    // TIME) is a date; a type with TEXT, CHAR or CLOB in it is text.
    static ColumnKind KindOfType(const std::string& declaredType);

private:
    std::unordered_map<std::string, std::unordered_map<std::string, ColumnKind>> tables_;
};

// ASCII lower case, for names compared without regard to case.
std::string LowerAscii(std::string text);

}  // namespace jv::db
