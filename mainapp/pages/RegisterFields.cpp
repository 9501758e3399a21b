#include "mainapp/pages/RegisterFields.h"

#include <cctype>
#include <cstdlib>

#include "platform/base/DateTime.h"
#include "platform/base/NumberText.h"

namespace registerfields {

namespace {

std::string Trimmed(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    return text.substr(begin, end - begin);
}

// The text in plain form ("-1234.5"): thousands separators dropped, the decimal separator made a
// point. Nothing when what is left is not an optional sign, digits and at most one point.
std::optional<std::string> Plain(const std::string& text, const jv::NumberFormat& format) {
    std::string plain;
    size_t i = 0;
    while (i < text.size()) {
        if (!format.decimalSeparator.empty() &&
            text.compare(i, format.decimalSeparator.size(), format.decimalSeparator) == 0) {
            plain += '.';
            i += format.decimalSeparator.size();
        } else if (!format.thousandSeparator.empty() &&
                   text.compare(i, format.thousandSeparator.size(), format.thousandSeparator) == 0) {
            i += format.thousandSeparator.size();
        } else {
            plain += text[i++];
        }
    }
    size_t at = 0;
    if (at < plain.size() && (plain[at] == '-' || plain[at] == '+')) ++at;
    bool digit = false;
    bool point = false;
    for (; at < plain.size(); ++at) {
        const char c = plain[at];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digit) return std::nullopt;
    return plain;
}

}  // namespace

std::string WithoutTip(const std::string& typed, const std::string& tip) {
    return !tip.empty() && typed == tip ? std::string() : typed;
}

std::optional<std::string> NumberForDatabase(const std::string& typed, const std::string& tip,
                                             const jv::NumberFormat& format) {
    const std::string text = Trimmed(WithoutTip(typed, tip));
    if (text.empty()) return std::string();
    const std::optional<std::string> plain = Plain(text, format);
    if (!plain) return std::nullopt;
    return jv::number::FormatFixed(jv::NumberFormat::Plain().Parse(*plain), 6);
}

std::optional<double> TypedNumber(const std::string& typed, const std::string& tip, const jv::NumberFormat& format) {
    const auto text = NumberForDatabase(typed, tip, format);
    if (!text) return std::nullopt;
    return text->empty() ? 0.0 : std::strtod(text->c_str(), nullptr);
}

std::string AmountForUpdate(const std::string& databaseText) {
    return databaseText.empty() ? jv::number::FormatFixed(0.0, 6) : databaseText;
}

std::string NumberForPage(double value, int digits, bool emptyWhenZero, const jv::NumberFormat& format) {
    if (emptyWhenZero && !(value > 0)) return {};
    return format.Format(value, digits);
}

std::string NumberAsLeft(const std::string& typed, int digits, const jv::NumberFormat& format) {
    const auto text = NumberForDatabase(typed, "", format);
    if (!text || text->empty()) return typed;
    return format.Format(std::strtod(text->c_str(), nullptr), digits);
}

EntryDate DateForDatabase(const std::string& typed, const jv::DateTime& today, const jv::DateTime* stored) {
    const std::string text = Trimmed(typed);
    jv::DateTime date;
    // Over a stored date a two-digit year is the one with those digits nearest the stored year (of
    // two as near, the earlier), so that the text the register showed gives the stored date back
    // (an entry of 2099 or of 1900 keeps its year when only its vendor changed) and a corrected day
    // stays in its century.
    const bool overStored = stored != nullptr && stored->IsValid();
    if (!date.ParseDateTime(text, overStored ? stored->GetYear() + 49 : today.GetYear()))
        return {EntryDate::Problem::NotADate, {}};
    if (overStored && date.DatePart() == stored->DatePart())
        return {EntryDate::Problem::None, stored->Format("%m/%d/%Y")};
    if (date.DatePart() > today.DatePart()) return {EntryDate::Problem::Future, {}};
    if (date.GetYear() < 1900) return {EntryDate::Problem::Before1900, {}};
    return {EntryDate::Problem::None, date.Format("%m/%d/%Y")};
}

std::string DateRefusal(EntryDate::Problem problem) {
    switch (problem) {
        case EntryDate::Problem::NotADate:
            return "is not a date (month/day/year)";
        case EntryDate::Problem::Future:
            return "is after today";
        case EntryDate::Problem::Before1900:
            return "is before 1900";
        case EntryDate::Problem::None:
            break;
    }
    return {};
}

}  // namespace registerfields
