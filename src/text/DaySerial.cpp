#include "DaySerial.h"

#include <algorithm>
#include <cmath>

namespace nax {

namespace {

// Calendar arithmetic (proleptic Gregorian, days relative to 1 January 1970)

constexpr long long daysFromCivil(long long year, long long month, long long day) {
    // Months outside 1..12 carry into the year; days outside the month run on linearly.
    year += (month - 1 >= 0 ? (month - 1) / 12 : (month - 12) / 12);
    month = ((month - 1) % 12 + 12) % 12 + 1;
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(long long days, int& year, int& month, int& day) {
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long dayOfEra = days - era * 146097;
    const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long mp = (5 * dayOfYear + 2) / 153;
    day = int(dayOfYear - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yearOfEra + era * 400 + (month <= 2));
}

constexpr long long kEpochDays = daysFromCivil(1899, 12, 30);
constexpr long long kSecondsPerDay = 86400;

// Whole part the day, the fraction the time of day taken as positive (so -1.25 is
// 29 December 1899 06:00).
double serialFromDay(long long day, double fraction) {
    return day >= 0 ? double(day) + fraction : double(day) - fraction;
}

int weekdayOf(long long serialDay) { // 0 = Sunday; day 0 was a Saturday
    return int(((serialDay + 6) % 7 + 7) % 7);
}

} // namespace

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

bool isValidDate(int year, int month, int day) {
    return month >= 1 && month <= 12 && day >= 1 && day <= daysInMonth(year, month);
}

long long serialDay(long long year, long long month, long long day) {
    return daysFromCivil(year, month, day) - kEpochDays;
}

int dayOfYear(const DateParts& p) {
    static constexpr int kBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    return kBefore[p.month - 1] + p.day + (p.month > 2 && isLeapYear(p.year));
}

int weekOfYear(const DateParts& p) {
    const int doy = dayOfYear(p);
    const int firstWeekday = ((p.weekday - (doy - 1)) % 7 + 7) % 7; // weekday of 1 January
    return (doy - 1 + firstWeekday) / 7 + 1;
}

DateParts serialToParts(double serial) {
    if (std::isnan(serial)) serial = 0;
    serial = std::clamp(serial, kMinSerial, kMaxSerial);
    const double whole = std::trunc(serial);
    long long day = static_cast<long long>(whole);
    long long seconds = std::llround(std::fabs(serial - whole) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        const bool lastDay = day >= static_cast<long long>(kMaxSerial);
        day += lastDay ? 0 : 1;
        seconds = lastDay ? kSecondsPerDay - 1 : seconds - kSecondsPerDay;
    }
    DateParts parts;
    civilFromDays(day + kEpochDays, parts.year, parts.month, parts.day);
    parts.hour = int(seconds / 3600);
    parts.minute = int(seconds / 60 % 60);
    parts.second = int(seconds % 60);
    parts.weekday = weekdayOf(day);
    return parts;
}

double partsToSerial(int year, int month, int day, int hour, int minute, int second) {
    const long long total = (daysFromCivil(year, month, day) - kEpochDays) * kSecondsPerDay + hour * 3600LL +
                            minute * 60LL + second;
    const long long wholeDay =
        total >= 0 ? total / kSecondsPerDay : -((-total + kSecondsPerDay - 1) / kSecondsPerDay);
    return serialFromDay(wholeDay, double(total - wholeDay * kSecondsPerDay) / kSecondsPerDay);
}

double DateToSerial(const QDateTime& dateTime) {
    const QDate date = dateTime.date();
    if (!date.isValid()) return 0;
    const long long day = daysFromCivil(date.year(), date.month(), date.day()) - kEpochDays;
    const QTime time = dateTime.time();
    const double fraction = time.isValid() ? time.msecsSinceStartOfDay() / 86400000.0 : 0.0;
    return serialFromDay(day, fraction);
}

Result<QDateTime> SerialToDate(double serial) {
    if (!(serial >= kMinSerial && serial <= kMaxSerial)) return Error{6, "Overflow"};
    const DateParts p = serialToParts(serial);
    return QDateTime(QDate(p.year, p.month, p.day), QTime(p.hour, p.minute, p.second), Qt::UTC);
}

int weekOfYear(double serial) {
    return weekOfYear(serialToParts(serial));
}

} // namespace nax
