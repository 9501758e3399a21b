#include "platform/db/JetTranslator.h"

#include <charconv>
#include <cstring>
#include <set>

#include "platform/base/DateTime.h"
#include "platform/db/DbError.h"
#include "platform/db/Schema.h"

namespace jv::db {
namespace {

constexpr const char* kSource = "jv::db::Connection";

enum class Kind {
    Space,
    String,      // '...' (a "..." string is turned into this form)
    Identifier,  // a name or a keyword
    Quoted,      // [name] or `name`
    Date,        // #...#
    Number,
    Variable,  // @@name
    Operator,
    Semicolon,
    Open,
    Close,
    Comma,
    Dot,
};

struct Token {
    Kind kind;
    std::string text;
};

bool IsNameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool IsNameChar(unsigned char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '$';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads up to the closing delimiter, where a doubled delimiter stands for one. Returns the end
// (just past the closing delimiter, or the end of the text when it is missing).
size_t ScanQuoted(const std::string& sql, size_t start, char close, bool doubling) {
    size_t i = start + 1;
    while (i < sql.size()) {
        if (sql[i] == close) {
            if (doubling && i + 1 < sql.size() && sql[i + 1] == close) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return sql.size();
}

// "a ""b"" it's" in Jet's double quotes as an SQL string literal: 'a "b" it''s'.
std::string SingleQuoted(const std::string& doubleQuoted) {
    std::string inner = doubleQuoted.substr(1, doubleQuoted.size() >= 2 ? doubleQuoted.size() - 2 : 0);
    std::string out = "'";
    for (size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '"' && i + 1 < inner.size() && inner[i + 1] == '"') ++i;
        if (inner[i] == '\'') out += '\'';
        out += inner[i];
    }
    return out + "'";
}

std::vector<Token> Tokenize(const std::string& sql) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        const size_t start = i;
        Kind kind = Kind::Operator;
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
            while (i < sql.size() && std::strchr(" \t\r\n\f\v", sql[i]) != nullptr && sql[i] != '\0') ++i;
            kind = Kind::Space;
        } else if (c == '\'') {
            i = ScanQuoted(sql, i, '\'', true);
            kind = Kind::String;
        } else if (c == '"') {
            i = ScanQuoted(sql, i, '"', true);
            tokens.push_back({Kind::String, SingleQuoted(sql.substr(start, i - start))});
            continue;
        } else if (c == '[') {
            i = ScanQuoted(sql, i, ']', false);
            kind = Kind::Quoted;
        } else if (c == '`') {
            i = ScanQuoted(sql, i, '`', true);
            kind = Kind::Quoted;
        } else if (c == '#') {
            const size_t end = sql.find('#', i + 1);
            if (end == std::string::npos) {
                throw DbError(kSource, "Syntax error in date in query expression '" + sql.substr(i) + "'.", "", sql);
            }
            i = end + 1;
            kind = Kind::Date;
        } else if (c == '@' && i + 2 < sql.size() && sql[i + 1] == '@' && IsNameStart(sql[i + 2])) {
            i += 2;
            while (i < sql.size() && IsNameChar(static_cast<unsigned char>(sql[i]))) ++i;
            kind = Kind::Variable;
        } else if (IsDigit(c) || (c == '.' && i + 1 < sql.size() && IsDigit(sql[i + 1]))) {
            while (i < sql.size() && (IsDigit(sql[i]) || sql[i] == '.')) ++i;
            if (i < sql.size() && (sql[i] == 'e' || sql[i] == 'E')) {
                size_t j = i + 1;
                if (j < sql.size() && (sql[j] == '+' || sql[j] == '-')) ++j;
                if (j < sql.size() && IsDigit(sql[j])) {
                    i = j;
                    while (i < sql.size() && IsDigit(sql[i])) ++i;
                }
            }
            kind = Kind::Number;
        } else if (IsNameStart(static_cast<unsigned char>(c))) {
            while (i < sql.size() && IsNameChar(static_cast<unsigned char>(sql[i]))) ++i;
            kind = Kind::Identifier;
        } else {
            ++i;
            switch (c) {
                case ';':
                    kind = Kind::Semicolon;
                    break;
                case '(':
                    kind = Kind::Open;
                    break;
                case ')':
                    kind = Kind::Close;
                    break;
                case ',':
                    kind = Kind::Comma;
                    break;
                case '.':
                    kind = Kind::Dot;
                    break;
                default:
                    if (i < sql.size()) {
                        const std::string pair = sql.substr(start, 2);
                        if (pair == "<=" || pair == ">=" || pair == "<>" || pair == "!=" || pair == "==" ||
                            pair == "||" || pair == "<<" || pair == ">>") {
                            ++i;
                        }
                    }
                    break;
            }
        }
        tokens.push_back({kind, sql.substr(start, i - start)});
    }
    return tokens;
}

// The name a (possibly bracketed) identifier token stands for.
std::string NameOf(const Token& token) {
    if (token.kind == Kind::Quoted && token.text.size() >= 2) return token.text.substr(1, token.text.size() - 2);
    return token.text;
}

std::string StringValue(const std::string& literal) {
    std::string out;
    for (size_t i = 1; i + 1 < literal.size(); ++i) {
        out += literal[i];
        if (literal[i] == '\'' && literal[i + 1] == '\'') ++i;
    }
    return out;
}

bool IsComparison(const Token& token) {
    static const std::set<std::string> kOperators = {"=", "==", "<>", "!=", "<", ">", "<=", ">="};
    return token.kind == Kind::Operator && kOperators.count(token.text) != 0;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The statement's significant tokens (no blanks, no closing semicolons) and what the
// schema says about the names in it.
class Statement {
public:
    Statement(std::vector<Token>& tokens, const Schema* schema) : tokens_(tokens), schema_(schema) {
        for (size_t i = 0; i < tokens_.size(); ++i) {
            if (tokens_[i].kind != Kind::Space) sig_.push_back(i);
        }
        while (!sig_.empty() && tokens_[sig_.back()].kind == Kind::Semicolon) sig_.pop_back();
        if (schema_ == nullptr) return;
        for (size_t index : sig_) {
            const Token& token = tokens_[index];
            if ((token.kind == Kind::Identifier || token.kind == Kind::Quoted) && schema_->HasTable(NameOf(token))) {
                tables_.insert(LowerAscii(NameOf(token)));
            }
        }
    }

    size_t size() const { return sig_.size(); }
    Token& at(size_t position) { return tokens_[sig_[position]]; }
    const Token& at(size_t position) const { return tokens_[sig_[position]]; }
    size_t TokenIndex(size_t position) const { return sig_[position]; }

    bool IsKeyword(size_t position, const char* word) const {
        return position < sig_.size() && at(position).kind == Kind::Identifier && LowerAscii(at(position).text) == word;
    }

    bool IsName(size_t position) const {
        return position < sig_.size() && (at(position).kind == Kind::Identifier || at(position).kind == Kind::Quoted);
    }

    // The kind of the column named at a position, looked up in every table the statement names.
    ColumnKind KindAt(size_t position) const {
        if (!IsName(position) || schema_ == nullptr) return ColumnKind::Other;
        for (const std::string& table : tables_) {
            const ColumnKind kind = schema_->Kind(table, NameOf(at(position)));
            if (kind != ColumnKind::Other) return kind;
        }
        return ColumnKind::Other;
    }

    // The position of the column name in a reference that starts at `position` ("a" or "t.a").
    size_t ColumnStartingAt(size_t position) const {
        if (IsName(position) && position + 2 < sig_.size() && at(position + 1).kind == Kind::Dot) return position + 2;
        return position;
    }

    // Position of the closing parenthesis that matches the one at `open`, or size() when none does.
    size_t MatchingClose(size_t open) const {
        int depth = 0;
        for (size_t p = open; p < sig_.size(); ++p) {
            if (at(p).kind == Kind::Open) ++depth;
            if (at(p).kind == Kind::Close && --depth == 0) return p;
        }
        return sig_.size();
    }

    // The comma-separated items between two positions (exclusive), at the top level.
    std::vector<std::pair<size_t, size_t>> Items(size_t begin, size_t end) const {
        std::vector<std::pair<size_t, size_t>> items;
        int depth = 0;
        size_t start = begin;
        for (size_t p = begin; p < end; ++p) {
            if (at(p).kind == Kind::Open) ++depth;
            if (at(p).kind == Kind::Close) --depth;
            if (depth == 0 && at(p).kind == Kind::Comma) {
                items.emplace_back(start, p);
                start = p + 1;
            }
        }
        if (start < end) items.emplace_back(start, end);
        return items;
    }

    std::string JoinedText(size_t begin, size_t end) const {
        std::string out;
        for (size_t p = begin; p < end; ++p) {
            const bool word = at(p).kind == Kind::Identifier || at(p).kind == Kind::Number;
            if (p > begin && word && (at(p - 1).kind == Kind::Identifier || at(p - 1).kind == Kind::Number)) {
                out += ' ';
            }
            out += at(p).text;
        }
        return out;
    }

private:
    std::vector<Token>& tokens_;
    const Schema* schema_;
    std::vector<size_t> sig_;
    std::set<std::string> tables_;
};

void RefuseSecondStatement(const std::vector<Token>& tokens, const std::string& jetSql) {
    bool ended = false;
    for (const Token& token : tokens) {
        if (token.kind == Kind::Space) continue;
        if (token.kind == Kind::Semicolon) {
            ended = true;
        } else if (ended) {
            throw DbError(kSource, "Characters found after end of SQL statement.", "", jetSql);
        }
    }
}

// Marks the quoted texts of an INSERT's value list that go into date columns.
void MarkInsertedDates(const Statement& statement, const Schema* schema, std::vector<bool>& isDate) {
    if (schema == nullptr || !statement.IsKeyword(0, "insert") || !statement.IsKeyword(1, "into") ||
        !statement.IsName(2) || statement.size() < 4 || statement.at(3).kind != Kind::Open) {
        return;
    }
    const std::string table = NameOf(statement.at(2));
    const size_t columnsEnd = statement.MatchingClose(3);
    if (!statement.IsKeyword(columnsEnd + 1, "values") || columnsEnd + 2 >= statement.size() ||
        statement.at(columnsEnd + 2).kind != Kind::Open) {
        return;
    }
    const auto columns = statement.Items(4, columnsEnd);
    const auto values = statement.Items(columnsEnd + 3, statement.MatchingClose(columnsEnd + 2));
    for (size_t i = 0; i < columns.size() && i < values.size(); ++i) {
        const auto [first, last] = values[i];
        if (last - first == 1 && statement.at(first).kind == Kind::String &&
            columns[i].second - columns[i].first == 1 &&
            schema->Kind(table, NameOf(statement.at(columns[i].first))) == ColumnKind::Date) {
            isDate[statement.TokenIndex(first)] = true;
        }
    }
}

// Marks the quoted texts that are compared with (or assigned to) a date column.
void MarkComparedDates(const Statement& statement, std::vector<bool>& isDate) {
    for (size_t p = 0; p < statement.size(); ++p) {
        if (statement.at(p).kind != Kind::String) continue;
        const bool before = p >= 2 && IsComparison(statement.at(p - 1)) && statement.KindAt(p - 2) == ColumnKind::Date;
        const bool after = p + 2 < statement.size() && IsComparison(statement.at(p + 1)) &&
                           statement.KindAt(statement.ColumnStartingAt(p + 2)) == ColumnKind::Date;
        if (before || after) isDate[statement.TokenIndex(p)] = true;
    }
}

// Which items of a SELECT's list give dates: a date column or min/max of one.
std::vector<bool> SelectedDates(const Statement& statement) {
    std::vector<bool> dates;
    size_t select = 0;
    while (select < statement.size() && !statement.IsKeyword(select, "select")) ++select;
    if (select == statement.size()) return dates;
    size_t begin = select + 1;
    while (statement.IsKeyword(begin, "distinct") || statement.IsKeyword(begin, "all")) ++begin;
    size_t end = begin;
    int depth = 0;
    for (; end < statement.size(); ++end) {
        if (statement.at(end).kind == Kind::Open) ++depth;
        if (statement.at(end).kind == Kind::Close) --depth;
        if (depth == 0 && statement.IsKeyword(end, "from")) break;
    }
    for (auto [first, last] : statement.Items(begin, end)) {
        for (size_t p = first; p < last; ++p) {
            if (statement.IsKeyword(p, "as")) {
                last = p;
                break;
            }
        }
        size_t column = last;  // none
        if (last - first == 1 || (last - first == 3 && statement.at(first + 1).kind == Kind::Dot)) {
            column = last - 1;
        } else if ((statement.IsKeyword(first, "min") || statement.IsKeyword(first, "max")) && last - first >= 4 &&
                   statement.at(first + 1).kind == Kind::Open && statement.at(last - 1).kind == Kind::Close &&
                   (last - first == 4 || (last - first == 6 && statement.at(first + 3).kind == Kind::Dot))) {
            column = last - 2;
        }
        dates.push_back(column < last && statement.KindAt(column) == ColumnKind::Date);
    }
    return dates;
}

bool IsTextOperand(const Statement& statement, size_t position) {
    return position < statement.size() &&
           (statement.at(position).kind == Kind::String || statement.KindAt(position) == ColumnKind::Text);
}

}  // namespace

std::optional<double> JetTranslator::DayNumber(const std::string& text) {
    const std::string trimmed = Trim(text);
    DateTime date;
    // A two-digit year in a statement's date is Jet's, whatever today is: 00-29 are 2000-2029.
    constexpr int kJetLatestTwoDigitYear = 2029;
    if (date.ParseDateTime(trimmed, kJetLatestTwoDigitYear)) return DateTime::ToLinear(date.Days());

    // yyyy-mm-dd, optionally followed by a time.
    const size_t split = trimmed.find_first_of(" T");
    if (date.ParseIsoDate(trimmed.substr(0, split))) {
        double day = DateTime::ToLinear(date.Days());
        if (split == std::string::npos) return day;
        DateTime time;
        if (!time.ParseDateTime("12/30/1899 " + trimmed.substr(split + 1))) return std::nullopt;
        return day + time.Days();
    }

    // A time alone is a time on day 0.
    if (!trimmed.empty() && IsDigit(trimmed[0]) && trimmed.find('/') == std::string::npos &&
        date.ParseDateTime("12/30/1899 " + trimmed)) {
        return date.Days();
    }
    return std::nullopt;
}

std::string JetTranslator::DayNumberLiteral(double dayNumber) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, dayNumber);
    std::string text(buffer, result.ptr);
    if (text.find_first_of(".en") == std::string::npos) text += ".0";
    return text;
}

std::string JetTranslator::StorageType(const std::string& jetType) {
    // The type's name (one or more words), an optional size in parentheses, and what follows.
    const std::string type = Trim(jetType);
    size_t nameEnd = 0;
    while (nameEnd < type.size() && type[nameEnd] != '(') ++nameEnd;
    std::string name = LowerAscii(Trim(type.substr(0, nameEnd)));
    std::string size;
    std::string rest;
    if (nameEnd < type.size()) {
        const size_t close = type.find(')', nameEnd);
        size = Trim(type.substr(nameEnd + 1, close == std::string::npos ? std::string::npos : close - nameEnd - 1));
        rest = close == std::string::npos ? "" : Trim(type.substr(close + 1));
    } else {
        // A multi-word name ends where a known word ends ("double precision", "long not null").
        const size_t blank = name.find(' ');
        if (blank != std::string::npos && name.substr(0, blank) != "double") {
            rest = Trim(type.substr(blank));
            name = name.substr(0, blank);
        }
    }

    static const std::set<std::string> kSizedText = {"text",  "varchar",  "char",   "character",
                                                     "nchar", "nvarchar", "string", "alphanumeric"};
    static const std::set<std::string> kMemo = {"memo", "longtext", "longchar", "note", "ntext"};
    static const std::set<std::string> kSingle = {"single", "real", "float4", "ieeesingle"};
    static const std::set<std::string> kDouble = {"double",     "double precision", "float",   "float8",
                                                  "ieeedouble", "number",           "numeric", "decimal",
                                                  "dec",        "currency",         "money"};
    static const std::set<std::string> kInteger = {"long",     "integer",  "int",  "int4",    "integer4", "short",
                                                   "smallint", "integer2", "byte", "tinyint", "integer1"};
    static const std::set<std::string> kCounter = {"counter", "autoincrement", "identity"};
    static const std::set<std::string> kYesNo = {"yesno", "bit", "logical", "logical1", "boolean"};
    static const std::set<std::string> kDate = {"datetime", "date", "time", "timestamp"};

    std::string storage;
    if (kSizedText.count(name)) {
        storage = !size.empty()    ? name + "(" + size + ") COLLATE NOCASE"
                  : name == "text" ? "TEXT COLLATE NOCASE"
                                   : name + "(255) COLLATE NOCASE";
    } else if (kMemo.count(name)) {
        storage = "TEXT COLLATE NOCASE";
    } else if (kSingle.count(name)) {
        storage = "REAL";
    } else if (kDouble.count(name)) {
        storage = "DOUBLE";
    } else if (kInteger.count(name)) {
        storage = "INTEGER";
    } else if (kCounter.count(name)) {
        storage = "INTEGER PRIMARY KEY AUTOINCREMENT";
    } else if (kYesNo.count(name)) {
        storage = "INTEGER NOT NULL DEFAULT 0";
    } else if (kDate.count(name)) {
        storage = "DATETIME REAL";
    } else if (name == "guid" || name == "uniqueidentifier") {
        storage = "varchar(38) COLLATE NOCASE";
    } else {
        return type;
    }
    return rest.empty() ? storage : storage + " " + rest;
}

std::vector<bool> JetTranslator::DateColumnsOf(const std::string& sql) const {
    std::vector<Token> tokens = Tokenize(sql);
    return SelectedDates(Statement(tokens, schema_));
}

JetTranslation JetTranslator::Translate(const std::string& jetSql) const {
    std::vector<Token> tokens = Tokenize(jetSql);
    Statement statement(tokens, schema_);
    // A trigger's body holds statements of its own, each ending with a semicolon; the engine
    // still refuses anything after the trigger's END.
    const bool trigger = statement.IsKeyword(0, "create") && statement.IsKeyword(1, "trigger");
    if (!trigger) RefuseSecondStatement(tokens, jetSql);
    JetTranslation result;

    // ALTER TABLE t ADD [COLUMN] c type / ALTER TABLE t ALTER [COLUMN] c type
    if (statement.IsKeyword(0, "alter") && statement.IsKeyword(1, "table") && statement.IsName(2) &&
        (statement.IsKeyword(3, "add") || statement.IsKeyword(3, "alter"))) {
        const size_t column = statement.IsKeyword(4, "column") ? 5 : 4;
        if (statement.IsName(column) && column + 1 < statement.size()) {
            const std::string declaration = StorageType(statement.JoinedText(column + 1, statement.size()));
            const std::string table = statement.at(2).text;
            const std::string name = statement.at(column).text;
            if (statement.IsKeyword(3, "add")) {
                result.sql = "ALTER TABLE " + table + " ADD COLUMN " + name + " " + declaration;
            } else {
                result.sql = "ALTER TABLE " + table + " ALTER COLUMN " + name + " " + declaration;
                result.columnChange = ColumnChange{NameOf(statement.at(2)), NameOf(statement.at(column)), declaration};
            }
            return result;
        }
    }

    std::vector<bool> isDate(tokens.size(), false);
    MarkInsertedDates(statement, schema_, isDate);
    MarkComparedDates(statement, isDate);
    result.dateColumns = SelectedDates(statement);

    for (size_t p = 0; p < statement.size(); ++p) {
        Token& token = statement.at(p);
        switch (token.kind) {
            case Kind::Date: {
                const auto day = DayNumber(token.text.substr(1, token.text.size() - 2));
                if (!day) {
                    throw DbError(kSource, "Syntax error in date in query expression '" + token.text + "'.", "",
                                  jetSql);
                }
                token.text = DayNumberLiteral(*day);
                break;
            }
            case Kind::String:
                if (isDate[statement.TokenIndex(p)]) {
                    const auto day = DayNumber(StringValue(token.text));
                    if (!day) throw DbError(kSource, "Data type mismatch in criteria expression.", "", jetSql);
                    token.text = DayNumberLiteral(*day);
                }
                break;
            case Kind::Variable:
                if (LowerAscii(token.text) == "@@identity") token.text = "last_insert_rowid()";
                break;
            case Kind::Identifier: {
                const std::string word = LowerAscii(token.text);
                const bool standalone = (p == 0 || statement.at(p - 1).kind != Kind::Dot) &&
                                        (p + 1 >= statement.size() || statement.at(p + 1).kind != Kind::Open);
                if (standalone && word == "true") token.text = "-1";
                if (standalone && word == "false") token.text = "0";
                break;
            }
            case Kind::Operator:
                if (token.text == "+" && ((p > 0 && IsTextOperand(statement, p - 1)) ||
                                          IsTextOperand(statement, statement.ColumnStartingAt(p + 1)))) {
                    token.text = "||";
                }
                break;
            default:
                break;
        }
    }

    // Jet knows no comments: "--" and "/*" are operators side by side, and must not become
    // comments that hide the rest of the statement (a WHERE clause) from SQLite.
    for (const Token& token : tokens) {
        if (!result.sql.empty() && !token.text.empty() &&
            ((result.sql.back() == '-' && token.text.front() == '-') ||
             (result.sql.back() == '/' && token.text.front() == '*'))) {
            result.sql += ' ';
        }
        result.sql += token.text;
    }
    return result;
}

}  // namespace jv::db
