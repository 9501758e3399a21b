#pragma once

#include <cstdint>
#include <string>

#include "platform/base/DateTime.h"
#include "platform/base/NumberFormat.h"

// Small helpers shared by the whole program: numbers in the user's locale, rounding, identifier
// checks, month and year steps with end-of-month handling, error texts, word capitalisation and
// opening a web page.

// Typed text to a number in the user's locale (see jv::NumberFormat::Parse). Never fails:
// unreadable text gives 0.
double LocaleStringToDouble(const std::string& text);
double LocaleStringToDouble(const std::string& text, const jv::NumberFormat& format);

// A number shown in the user's locale with `digits` decimals; -1 means 6.
std::string& DoubleToLocaleString(std::string& out, double value, int digits);
std::string& DoubleToLocaleString(std::string& out, double value, int digits, const jv::NumberFormat& format);

// Halves go away from zero; values beyond the int range are clamped and NaN gives 0.
int RoundFloat(float value);
int RoundDouble(double value);

// An optional sign, digits with at most one "." (when allowed) and at least one digit.
bool IsNumeric(const std::string& text, bool allowDecimalPoint);

// Step a date by months or years, keeping the day where the target month has it and otherwise
// taking the month's last day. A date that is not valid is left unchanged.
jv::DateTime& AddMonths(jv::DateTime& date, int months);
jv::DateTime& AddYears(jv::DateTime& date, int years);

// The system's text for an error number (errno), empty when it has none.
std::string& GetSystemErrorText(std::string& out, uint32_t code);

// Lower-cases the text, then raises the first letter and every letter after a blank.
std::string& CapitalizeWords(std::string& out, const std::string& text);

// Opens an http, https or mailto address in the user's browser or mail program (xdg-open, no
// shell). Any other address is refused and logged.
bool LaunchBrowser(const std::string& url);
