#pragma once
// Pieces of the command-line programs: date arguments and grids as text.
#include "ReportGrid.h"

#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace nax {

// "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" as a day serial; nullopt when malformed.
std::optional<double> parseDateArgument(std::string_view text);

enum class GridFormat { Tsv, Csv };

// The grid, header row first, a line per row. tsv: cells joined by a tab, a tab or line break
// inside a cell becomes a blank. csv: RFC 4180 quoting.
void writeGrid(std::ostream& out, const ReportGrid& grid, GridFormat format);

} // namespace nax
