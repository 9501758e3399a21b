#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/DateTime.h"

namespace jv::db {

// The rows a query returned, read one at a time like a forward-only cursor: test IsEOF, read the
// current row's fields by column name (ignoring case), MoveNext.
//
// Each field is kept as the engine returned it (whole number, real number, text or NULL) and
// converted only when it is read. A NULL field reads as "not there" (IsNull true, the optional
// empty) so the caller keeps its own default. Dates are stored as day numbers.
//
// A value that cannot be read as the type asked for (text that is no number, a number beyond
// 32 bits), an unknown column or a read past the last row throws DbError naming the query.
class Recordset {
public:
    // The storage class of each value (SQLite's numbering).
    enum FieldType : int { Integer = 1, Real = 2, Text = 3, Blob = 4, Null = 5 };

    Recordset() = default;  // no recordset at all: not open, EOF at once
    // An open recordset of these columns with no rows yet; `dateColumns` marks the columns that
    // hold dates (day numbers), so that GetText shows them as dates; `statement` is the query,
    // quoted by errors. Rows are added a field at a time, in column order.
    Recordset(std::vector<std::string> columns, std::vector<bool> dateColumns, std::string statement);

    void AddInteger(std::int64_t value);
    void AddReal(double value);
    void AddText(std::string_view value);  // also blobs, as their bytes
    void AddNull();
    // Drops the rows and keeps the columns, for a reader that holds one row at a time.
    void ClearRows();

    // False for a default-constructed or closed recordset, the counterpart of a null recordset.
    bool IsOpen() const { return open_; }
    bool IsEOF() const;
    void MoveNext();
    void Close();
    size_t RecordCount() const { return columns_.empty() ? 0 : fields_.size() / columns_.size(); }

    bool HasField(std::string_view name) const;
    bool IsNull(std::string_view name) const;

    // Numbers as Jet shows them (up to 15 significant digits); dates as "m/d/yyyy" with
    // " h:mm:ss AM" when they have a time of day.
    std::optional<std::string> GetText(std::string_view name) const;
    std::optional<int> GetInt(std::string_view name) const;       // 32-bit columns; halves round to even
    std::optional<float> GetSingle(std::string_view name) const;  // "single" columns
    std::optional<double> GetDouble(std::string_view name) const;
    std::optional<bool> GetBool(std::string_view name) const;  // yes/no: any non-zero is true
    std::optional<jv::DateTime> GetDate(std::string_view name) const;

    const std::vector<std::string>& Columns() const { return columns_; }

private:
    struct Field {
        FieldType type = Null;
        union {
            std::int64_t integer;
            double real;
            struct {
                size_t offset;  // into text_
                size_t size;
            } text;
        };
        Field() : integer(0) {}
    };

    size_t FieldIndex(std::string_view name) const;  // throws DbError for an unknown column
    // The field of the current row; throws DbError past the last row.
    const Field& At(size_t index) const;
    std::string_view TextOf(const Field& field) const;
    // The value of a field that is not NULL as a number; text must hold one.
    double Number(std::string_view name, const Field& field) const;
    std::optional<double> Double(std::string_view name, const Field& field) const;
    [[noreturn]] void Fail(const std::string& description) const;

    std::vector<std::string> columns_;
    std::vector<bool> dateColumns_;
    std::vector<Field> fields_;  // row after row
    std::string text_;           // the bytes of every text field
    std::string statement_;
    size_t current_ = 0;
    bool open_ = false;
};

}  // namespace jv::db
