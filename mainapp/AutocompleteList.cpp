#include "mainapp/AutocompleteList.h"

#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"

CAutocompleteList::CAutocompleteList(jv::db::Connection connection) : CDatabaseObject(std::move(connection)) {}

void CAutocompleteList::Initialize() {
    const std::string sql = std::string("SELECT distinct Vendor") + " FROM services" + " UNION" +
                            " SELECT distinct  vendor" + " FROM fuelpurchases" + " UNION" + " SELECT distinct  vendor" +
                            " FROM expenses";
    try {
        jv::db::Recordset rs = ExecuteQuery(sql);
        if (!rs.IsOpen()) return;
        for (; !rs.IsEOF(); rs.MoveNext()) {
            // Rows saved without a vendor complete nothing.
            const std::string vendor = rs.GetText("Vendor").value_or("");
            if (!vendor.empty()) m_items.insert(CAutocompleteItem(vendor));
        }
    } catch (const jv::db::DbError& error) {
        ReportQueryError("CAutocompleteList::Initialize", 45, sql, error);
    }
}

void CAutocompleteList::Add(const std::string& vendor) {
    if (vendor.empty()) return;
    m_items.insert(CAutocompleteItem(vendor));
}

bool CAutocompleteList::Lookup(const std::string& prefix, std::string& remainder, std::string& whole) const {
    if (prefix.empty()) return false;
    const auto found = m_items.lower_bound(CAutocompleteItem(prefix));
    if (found == m_items.end() || found->size() < prefix.size()) return false;
    if (CAutocompleteItem::CompareNoCase(found->substr(0, prefix.size()), prefix) != 0) return false;
    remainder = found->substr(prefix.size());
    whole = *found;
    return true;
}
