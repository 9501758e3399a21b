#pragma once

#include <string>
#include <utility>
#include <vector>

// The columns that one insert or update of a register row writes, in order, each with the SQL
// text of its value. A value the user left empty is simply not added, so an insert leaves its
// column NULL and an update keeps what the column holds.
class CRowColumns {
public:
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
    std::vector<std::pair<std::string, std::string>> m_columns;
};
