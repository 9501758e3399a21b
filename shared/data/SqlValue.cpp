#include "shared/data/SqlValue.h"

#include <cstdio>

#include <cmath>
#include <limits>

#include "platform/base/NumberText.h"
#include "shared/data/DatabaseObject.h"

namespace sqlvalue {

bool IsRecordId(std::string_view text) {
    return jv::number::ParseId(text).has_value();
}

bool IsVehicleId(std::string_view text) {
    if (text.size() >= 2 && text.front() == '{' && text.back() == '}') text = text.substr(1, text.size() - 2);
    if (text.empty() || text.size() > 36) return false;
    for (char c : text) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex && c != '-') return false;
    }
    return true;
}

bool IsVehicleIdPattern(std::string_view text) {
    return text == "%" || IsVehicleId(text);
}

std::string Text(const std::string& text, size_t width) {
    return width == 0 ? EscapeQuotes(text) : EscapeQuotes(text, width);
}

std::string Quoted(const std::string& text, size_t width) {
    return "'" + Text(text, width) + "'";
}

std::string Date(const jv::DateTime& date) {
    // Four year digits always, also for the years 100 to 999.
    char text[32];
    std::snprintf(text, sizeof text, "#%02d/%02d/%04d#", date.GetMonth(), date.GetDay(), date.GetYear());
    return text;
}

std::string Number(double value) {
    return jv::number::FormatFixed(value, 6);
}

std::string WithinOne(const std::string& column, double value) {
    return "(" + column + " = " + Number(value) + " OR (" + column + " > " + Number(value - 1.0) + " AND " + column +
           " < " + Number(value + 1.0) + "))";
}

std::optional<jv::DateTime> ParseDate(std::string_view text) {
    jv::DateTime date;
    if (date.ParseDateTime(text) || date.ParseIsoDate(text)) return date;
    return std::nullopt;
}

std::optional<double> ParseNumber(std::string_view text) {
    return jv::number::ParseDouble(text);
}

std::optional<double> ParseSingle(std::string_view text) {
    const auto value = ParseNumber(text);
    if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return std::nullopt;
    return value;
}

}  // namespace sqlvalue
