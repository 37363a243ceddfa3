#pragma once
// Small pieces the DMS computations share: the loss categories, reading fields and cells as
// numbers, whole-number conversion, and the row date texts of the shift report.
#include "db/DbConnection.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nax {

// The six loss categories in grid column order.
inline constexpr std::array<std::string_view, 6> kLossCategories = {
    "Lack of Sales", "Equipment Loss", "Planned Loss", "Operational Loss", "Minor Stoppage", "QA Loss"};

// A field as a number: numeric values as they are, texts that read as a number; nullopt for
// NULL and for any other text.
std::optional<double> fieldNumber(const Recordset& rs, int field);

// Half-to-even whole number that fits a 32-bit signed integer; nullopt when it does not.
std::optional<int32_t> wholeNumber32(double value);

// Reads "dd-MMM-yy" (English month, any case; a four-digit year is taken as it stands) back into
// the day serial of that date at 00:00. Two-digit years 00-29 are 2000-2029, 30-99 are
// 1930-1999. nullopt when the text is no such date.
std::optional<double> readDayMonthYear(std::string_view text);

// The text without leading and trailing blanks.
std::string_view trimBlanks(std::string_view text);

// Reads a whole hour "00" to "23" (blanks around it allowed); nullopt otherwise.
std::optional<int> readHour(std::string_view text);

} // namespace nax
