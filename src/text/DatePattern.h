#pragma once
// Day serials as the product writes and reads them: the dialect's format patterns, the locale's
// general date, the "dd-MMM-yy" dates of the grids and the date arguments of the programs.
#include "DaySerial.h"

#include <optional>
#include <string>
#include <string_view>

namespace nax {

// Format(serial, pattern) of the desktop dialect: d dd ddd dddd, m mm mmm mmmm (minutes after
// h or before s), yy yyyy, h hh, n nn, s ss, w ww, q, AM/PM; letters case-insensitive;
// anything else is copied. ww: Sunday-first weeks, week 1 holds 1 January.
std::string formatSerial(double serial, std::string_view pattern);

// General date-time text: the locale's short date, a blank and its long time; the time is
// left out at exactly midnight.
std::string generalDateText(double serial);

// A "dd-MMM-yy" date: the day, the English month's first three letters in any case, the year;
// a two-digit year as a spreadsheet reads it (00 to 29 this century, 30 to 99 the last). The
// date must exist and lie in the serial range.
enum class DayMonthYearForm {
    Grid,  // exactly "dd-MMM-yy", as the grids write it
    Loose, // a day of one or two digits, a year of two or four
};
std::optional<DateParts> parseDayMonthYear(std::string_view text, DayMonthYearForm form);

// "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS", every field its full number of digits, with one
// of `separators` between date and time; the date must exist (year 1 on) and the time lie within
// the day. The date and time arguments of the programs.
std::optional<DateParts> readDateTimeArgument(std::string_view text, std::string_view separators = " ");

// A date argument of nax-report: readDateTimeArgument after blanks around it, as a day serial.
// The text is a plain wall-clock reading: no time zone applies, so no hour is missing or doubled.
std::optional<double> parseDateArgument(std::string_view text);

} // namespace nax
