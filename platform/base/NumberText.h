#pragma once

#include <optional>
#include <string>
#include <string_view>

// Locale-free number text for SQL, configuration files and wire formats: always "." as the
// decimal point and no grouping, whatever the process locale is.
namespace jv::number {

// Like printf("%.*f") in the C locale. Non-finite values give "0".
std::string FormatFixed(double value, int decimals = 6);
// The shortest text that reads back as the same double ("0.1", "1234.5", "1e+300" is never
// produced: plain decimal notation only).
std::string FormatShortest(double value);
std::string FormatInt(long long value);

// Plain decimal notation only: optional sign, digits, at most one ".", at least one digit;
// no blanks, exponents, "inf", "nan" or hex. The whole text must be the number.
std::optional<double> ParseDouble(std::string_view text);
// Optional sign and digits only; the whole text must be the number and fit in 64 bits.
std::optional<long long> ParseInt(std::string_view text);
// Digits only (no sign), as record identifiers are; fits in 32 bits signed.
std::optional<int> ParseId(std::string_view text);

}  // namespace jv::number
