#include "DmsText.h"

#include "text/DatePattern.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"

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

} // namespace

std::optional<double> readDayMonthYear(std::string_view text) {
    const auto date = parseDayMonthYear(trimBlanks(text), DayMonthYearForm::Loose);
    if (!date) return std::nullopt;
    return partsToSerial(date->year, date->month, date->day);
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
