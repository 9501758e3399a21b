#include "platform/db/Recordset.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "platform/db/DbError.h"
#include "platform/db/JetTranslator.h"

namespace jv::db {
namespace {

constexpr const char* kSource = "jv::db::Recordset";

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    if (a == b) return true;  // the usual case: the column named as the query wrote it
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// A number as Jet turns it into text: at most 15 significant digits, no trailing zeros.
std::string NumberText(double value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

// A date as Jet turns it into text in the month/day/year order.
std::string DateText(const DateTime& date) {
    int year, month, day, hour, minute, second;
    if (!date.Split(year, month, day, hour, minute, second)) return {};
    std::string text = std::to_string(month) + "/" + std::to_string(day) + "/" + std::to_string(year);
    if (hour != 0 || minute != 0 || second != 0) {
        char time[32];
        std::snprintf(time, sizeof time, " %d:%02d:%02d %s", hour % 12 == 0 ? 12 : hour % 12, minute, second,
                      hour < 12 ? "AM" : "PM");
        text += time;
    }
    return text;
}

}  // namespace

Recordset::Recordset(std::vector<std::string> columns, std::vector<bool> dateColumns, std::string statement)
    : columns_(std::move(columns)),
      dateColumns_(std::move(dateColumns)),
      statement_(std::move(statement)),
      open_(true) {
    dateColumns_.resize(columns_.size(), false);
}

void Recordset::AddInteger(std::int64_t value) {
    Field field;
    field.type = Integer;
    field.integer = value;
    fields_.push_back(field);
}

void Recordset::AddReal(double value) {
    Field field;
    field.type = Real;
    field.real = value;
    fields_.push_back(field);
}

void Recordset::AddText(std::string_view value) {
    Field field;
    field.type = Text;
    field.text = {text_.size(), value.size()};
    text_.append(value);
    fields_.push_back(field);
}

void Recordset::AddNull() {
    fields_.emplace_back();
}

void Recordset::ClearRows() {
    fields_.clear();
    text_.clear();
    current_ = 0;
}

bool Recordset::IsEOF() const {
    return current_ >= RecordCount();
}

void Recordset::MoveNext() {
    if (IsEOF()) Fail("Either BOF or EOF is True, or the current record has been deleted.");
    ++current_;
}

void Recordset::Close() {
    fields_.clear();
    text_.clear();
    current_ = 0;
    open_ = false;
}

void Recordset::Fail(const std::string& description) const {
    throw DbError(kSource, description, "", statement_);
}

size_t Recordset::FieldIndex(std::string_view name) const {
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (EqualIgnoringCase(columns_[i], name)) return i;
    }
    Fail("Item '" + std::string(name) +
         "' cannot be found in the collection corresponding to the requested name or ordinal.");
}

bool Recordset::HasField(std::string_view name) const {
    for (const std::string& column : columns_) {
        if (EqualIgnoringCase(column, name)) return true;
    }
    return false;
}

const Recordset::Field& Recordset::At(size_t index) const {
    if (IsEOF()) Fail("Either BOF or EOF is True, or the current record has been deleted.");
    return fields_[current_ * columns_.size() + index];
}

std::string_view Recordset::TextOf(const Field& field) const {
    return std::string_view(text_).substr(field.text.offset, field.text.size);
}

bool Recordset::IsNull(std::string_view name) const {
    return At(FieldIndex(name)).type == Null;
}

double Recordset::Number(std::string_view name, const Field& field) const {
    if (field.type == Integer) return static_cast<double>(field.integer);
    if (field.type == Real) return field.real;
    const std::string_view value = TextOf(field);
    size_t start = value.find_first_not_of(" \t");
    if (start == std::string_view::npos) Fail("Type mismatch reading field '" + std::string(name) + "'.");
    if (value[start] == '+') ++start;
    double number = 0;
    const char* end = value.data() + value.size();
    const auto result = std::from_chars(value.data() + start, end, number);
    if (result.ec != std::errc() ||
        value.find_first_not_of(" \t", static_cast<size_t>(result.ptr - value.data())) != std::string_view::npos) {
        Fail("Type mismatch reading field '" + std::string(name) + "'.");
    }
    return number;
}

std::optional<double> Recordset::Double(std::string_view name, const Field& field) const {
    if (field.type == Null) return std::nullopt;
    return Number(name, field);
}

std::optional<std::string> Recordset::GetText(std::string_view name) const {
    const size_t index = FieldIndex(name);
    const Field& field = At(index);
    switch (field.type) {
        case Null:
            return std::nullopt;
        case Integer:
        case Real:
            if (dateColumns_[index]) return DateText(DateTime(DateTime::FromLinear(Number(name, field))));
            if (field.type == Integer) return std::to_string(field.integer);
            return NumberText(field.real);
        default:
            return std::string(TextOf(field));
    }
}

std::optional<double> Recordset::GetDouble(std::string_view name) const {
    return Double(name, At(FieldIndex(name)));
}

std::optional<float> Recordset::GetSingle(std::string_view name) const {
    const auto value = GetDouble(name);
    if (!value) return std::nullopt;
    if (std::isfinite(*value) && std::fabs(*value) > std::numeric_limits<float>::max()) {
        Fail("Overflow reading field '" + std::string(name) + "'.");
    }
    return static_cast<float>(*value);
}

std::optional<int> Recordset::GetInt(std::string_view name) const {
    const auto value = GetDouble(name);
    if (!value) return std::nullopt;
    // Whole numbers are read exactly; fractions round half to even, as Jet converts them.
    const double rounded = std::nearbyint(*value);
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<int>::min() ||
        rounded > std::numeric_limits<int>::max()) {
        Fail("Overflow reading field '" + std::string(name) + "'.");
    }
    return static_cast<int>(rounded);
}

std::optional<bool> Recordset::GetBool(std::string_view name) const {
    const auto value = GetDouble(name);
    if (!value) return std::nullopt;
    return *value != 0.0;
}

std::optional<DateTime> Recordset::GetDate(std::string_view name) const {
    const Field& field = At(FieldIndex(name));
    if (field.type == Null) return std::nullopt;
    if (field.type == Integer || field.type == Real) return DateTime(DateTime::FromLinear(Number(name, field)));
    // A date stored as text by something other than this program.
    const auto day = JetTranslator::DayNumber(std::string(TextOf(field)));
    if (!day) Fail("Type mismatch reading field '" + std::string(name) + "' as a date.");
    return DateTime(DateTime::FromLinear(*day));
}

}  // namespace jv::db
