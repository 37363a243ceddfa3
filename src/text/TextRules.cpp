#include "TextRules.h"

#include <QDate>
#include <QLocale>
#include <QTime>
#include <QString>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace nax {

namespace {

// ---------------------------------------------------------------------------------------
// Decimal digits of a double

// |value| = 0.DIGITS x 10^(exponent + 1), i.e. the first digit stands at 10^exponent.
// Digits carry no trailing zeros.
struct DecimalDigits {
    char digits[20];
    int count = 0;
    int exponent = 0;
    bool negative = false;
};

// `value` must be finite and non-zero; `significant` 1..17.
DecimalDigits decimalDigits(double value, int significant) {
    char buffer[48];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                         std::chars_format::scientific, significant - 1);
    (void)ec; // the buffer holds any double at 17 digits
    DecimalDigits out;
    out.negative = std::signbit(value);
    const char* p = buffer;
    for (; p != end && *p != 'e'; ++p)
        if (*p != '.') out.digits[out.count++] = *p;
    std::from_chars(p + 1 + (p[1] == '+'), end, out.exponent);
    while (out.count > 1 && out.digits[out.count - 1] == '0')
        --out.count;
    return out;
}

void appendExponent(std::string& out, int exponent) {
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    const int magnitude = std::abs(exponent);
    if (magnitude < 10) out += '0';
    char buffer[8];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, magnitude).ptr);
}

void appendDigits(std::string& out, const DecimalDigits& d, int significant) {
    if (d.negative) out += '-';
    if (d.exponent >= significant || d.exponent < -4) {
        out += d.digits[0];
        if (d.count > 1) {
            out += '.';
            out.append(d.digits + 1, d.count - 1);
        }
        appendExponent(out, d.exponent);
    } else if (d.exponent >= 0) {
        const int whole = d.exponent + 1;
        out.append(d.digits, std::min(whole, d.count));
        if (d.count < whole) out.append(whole - d.count, '0');
        if (d.count > whole) {
            out += '.';
            out.append(d.digits + whole, d.count - whole);
        }
    } else {
        out += "0.";
        out.append(-d.exponent - 1, '0');
        out.append(d.digits, d.count);
    }
}

// Cuts the digits to the first `kept`, rounding half to even on what was cut off.
void roundAt(DecimalDigits& d, int kept) {
    const char next = d.digits[kept];
    bool tail = false;
    for (int i = kept + 1; i < d.count; ++i)
        tail |= d.digits[i] != '0';
    const bool lastOdd = kept > 0 && (d.digits[kept - 1] - '0') % 2 == 1;
    d.count = kept;
    if (next < '5' || (next == '5' && !tail && !lastOdd)) return;
    int i = kept - 1;
    while (i >= 0 && d.digits[i] == '9')
        d.digits[i--] = '0';
    if (i >= 0) {
        ++d.digits[i];
        return;
    }
    // Carried past the first digit (99.5 -> 100), or nothing was kept (0.6 -> 1).
    std::copy_backward(d.digits, d.digits + d.count, d.digits + d.count + 1);
    d.digits[0] = '1';
    ++d.count;
    ++d.exponent;
}

// ---------------------------------------------------------------------------------------
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

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
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

// ---------------------------------------------------------------------------------------
// Small text helpers

void appendNumber(std::string& out, long long value, int width = 1) {
    char buffer[24];
    char* end = std::to_chars(buffer, buffer + sizeof buffer, value < 0 ? -value : value).ptr;
    if (value < 0) out += '-';
    if (end - buffer < width) out.append(width - (end - buffer), '0');
    out.append(buffer, end);
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view text, std::size_t at, std::string_view lowerPrefix) {
    if (text.size() - at < lowerPrefix.size()) return false;
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i)
        if (lowerAscii(text[at + i]) != lowerPrefix[i]) return false;
    return true;
}

// Code point at `at`, advancing it; a malformed byte reads as U+FFFD.
char32_t nextCodePoint(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    const int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (extra < 0 || lead > 0xF4 || text.size() - at < std::size_t(extra)) return U'\uFFFD';
    char32_t code = lead & (0x3F >> extra);
    for (int i = 0; i < extra; ++i) {
        const auto next = static_cast<unsigned char>(text[at]);
        if ((next & 0xC0) != 0x80) return U'\uFFFD';
        code = (code << 6) | (next & 0x3F);
        ++at;
    }
    return code;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

bool isAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::u32string toCodePoints(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();)
        out += nextCodePoint(text, at);
    return out;
}

} // namespace

// =======================================================================================
// Numbers

std::string formatGeneral(double value, int significant) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Inf" : "-Inf";
    if (value == 0) return "0";
    significant = std::clamp(significant, 1, 17);
    std::string out;
    appendDigits(out, decimalDigits(value, significant), significant);
    return out;
}

double roundHalfEven(double value, int decimals) {
    if (!std::isfinite(value) || value == 0) return value;
    DecimalDigits d = decimalDigits(value, 15);
    const long long kept = 1LL + d.exponent + decimals; // digits left of the cut
    if (kept < 0) return 0.0;
    if (kept < d.count) roundAt(d, int(kept));
    if (d.count == 0) return 0.0;
    // Read back DIGITS x 10^(exponent + 1 - count).
    char text[48];
    char* end = text;
    if (d.negative) *end++ = '-';
    end = std::copy(d.digits, d.digits + d.count, end);
    *end++ = 'e';
    end = std::to_chars(end, text + sizeof text, d.exponent + 1 - d.count).ptr;
    double result = 0;
    std::from_chars(text, end, result);
    return result;
}

std::string roundedText(double value, int decimals) {
    return formatGeneral(roundHalfEven(value, decimals));
}

std::optional<double> parseNumber(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (negative || text.front() == '+')) text.remove_prefix(1);
    // from_chars would also take "inf", "nan" and a second sign.
    if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.'))
        return std::nullopt;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (negative) value = -value;
    return value;
}

std::optional<double> cellNumber(const ReportGrid& grid, int row, int col) {
    return parseNumber(grid.cell(row, col));
}

// =======================================================================================
// Day serials

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

std::optional<double> parseDateArgument(std::string_view text) {
    const QString value = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    const qsizetype blank = value.indexOf(QLatin1Char(' '));
    if (blank < 0) return std::nullopt;
    const QDate date = QDate::fromString(value.left(blank), QStringLiteral("yyyy-MM-dd"));
    const QString clock = value.mid(blank + 1);
    QTime time = QTime::fromString(clock, QStringLiteral("HH:mm:ss"));
    if (!time.isValid()) time = QTime::fromString(clock, QStringLiteral("HH:mm"));
    if (!date.isValid() || !time.isValid()) return std::nullopt;
    return partsToSerial(date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second());
}

// =======================================================================================
// Date patterns

namespace {

// One field of a date pattern: its letter (lower case) and how many times it repeats.
struct PatternToken {
    char letter = 0; // 0 = a literal character
    int count = 1;
};

// Longest run each letter takes as one field; a longer run starts a new field.
int maxRun(char letter) {
    switch (letter) {
    case 'd':
    case 'm':
    case 'y':
        return 4;
    case 'h':
    case 'n':
    case 's':
    case 'w':
        return 2;
    case 'q':
        return 1;
    default:
        return 0;
    }
}

PatternToken tokenAt(std::string_view pattern, std::size_t at) {
    const char letter = lowerAscii(pattern[at]);
    const int limit = maxRun(letter);
    if (limit == 0) return {};
    int count = 1;
    while (count < limit && at + count < pattern.size() && lowerAscii(pattern[at + count]) == letter)
        ++count;
    if (letter == 'y' && count == 3) count = 2; // yyy reads as yy then y
    return {letter, count};
}

// Length of an AM/PM marker ("AM/PM", "A/P", "tt") at `at`, or 0.
std::size_t ampmMarkerAt(std::string_view pattern, std::size_t at) {
    if (startsWithNoCase(pattern, at, "am/pm")) return 5;
    if (startsWithNoCase(pattern, at, "a/p")) return 3;
    if (startsWithNoCase(pattern, at, "tt")) return 2;
    return 0;
}

bool hasAmPm(std::string_view pattern) {
    for (std::size_t at = 0; at < pattern.size(); ++at)
        if (ampmMarkerAt(pattern, at)) return true;
    return false;
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// m or mm means minutes when the field before it (skipping separators) is an hour, or the
// field after it is seconds.
bool monthMeansMinutes(std::string_view pattern, std::size_t at, int count, char previousField) {
    if (count > 2) return false;
    if (previousField == 'h') return true;
    std::size_t next = at + count;
    while (next < pattern.size() && !isLetter(pattern[next]))
        ++next;
    return next < pattern.size() && lowerAscii(pattern[next]) == 's';
}

void appendName(std::string& out, std::string_view name, int count) {
    out.append(count >= 4 ? name : name.substr(0, 3));
}

// "tt" gives AM or PM; "AM/PM", "am/pm", "A/P" give their half as written.
void appendAmPm(std::string& out, std::string_view marker, int hour) {
    const bool pm = hour >= 12;
    const std::size_t slash = marker.find('/');
    if (slash == std::string_view::npos)
        out += pm ? "PM" : "AM";
    else
        out += pm ? marker.substr(slash + 1) : marker.substr(0, slash);
}

void appendField(std::string& out, const DateParts& p, char letter, int count, bool twelveHour) {
    const int padded = count >= 2 ? 2 : 1;
    switch (letter) {
    case 'd':
        if (count <= 2)
            appendNumber(out, p.day, padded);
        else
            appendName(out, kDayNames[p.weekday], count);
        break;
    case 'm':
        if (count <= 2)
            appendNumber(out, p.month, padded);
        else
            appendName(out, kMonthNames[p.month - 1], count);
        break;
    case 'y':
        if (count == 4)
            appendNumber(out, p.year);
        else if (count == 2)
            appendNumber(out, p.year % 100, 2);
        else
            appendNumber(out, dayOfYear(p));
        break;
    case 'h': {
        const int hour = twelveHour ? (p.hour + 11) % 12 + 1 : p.hour;
        appendNumber(out, hour, padded);
        break;
    }
    case 'n':
        appendNumber(out, p.minute, padded);
        break;
    case 's':
        appendNumber(out, p.second, padded);
        break;
    case 'w':
        appendNumber(out, count == 2 ? weekOfYear(p) : p.weekday + 1);
        break;
    case 'q':
        appendNumber(out, (p.month - 1) / 3 + 1);
        break;
    default:
        break;
    }
}

} // namespace

std::string formatSerial(double serial, std::string_view pattern) {
    if (pattern.empty()) return generalDateText(serial);
    const DateParts parts = serialToParts(serial);
    const bool twelveHour = hasAmPm(pattern);
    std::string out;
    out.reserve(pattern.size() + 8);
    char previousField = 0;
    for (std::size_t at = 0; at < pattern.size();) {
        if (const std::size_t marker = ampmMarkerAt(pattern, at)) {
            appendAmPm(out, pattern.substr(at, marker), parts.hour);
            at += marker;
            continue;
        }
        PatternToken token = tokenAt(pattern, at);
        if (token.letter == 0) {
            out += pattern[at++];
            continue;
        }
        if (token.letter == 'm' && monthMeansMinutes(pattern, at, token.count, previousField))
            token.letter = 'n';
        appendField(out, parts, token.letter, token.count, twelveHour);
        previousField = token.letter;
        at += std::size_t(token.count);
    }
    return out;
}

// =======================================================================================
// The locale's general date

namespace {

// The default locale's short date and long time formats, compiled once into pieces.
class LocaleDateTimeFormat {
public:
    enum class Kind {
        Literal,
        Day,
        DayName,
        Month,
        MonthName,
        Year,
        Hour,
        Hour24,
        Minute,
        Second,
        Millisecond,
        AmPm
    };
    struct Piece {
        Kind kind = Kind::Literal;
        int count = 1;
        std::string text; // literals only; an AmPm piece has count 1 for upper case, 0 lower
    };

    explicit LocaleDateTimeFormat(const QLocale& locale) : locale_(locale) {
        for (int i = 0; i < 7; ++i) { // Qt counts Monday = 1; ours Sunday = 0
            dayNames_[0][i] = locale.dayName(i == 0 ? 7 : i, QLocale::ShortFormat).toStdString();
            dayNames_[1][i] = locale.dayName(i == 0 ? 7 : i, QLocale::LongFormat).toStdString();
        }
        for (int i = 0; i < 12; ++i) {
            monthNames_[0][i] = locale.monthName(i + 1, QLocale::ShortFormat).toStdString();
            monthNames_[1][i] = locale.monthName(i + 1, QLocale::LongFormat).toStdString();
        }
        amPm_[0][0] = locale.amText().toLower().toStdString();
        amPm_[0][1] = locale.pmText().toLower().toStdString();
        amPm_[1][0] = locale.amText().toUpper().toStdString();
        amPm_[1][1] = locale.pmText().toUpper().toStdString();
        date_ = compile(locale.dateFormat(QLocale::ShortFormat));
        time_ = compile(locale.timeFormat(QLocale::LongFormat));
        twelveHour_ = std::any_of(time_.begin(), time_.end(),
                                  [](const Piece& piece) { return piece.kind == Kind::AmPm; });
    }

    const QLocale& locale() const { return locale_; }

    std::string render(const DateParts& p) const {
        std::string out;
        out.reserve(24);
        append(out, date_, p);
        if (p.hour != 0 || p.minute != 0 || p.second != 0) {
            out += ' ';
            append(out, time_, p);
        }
        return out;
    }

private:
    static int runLength(const QString& format, qsizetype at) {
        int count = 1;
        while (at + count < format.size() && format[at + count] == format[at])
            ++count;
        return count;
    }

    static std::vector<Piece> compile(const QString& format);

    void append(std::string& out, const std::vector<Piece>& pieces, const DateParts& p) const;

    QLocale locale_;
    std::string dayNames_[2][7], monthNames_[2][12], amPm_[2][2];
    std::vector<Piece> date_, time_;
    bool twelveHour_ = false;
};

// Reads Qt's date-time format language. The time-zone field is dropped with the blank
// before it: our date-times carry no zone.
std::vector<LocaleDateTimeFormat::Piece> LocaleDateTimeFormat::compile(const QString& format) {
    std::vector<Piece> pieces;
    QString literal;
    const auto flush = [&] {
        if (!literal.isEmpty()) pieces.push_back({Kind::Literal, 1, literal.toStdString()});
        literal.clear();
    };
    const auto field = [&](Kind kind, int count) {
        flush();
        pieces.push_back({kind, count, {}});
    };
    for (qsizetype at = 0; at < format.size();) {
        const QChar c = format[at];
        const int run = runLength(format, at);
        int used = 1;
        if (c == QLatin1Char('\'')) {
            const qsizetype close = format.indexOf(QLatin1Char('\''), at + 1);
            const qsizetype stop = close < 0 ? format.size() : close;
            literal += run >= 2 ? QStringLiteral("'") : format.mid(at + 1, stop - at - 1);
            used = run >= 2 ? 2 : int(stop - at + 1);
        } else if (c == QLatin1Char('d')) {
            used = std::min(run, 4);
            field(used <= 2 ? Kind::Day : Kind::DayName, used);
        } else if (c == QLatin1Char('M')) {
            used = std::min(run, 4);
            field(used <= 2 ? Kind::Month : Kind::MonthName, used);
        } else if (c == QLatin1Char('y') && run >= 2) {
            used = run >= 4 ? 4 : 2;
            field(Kind::Year, used);
        } else if (c == QLatin1Char('h') || c == QLatin1Char('H')) {
            used = std::min(run, 2);
            field(c == QLatin1Char('h') ? Kind::Hour : Kind::Hour24, used);
        } else if (c == QLatin1Char('m') || c == QLatin1Char('s')) {
            used = std::min(run, 2);
            field(c == QLatin1Char('m') ? Kind::Minute : Kind::Second, used);
        } else if (c == QLatin1Char('z')) {
            used = run >= 3 ? 3 : 1;
            field(Kind::Millisecond, used);
        } else if (c == QLatin1Char('a') || c == QLatin1Char('A')) {
            used = at + 1 < format.size() && format[at + 1].toLower() == QLatin1Char('p') ? 2 : 1;
            field(Kind::AmPm, c == QLatin1Char('A') ? 1 : 0);
        } else if (c == QLatin1Char('t')) {
            used = run;
            while (!literal.isEmpty() && literal.back().isSpace())
                literal.chop(1);
            while (at + used < format.size() && format[at + used].isSpace())
                ++used;
        } else {
            literal += c;
        }
        at += used;
    }
    flush();
    return pieces;
}

void LocaleDateTimeFormat::append(std::string& out, const std::vector<Piece>& pieces,
                                  const DateParts& p) const {
    for (const Piece& piece : pieces) {
        const int width = piece.count >= 2 ? 2 : 1;
        switch (piece.kind) {
        case Kind::Literal:
            out += piece.text;
            break;
        case Kind::Day:
            appendNumber(out, p.day, width);
            break;
        case Kind::DayName:
            out += dayNames_[piece.count == 4][p.weekday];
            break;
        case Kind::Month:
            appendNumber(out, p.month, width);
            break;
        case Kind::MonthName:
            out += monthNames_[piece.count == 4][p.month - 1];
            break;
        case Kind::Year:
            if (piece.count == 4)
                appendNumber(out, p.year, 4);
            else
                appendNumber(out, p.year % 100, 2);
            break;
        case Kind::Hour:
            appendNumber(out, twelveHour_ ? (p.hour + 11) % 12 + 1 : p.hour, width);
            break;
        case Kind::Hour24:
            appendNumber(out, p.hour, width);
            break;
        case Kind::Minute:
            appendNumber(out, p.minute, width);
            break;
        case Kind::Second:
            appendNumber(out, p.second, width);
            break;
        case Kind::Millisecond:
            out += piece.count == 3 ? "000" : "0";
            break;
        case Kind::AmPm:
            out += amPm_[piece.count][p.hour >= 12];
            break;
        }
    }
}

} // namespace

std::string generalDateText(double serial) {
    thread_local std::optional<LocaleDateTimeFormat> cached;
    const QLocale current;
    if (!cached || cached->locale() != current) cached.emplace(current);
    return cached->render(serialToParts(serial));
}

// =======================================================================================
// Search keys, Like, scrambling

namespace {

bool isKeyPunctuation(char32_t c) {
    switch (c) {
    case '.':
    case '-':
    case '/':
    case '\\':
    case '*':
    case '[':
    case ']':
    case '(':
    case ')':
    case '`':
    case '&':
    case ',':
    case ':':
    case ';':
    case ' ':
    case '\t':
        return true;
    default:
        return false;
    }
}

} // namespace

std::string MakeSearchKey(std::string_view text) {
    if (isAscii(text)) {
        std::string key;
        key.reserve(text.size());
        for (char c : text)
            if (!isKeyPunctuation(static_cast<unsigned char>(c))) key += lowerAscii(c);
        return key;
    }
    QString kept;
    for (const QChar c : QString::fromUtf8(text.data(), qsizetype(text.size())))
        if (!isKeyPunctuation(c.unicode())) kept += c;
    return kept.toLower().toStdString();
}

namespace {

// One element of a Like pattern: how far it reaches and whether it takes a character.
struct LikeElement {
    std::size_t next = 0; // pattern index after the element
    bool empty = false;   // "[]" matches no character at all
};

template <class Char> bool isDigitChar(Char c) {
    return c >= '0' && c <= '9';
}

// Tests `c` against the element at `at` (not '*'); sets `element` to its extent.
template <class Char>
bool likeElementMatches(std::basic_string_view<Char> pattern, std::size_t at, Char c, LikeElement& element) {
    const Char head = pattern[at];
    element = {at + 1, false};
    if (head == '?') return true;
    if (head == '#') return isDigitChar(c);
    if (head != '[') return head == c;
    const std::size_t close = pattern.find(Char(']'), at + 1);
    if (close == std::basic_string_view<Char>::npos) return head == c; // a lone '[' is literal
    element.next = close + 1;
    std::size_t i = at + 1;
    const bool negate = i < close && pattern[i] == '!';
    i += negate;
    element.empty = i == close && !negate;
    bool found = false;
    for (; i < close; ++i) {
        const bool range = i + 2 < close && pattern[i + 1] == '-';
        found |= range ? (c >= pattern[i] && c <= pattern[i + 2]) : c == pattern[i];
        i += range ? 2 : 0;
    }
    return found != negate;
}

// Greedy matching that backs up only to the latest '*': at most text x pattern steps.
template <class Char>
bool likeMatchImpl(std::basic_string_view<Char> text, std::basic_string_view<Char> pattern) {
    std::size_t t = 0, p = 0;
    std::size_t starP = std::basic_string_view<Char>::npos, starT = 0;
    LikeElement element;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            while (p < pattern.size() && pattern[p] == '*')
                ++p;
            starP = p;
            starT = t;
            continue;
        }
        if (p < pattern.size()) {
            const bool matched = likeElementMatches(pattern, p, text[t], element);
            if (element.empty) {
                p = element.next;
                continue;
            }
            if (matched) {
                ++t;
                p = element.next;
                continue;
            }
        }
        if (starP == std::basic_string_view<Char>::npos) return false;
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size()) { // what is left must match nothing
        if (pattern[p] == '*') {
            ++p;
            continue;
        }
        likeElementMatches(pattern, p, Char(0), element);
        if (!element.empty) return false;
        p = element.next;
    }
    return true;
}

} // namespace

bool likeMatch(std::string_view text, std::string_view pattern) {
    if (isAscii(text) && isAscii(pattern)) return likeMatchImpl(text, pattern);
    const std::u32string wideText = toCodePoints(text), widePattern = toCodePoints(pattern);
    return likeMatchImpl(std::u32string_view(wideText), std::u32string_view(widePattern));
}

std::string ScrambleText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t position = 0;
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = nextCodePoint(text, at);
        ++position;
        if (c != U'\r') appendUtf8(out, c + char32_t(3 * (position % 3)));
    }
    return out;
}

// ---------------------------------------------------------------- stored texts

bool isValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        size_t length = 0;
        uint32_t code = 0, least = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (i + length > bytes.size()) return false;
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and values past U+10FFFF are no UTF-8.
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

std::string storedTextAsUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    // Windows-1252 differs from Latin-1 only in 0x80 to 0x9F; its five unused codes stay as the
    // control characters Latin-1 gives them.
    static constexpr char16_t k80To9F[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        text += QChar(byte >= 0x80 && byte <= 0x9F ? k80To9F[byte - 0x80] : char16_t(byte));
    }
    return text.toStdString();
}

} // namespace nax
