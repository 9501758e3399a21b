#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/base/DateTime.h"

// Values that go into the SQL text the data classes build. Nothing a user, a page or the web
// service supplies reaches a statement as it came: identifiers are checked, text is cut to its
// column and its quotes doubled, dates and numbers are parsed and written by the program.
namespace sqlvalue {

// A record id: digits only, fitting a 32-bit counter.
bool IsRecordId(std::string_view text);
// A car's VehicleID: GUID text (hex digits, "-", optionally in braces), never empty.
bool IsVehicleId(std::string_view text);
// A VehicleID, or "%" for every car.
bool IsVehicleIdPattern(std::string_view text);

// The text cut to at most `width` characters (whole UTF-8 characters; 0 = no limit), then with
// every single quote doubled. Cutting first keeps a doubled quote whole at the boundary.
std::string Text(const std::string& text, size_t width = 0);
// Text() between single quotes.
std::string Quoted(const std::string& text, size_t width = 0);

// A date literal "#m/d/yyyy#" (the date part only); the date must be valid.
std::string Date(const jv::DateTime& date);
// A number as SQL text ("%f" in the C locale).
std::string Number(double value);
// The condition that a numeric column lies within one of `value`, as odometer readings are matched
// to the rows they stand for. The value itself always matches: beyond 2^53 a double holds no
// number between value - 1 and value + 1, and those bounds may round onto the value itself.
std::string WithinOne(const std::string& column, double value);

// A date typed by the user or passed by a page: month/day/year ("1/31/2024", optionally with a
// time) or year-month-day ("2024-01-31"). Empty when the text is no such date.
std::optional<jv::DateTime> ParseDate(std::string_view text);
// A number written in plain decimal notation ("1234.5", "-3"). Empty when the text is no number.
std::optional<double> ParseNumber(std::string_view text);
// A number for a "single" column (odometers, prices): ParseNumber within the range a 32-bit float
// holds. A larger number would be stored, but every later read of its row would fail.
std::optional<double> ParseSingle(std::string_view text);

}  // namespace sqlvalue
