#pragma once

#include <optional>
#include <string>
#include <vector>

namespace jv::db {

class Schema;

// ALTER TABLE ... ALTER COLUMN, which SQLite cannot run as such: the connection rebuilds the
// table with the column's new type instead.
struct ColumnChange {
    std::string table;
    std::string column;
    std::string declaration;  // the storage type the column gets (see JetTranslator::StorageType)
};

// A Jet statement as SQLite runs it.
struct JetTranslation {
    std::string sql;
    // One entry per item of a SELECT's list: true where the item is known to give a date (a date
    // column, or min/max of one). Empty for other statements.
    std::vector<bool> dateColumns;
    std::optional<ColumnChange> columnChange;
};

// Turns the Jet SQL the program writes into SQLite's dialect:
//   - #m/d/yyyy# date literals (also m/d/yy, yyyy-mm-dd, with or without a time, or a time
//     alone) become day numbers;
//   - text in quotes that is compared with, assigned to or inserted into a date column becomes a
//     day number, as Jet converts it;
//   - @@IDENTITY becomes last_insert_rowid();
//   - "+" next to text (a quoted string or a text column) becomes "||";
//   - "double-quoted" text is a string, as in Jet;
//   - True and False are -1 and 0;
//   - the Jet column types of ALTER TABLE ... ADD COLUMN / ALTER COLUMN become storage types;
//   - "--" and "/*" stay operators, as Jet has no comments: a number text such as "1 --" can
//     never turn the rest of a statement into a comment.
// A text that holds a second statement is refused. Failures throw DbError carrying the Jet text.
class JetTranslator {
public:
    // Without a schema only the rules that need no knowledge of the columns apply.
    explicit JetTranslator(const Schema* schema = nullptr) : schema_(schema) {}

    JetTranslation Translate(const std::string& jetSql) const;

    // Which items of the (first) SELECT's list in `sql` give dates, as in
    // JetTranslation::dateColumns; also serves for the SELECT of a view.
    std::vector<bool> DateColumnsOf(const std::string& sql) const;

    // The declaration a Jet column type is stored with: text types keep their width and compare
    // without regard to case; single is REAL; double, currency and decimal are DOUBLE; long,
    // integer, short and byte are INTEGER; yes/no is "INTEGER NOT NULL DEFAULT 0" (true is -1);
    // dates are "DATETIME REAL"; a counter is "INTEGER PRIMARY KEY AUTOINCREMENT". Anything
    // else is kept as written.
    static std::string StorageType(const std::string& jetType);

    // The day number a Jet date text stands for, counted continuously (also before 1900), so
    // that stored dates order and compare correctly. Empty when the text is not a date.
    static std::optional<double> DayNumber(const std::string& text);
    // A day number as a REAL literal in SQL text.
    static std::string DayNumberLiteral(double dayNumber);

private:
    const Schema* schema_;
};

}  // namespace jv::db
