#pragma once
// The two ways a grid becomes a workbook in the data folder: a new workbook under a title block
// (Ctrl+E in the lists), and the DMS grids written into a copy of a template ("Print"). Each
// writes to a temporary file and gives it its time-stamped name only when it is complete.
#include "shell/Progress.h"
#include "shell/ReportGrid.h"
#include "shell/Result.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace nax {

inline constexpr std::string_view kWorkbookCompany = "Online NAX C-200";
inline constexpr std::string_view kDailyTemplate = "DailyDMS.xlsx";
inline constexpr std::string_view kHourTemplate = "HourDMS.xlsx";
inline constexpr std::string_view kRawDataSheet = "RawData";
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

// Copies the template `templateName` of the data folder as "<serial><templateName>", writes the
// run grid into its first sheet and the detail grid into its second, both from row 4, and makes
// "RawData" the sheet it opens on. A default template missing from the data folder is installed
// there first. Answers the copy's path.
Result<std::filesystem::path> ExportToExcelDMS(const ReportGrid& msf, std::string_view templateName,
                                               const ReportGrid& msf2, const ExportPlace& place,
                                               Progress& progress);

} // namespace nax
