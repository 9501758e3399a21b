#pragma once

#include <string>
#include <string_view>

namespace jv {

// How numbers are shown to and read from the user: the separators and grouping of the user's
// locale. The program reads it once at start-up; tests build their own.
struct NumberFormat {
    std::string decimalSeparator = ".";
    std::string thousandSeparator = ",";
    int grouping = 3;         // digits per group; 0 = no grouping
    bool leadingZero = true;  // "0.5" rather than ".5"
    int negativeOrder = 1;    // 0 "(1.1)", 1 "-1.1", 2 "- 1.1", 3 "1.1-", 4 "1.1 -"

    static NumberFormat UnitedStates();  // 1,234.5
    static NumberFormat German();        // 1.234,5
    static NumberFormat Plain();         // 1234.5, no grouping
    // The format of the process's LC_NUMERIC / LANG locale.
    static NumberFormat FromEnvironment();

    // The value with `digits` decimals (negative = 6), rounded half away from zero on its
    // six-decimal text, grouped and with this format's separators. NaN counts as 0 and values
    // beyond +-1e15 are clamped, so the text stays sane.
    std::string Format(double value, int digits) const;

    // Reads typed text: every thousands separator is dropped, the decimal separator becomes ".",
    // leading blanks are skipped and reading stops at the first character that cannot belong to
    // a plain decimal number. Text without a number gives 0.
    double Parse(std::string_view text) const;

    // The user's format, read once; tests may replace it.
    static const NumberFormat& User();
    static void SetUserForTesting(const NumberFormat& format);
};

}  // namespace jv
