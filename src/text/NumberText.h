#pragma once
// Numbers as the product prints and reads them: the general number format and half-to-even
// rounding.
#include "base/ReportGrid.h"

#include <optional>
#include <string>
#include <string_view>

namespace nax {

// Numbers as text: decimal point, no thousands separator, no trailing zeros, at most
// `significant` significant digits (15 = a double as the reports print it; 7 = a single).
std::string formatGeneral(double value, int significant = 15);

// Rounds half to even at `decimals` places, working on the value as it prints with 15
// significant digits, so 3.125 -> 3.12 and 2.675 -> 2.68.
double roundHalfEven(double value, int decimals = 0);

// formatGeneral(roundHalfEven(value, decimals)).
std::string roundedText(double value, int decimals);

// Reads a cell or field text back as a number ("12.5", "-3", " 7 ", "1E+15"); nullopt when
// the text is empty or not a number.
std::optional<double> parseNumber(std::string_view text);

// The grid's cell read back as a number (parseNumber).
std::optional<double> cellNumber(const ReportGrid& grid, int row, int col);

} // namespace nax
