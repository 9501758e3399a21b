#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/DateTime.h"

namespace jv::db {

// The rows a query returned, read one at a time like a forward-only cursor: test IsEOF, read the
// current row's fields by column name (ignoring case), MoveNext.
//
// Typed reads convert the stored value; a NULL field reads as "not there" (IsNull true, the
// optional empty) so the caller keeps its own default. Dates are stored as day numbers.
//
// A value that cannot be read as the type asked for (text that is no number, a number beyond
// 32 bits), an unknown column or a read past the last row throws DbError naming the query.
class Recordset {
public:
    // The storage class of each value in `types` (SQLite's numbering).
    enum FieldType : int { Integer = 1, Real = 2, Text = 3, Blob = 4, Null = 5 };

    Recordset() = default;  // no recordset at all: not open, EOF at once
    Recordset(std::vector<std::string> columns, std::vector<std::vector<std::optional<std::string>>> rows,
              std::vector<std::vector<int>> types);
    // `dateColumns` marks the columns that hold dates (day numbers), so that GetText shows them
    // as dates; `statement` is the query, quoted by errors.
    Recordset(std::vector<std::string> columns, std::vector<std::vector<std::optional<std::string>>> rows,
              std::vector<std::vector<int>> types, std::vector<bool> dateColumns, std::string statement);

    // False for a default-constructed or closed recordset, the counterpart of a null recordset.
    bool IsOpen() const { return open_; }
    bool IsEOF() const;
    void MoveNext();
    void Close();
    size_t RecordCount() const { return rows_.size(); }

    bool HasField(const std::string& name) const;
    bool IsNull(const std::string& name) const;

    // Numbers as Jet shows them (up to 15 significant digits); dates as "m/d/yyyy" with
    // " h:mm:ss AM" when they have a time of day.
    std::optional<std::string> GetText(const std::string& name) const;
    std::optional<int> GetInt(const std::string& name) const;       // 32-bit columns; halves round to even
    std::optional<float> GetSingle(const std::string& name) const;  // "single" columns
    std::optional<double> GetDouble(const std::string& name) const;
    std::optional<bool> GetBool(const std::string& name) const;  // yes/no: any non-zero is true
    std::optional<jv::DateTime> GetDate(const std::string& name) const;

    const std::vector<std::string>& Columns() const { return columns_; }

private:
    int FieldIndex(const std::string& name) const;  // throws DbError for an unknown column
    const std::optional<std::string>& Field(const std::string& name) const;
    int Type(const std::string& name) const;
    double Number(const std::string& name, const std::string& value) const;
    [[noreturn]] void Fail(const std::string& description) const;

    std::vector<std::string> columns_;
    std::vector<std::vector<std::optional<std::string>>> rows_;
    std::vector<std::vector<int>> types_;
    std::vector<bool> dateColumns_;
    std::string statement_;
    size_t current_ = 0;
    bool open_ = false;
};

}  // namespace jv::db
