#pragma once

#include <optional>
#include <string>

#include "platform/base/DateTime.h"
#include "platform/base/NumberFormat.h"

// What the user typed into a date or number field of a dialog, read strictly before it goes any
// further: text that is not wholly a date or a number gives nothing, so the dialog can say so and
// stay open instead of storing a wrong value.
class CTypedValue {
public:
    // Month/day/year ("3/15/26", "03/15/2026") or year-month-day, blanks around it ignored.
    static std::optional<jv::DateTime> Date(const std::string& text);
    // A date as the registers take a new entry's: month/day/year (a two-digit year the latest with
    // those digits up to today's year), not after today and not before 1900. The date as the
    // database takes it (month/day/four-digit year); otherwise nothing, and `problem` holds what
    // the page says of such a date, in the registers' words.
    static std::optional<std::string> RegisterDate(const std::string& text, const jv::DateTime& today,
                                                   std::string& problem);
    // A dialog's message less the date's problem at its start ("...<br/>") when the dialog's page
    // already shows that problem beside the date (`shown`): the user reads of a date once.
    static std::string WithoutDateShown(const std::string& message, const std::string& shown);
    // A number in the user's format: thousands separators where they belong are dropped, the
    // decimal separator is read as the decimal point; blanks around it are ignored. Negative
    // numbers and numbers beyond what a stored reading or price holds give nothing.
    static std::optional<double> Number(const std::string& text, const jv::NumberFormat& format);
    static std::optional<double> Number(const std::string& text) { return Number(text, jv::NumberFormat::User()); }
    // A whole count typed into a plan schedule (a distance or a number of months): blank text is
    // none (0), a number as Number reads it has its fraction cut; text that is not a number or a
    // count beyond what a plan holds gives nothing.
    static std::optional<int> Count(const std::string& text, const jv::NumberFormat& format);
    static std::optional<int> Count(const std::string& text) { return Count(text, jv::NumberFormat::User()); }
};
