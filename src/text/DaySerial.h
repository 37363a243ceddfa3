#pragma once
// The one calendar of the product: day serials (days since 30 December 1899, the fraction the
// time of day) in the proleptic Gregorian calendar, its leap years and month lengths, and the
// English day and month names whatever the locale.
#include "base/Result.h"

#include <QDateTime>
#include <array>
#include <string_view>

namespace nax {

inline constexpr double kMinSerial = -657434.0;        // 1 January 100
inline constexpr double kMaxSerial = 2958465.99999999; // 31 December 9999 23:59:59

// English calendar names, Sunday first and January first.
inline constexpr std::array<std::string_view, 7> kDayNames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                              "Thursday", "Friday", "Saturday"};
inline constexpr std::array<std::string_view, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

bool isLeapYear(int year);
int daysInMonth(int year, int month); // month 1 to 12
// Month 1 to 12 and the day within it (any year; the serial range is the caller's rule).
bool isValidDate(int year, int month, int day);

// Whole days from 30 December 1899 to the date; months outside 1..12 carry into the year and
// days outside the month run on.
long long serialDay(long long year, long long month, long long day);

// Calendar parts of a day serial, the time rounded to the nearest second.
struct DateParts {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    int weekday = 0; // 0 = Sunday
};
DateParts serialToParts(double serial);
double partsToSerial(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// Day of the year, 1 January = 1.
int dayOfYear(const DateParts& parts);

// Week of the year, 1 to 54: Sunday-first weeks, week 1 holds 1 January.
int weekOfYear(double serial);
int weekOfYear(const DateParts& parts);

// Date-times are naive (no time zone): QDateTime values use Qt::UTC as the carrier.
double DateToSerial(const QDateTime& dateTime);
Result<QDateTime> SerialToDate(double serial); // overflow error outside kMinSerial..kMaxSerial

} // namespace nax
