#pragma once
// How a grid's text lands in a workbook cell, the way a spreadsheet program takes a typed text:
// numbers become numbers, the grids' date-time texts become date-times shown in the same
// pattern, everything else stays text. Also the column letters.
#include <string>
#include <string_view>

namespace nax {

struct CellValue {
    enum class Kind { Empty, Number, DateTime, Text };
    Kind kind = Kind::Empty;
    double number = 0;       // Number, or the day serial of a DateTime
    std::string_view format; // DateTime: the spreadsheet number format that shows it as typed
    std::string_view text;   // Text
};

// "12.5" -> Number; "05-Dec-26", "05-Dec-26 06:00", "05-Dec-26 06:00:30" -> DateTime with the
// formats "dd-mmm-yy", "dd-mmm-yy hh:mm", "dd-mmm-yy hh:mm:ss"; "" -> Empty; else Text. A number
// with more significant digits than a cell keeps (a long code) stays text so that no digit is lost.
CellValue classifyCell(std::string_view text);

// A text made safe for a cell: invalid UTF-8 bytes are read as Latin-1, control characters
// other than tab and line breaks become blanks, and the text is cut to a cell's 32767 characters.
std::string cellSafeText(std::string_view text);
bool isCellSafe(std::string_view text); // already safe: no copy needed

// Number of characters (code points) of a UTF-8 text.
int characterCount(std::string_view text);

// Column letters of column n (from 1): 1 "A", 26 "Z", 27 "AA", 702 "ZZ", 703 "AAA", up to
// 16384 "XFD"; "" outside.
std::string XlCol(int n);
// The letters of the column just past n columns: 1 "B", 26 "AA", 27 "AB", 52 "BA"; "" outside
// 1 to 16383.
std::string GetXLCol(int n);
// "C7" for row 7, column 3 (both from 1).
std::string cellAddress(int row, int col);
// Row and column (from 1) of an address such as "C7" or "$C$7"; false when it is not one.
bool parseCellAddress(std::string_view address, int& row, int& col);

// What a cell looks like beyond its value.
struct CellStyle {
    bool bold = false;
    double size = 0; // points; 0 keeps the font's size
    bool wrap = false;
    bool centred = false; // centred across, at the bottom: the title rows
};

inline constexpr int kMaxSheetRows = 1048576;
inline constexpr int kMaxSheetCols = 16384;
inline constexpr int kMaxCellChars = 32767;
inline constexpr double kMaxColumnWidth = 255; // the widest column a spreadsheet allows

} // namespace nax
