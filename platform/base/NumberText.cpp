#include "platform/base/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace jv::number {

std::string FormatFixed(double value, int decimals) {
    if (!std::isfinite(value)) value = 0;
    if (decimals < 0) decimals = 0;
    if (decimals > 30) decimals = 30;
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "0";
    std::string text(buffer, result.ptr);
    if (text.size() > 1 && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

std::string FormatShortest(double value) {
    if (!std::isfinite(value)) return "0";
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc()) return "0";
    return std::string(buffer, result.ptr);
}

std::string FormatInt(long long value) {
    return std::to_string(value);
}

std::optional<double> ParseDouble(std::string_view text) {
    size_t pos = 0;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
    size_t digits = 0;
    size_t points = 0;
    for (size_t i = pos; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            ++digits;
        } else if (text[i] == '.') {
            if (++points > 1) return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0) return std::nullopt;
    std::string_view body = text.substr(text[0] == '+' ? 1 : 0);
    double value = 0;
    auto result = std::from_chars(body.data(), body.data() + body.size(), value, std::chars_format::fixed);
    if (result.ec != std::errc() || result.ptr != body.data() + body.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long long> ParseInt(std::string_view text) {
    const size_t firstDigit = !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
    if (firstDigit == text.size()) return std::nullopt;
    for (size_t i = firstDigit; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
    }
    const std::string_view body = text[0] == '+' ? text.substr(1) : text;
    long long value = 0;
    auto result = std::from_chars(body.data(), body.data() + body.size(), value);
    if (result.ec != std::errc() || result.ptr != body.data() + body.size()) return std::nullopt;
    return value;
}

std::optional<int> ParseId(std::string_view text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
    }
    long long value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    if (value > std::numeric_limits<int>::max()) return std::nullopt;
    return static_cast<int>(value);
}

}  // namespace jv::number
