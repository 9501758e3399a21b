#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "shared/data/EmptyFields.h"
#include "shared/data/SqlValue.h"

// The columns that one insert or update of a register row writes, in order, each with the SQL
// text of its value. A value the user left empty is simply not added, so an insert leaves its
// column NULL and an update keeps what the column holds, unless the update clears empty fields:
// then an empty text is stored empty and an empty odometer as none.
class CRowColumns {
public:
    explicit CRowColumns(EmptyFields empty = EmptyFields::KeepStored) : m_empty(empty) {}

    // A text column with its quoted value.
    void AddText(std::string column, const std::string& text, std::string quoted) {
        if (!text.empty() || m_empty == EmptyFields::Clear) Add(std::move(column), std::move(quoted));
    }
    // The odometer column: its value, or NULL for an emptied one when empty fields are cleared.
    void AddOdometer(const std::string& typed, const std::optional<double>& odometer) {
        if (odometer) {
            Add("Odometer", sqlvalue::Number(*odometer));
        } else if (m_empty == EmptyFields::Clear && typed.empty()) {
            Add("Odometer", "NULL");
        }
    }

    void Add(std::string column, std::string value) { m_columns.emplace_back(std::move(column), std::move(value)); }

    // "Insert into <table> (a, b) values(x, y)"
    std::string Insert(const std::string& table) const {
        std::string names;
        std::string values;
        for (const auto& [column, value] : m_columns) {
            names += (names.empty() ? "" : ", ") + column;
            values += (values.empty() ? "" : ", ") + value;
        }
        return "Insert into " + table + " (" + names + ") values(" + values + ")";
    }

    // "Update <table> set a=x, b=y where <condition>"
    std::string Update(const std::string& table, const std::string& condition) const {
        std::string assignments;
        for (const auto& [column, value] : m_columns) {
            assignments += (assignments.empty() ? "" : ", ") + column + "=" + value;
        }
        return "Update " + table + " set " + assignments + " where " + condition;
    }

private:
    EmptyFields m_empty;
    std::vector<std::pair<std::string, std::string>> m_columns;
};
