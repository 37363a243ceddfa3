// nax-report: the reports without windows, for scripts and scheduled jobs.
#include "analysis/AnalysisTables.h"
#include "analysis/Classification.h"
#include "analysis/EfficiencyByDay.h"
#include "analysis/LossPareto.h"
#include "analysis/TopLosses.h"
#include "analysis/ui/AnalysisCharts.h"
#include "base/DataFolder.h"
#include "base/EventPump.h"
#include "base/GridOutput.h"
#include "base/Progress.h"
#include "db/DbConnection.h"
#include "db/PlantDatabase.h"
#include "db/QueryHelpers.h"
#include "dms/DailyDms.h"
#include "dms/DmsWorkbook.h"
#include "dms/ShiftDms.h"
#include "downtime/DowntimeList.h"
#include "reports/ReportKinds.h"
#include "text/DatePattern.h"
#include "text/ProgressText.h"
#include "xlsx/PrintSetup.h"
#include "xlsx/WorkbookExport.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <set>
#include <vector>

using namespace nax;

namespace {

constexpr int kDone = 0, kFailed = 1, kBadArguments = 2, kRefused = 3;
constexpr int kListWidthTwips = 11250; // the downtime grid's width in its window
constexpr QSize kChartSize(1000, 600); // pixels of a chart drawn as PNG
constexpr const char* kDowntimeListReport = "downtime-list";

struct Arguments {
    std::string report;
    std::optional<std::string> db, dataDir, out;
    double from = 0, to = 0;
    std::optional<double> now;
    bool detailGrid = false, minorStops = false, unclassified = false, png = false;
    GridFormat format = GridFormat::Tsv;
    bool workbook = false; // --format xlsx
};

// The grids a report fills: the run grid, and the detail grid of the reports that have one.
struct ReportGrids {
    ReportGrid run, detail;
    std::string note;         // said on stderr: a chart's table that is empty or leaves runs out
    std::vector<double> days; // a chart's table by day: the day of each row
};

using Runner = Result<void> (*)(const Arguments& args, DbConnection& db, ReportGrids& grids);

struct ReportEntry {
    const char* name;
    Runner run;
    bool hasDetailGrid = false;
    std::optional<ChartKind> chart = std::nullopt;
    // The workbook the report's window writes: a new one under a title (Ctrl+E), or, for the DMS
    // reports, a copy of a template ("Print"). Reports with neither write no workbook.
    std::string (*workbookTitle)(const Arguments& args) = nullptr;
    std::string_view workbookTemplate = {};
};

// A report of the "Reports" window (its option `kind`), laid out as the window's grid is designed.
template <size_t kind>
Result<void> runProductionReport(const Arguments& args, DbConnection& db, ReportGrids& grids) {
    SilentProgress progress;
    return kProductionReportKinds[kind].run(db, grids.run, ReportRange{args.from, args.to},
                                            kReportsGridWidthTwips, progress);
}

template <size_t kind> std::string productionReportTitle(const Arguments& args) {
    return reportExportTitle(kProductionReportKinds[kind].caption, args.from, args.to);
}

// A chart table made from the runs of the range as the daily DMS report lists them, and their
// events. A start after the end is refused as the analysis window refuses it.
template <ChartTable (*table)(const RangeRuns&)>
Result<void> chartReport(const Arguments& args, DbConnection& db, ReportGrids& grids) {
    if (args.from > args.to) return refusal(kInvalidDates);
    SilentProgress progress;
    auto range = RunsOfRange(db, args.from, args.to, progress);
    if (!range) return range.error();
    ChartTable made = table(*range);
    grids.run = std::move(made.grid);
    grids.note = std::move(made.note);
    grids.days = std::move(made.days);
    return success();
}

ChartTable topAssets(const RangeRuns& range) {
    return std::move(TopLosses(range).assets);
}

ChartTable topFailures(const RangeRuns& range) {
    return std::move(TopLosses(range).failures);
}

// The workbook of a chart's table, as the analysis window's Ctrl+E names it.
template <ChartKind kind> std::string chartTitle(const Arguments&) {
    return chartCaption(kind).toStdString();
}

// Every report nax-report knows; a new report is one more entry.
const std::vector<ReportEntry> kReports = {
    {.name = kDowntimeListReport,
     .run = [](const Arguments& args, DbConnection& db, ReportGrids& grids) -> Result<void> {
         const DowntimeRange range{args.from, args.to, args.minorStops, args.unclassified};
         if (!isValidRange(range)) return refusal(kInvalidDates);
         return ListDowntime(db, grids.run, range, kListWidthTwips);
     },
     .workbookTitle = [](const Arguments&) { return std::string("Downtime Entry"); }},
    {.name = "run-summary",
     .run = runProductionReport<kRunSummaryOption>,
     .workbookTitle = productionReportTitle<kRunSummaryOption>},
    {.name = "production",
     .run = runProductionReport<kProductionOption>,
     .workbookTitle = productionReportTitle<kProductionOption>},
    {.name = "downtime",
     .run = runProductionReport<kDowntimeOption>,
     .workbookTitle = productionReportTitle<kDowntimeOption>},
    {.name = "dms-daily",
     .run =
         [](const Arguments& args, DbConnection& db, ReportGrids& grids) {
             SilentProgress progress;
             return DailyDMSReport(db, grids.run, grids.detail, args.from, args.to, progress);
         },
     .hasDetailGrid = true,
     .workbookTemplate = kDailyTemplate},
    {.name = "dms-shift",
     .run =
         [](const Arguments& args, DbConnection& db, ReportGrids& grids) {
             NoEventPump pump;
             return ShiftDMSReport(db, pump, grids.run, grids.detail, args.from, args.to);
         },
     .hasDetailGrid = true,
     .workbookTemplate = kHourTemplate},
    {.name = "loss-pareto",
     .run = chartReport<LossPareto>,
     .chart = ChartKind::LossPareto,
     .workbookTitle = chartTitle<ChartKind::LossPareto>},
    {.name = "asset-pareto",
     .run = chartReport<topAssets>,
     .chart = ChartKind::TopAssets,
     .workbookTitle = chartTitle<ChartKind::TopAssets>},
    {.name = "failure-pareto",
     .run = chartReport<topFailures>,
     .chart = ChartKind::TopFailures,
     .workbookTitle = chartTitle<ChartKind::TopFailures>},
    {.name = "me-trend",
     .run = chartReport<EfficiencyByDay>,
     .chart = ChartKind::EfficiencyByDay,
     .workbookTitle = chartTitle<ChartKind::EfficiencyByDay>},
    {.name = "classification",
     .run = chartReport<Classification>,
     .chart = ChartKind::Classification,
     .workbookTitle = chartTitle<ChartKind::Classification>},
};

const ReportEntry* findReport(const std::string& name) {
    for (const auto& entry : kReports)
        if (name == entry.name) return &entry;
    return nullptr;
}

std::string usageText() {
    std::string names;
    for (const auto& entry : kReports)
        names += (names.empty() ? "" : ", ") + std::string(entry.name);
    return "usage: nax-report REPORT [--db FILE | --data-dir DIR] --from \"YYYY-MM-DD HH:MM[:SS]\"\n"
           "                  --to \"YYYY-MM-DD HH:MM[:SS]\" [--grid run|detail] [--minor-stops] "
           "[--unclassified]\n"
           "                  [--now \"YYYY-MM-DD HH:MM[:SS]\"] [--format tsv|csv|png|xlsx] [--out FILE]\n"
           "       nax-report -h|--help|--version\n"
           "REPORT: " +
           names + "\n";
}

int usage(const std::string& problem) {
    std::cerr << "nax-report: " << problem << "\n" << usageText();
    return kBadArguments;
}

std::string databasePath(const Arguments& args) {
    return resolveDatabase(args.db, args.dataDir);
}

// Checks everything that can be checked without the database.
std::optional<std::string> parse(int argc, char** argv, Arguments& args) {
    if (argc < 2) return "no report named";
    args.report = argv[1];
    const ReportEntry* entry = findReport(args.report);
    if (!entry) return "unknown report: " + args.report;
    std::optional<double> from, to;
    std::set<std::string> given;
    for (int i = 2; i < argc; ++i) {
        const std::string flag = argv[i];
        if (!given.insert(flag).second) return flag + " is given more than once";
        if (flag == "--minor-stops" || flag == "--unclassified") {
            if (args.report != kDowntimeListReport) return flag + " applies to downtime-list only";
            (flag == "--minor-stops" ? args.minorStops : args.unclassified) = true;
            continue;
        }
        if (i + 1 >= argc) return flag + " needs a value";
        const std::string value = argv[++i];
        if (flag == "--from" || flag == "--to" || flag == "--now") {
            const auto date = parseDateArgument(value);
            if (!date) return "bad " + flag + " date: " + value;
            (flag == "--from" ? from : flag == "--to" ? to : args.now) = date;
        } else if (flag == "--db")
            args.db = value;
        else if (flag == "--data-dir")
            args.dataDir = value;
        else if (flag == "--out")
            args.out = value;
        else if (flag == "--grid" && !entry->hasDetailGrid)
            return args.report + " has no detail grid: --grid applies to the DMS reports only";
        else if (flag == "--grid" && (value == "run" || value == "detail"))
            args.detailGrid = value == "detail";
        else if (flag == "--format" && (value == "tsv" || value == "csv"))
            args.format = value == "tsv" ? GridFormat::Tsv : GridFormat::Csv;
        else if (flag == "--format" && value == "png")
            args.png = true;
        else if (flag == "--format" && value == "xlsx")
            args.workbook = true;
        else
            return "unknown option or value: " + flag + " " + value;
    }
    if (!from || !to) return "--from and --to are required";
    args.from = *from;
    args.to = *to;
    if (args.db && args.dataDir) return "give --db or --data-dir, not both";
    if (args.out && args.out->empty()) return "--out needs a file name";
    if (args.png && !entry->chart) return args.report + " draws no chart";
    if (args.png && !args.out) return "--format png needs --out";
    if (args.workbook && !entry->workbookTitle && entry->workbookTemplate.empty())
        return args.report + " writes no workbook";
    if (args.workbook && !args.out) return "--format xlsx needs --out";
    if (args.workbook && given.count("--grid")) return "--grid does not apply to --format xlsx";
    if (args.out && namesDatabaseFile(*args.out, databasePath(args)))
        return "--out names the database file " + databasePath(args) + " or one of its companions";
    return std::nullopt;
}

int fail(const Error& error) {
    std::cerr << (error.refusal ? error.message : describeError(error)) << "\n";
    return error.refusal ? kRefused : kFailed;
}

// Draws the chart without a display, whatever platform the environment names.
int drawChart(ChartKind kind, ReportGrids& grids, const std::string& out) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "nax-report";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    if (auto written = writeChartPng(
            kind, ChartTable{std::move(grids.run), std::move(grids.note), std::move(grids.days)}, kChartSize,
            out);
        !written)
        return fail(written.error());
    return kDone;
}

// The workbook the report's window would hand over, written to --out.
Result<std::filesystem::path> writeWorkbook(const Arguments& args, const ReportEntry& entry,
                                            const ReportGrids& grids, double now) {
    SilentProgress progress;
    const ExportPlace place{resolveDataFolder(args.dataDir), now, std::filesystem::path(*args.out)};
    if (entry.workbookTemplate.empty()) {
        // The downtime list's and the charts' titles do not name their range (the charts' are their
        // captions, as the analysis window's Ctrl+E gives them); the reports' titles do.
        const std::string title = entry.workbookTitle(args);
        const bool titleNamesRange = args.report != "downtime-list" && !entry.chart;
        return ExportToExcel(grids.run, title, place, progress,
                             titleNamesRange ? std::string() : rangeText(args.from, args.to));
    }
    // A data folder without templates gets the default ones, as the desktop program gives them.
    static_cast<void>(
        installDefaultTemplates(place.dataFolder, installedTemplateFolder(runningProgram(nullptr))));
    return ExportToExcelDMS(grids.run, entry.workbookTemplate, grids.detail, place, progress,
                            rangeText(args.from, args.to));
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "-h" || argument == "--help") {
            std::cout << usageText();
            return kDone;
        }
        if (argument == "--version") {
            std::cout << "nax-report " NAX_VERSION "\n";
            return kDone;
        }
    }
    Arguments args;
    if (auto problem = parse(argc, argv, args)) return usage(*problem);
    const std::string path = databasePath(args);
    auto opened = openPlantConnection(path, OpenOptions{10000, true});
    if (!opened) {
        std::cerr << cannotOpenText(path, opened.error()) << "\n";
        return kFailed;
    }
    if (args.now) {
        const double now = *args.now;
        opened.value()->setClock([now] { return now; });
    }
    ReportGrids grids;
    if (auto result = findReport(args.report)->run(args, *opened.value(), grids); !result)
        return fail(result.error());
    if (!grids.note.empty()) std::cerr << grids.note << "\n";
    if (args.png) return drawChart(*findReport(args.report)->chart, grids, *args.out);
    if (args.workbook) {
        const auto written = writeWorkbook(args, *findReport(args.report), grids, opened.value()->now());
        if (written) return kDone;
        std::cerr << written.error().message << "\n";
        return kFailed;
    }
    const ReportGrid& grid = args.detailGrid ? grids.detail : grids.run;
    const auto write = [&](std::ostream& out) { writeGrid(out, grid, args.format); };
    if (auto written = args.out ? writeFileReplacing(*args.out, write) : writeStandardOutput(write); !written)
        return fail(written.error());
    if (!args.out && std::fclose(stdout) != 0) return fail(Error{0, "Cannot close the standard output"});
    return kDone;
}
