#include "DmsText.h"

#include "text/TextRules.h"

#include <charconv>
#include <cmath>

namespace nax {

std::optional<double> fieldNumber(const Recordset& rs, int field) {
    switch (rs.kind(field)) {
    case ValueKind::Integer:
        return static_cast<double>(rs.integer(field));
    case ValueKind::Real:
        return rs.real(field);
    case ValueKind::Text:
        return parseNumber(rs.rawText(field));
    case ValueKind::Null:
        break;
    }
    return std::nullopt;
}

std::optional<int32_t> wholeNumber32(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double whole = roundHalfEven(value, 0);
    if (whole < -2147483648.0 || whole > 2147483647.0) return std::nullopt;
    return static_cast<int32_t>(whole);
}

namespace {

std::optional<int> readDigits(std::string_view text, size_t minDigits, size_t maxDigits) {
    if (text.size() < minDigits || text.size() > maxDigits) return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.front() == '-') return std::nullopt;
    return value;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::optional<int> readMonth(std::string_view text) {
    if (text.size() != 3) return std::nullopt;
    for (size_t m = 0; m < kMonthNames.size(); ++m) {
        const auto name = kMonthNames[m];
        if (lower(text[0]) == lower(name[0]) && lower(text[1]) == lower(name[1]) &&
            lower(text[2]) == lower(name[2]))
            return static_cast<int>(m) + 1;
    }
    return std::nullopt;
}

} // namespace

std::optional<double> readDayMonthYear(std::string_view text) {
    text = trimBlanks(text);
    const size_t first = text.find('-');
    const size_t second = first == std::string_view::npos ? first : text.find('-', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const auto day = readDigits(text.substr(0, first), 1, 2);
    const auto month = readMonth(text.substr(first + 1, second - first - 1));
    const auto yearText = text.substr(second + 1);
    auto year = readDigits(yearText, 2, 4);
    if (!day || !month || !year || yearText.size() == 3) return std::nullopt;
    if (yearText.size() == 2) *year += *year < 30 ? 2000 : 1900;
    const double serial = partsToSerial(*year, *month, *day);
    const DateParts back = serialToParts(serial);
    if (back.day != *day || back.month != *month || back.year != *year) return std::nullopt; // 31-Feb
    return serial;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::optional<int> readHour(std::string_view text) {
    const auto hour = readDigits(trimBlanks(text), 1, 2);
    if (!hour || *hour > 23) return std::nullopt;
    return hour;
}

} // namespace nax
