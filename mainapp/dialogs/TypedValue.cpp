#include "mainapp/dialogs/TypedValue.h"

#include <climits>

#include "mainapp/pages/RegisterFields.h"
#include "shared/data/SqlValue.h"

namespace {

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<jv::DateTime> CTypedValue::Date(const std::string& text) {
    const std::string trimmed = Trimmed(text);
    if (trimmed.empty()) return std::nullopt;
    return sqlvalue::ParseDate(trimmed);
}

std::optional<std::string> CTypedValue::RegisterDate(const std::string& text, const jv::DateTime& today,
                                                     std::string& problem) {
    using Problem = registerfields::EntryDate::Problem;
    const registerfields::EntryDate date = registerfields::DateForDatabase(text, today, nullptr);
    switch (date.problem) {
        case Problem::None:
            return date.text;
        case Problem::Future:
            problem = "Please enter a date that is not after today.";
            break;
        case Problem::Before1900:
            problem = "Please enter a date in 1900 or later.";
            break;
        case Problem::NotADate:
            problem = "Please enter a valid date (month/day/year).";
            break;
    }
    return std::nullopt;
}

std::string CTypedValue::WithoutDateShown(const std::string& message, const std::string& shown) {
    const std::string said = shown + "<br/>";
    if (shown.empty() || message.compare(0, said.size(), said) != 0) return message;
    return message.substr(said.size());
}

std::optional<double> CTypedValue::Number(const std::string& text, const jv::NumberFormat& format) {
    const std::string trimmed = Trimmed(text);
    if (trimmed.empty()) return std::nullopt;
    const std::string& point = format.decimalSeparator.empty() ? std::string(".") : format.decimalSeparator;
    const std::string& thousands = format.thousandSeparator;
    // The integer part may carry thousands separators; the fraction may not.
    const size_t decimal = trimmed.find(point);
    std::string whole = trimmed.substr(0, decimal);
    const std::string fraction = decimal == std::string::npos ? "" : trimmed.substr(decimal + point.size());
    if (!thousands.empty() && thousands != point) {
        std::string digits;
        for (size_t at = 0; at < whole.size();) {
            if (whole.compare(at, thousands.size(), thousands) == 0) {
                // A separator stands between digits only.
                if (digits.empty() || at + thousands.size() >= whole.size()) return std::nullopt;
                at += thousands.size();
                continue;
            }
            digits += whole[at++];
        }
        whole = digits;
    }
    std::string plain = whole;
    if (decimal != std::string::npos) {
        if (fraction.find(point) != std::string::npos) return std::nullopt;
        plain += "." + fraction;
    }
    const std::optional<double> value = sqlvalue::ParseSingle(plain);
    if (!value || *value < 0) return std::nullopt;
    return value;
}

std::optional<int> CTypedValue::Count(const std::string& text, const jv::NumberFormat& format) {
    if (Trimmed(text).empty()) return 0;
    const std::optional<double> value = Number(text, format);
    if (!value || *value >= static_cast<double>(INT_MAX) + 1.0) return std::nullopt;
    return static_cast<int>(*value);
}
