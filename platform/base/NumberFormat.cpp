#include "platform/base/NumberFormat.h"

#include <langinfo.h>
#include <locale.h>
#include <charconv>
#include <cmath>
#include <optional>

#include "platform/base/NumberText.h"

namespace jv {
namespace {

std::optional<NumberFormat>& UserSlot() {
    static std::optional<NumberFormat> format;
    return format;
}

// Rounds the decimal text "123.456789" to `digits` decimals, half away from zero on the text.
std::string RoundDecimalText(const std::string& text, int digits) {
    const size_t point = text.find('.');
    std::string integer = point == std::string::npos ? text : text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    if (static_cast<int>(fraction.size()) <= digits) {
        fraction.append(static_cast<size_t>(digits) - fraction.size(), '0');
        return digits > 0 ? integer + "." + fraction : integer;
    }
    const bool roundUp = fraction[static_cast<size_t>(digits)] >= '5';
    std::string kept = integer + fraction.substr(0, static_cast<size_t>(digits));
    if (roundUp) {
        int i = static_cast<int>(kept.size()) - 1;
        for (; i >= 0; --i) {
            if (kept[static_cast<size_t>(i)] == '9') {
                kept[static_cast<size_t>(i)] = '0';
            } else {
                ++kept[static_cast<size_t>(i)];
                break;
            }
        }
        if (i < 0) kept.insert(kept.begin(), '1');
    }
    const size_t integerLength = kept.size() - static_cast<size_t>(digits);
    std::string result = kept.substr(0, integerLength);
    if (digits > 0) result += "." + kept.substr(integerLength);
    return result;
}

}  // namespace

NumberFormat NumberFormat::UnitedStates() {
    return NumberFormat{};
}

NumberFormat NumberFormat::German() {
    NumberFormat f;
    f.decimalSeparator = ",";
    f.thousandSeparator = ".";
    return f;
}

NumberFormat NumberFormat::Plain() {
    NumberFormat f;
    f.thousandSeparator = "";
    f.grouping = 0;
    return f;
}

NumberFormat NumberFormat::FromEnvironment() {
    NumberFormat f;
    locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (loc == static_cast<locale_t>(nullptr)) return f;
    const char* decimal = nl_langinfo_l(RADIXCHAR, loc);
    const char* thousands = nl_langinfo_l(THOUSEP, loc);
    const char* grouping = nl_langinfo_l(GROUPING, loc);
    if (decimal != nullptr && *decimal != '\0') f.decimalSeparator = decimal;
    f.thousandSeparator = thousands != nullptr ? thousands : "";
    f.grouping = grouping != nullptr && *grouping > 0 && *grouping < 127 ? *grouping : 0;
    if (f.thousandSeparator.empty()) f.grouping = 0;
    freelocale(loc);
    return f;
}

std::string NumberFormat::Format(double value, int digits) const {
    if (std::isnan(value)) value = 0;
    if (value > 1e15) value = 1e15;
    if (value < -1e15) value = -1e15;
    if (digits < 0) digits = 6;
    if (digits > 20) digits = 20;

    std::string text = number::FormatFixed(value, 6);
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.erase(0, 1);
    }
    text = RoundDecimalText(text, digits);
    if (text.find_first_not_of("0.") == std::string::npos) negative = false;

    const size_t point = text.find('.');
    std::string integer = point == std::string::npos ? text : text.substr(0, point);
    const std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    if (!leadingZero && integer == "0" && !fraction.empty()) integer.clear();

    std::string grouped;
    if (grouping > 0 && !thousandSeparator.empty()) {
        const size_t n = integer.size();
        for (size_t i = 0; i < n; ++i) {
            if (i > 0 && (n - i) % static_cast<size_t>(grouping) == 0) grouped += thousandSeparator;
            grouped += integer[i];
        }
    } else {
        grouped = integer;
    }
    std::string number = fraction.empty() ? grouped : grouped + decimalSeparator + fraction;
    if (!negative) return number;
    switch (negativeOrder) {
        case 0:
            return "(" + number + ")";
        case 2:
            return "- " + number;
        case 3:
            return number + "-";
        case 4:
            return number + " -";
        default:
            return "-" + number;
    }
}

double NumberFormat::Parse(std::string_view input) const {
    // Each separator is dropped or replaced as the text is copied once: a pasted text full of
    // separators takes no longer than its length.
    const auto replaced = [](std::string_view from, const std::string& separator, std::string_view with) {
        std::string out;
        out.reserve(from.size());
        for (size_t at = 0; at < from.size();) {
            if (from.compare(at, separator.size(), separator) == 0) {
                out += with;
                at += separator.size();
            } else {
                out += from[at++];
            }
        }
        return out;
    };
    std::string text = thousandSeparator.empty() ? std::string(input) : replaced(input, thousandSeparator, "");
    if (!decimalSeparator.empty() && decimalSeparator != ".") text = replaced(text, decimalSeparator, ".");
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\n' || text[pos] == '\r'))
        ++pos;
    size_t start = pos;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
    bool seenPoint = false;
    bool seenDigit = false;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c >= '0' && c <= '9') {
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
        ++pos;
    }
    if (!seenDigit) return 0;
    std::string_view number(text.data() + start, pos - start);
    if (!number.empty() && number[0] == '+') number.remove_prefix(1);
    double value = 0;
    auto result = std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::fixed);
    if (result.ec != std::errc() || !std::isfinite(value)) return 0;
    return value;
}

const NumberFormat& NumberFormat::User() {
    auto& slot = UserSlot();
    if (!slot) slot = FromEnvironment();
    return *slot;
}

void NumberFormat::SetUserForTesting(const NumberFormat& format) {
    UserSlot() = format;
}

}  // namespace jv
