#include "shared/registers/RowValues.h"

#include <climits>
#include <utility>

#include "platform/base/NumberText.h"
#include "shared/core/ErrorReporting.h"
#include "shared/core/TraceLog.h"
#include "shared/data/SqlValue.h"

CRowValues::CRowValues(std::string method, int reportLine) : m_method(std::move(method)), m_reportLine(reportLine) {}

bool CRowValues::RowID(const std::string& text) {
    if (sqlvalue::IsRecordId(text)) return true;
    Refuse("Invalid row id - " + text);
    return false;
}

bool CRowValues::VehicleID(const std::string& text, bool optional) {
    if ((optional && text.empty()) || sqlvalue::IsVehicleId(text)) return true;
    Refuse("Invalid vehicle id - " + text);
    return false;
}

std::optional<jv::DateTime> CRowValues::Date(const std::string& text) {
    auto date = sqlvalue::ParseDate(text);
    if (!date) Refuse("Invalid date - " + text);
    return date;
}

std::optional<double> CRowValues::Number(const std::string& name, const std::string& text) {
    if (text.empty()) return std::nullopt;
    auto value = sqlvalue::ParseSingle(text);
    if (!value) Refuse("Invalid " + name + " - " + text);
    return value;
}

std::optional<int> CRowValues::Integer(const std::string& name, const std::string& text) {
    if (text.empty()) return std::nullopt;
    const auto value = jv::number::ParseInt(text);
    if (!value || *value < INT_MIN || *value > INT_MAX) {
        Refuse("Invalid " + name + " - " + text);
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

void CRowValues::Refuse(const std::string& message) {
    // One report per operation: the first bad value is what the user needs to see.
    if (!m_valid) return;
    m_valid = false;
    TraceLog(m_method, TRACE_ERROR, message);
    CErrorReporting::Report(m_method, m_reportLine, message);
}
