#pragma once
// Shared text and date routines: the general number format, half-to-even rounding,
// day serials and the date patterns of the reports (English names whatever the locale).
#include "base/ReportGrid.h"
#include "base/Result.h"

#include <QDateTime>
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace nax {

// Day serial: days since 30 December 1899, the fraction the time of day.
inline constexpr double kMinSerial = -657434.0;        // 1 January 100
inline constexpr double kMaxSerial = 2958465.99999999; // 31 December 9999 23:59:59

// English calendar names, Sunday first and January first.
inline constexpr std::array<std::string_view, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                              "Thursday", "Friday", "Saturday"};
inline constexpr std::array<std::string_view, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

// Numbers as text: decimal point, no thousands separator, no trailing zeros, at most
// `significant` significant digits (15 = a double as the reports print it; 7 = a single).
std::string formatGeneral(double value, int significant = 15);

// Rounds half to even at `decimals` places, working on the value as it prints with 15
// significant digits, so 3.125 -> 3.12 and 2.675 -> 2.68.
double roundHalfEven(double value, int decimals = 0);

// formatGeneral(roundHalfEven(value, decimals)).
std::string roundedText(double value, int decimals);

// The grid's cell read back as a number (parseNumber).
std::optional<double> cellNumber(const ReportGrid& grid, int row, int col);

// Reads a cell or field text back as a number ("12.5", "-3", " 7 ", "1E+15"); nullopt when
// the text is empty or not a number.
std::optional<double> parseNumber(std::string_view text);

// Calendar parts of a day serial, the time rounded to the nearest second.
struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    int weekday = 0; // 0 = Sunday
};
DateParts serialToParts(double serial);
double partsToSerial(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" as a day serial; nullopt when malformed. The text
// is a plain wall-clock reading: no time zone applies, so no hour is missing or doubled.
std::optional<double> parseDateArgument(std::string_view text);

// Date-times are naive (no time zone): QDateTime values use Qt::UTC as the carrier.
double DateToSerial(const QDateTime& dateTime);
Result<QDateTime> SerialToDate(double serial); // overflow error outside kMinSerial..kMaxSerial

// Format(serial, pattern) of the desktop dialect: d dd ddd dddd, m mm mmm mmmm (minutes after
// h or before s), yy yyyy, h hh, n nn, s ss, w ww, q, AM/PM; letters case-insensitive;
// anything else is copied. ww: Sunday-first weeks, week 1 holds 1 January.
std::string formatSerial(double serial, std::string_view pattern);

// Week of the year, 1 to 54: Sunday-first weeks, week 1 holds 1 January.
int weekOfYear(double serial);

// General date-time text: the locale's short date, a blank and its long time; the time is
// left out at exactly midnight.
std::string generalDateText(double serial);

// Texts as stored by the data collectors: valid UTF-8 as it is; anything else was written by an
// older collector in Windows-1252 and is decoded from it (into UTF-8).
bool isValidUtf8(std::string_view bytes);
std::string storedTextAsUtf8(std::string_view bytes);

// Punctuation and blanks removed, then lower case: "Filler - Valve (A)" -> "fillervalvea".
std::string MakeSearchKey(std::string_view text);

// The dialect's Like: case-sensitive; * any run, ? any one character, # any digit,
// [abc] [a-z] [!abc] one character of (or not of) a list.
bool likeMatch(std::string_view text, std::string_view pattern);

// Obscures a statement for the helpdesk line of a failure message: CR dropped, character i
// (from 1) moved up by 3 * (i mod 3).
std::string ScrambleText(std::string_view text);

} // namespace nax
