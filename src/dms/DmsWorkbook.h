#pragma once
// The DMS workbook: the default templates (a first sheet with title rows over the run grid, a
// second over the downtime detail grid, and a "RawData" sheet whose formulas sum up what "Print"
// writes, with a chart of the loss categories) and "Print", the grids written into a copy.
#include "base/Progress.h"
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "xlsx/WorkbookExport.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace nax {

inline constexpr std::string_view kDailyTemplate = "DailyDMS.xlsx";
inline constexpr std::string_view kHourTemplate = "HourDMS.xlsx";
inline constexpr std::string_view kRawDataSheet = "RawData";

enum class DmsTemplate { Daily, Hour };

// Writes the template to `path` (replacing what is there).
Result<void> writeDmsTemplate(DmsTemplate kind, const std::filesystem::path& path);

// Where an installed program finds the package's templates: ../share/nax/templates from the
// folder of `program` (its path).
std::filesystem::path installedTemplateFolder(const std::filesystem::path& program);

// The running program's path (from argv0 when the system cannot say; empty when unknown).
std::filesystem::path runningProgram(const char* argv0);

// Puts the default templates into the data folder where it has none of that name, copied from
// `installed` when it holds them, else written from code; a folder's own template is never
// replaced. Answers the names written.
Result<std::vector<std::string>> installDefaultTemplates(const std::filesystem::path& dataFolder,
                                                         const std::filesystem::path& installed = {});

// Copies the template `templateName` of the data folder as "<serial><templateName>", writes the
// run grid into its first sheet and the detail grid into its second, both from row 4, and makes
// "RawData" the sheet it opens on. A default template missing from the data folder is installed
// there first. Answers the copy's path.
Result<std::filesystem::path> ExportToExcelDMS(const ReportGrid& runGrid, std::string_view templateName,
                                               const ReportGrid& detailGrid, const ExportPlace& place,
                                               Progress& progress);

} // namespace nax
