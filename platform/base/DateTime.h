#pragma once

#include <string>
#include <string_view>

namespace jv {

// A date and time as a day count from 30 December 1899 with the time as a fraction of a day,
// plus a status. This is the representation the user database stores, so ordering and
// arithmetic on stored dates behave the same in SQL and in the program.
//
// Days before the epoch follow the traditional convention: the integer part counts days back and
// the fraction is still the time of day (-1.25 is 29 December 1899, 06:00).
class DateTime {
public:
    enum class Status { Valid, Invalid, Null };

    // Valid, day 0 (30 December 1899, midnight).
    DateTime() = default;
    explicit DateTime(double days);
    // Invalid when a part is out of range (years 100 to 9999).
    DateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

    static DateTime Invalid();
    static DateTime Null();

    // Set from parts; on a part out of range the date becomes invalid and false is returned.
    bool SetDateTime(int year, int month, int day, int hour, int minute, int second);
    bool SetDate(int year, int month, int day) { return SetDateTime(year, month, day, 0, 0, 0); }

    Status GetStatus() const { return status_; }
    void SetStatus(Status status) { status_ = status; }
    bool IsValid() const { return status_ == Status::Valid; }

    // The raw day number (meaningful only when valid).
    double Days() const { return days_; }

    // Parts, rounded to the nearest second. -1 when not valid.
    int GetYear() const;
    int GetMonth() const;
    int GetDay() const;
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const;  // 1 = Sunday ... 7 = Saturday
    int GetDayOfYear() const;  // 1 = 1 January

    // Splits into parts rounded to the nearest second; false when not valid.
    bool Split(int& year, int& month, int& day, int& hour, int& minute, int& second) const;

    // The date at midnight.
    DateTime DatePart() const;

    // strftime codes in the C locale (%m/%d/%Y, %Y/%m/%d %I:%M:%S %p, %B, %b, %A, %a, %j, ...).
    // Empty when not valid.
    std::string Format(const char* format) const;

    // Reads month/day/year text ("1/31/2024", "01/31/24", optionally followed by a time
    // "13:05", "1:05:00 PM"). A two-digit year is the latest year with those digits that is not
    // after latestYear, or without it the current year of the installed clock: "30" typed in 2030
    // is 2030, in 2026 it is 1930. Returns false and sets the date invalid when the text is not
    // such a date.
    bool ParseDateTime(std::string_view text);
    bool ParseDateTime(std::string_view text, int latestYear);
    // Reads year-month-day text ("2024-01-31"), as typed into a date field of a page.
    bool ParseIsoDate(std::string_view text);

    // Arithmetic on the day count. The result of arithmetic with an invalid or null date is
    // invalid.
    DateTime operator+(double days) const;
    DateTime operator-(double days) const;
    DateTime& operator+=(double days);
    DateTime& operator-=(double days);
    // Days between two dates (0 when either is not valid).
    double operator-(const DateTime& other) const;

    // Comparisons involving a date that is not valid are false (also != ).
    bool operator==(const DateTime& other) const;
    bool operator!=(const DateTime& other) const;
    bool operator<(const DateTime& other) const;
    bool operator<=(const DateTime& other) const;
    bool operator>(const DateTime& other) const;
    bool operator>=(const DateTime& other) const;

    // Linear day count (continuous across the epoch) and back.
    static double ToLinear(double days);
    static double FromLinear(double linear);

private:
    double days_ = 0.0;
    Status status_ = Status::Valid;
};

}  // namespace jv
