#include "shared/data/RegisterQuery.h"

#include <algorithm>

#include "shared/core/TraceLog.h"
#include "shared/data/SqlValue.h"
#include "shared/data/UserPreferences.h"

CRegisterQuery::CRegisterQuery(jv::db::Connection connection, const RegisterListing& listing,
                               const std::string& pattern, const CUserPreferences& prefs)
    : CDatabaseObject(std::move(connection)),
      m_listing(listing),
      m_pattern(pattern),
      m_valid(sqlvalue::IsVehicleIdPattern(pattern)),
      m_showSold(prefs.ShowSoldCars) {
    if (!m_valid) TraceLog(m_listing.method, TRACE_ERROR, "Invalid vehicle id - " + pattern);
}

std::string CRegisterQuery::Rows() const {
    const std::string alias = m_listing.alias;
    // One car's rows are found by equality, which the index by car and date answers in order; the
    // comparison ignores case as the pattern's does.
    const char* match = m_pattern == "%" ? " like '" : " = '";
    std::string sql = std::string(m_listing.table) + " " + alias + ", Vehicles v WHERE " + alias + ".VehicleID" +
                      match + m_pattern + "' AND " + alias + ".VehicleID = v.VehicleID";
    if (!m_showSold) sql += " AND v.Sold = 0";
    if (m_listing.condition != nullptr) sql += std::string(" AND ") + m_listing.condition;
    return sql;
}

std::vector<std::string> CRegisterQuery::OrderColumns() const {
    std::vector<std::string> columns;
    std::string_view order = m_listing.order;
    while (!order.empty()) {
        const size_t comma = order.find(',');
        std::string_view column = order.substr(0, comma);
        while (!column.empty() && column.front() == ' ') column.remove_prefix(1);
        columns.emplace_back(column);
        order = comma == std::string_view::npos ? std::string_view() : order.substr(comma + 1);
    }
    return columns;
}

std::string CRegisterQuery::Order(bool descending) const {
    const char* direction = descending ? " DESC" : "";
    std::string order;
    for (const std::string& column : OrderColumns()) order += column + direction + ", ";
    return order + m_listing.alias + "." + m_listing.key + direction;
}

std::string CRegisterQuery::Positions() const {
    return std::string("(SELECT ") + m_listing.alias + "." + m_listing.key +
           " AS EntryKey, ROW_NUMBER() OVER (ORDER BY " + Order(false) + ") - 1 AS EntryPosition FROM " + Rows() +
           ") p";
}

bool CRegisterQuery::Run(const std::string& sql, const std::function<void(const jv::db::Recordset&)>& read) {
    if (!m_valid) return false;
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return false;
        for (; !rs.IsEOF(); rs.MoveNext()) read(rs);
        rs.Close();
        return true;
    } catch (const jv::db::DbError& e) {
        ReportQueryError(m_listing.method, m_listing.line, sql, e, m_listing.wording);
        return false;
    }
}

size_t CRegisterQuery::Count() {
    size_t count = 0;
    Run("SELECT COUNT(*) AS Entries FROM " + Rows(),
        [&](const jv::db::Recordset& rs) { count = static_cast<size_t>(rs.GetInt("Entries").value_or(0)); });
    return count;
}

bool CRegisterQuery::IsStored(int id) {
    bool stored = false;
    Run(std::string("SELECT ") + m_listing.key + " FROM " + m_listing.table + " WHERE " + m_listing.key + " = " +
            std::to_string(id),
        [&](const jv::db::Recordset&) { stored = true; });
    return stored;
}

std::string CRegisterQuery::SelectAll(const std::string& columns) const {
    return "SELECT " + columns + " FROM " + Rows() + " ORDER BY " + Order(false) + ";";
}

bool CRegisterQuery::ReadAll(const Read& read) {
    return Run(SelectAll(m_listing.columns), read);
}

void CRegisterQuery::ReadPart(const RegisterPart& part, const ReadAt& read) {
    if (!part.ids.empty() || part.newest) {
        const std::string key = std::string(m_listing.alias) + "." + m_listing.key;
        std::string wanted;
        for (int id : part.ids) wanted += (wanted.empty() ? "" : ", ") + std::to_string(id);
        std::string which = wanted.empty() ? std::string() : "p.EntryKey IN (" + wanted + ")";
        if (part.newest) {
            which +=
                std::string(which.empty() ? "" : " OR ") + "p.EntryKey = (SELECT MAX(" + key + ") FROM " + Rows() + ")";
        }
        Run(std::string("SELECT ") + m_listing.columns + ", p.EntryPosition FROM " + m_listing.table + " " +
                m_listing.alias + ", " + Positions() + " WHERE " + key + " = p.EntryKey AND (" + which + ");",
            [&](const jv::db::Recordset& rs) {
                read(rs, static_cast<size_t>(rs.GetInt("EntryPosition").value_or(0)));
            });
        return;
    }
    const size_t first = std::min(part.first, part.total);
    const size_t count = std::min(part.count, part.total - first);
    if (count == 0) return;
    // The statement sorts only as far as the part reaches: from whichever end is nearer.
    const size_t fromEnd = part.total - first - count;
    const bool descending = fromEnd < first;
    size_t row = 0;
    Run(std::string("SELECT ") + m_listing.columns + " FROM " + Rows() + " ORDER BY " + Order(descending) + " LIMIT " +
            std::to_string(count) + " OFFSET " + std::to_string(descending ? fromEnd : first) + ";",
        [&](const jv::db::Recordset& rs) {
            if (row < count) read(rs, descending ? first + count - 1 - row : first + row);
            ++row;
        });
}

void CRegisterQuery::ReadLatestBefore(const RegisterPlace& place, const std::string& condition,
                                      const Read& read) {
    const std::string sql = LatestBefore(place, condition);
    if (!sql.empty()) Run(sql, read);
}

std::string CRegisterQuery::LatestBefore(const RegisterPlace& place, const std::string& condition) const {
    const std::string key = std::string(m_listing.alias) + "." + m_listing.key;
    const std::vector<std::string> columns = OrderColumns();
    // The values the entry is ordered by: a stored entry's as they are stored now (none when it
    // is gone, and then no entry comes before it); an entry not stored yet without any stands
    // after every entry.
    std::vector<std::string> values = place.values;
    if (place.id > 0) {
        values.clear();
        for (const std::string& column : columns) {
            values.push_back("(SELECT " + column + " FROM " + m_listing.table + " " + m_listing.alias + " WHERE " + key +
                             " = " + std::to_string(place.id) + ")");
        }
    }
    if (values.size() > columns.size()) return {};
    // Before it in the register's order, where empty values come first: below it on the first
    // column it differs on; on a tie on every value, a stored entry's lower id (an entry not stored
    // yet comes after every tie). The bound on the first column (the date) lets the index by car
    // and date start at the entry and go back; entries without a date are not looked at.
    std::string before = place.id > 0 ? key + " < " + std::to_string(place.id) : "1 = 1";
    for (size_t i = values.size(); i-- > 0;) {
        const std::string& column = columns[i];
        const std::string& value = values[i];
        before = "(" + column + " < " + value + " OR (" + column + " IS NULL AND " + value + " IS NOT NULL) OR (" +
                 column + " IS " + value + " AND " + before + "))";
    }
    if (!values.empty()) before = columns[0] + " <= " + values[0] + " AND " + before;
    return std::string("SELECT ") + m_listing.columns + " FROM " + Rows() + " AND " + before + " AND " + condition +
           " ORDER BY " + Order(true) + " LIMIT 1;";
}
