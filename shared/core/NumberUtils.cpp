#include "shared/core/NumberUtils.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/base/Spawn.h"
#include "shared/core/TraceLog.h"

double LocaleStringToDouble(const std::string& text) {
    return jv::NumberFormat::User().Parse(text);
}

double LocaleStringToDouble(const std::string& text, const jv::NumberFormat& format) {
    return format.Parse(text);
}

std::string& DoubleToLocaleString(std::string& out, double value, int digits) {
    return DoubleToLocaleString(out, value, digits, jv::NumberFormat::User());
}

std::string& DoubleToLocaleString(std::string& out, double value, int digits, const jv::NumberFormat& format) {
    out = format.Format(value, digits < 0 ? 6 : digits);
    return out;
}

int RoundDouble(double value) {
    if (std::isnan(value)) return 0;
    const double rounded = value > 0 ? value + 0.5 : value - 0.5;
    if (rounded >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (rounded <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(rounded);
}

int RoundFloat(float value) {
    return RoundDouble(static_cast<double>(value));
}

bool IsNumeric(const std::string& text, bool allowDecimalPoint) {
    size_t i = 0;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) i = 1;
    bool digit = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && allowDecimalPoint && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

namespace {

// Builds the date, lowering a day of 29 or more until the month has it.
bool Rebuild(jv::DateTime& date, int year, int month, int day, int hour, int minute, int second) {
    jv::DateTime candidate;
    while (!candidate.SetDateTime(year, month, day, hour, minute, second)) {
        if (day < 29) return false;
        --day;
    }
    date = candidate;
    return true;
}

}  // namespace

jv::DateTime& AddMonths(jv::DateTime& date, int months) {
    int y, m, d, h, mi, s;
    if (months == 0 || !date.Split(y, m, d, h, mi, s)) return date;
    long long total = static_cast<long long>(y) * 12 + (m - 1) + months;
    const long long year = total >= 0 ? total / 12 : (total - 11) / 12;
    const int month = static_cast<int>(total - year * 12) + 1;
    if (year < 100 || year > 9999) return date;
    Rebuild(date, static_cast<int>(year), month, d, h, mi, s);
    return date;
}

jv::DateTime& AddYears(jv::DateTime& date, int years) {
    int y, m, d, h, mi, s;
    if (!date.Split(y, m, d, h, mi, s)) return date;
    const long long year = static_cast<long long>(y) + years;
    if (year < 100 || year > 9999) return date;
    Rebuild(date, static_cast<int>(year), m, d, h, mi, s);
    return date;
}

std::string& GetSystemErrorText(std::string& out, uint32_t code) {
    // Only numbers the system knows have a text: "Unknown error 42" is none.
    const char* text = code <= INT_MAX ? strerrordesc_np(static_cast<int>(code)) : nullptr;
    out = text != nullptr ? std::string(text) + "\n" : std::string();
    return out;
}

std::string& CapitalizeWords(std::string& out, const std::string& text) {
    out = text;
    for (char& c : out) {
        if (static_cast<unsigned char>(c) < 128) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    auto raise = [](char& c) {
        if (static_cast<unsigned char>(c) < 128 && std::isalpha(static_cast<unsigned char>(c))) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    };
    if (!out.empty()) raise(out[0]);
    for (size_t i = 1; i < out.size(); ++i) {
        if (out[i - 1] == ' ') raise(out[i]);
    }
    return out;
}

bool LaunchBrowser(const std::string& url) {
    auto startsWith = [&](const char* scheme) {
        const size_t n = std::strlen(scheme);
        if (url.size() <= n) return false;
        for (size_t i = 0; i < n; ++i) {
            if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i]) return false;
        }
        return true;
    };
    if (!startsWith("http://") && !startsWith("https://") && !startsWith("mailto:")) {
        TraceLog("LaunchBrowser", TRACE_ERROR, "Refused to open an address that is not http, https or mailto");
        return false;
    }
    for (char c : url) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            TraceLog("LaunchBrowser", TRACE_ERROR, "Refused to open an address with control characters");
            return false;
        }
    }
    std::string error;
    if (!jv::process::Spawn({"xdg-open", url}, &error)) {
        TraceLog("LaunchBrowser", TRACE_ERROR, "Failed to launch browser\n\t" + error);
        return false;
    }
    return true;
}
