#include "DatePattern.h"

#include "TextMatch.h"

#include <QLocale>
#include <QString>

#include <algorithm>
#include <charconv>
#include <vector>

namespace nax {

namespace {

void appendNumber(std::string& out, long long value, int width = 1) {
    char buffer[24];
    char* end = std::to_chars(buffer, buffer + sizeof buffer, value < 0 ? -value : value).ptr;
    if (value < 0) out += '-';
    if (end - buffer < width) out.append(width - (end - buffer), '0');
    out.append(buffer, end);
}

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

// ---------------------------------------------------------------- reading dates back

namespace {

// The number of `digits` ASCII digits at `at`; nullopt when any is not a digit.
std::optional<int> digitsAt(std::string_view text, std::size_t at, std::size_t digits) {
    if (at + digits > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

std::optional<int> allDigits(std::string_view text) {
    return text.empty() ? std::nullopt : digitsAt(text, 0, text.size());
}

std::optional<int> monthOfAbbreviation(std::string_view text) {
    if (text.size() != 3) return std::nullopt;
    for (std::size_t m = 0; m < kMonthNames.size(); ++m)
        if (lowerAscii(text) == lowerAscii(kMonthNames[m].substr(0, 3))) return static_cast<int>(m) + 1;
    return std::nullopt;
}

bool inSerialRange(int year, int month, int day) {
    return year >= 100 && year <= 9999 && isValidDate(year, month, day);
}

} // namespace

std::optional<DateParts> parseDayMonthYear(std::string_view text, DayMonthYearForm form) {
    const std::size_t first = text.find('-');
    const std::size_t second = first == std::string_view::npos ? first : text.find('-', first + 1);
    if (second == std::string_view::npos) return std::nullopt;
    const std::string_view dayText = text.substr(0, first), yearText = text.substr(second + 1);
    const bool grid = form == DayMonthYearForm::Grid;
    if (grid ? dayText.size() != 2 || yearText.size() != 2
             : dayText.size() > 2 || (yearText.size() != 2 && yearText.size() != 4))
        return std::nullopt;
    const auto day = allDigits(dayText), year = allDigits(yearText);
    const auto month = monthOfAbbreviation(text.substr(first + 1, second - first - 1));
    if (!day || !month || !year) return std::nullopt;
    DateParts parts;
    parts.day = *day;
    parts.month = *month;
    parts.year = yearText.size() == 2 ? *year + (*year < 30 ? 2000 : 1900) : *year;
    if (!inSerialRange(parts.year, parts.month, parts.day)) return std::nullopt;
    return parts;
}

std::optional<DateParts> readDateTimeArgument(std::string_view text, std::string_view separators) {
    if (text.size() != 16 && text.size() != 19) return std::nullopt;
    if (text[4] != '-' || text[7] != '-' || separators.find(text[10]) == std::string_view::npos ||
        text[13] != ':' || (text.size() == 19 && text[16] != ':'))
        return std::nullopt;
    const auto year = digitsAt(text, 0, 4), month = digitsAt(text, 5, 2), day = digitsAt(text, 8, 2);
    const auto hour = digitsAt(text, 11, 2), minute = digitsAt(text, 14, 2);
    const auto second = text.size() == 19 ? digitsAt(text, 17, 2) : std::optional<int>(0);
    if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
    if (*year < 1 || !isValidDate(*year, *month, *day) || *hour > 23 || *minute > 59 || *second > 59)
        return std::nullopt;
    DateParts parts;
    parts.year = *year;
    parts.month = *month;
    parts.day = *day;
    parts.hour = *hour;
    parts.minute = *minute;
    parts.second = *second;
    return parts;
}

std::optional<double> parseDateArgument(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    const auto parts = readDateTimeArgument(text);
    if (!parts) return std::nullopt;
    return partsToSerial(parts->year, parts->month, parts->day, parts->hour, parts->minute, parts->second);
}

} // namespace nax
