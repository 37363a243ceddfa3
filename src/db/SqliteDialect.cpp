#include "SqliteDialect.h"

#include "DbConnection.h"
#include "SqlLexer.h"
#include "text/DatePattern.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"
#include "text/TextMatch.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>
#include <sqlite3.h>
#include <string>

namespace nax {
namespace {

std::string_view argText(sqlite3_value* value) {
    auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string_view(text, static_cast<size_t>(sqlite3_value_bytes(value)))
                : std::string_view{};
}

// A number from a numeric value, or from a text that reads as one.
std::optional<double> argNumber(sqlite3_value* value) {
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    case SQLITE_NULL:
        return std::nullopt;
    default:
        return parseNumber(argText(value));
    }
}

void resultText(sqlite3_context* context, const std::string& text) {
    sqlite3_result_text(context, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

bool isTrue(sqlite3_value* value) {
    const auto number = argNumber(value);
    return number.has_value() && *number != 0.0;
}

// format(value, pattern): numbers are day serials; a text that is no number stays as it is.
void formatFunction(sqlite3_context* context, int, sqlite3_value** args) {
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_null(context);
    const auto serial = argNumber(args[0]);
    if (!serial) return resultText(context, std::string(argText(args[0])));
    if (*serial < kMinSerial || *serial > kMaxSerial) return sqlite3_result_error(context, "Overflow", -1);
    resultText(context, formatSerial(*serial, argText(args[1])));
}

void iifFunction(sqlite3_context* context, int, sqlite3_value** args) {
    sqlite3_result_value(context, isTrue(args[0]) ? args[1] : args[2]);
}

std::optional<double> requireNumber(sqlite3_context* context, sqlite3_value* value) {
    if (sqlite3_value_type(value) == SQLITE_NULL) {
        sqlite3_result_error(context, "Invalid use of Null", -1);
        return std::nullopt;
    }
    auto number = argNumber(value);
    if (!number) sqlite3_result_error(context, "Type mismatch", -1);
    return number;
}

void cdblFunction(sqlite3_context* context, int, sqlite3_value** args) {
    if (const auto number = requireNumber(context, args[0])) sqlite3_result_double(context, *number);
}

// cint: a 16-bit integer, halves to even.
void cintFunction(sqlite3_context* context, int, sqlite3_value** args) {
    const auto number = requireNumber(context, args[0]);
    if (!number) return;
    const double rounded = roundHalfEven(*number, 0);
    if (rounded < -32768.0 || rounded > 32767.0) return sqlite3_result_error(context, "Overflow", -1);
    sqlite3_result_int(context, static_cast<int>(rounded));
}

void nowFunction(sqlite3_context* context, int, sqlite3_value**) {
    auto* connection = static_cast<const DbConnection*>(sqlite3_user_data(context));
    sqlite3_result_double(context, connection->now());
}

// Len: characters of the value's text.
void lenFunction(sqlite3_context* context, int, sqlite3_value** args) {
    if (sqlite3_value_type(args[0]) == SQLITE_NULL) return sqlite3_result_null(context);
    long long characters = 0;
    for (const char c : argText(args[0]))
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
    sqlite3_result_int64(context, characters);
}

// Text comparison without regard to case for every letter ("Ölpumpe" = "ölpumpe"), as the
// dialect compares. ASCII runs compare byte by byte folded to lower case; from the first other
// byte on, both texts are compared as Unicode with case folding. Both ways agree on ASCII, so the
// order is one consistent order.
int compareIgnoringCase(void*, int leftSize, const void* left, int rightSize, const void* right) {
    const auto* a = static_cast<const unsigned char*>(left);
    const auto* b = static_cast<const unsigned char*>(right);
    const int common = std::min(leftSize, rightSize);
    for (int i = 0; i < common; ++i) {
        if (a[i] >= 0x80 || b[i] >= 0x80) {
            const QString l = QString::fromUtf8(reinterpret_cast<const char*>(a + i), leftSize - i);
            const QString r = QString::fromUtf8(reinterpret_cast<const char*>(b + i), rightSize - i);
            return QString::compare(l, r, Qt::CaseInsensitive);
        }
        const int difference = std::tolower(a[i]) - std::tolower(b[i]);
        if (difference != 0) return difference;
    }
    return leftSize - rightSize;
}

} // namespace

void registerDialectFunctions(sqlite3* db, const DbConnection& connection) {
    struct Function {
        const char* name;
        int arguments;
        void (*call)(sqlite3_context*, int, sqlite3_value**);
        bool deterministic;
    };
    static constexpr Function functions[] = {
        {"format", 2, formatFunction, true}, {"iif", 3, iifFunction, true},  {"cdbl", 1, cdblFunction, true},
        {"cint", 1, cintFunction, true},     {"now", 0, nowFunction, false}, {"len", 1, lenFunction, true},
    };
    for (const auto& f : functions) {
        const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        sqlite3_create_function_v2(db, f.name, f.arguments, flags, const_cast<DbConnection*>(&connection),
                                   f.call, nullptr, nullptr, nullptr);
    }
    sqlite3_create_collation_v2(db, kIgnoreCaseCollation, SQLITE_UTF8, nullptr, compareIgnoringCase, nullptr);
}

// ---------------------------------------------------------------- statement text

namespace {

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

// True when the word at `at` is `word` (any case) standing alone.
bool wordAt(std::string_view text, size_t at, std::string_view word) {
    if (at + word.size() > text.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (lowerAscii(text[at + i]) != word[i]) return false;
    const bool startsAlone = at == 0 || !isNameChar(text[at - 1]);
    const bool endsAlone = at + word.size() == text.size() || !isNameChar(text[at + word.size()]);
    return startsAlone && endsAlone;
}

size_t skipBlanksBack(std::string_view text, size_t end) {
    while (end > 0 && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return end;
}

// Where the IN list's left operand ends, for an "in" word at `at` followed by "(";
// npos when there is none to mark.
size_t inOperandEnd(std::string_view text, size_t at) {
    size_t after = at + 2;
    while (after < text.size() && std::isspace(static_cast<unsigned char>(text[after])))
        ++after;
    if (after >= text.size() || text[after] != '(') return std::string_view::npos;
    size_t end = skipBlanksBack(text, at);
    if (end >= 3 && wordAt(text, end - 3, "not")) end = skipBlanksBack(text, end - 3);
    if (end == 0) return std::string_view::npos;
    const char last = text[end - 1];
    return last == ')' || last == ']' || last == '\'' || isNameChar(last) ? end : std::string_view::npos;
}

} // namespace

std::string caseInsensitiveStatement(std::string_view sql) {
    static const std::string kNoCase = std::string(" COLLATE ") + kIgnoreCaseCollation;
    std::string out;
    out.reserve(sql.size() + 48);
    size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        size_t next = i + 1;
        if (opensQuoted(c))
            next = quotedEnd(sql, i);
        else if (wordAt(sql, i, "in")) {
            // The operand text is already in `out`, which matches `sql` up to here but for the
            // markers added so far; find its end there.
            const size_t operandEnd = inOperandEnd(out + std::string(sql.substr(i)), out.size());
            if (operandEnd != std::string_view::npos) out.insert(operandEnd, kNoCase);
            next = i + 2;
        }
        out.append(sql.substr(i, next - i));
        if (c == '\'') out.append(kNoCase);
        i = next;
    }
    return out;
}

} // namespace nax
