#pragma once
// The three production reports in the order of the window's options.
#include "DowntimeReport.h"
#include "ProductionReport.h"
#include "RunSummaryReport.h"

#include "text/DatePattern.h"

#include <array>
#include <string>
#include <string_view>

namespace nax {

using ProductionReportRunner = Result<void> (*)(DbConnection& db, ReportGrid& grid, const ReportRange& range,
                                                int gridWidthTwips, Progress& progress);

struct ProductionReportKind {
    std::string_view caption; // the option's caption, also the first words of the export title
    ProductionReportRunner run;
    void (*setColumns)(ReportGrid& grid, int gridWidthTwips); // the report's header row, no data rows
};

inline constexpr size_t kProductionOption = 0, kDowntimeOption = 1, kRunSummaryOption = 2;

inline constexpr std::array<ProductionReportKind, 3> kProductionReportKinds = {{
    {"Production", ProductionReport, setProductionColumns},
    {"Downtime", DowntimeReport, setDowntimeReportColumns},
    {"Run Summary", RunSummaryReport, setRunSummaryColumns},
}};

// The title of the report's workbook: the caption, " Report " and the range, for example
// "Run Summary Report 05-Dec-26 06:00 - 05-Dec-26 12:00".
inline std::string reportExportTitle(std::string_view caption, double start, double end) {
    return std::string(caption) + " Report " + formatSerial(start, "DD-MMM-YY hh:mm") + " - " +
           formatSerial(end, "DD-MMM-YY hh:mm");
}

// The report grid's width as the window is designed; nax-report lays its grids out with it.
inline constexpr int kReportsGridWidthTwips = 13320;

} // namespace nax
