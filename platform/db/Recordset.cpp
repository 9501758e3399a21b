#include "platform/db/Recordset.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <utility>

#include "platform/db/DbError.h"
#include "platform/db/JetTranslator.h"

namespace jv::db {
namespace {

constexpr const char* kSource = "jv::db::Recordset";

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
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

Recordset::Recordset(std::vector<std::string> columns, std::vector<std::vector<std::optional<std::string>>> rows,
                     std::vector<std::vector<int>> types)
    : Recordset(std::move(columns), std::move(rows), std::move(types), {}, {}) {}

Recordset::Recordset(std::vector<std::string> columns, std::vector<std::vector<std::optional<std::string>>> rows,
                     std::vector<std::vector<int>> types, std::vector<bool> dateColumns, std::string statement)
    : columns_(std::move(columns)),
      rows_(std::move(rows)),
      types_(std::move(types)),
      dateColumns_(std::move(dateColumns)),
      statement_(std::move(statement)),
      open_(true) {
    dateColumns_.resize(columns_.size(), false);
}

bool Recordset::IsEOF() const {
    return current_ >= rows_.size();
}

void Recordset::MoveNext() {
    if (IsEOF()) Fail("Either BOF or EOF is True, or the current record has been deleted.");
    ++current_;
}

void Recordset::Close() {
    rows_.clear();
    types_.clear();
    current_ = 0;
    open_ = false;
}

void Recordset::Fail(const std::string& description) const {
    throw DbError(kSource, description, "", statement_);
}

int Recordset::FieldIndex(const std::string& name) const {
    for (size_t i = 0; i < columns_.size(); ++i) {
        if (EqualIgnoringCase(columns_[i], name)) return static_cast<int>(i);
    }
    Fail("Item '" + name + "' cannot be found in the collection corresponding to the requested name or ordinal.");
}

bool Recordset::HasField(const std::string& name) const {
    for (const std::string& column : columns_) {
        if (EqualIgnoringCase(column, name)) return true;
    }
    return false;
}

const std::optional<std::string>& Recordset::Field(const std::string& name) const {
    const int index = FieldIndex(name);
    if (IsEOF()) Fail("Either BOF or EOF is True, or the current record has been deleted.");
    return rows_[current_][static_cast<size_t>(index)];
}

int Recordset::Type(const std::string& name) const {
    const size_t index = static_cast<size_t>(FieldIndex(name));
    if (current_ < types_.size() && index < types_[current_].size()) return types_[current_][index];
    return Text;
}

bool Recordset::IsNull(const std::string& name) const {
    return !Field(name).has_value();
}

double Recordset::Number(const std::string& name, const std::string& value) const {
    size_t start = value.find_first_not_of(" \t");
    if (start == std::string::npos) Fail("Type mismatch reading field '" + name + "'.");
    if (value[start] == '+') ++start;
    double number = 0;
    const char* end = value.data() + value.size();
    const auto result = std::from_chars(value.data() + start, end, number);
    if (result.ec != std::errc() ||
        value.find_first_not_of(" \t", static_cast<size_t>(result.ptr - value.data())) != std::string::npos) {
        Fail("Type mismatch reading field '" + name + "'.");
    }
    return number;
}

std::optional<std::string> Recordset::GetText(const std::string& name) const {
    const auto& value = Field(name);
    if (!value) return std::nullopt;
    const int type = Type(name);
    if (type == Integer || type == Real) {
        if (dateColumns_[static_cast<size_t>(FieldIndex(name))]) return DateText(*GetDate(name));
        if (type == Real) return NumberText(Number(name, *value));
    }
    return *value;
}

std::optional<double> Recordset::GetDouble(const std::string& name) const {
    const auto& value = Field(name);
    if (!value) return std::nullopt;
    return Number(name, *value);
}

std::optional<float> Recordset::GetSingle(const std::string& name) const {
    const auto value = GetDouble(name);
    if (!value) return std::nullopt;
    if (std::isfinite(*value) && std::fabs(*value) > std::numeric_limits<float>::max()) {
        Fail("Overflow reading field '" + name + "'.");
    }
    return static_cast<float>(*value);
}

std::optional<int> Recordset::GetInt(const std::string& name) const {
    const auto value = GetDouble(name);
    if (!value) return std::nullopt;
    // Whole numbers are read exactly; fractions round half to even, as Jet converts them.
    const double rounded = std::nearbyint(*value);
    if (!std::isfinite(rounded) || rounded < std::numeric_limits<int>::min() ||
        rounded > std::numeric_limits<int>::max()) {
        Fail("Overflow reading field '" + name + "'.");
    }
    return static_cast<int>(rounded);
}

std::optional<bool> Recordset::GetBool(const std::string& name) const {
    const auto value = GetDouble(name);
    if (!value) return std::nullopt;
    return *value != 0.0;
}

std::optional<DateTime> Recordset::GetDate(const std::string& name) const {
    const auto& value = Field(name);
    if (!value) return std::nullopt;
    const int type = Type(name);
    if (type == Integer || type == Real) return DateTime(DateTime::FromLinear(Number(name, *value)));
    // A date stored as text by something other than this program.
    const auto day = JetTranslator::DayNumber(*value);
    if (!day) Fail("Type mismatch reading field '" + name + "' as a date.");
    return DateTime(DateTime::FromLinear(*day));
}

}  // namespace jv::db
