#include "DateLiterals.h"

#include "SqlLexer.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"
#include "text/TextMatch.h"

#include <cctype>
#include <charconv>
#include <vector>

namespace nax {
namespace {

// Splits "12/5/2026 6:30:00 PM" into its runs of digits and letters.
std::vector<std::string_view> pieces(std::string_view text, std::vector<char>& separators) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isalnum(c)) {
            const bool digits = std::isdigit(c);
            size_t end = i;
            while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end])) &&
                   bool(std::isdigit(static_cast<unsigned char>(text[end]))) == digits)
                ++end;
            out.push_back(text.substr(i, end - i));
            i = end;
        } else {
            if (!std::isspace(c)) separators.push_back(static_cast<char>(c));
            ++i;
        }
    }
    return out;
}

std::optional<int> number(std::string_view digits) {
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return value;
}

// A date of the serial range (years 100 to 9999).
bool isSerialDate(int year, int month, int day) {
    return year >= 100 && year <= 9999 && isValidDate(year, month, day);
}

} // namespace

std::optional<double> dateLiteralSerial(std::string_view text) {
    if (const auto serial = parseNumber(text)) return serial;
    std::vector<char> separators;
    const auto parts = pieces(text, separators);
    if (parts.size() < 3 || separators.empty()) return std::nullopt;
    std::vector<int> values;
    size_t i = 0;
    for (; i < parts.size() && i < 6 && std::isdigit(static_cast<unsigned char>(parts[i][0])); ++i) {
        const auto value = number(parts[i]);
        if (!value) return std::nullopt;
        values.push_back(*value);
    }
    std::string_view meridiem = i < parts.size() ? parts[i++] : std::string_view{};
    if (i != parts.size() || values.size() < 3 || values.size() == 4) return std::nullopt;
    const bool iso = separators[0] == '-';
    if (!iso && separators[0] != '/') return std::nullopt;
    const int year = iso ? values[0] : values[2];
    const int month = iso ? values[1] : values[0];
    const int day = iso ? values[2] : values[1];
    int hour = values.size() > 3 ? values[3] : 0;
    const int minute = values.size() > 4 ? values[4] : 0;
    const int second = values.size() > 5 ? values[5] : 0;
    if (!meridiem.empty()) {
        const std::string half = lowerAscii(meridiem);
        if ((half != "am" && half != "pm") || hour < 1 || hour > 12 || values.size() < 4) return std::nullopt;
        hour = hour % 12 + (half == "pm" ? 12 : 0);
    }
    if (!isSerialDate(year, month, day) || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    return partsToSerial(year, month, day, hour, minute, second);
}

Result<std::string> dateLiteralsAsSerials(std::string_view sql) {
    if (sql.find('#') == std::string_view::npos) return std::string(sql);
    std::string out;
    out.reserve(sql.size());
    size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        size_t next = i + 1;
        if (opensQuoted(c)) {
            next = quotedEnd(sql, i);
        } else if (c == '#') {
            const size_t end = sql.find('#', i + 1);
            if (end == std::string_view::npos)
                return Error{3075, "Syntax error in date in query expression."};
            const std::string_view literal = sql.substr(i + 1, end - i - 1);
            const auto serial = dateLiteralSerial(literal);
            if (!serial)
                return Error{3075,
                             "Syntax error in date in query expression '#" + std::string(literal) + "#'."};
            out += formatGeneral(*serial);
            i = end + 1;
            continue;
        }
        out.append(sql.substr(i, next - i));
        i = next;
    }
    return out;
}

} // namespace nax
