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
class Recordset {
public:
    Recordset() = default;  // an empty recordset (EOF at once)
    Recordset(std::vector<std::string> columns, std::vector<std::vector<std::optional<std::string>>> rows,
              std::vector<std::vector<int>> types);

    bool IsEOF() const;
    void MoveNext();
    void Close();
    size_t RecordCount() const { return rows_.size(); }

    bool HasField(const std::string& name) const;
    bool IsNull(const std::string& name) const;

    std::optional<std::string> GetText(const std::string& name) const;
    std::optional<int> GetInt(const std::string& name) const;        // 32-bit columns
    std::optional<float> GetSingle(const std::string& name) const;   // "single" columns
    std::optional<double> GetDouble(const std::string& name) const;
    std::optional<bool> GetBool(const std::string& name) const;      // yes/no: any non-zero is true
    std::optional<jv::DateTime> GetDate(const std::string& name) const;

    const std::vector<std::string>& Columns() const { return columns_; }

private:
    int FieldIndex(const std::string& name) const;  // throws DbError for an unknown column
    const std::optional<std::string>& Field(const std::string& name) const;

    std::vector<std::string> columns_;
    std::vector<std::vector<std::optional<std::string>>> rows_;
    std::vector<std::vector<int>> types_;
    size_t current_ = 0;
};

}  // namespace jv::db
