#pragma once
// A grid becomes a new workbook in the data folder under a title block (Ctrl+E in the lists),
// written to a temporary file that gets its time-stamped name only when it is complete. The
// pieces below it serve the exports into a copy of a template too (dms/DmsWorkbook).
#include "base/Progress.h"
#include "base/ReportGrid.h"
#include "base/Result.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace nax {

class PendingFile;
class TemplateWorkbook;

inline constexpr std::string_view kWorkbookCompany = "Online NAX C-200";
inline constexpr int kMaxTextWidth = 250; // a data text widens its column up to this many characters

struct ExportPlace {
    std::filesystem::path dataFolder;
    double now = 0; // day serial of the moment of the export; names the file
    // A file named by the caller (nax-report --out) instead of the time-stamped name in the data
    // folder; it is replaced once the new workbook is complete.
    std::optional<std::filesystem::path> outFile = std::nullopt;
};

// Title rows 1 to 3 merged one column past the table ("Online NAX C-200", empty, the title),
// bold headers in row 4, data from row 6, widths from the texts. Prints landscape, one page wide,
// row 4 on every page, the title followed by `range` (see rangeText; empty when the title names
// its range) in the page header. Saved as "<serial><title>.xlsx" in the data folder; answers its
// path.
Result<std::filesystem::path> ExportToExcel(const ReportGrid& grid, std::string_view title,
                                            const ExportPlace& place, Progress& progress,
                                            std::string_view range = {});

// The grid fits one worksheet with its data from `firstDataRow`; else an error that says why.
Result<void> fitsOneSheet(const ReportGrid& grid, int firstDataRow);

// The header row in bold with each column as wide as its header, then the data rows, each text
// widening its column up to kMaxTextWidth characters; a narrower text never narrows it.
Result<void> writeGridTable(TemplateWorkbook& book, const ReportGrid& grid, int headerRow, int firstDataRow,
                            Progress& progress);

// The folder the workbook is written in: the data folder, or the one of the caller's file.
std::filesystem::path targetFolder(const ExportPlace& place);

// Gives the finished file its name in the data folder, or replaces the caller's file with it.
Result<std::filesystem::path> finishExport(PendingFile& file, const ExportPlace& place,
                                           const std::string& name);

} // namespace nax
