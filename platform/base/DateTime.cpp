#include "platform/base/DateTime.h"

#include <locale.h>
#include <clocale>
#include <cmath>
#include <ctime>

#include "platform/base/Clock.h"

namespace jv {
namespace {

constexpr long long kSecondsPerDay = 86400;
// Day number of 30 December 1899 counted from 1 January 1970.
constexpr long long kEpochOffset = 25569;

// Days since 1 January 1970 of a proleptic Gregorian date.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2 ? 1 : 0));
}

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

long long FloorDiv(long long a, long long b) {
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

// Reads an unsigned number of at most maxDigits digits starting at pos.
bool ReadNumber(std::string_view text, size_t& pos, int maxDigits, int& value, int& digits) {
    value = 0;
    digits = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < maxDigits) {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits > 0;
}

void SkipBlanks(std::string_view text, size_t& pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
}

}  // namespace

DateTime::DateTime(double days) : days_(days) {
    if (!std::isfinite(days) || days < -657434.0 || days >= 2958466.0) status_ = Status::Invalid;
}

DateTime::DateTime(int year, int month, int day, int hour, int minute, int second) {
    SetDateTime(year, month, day, hour, minute, second);
}

DateTime DateTime::Invalid() {
    DateTime d;
    d.status_ = Status::Invalid;
    return d;
}

DateTime DateTime::Null() {
    DateTime d;
    d.status_ = Status::Null;
    return d;
}

double DateTime::ToLinear(double days) {
    if (days >= 0) return days;
    const double whole = std::trunc(days);
    return whole + (whole - days);
}

double DateTime::FromLinear(double linear) {
    if (linear >= 0) return linear;
    const double whole = std::floor(linear);
    const double fraction = linear - whole;
    return whole - fraction;
}

bool DateTime::SetDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
        days_ = 0;
        status_ = Status::Invalid;
        return false;
    }
    const long long dayNumber =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kEpochOffset;
    const double linear = static_cast<double>(dayNumber) + (hour * 3600 + minute * 60 + second) / 86400.0;
    days_ = FromLinear(linear);
    status_ = Status::Valid;
    return true;
}

bool DateTime::Split(int& year, int& month, int& day, int& hour, int& minute, int& second) const {
    if (status_ != Status::Valid) return false;
    const long long totalSeconds = std::llround(ToLinear(days_) * static_cast<double>(kSecondsPerDay));
    const long long dayNumber = FloorDiv(totalSeconds, kSecondsPerDay);
    long long secondOfDay = totalSeconds - dayNumber * kSecondsPerDay;
    CivilFromDays(dayNumber - kEpochOffset, year, month, day);
    hour = static_cast<int>(secondOfDay / 3600);
    secondOfDay %= 3600;
    minute = static_cast<int>(secondOfDay / 60);
    second = static_cast<int>(secondOfDay % 60);
    return true;
}

#define JV_DATE_PART(name, field)                  \
    int DateTime::name() const {                   \
        int y, mo, d, h, mi, s;                    \
        if (!Split(y, mo, d, h, mi, s)) return -1; \
        return field;                              \
    }
JV_DATE_PART(GetYear, y)
JV_DATE_PART(GetMonth, mo)
JV_DATE_PART(GetDay, d)
JV_DATE_PART(GetHour, h)
JV_DATE_PART(GetMinute, mi)
JV_DATE_PART(GetSecond, s)
#undef JV_DATE_PART

int DateTime::GetDayOfWeek() const {
    int y, mo, d, h, mi, s;
    if (!Split(y, mo, d, h, mi, s)) return -1;
    const long long days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
    // 1 January 1970 was a Thursday (5 when Sunday is 1).
    return static_cast<int>(((days % 7) + 7 + 4) % 7) + 1;
}

int DateTime::GetDayOfYear() const {
    int y, mo, d, h, mi, s;
    if (!Split(y, mo, d, h, mi, s)) return -1;
    return static_cast<int>(DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) -
                            DaysFromCivil(y, 1, 1)) +
           1;
}

DateTime DateTime::DatePart() const {
    int y, mo, d, h, mi, s;
    if (!Split(y, mo, d, h, mi, s)) return *this;
    return DateTime(y, mo, d);
}

std::string DateTime::Format(const char* format) const {
    int y, mo, d, h, mi, s;
    if (format == nullptr || !Split(y, mo, d, h, mi, s)) return {};
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_wday = GetDayOfWeek() - 1;
    tm.tm_yday = GetDayOfYear() - 1;
    tm.tm_isdst = 0;
    char buffer[512];
    const size_t n = strftime_l(buffer, sizeof buffer, format, &tm, CLocale());
    return std::string(buffer, n);
}

bool DateTime::ParseDateTime(std::string_view text) {
    return ParseDateTime(text, CurrentClock().Now().GetYear());
}

bool DateTime::ParseDateTime(std::string_view text, int latestYear) {
    size_t pos = 0;
    int month = 0, day = 0, year = 0, digits = 0;
    SkipBlanks(text, pos);
    bool ok = ReadNumber(text, pos, 2, month, digits) && pos < text.size() && text[pos++] == '/' &&
              ReadNumber(text, pos, 2, day, digits) && pos < text.size() && text[pos++] == '/' &&
              ReadNumber(text, pos, 4, year, digits) && (digits == 2 || digits == 4);
    if (ok && digits == 2) year = latestYear - ((latestYear - year) % 100 + 100) % 100;
    int hour = 0, minute = 0, second = 0;
    if (ok) {
        SkipBlanks(text, pos);
        if (pos < text.size()) {
            ok = ReadNumber(text, pos, 2, hour, digits) && pos < text.size() && text[pos++] == ':' &&
                 ReadNumber(text, pos, 2, minute, digits) && digits == 2;
            if (ok && pos < text.size() && text[pos] == ':') {
                ++pos;
                ok = ReadNumber(text, pos, 2, second, digits) && digits == 2;
            }
            SkipBlanks(text, pos);
            if (ok && pos + 1 < text.size() && (text[pos + 1] == 'M' || text[pos + 1] == 'm')) {
                const char ampm = text[pos];
                if (hour < 1 || hour > 12) ok = false;
                if (ampm == 'A' || ampm == 'a') {
                    if (hour == 12) hour = 0;
                } else if (ampm == 'P' || ampm == 'p') {
                    if (hour != 12) hour += 12;
                } else {
                    ok = false;
                }
                pos += 2;
            }
            SkipBlanks(text, pos);
            ok = ok && pos == text.size();
        }
    }
    if (!ok) {
        *this = Invalid();
        return false;
    }
    return SetDateTime(year, month, day, hour, minute, second);
}

bool DateTime::ParseIsoDate(std::string_view text) {
    size_t pos = 0;
    int year = 0, month = 0, day = 0, digits = 0;
    SkipBlanks(text, pos);
    bool ok = ReadNumber(text, pos, 4, year, digits) && digits == 4 && pos < text.size() && text[pos++] == '-' &&
              ReadNumber(text, pos, 2, month, digits) && pos < text.size() && text[pos++] == '-' &&
              ReadNumber(text, pos, 2, day, digits);
    SkipBlanks(text, pos);
    if (!ok || pos != text.size()) {
        *this = Invalid();
        return false;
    }
    return SetDate(year, month, day);
}

DateTime DateTime::operator+(double days) const {
    if (status_ != Status::Valid || !std::isfinite(days)) return Invalid();
    return DateTime(FromLinear(ToLinear(days_) + days));
}

DateTime DateTime::operator-(double days) const {
    return *this + (-days);
}

DateTime& DateTime::operator+=(double days) {
    return *this = *this + days;
}
DateTime& DateTime::operator-=(double days) {
    return *this = *this - days;
}

double DateTime::operator-(const DateTime& other) const {
    if (!IsValid() || !other.IsValid()) return 0;
    return ToLinear(days_) - ToLinear(other.days_);
}

bool DateTime::operator==(const DateTime& other) const {
    return IsValid() && other.IsValid() && days_ == other.days_;
}
bool DateTime::operator!=(const DateTime& other) const {
    return IsValid() && other.IsValid() && days_ != other.days_;
}
bool DateTime::operator<(const DateTime& other) const {
    return IsValid() && other.IsValid() && ToLinear(days_) < ToLinear(other.days_);
}
bool DateTime::operator<=(const DateTime& other) const {
    return IsValid() && other.IsValid() && ToLinear(days_) <= ToLinear(other.days_);
}
bool DateTime::operator>(const DateTime& other) const {
    return IsValid() && other.IsValid() && ToLinear(days_) > ToLinear(other.days_);
}
bool DateTime::operator>=(const DateTime& other) const {
    return IsValid() && other.IsValid() && ToLinear(days_) >= ToLinear(other.days_);
}

}  // namespace jv
