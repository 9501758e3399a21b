#pragma once

#include <optional>
#include <string>

#include "platform/base/DateTime.h"
#include "platform/base/NumberFormat.h"

// What the register pages hand between the page and the database for one field.
//
// An empty input of the new entry shows its own name as a tip ("Odometer", "Total Cost"); that
// text is no value. A number field left empty is "not given" (the database leaves the column out,
// and a fuel purchase or an expense without an odometer records no reading), never a zero: a
// reading of 0 would throw off every estimate and reminder of the car.
namespace registerfields {

// The typed text, or the empty text when it is the field's tip.
std::string WithoutTip(const std::string& typed, const std::string& tip);

// A typed number for the database: the empty text for an empty field (blanks only, or the tip),
// the value as "%f" text (point separator, six decimals) for a number in the user's format, and
// nothing for text that is not a number ("12abc", "1.2.3"), which must not be saved as a guess.
std::optional<std::string> NumberForDatabase(const std::string& typed, const std::string& tip,
                                             const jv::NumberFormat& format);

// A typed number's value as the database would take it: 0 for an empty field, nothing for text
// that is not a number.
std::optional<double> TypedNumber(const std::string& typed, const std::string& tip, const jv::NumberFormat& format);

// An amount for the update of a stored entry: a field the user emptied is stored as 0 (which the
// register shows as empty), since an empty text would keep the stored amount. Odometers are not
// amounts: an emptied odometer is not a reading of 0.
std::string AmountForUpdate(const std::string& databaseText);

// A stored number as the register shows it: the user's format with `digits` decimals; empty when
// emptyWhenZero and the value is not above 0.
std::string NumberForPage(double value, int digits, bool emptyWhenZero, const jv::NumberFormat& format);

// A number field's text as the page shows it once the user leaves the field: a number in the
// user's format again, with `digits` decimals (halves rounded up, as the page rounds); any other
// text (empty, the field's tip, not a number) as it is.
std::string NumberAsLeft(const std::string& typed, int digits, const jv::NumberFormat& format);

// The date of an entry as the page sent it, for the database.
struct EntryDate {
    enum class Problem { None, NotADate, Future, Before1900 };
    Problem problem = Problem::None;
    std::string text;  // month/day/four-digit year, when there is no problem
};

// The date the page sent ("12/31/2024", "12/31/24"), with today and, for a stored entry, the date
// it has. Four year digits are the year typed; two are, over a stored date, the year with those
// digits nearest the stored year (of two as near, the earlier), and in the new entry the latest
// with those digits that is not after today's year. A stored date the user left as the register
// shows it stays as it is, whatever its century; any other is refused when it is not a date, lies
// after today or before 1900.
EntryDate DateForDatabase(const std::string& typed, const jv::DateTime& today, const jv::DateTime* stored);

// Why a date was refused, to follow the date in a message ("is after today").
std::string DateRefusal(EntryDate::Problem problem);

}  // namespace registerfields
