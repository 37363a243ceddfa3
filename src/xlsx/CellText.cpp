#include "CellText.h"

#include "text/DatePattern.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"
#include "text/StoredText.h"

#include <cctype>

namespace nax {

namespace {

bool twoDigits(std::string_view text, size_t at, int& value) {
    if (at + 2 > text.size() || !std::isdigit(static_cast<unsigned char>(text[at])) ||
        !std::isdigit(static_cast<unsigned char>(text[at + 1])))
        return false;
    value = (text[at] - '0') * 10 + (text[at + 1] - '0');
    return true;
}

// dd-MMM-yy[ hh:mm[:ss]] as the grids write it; the two-digit year as a spreadsheet reads it
// (00 to 29 this century, 30 to 99 the last).
bool parseGridDate(std::string_view text, CellValue& value) {
    if (text.size() != 9 && text.size() != 15 && text.size() != 18) return false;
    const auto date = parseDayMonthYear(text.substr(0, 9), DayMonthYearForm::Grid);
    if (!date) return false;
    int hour = 0, minute = 0, second = 0;
    value.format = "dd-mmm-yy";
    if (text.size() >= 15) {
        if (text[9] != ' ' || !twoDigits(text, 10, hour) || text[12] != ':' || !twoDigits(text, 13, minute) ||
            hour > 23 || minute > 59)
            return false;
        value.format = "dd-mmm-yy hh:mm";
    }
    if (text.size() == 18) {
        if (text[15] != ':' || !twoDigits(text, 16, second) || second > 59) return false;
        value.format = "dd-mmm-yy hh:mm:ss";
    }
    value.kind = CellValue::Kind::DateTime;
    value.number = partsToSerial(date->year, date->month, date->day, hour, minute, second);
    return true;
}

// Digits of the mantissa that carry the value: leading zeros do not count.
int significantDigits(std::string_view text) {
    int count = 0;
    bool started = false;
    for (char c : text) {
        if (c == 'e' || c == 'E') break;
        if (!std::isdigit(static_cast<unsigned char>(c))) continue;
        if (c != '0') started = true;
        if (started) ++count;
    }
    return count;
}

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a valid one or is one of
// the two non-characters U+FFFE and U+FFFF, which a worksheet's XML cannot hold.
size_t utf8Length(std::string_view text, size_t i) {
    const size_t length = utf8SequenceLength(text, i);
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    if (length == 3 && byte(i) == 0xEF && byte(i + 1) == 0xBF && byte(i + 2) >= 0xBE) return 0;
    return length;
}

bool isControl(unsigned char c) {
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

} // namespace

CellValue classifyCell(std::string_view text) {
    CellValue value;
    if (text.empty()) return value;
    if (const auto number = parseNumber(text); number && significantDigits(text) <= 15) {
        value.kind = CellValue::Kind::Number;
        value.number = *number;
        return value;
    }
    if (parseGridDate(text, value)) return value;
    value.kind = CellValue::Kind::Text;
    value.text = text;
    return value;
}

bool isCellSafe(std::string_view text) {
    if (text.size() > static_cast<size_t>(kMaxCellChars)) return false;
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (isControl(c)) return false;
            ++i;
            continue;
        }
        const size_t length = utf8Length(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

std::string cellSafeText(std::string_view text) {
    std::string safe;
    safe.reserve(text.size());
    int characters = 0;
    for (size_t i = 0; i < text.size() && characters < kMaxCellChars; ++characters) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : utf8Length(text, i);
        if (c < 0x80) {
            safe += isControl(c) ? ' ' : static_cast<char>(c);
        } else if (length == 0) { // a stray byte: Latin-1
            safe += static_cast<char>(0xC0 | (c >> 6));
            safe += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            safe.append(text.substr(i, length));
        }
        i += length == 0 ? 1 : length;
    }
    return safe;
}

int characterCount(std::string_view text) {
    int count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

std::string XlCol(int n) {
    if (n < 1 || n > kMaxSheetCols) return {};
    std::string letters;
    while (n > 0) {
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
        n = (n - 1) / 26;
    }
    return letters;
}

std::string GetXLCol(int n) {
    if (n < 1 || n >= kMaxSheetCols) return {};
    return XlCol(n + 1);
}

std::string cellAddress(int row, int col) {
    return XlCol(col) + std::to_string(row);
}

bool parseCellAddress(std::string_view address, int& row, int& col) {
    size_t i = 0;
    if (i < address.size() && address[i] == '$') ++i;
    col = 0;
    const size_t lettersStart = i;
    while (i < address.size() && std::isalpha(static_cast<unsigned char>(address[i])) && i - lettersStart < 3)
        col = col * 26 + (std::toupper(static_cast<unsigned char>(address[i++])) - 'A' + 1);
    if (i == lettersStart || col > kMaxSheetCols) return false;
    if (i < address.size() && address[i] == '$') ++i;
    row = 0;
    const size_t digitsStart = i;
    while (i < address.size() && std::isdigit(static_cast<unsigned char>(address[i])) && i - digitsStart < 7)
        row = row * 10 + (address[i++] - '0');
    return i == address.size() && i > digitsStart && row >= 1 && row <= kMaxSheetRows;
}

} // namespace nax
