// nax-report: the reports without windows, for scripts and scheduled jobs.
#include "dms/DailyDms.h"
#include "dms/ShiftDms.h"
#include "downtime/DowntimeList.h"
#include "shell/CommandLine.h"
#include "shell/DataFolder.h"
#include "shell/DbConnection.h"
#include "shell/EventPump.h"
#include "shell/Progress.h"
#include "shell/QueryHelpers.h"

#include <fstream>
#include <iostream>
#include <map>
#include <optional>

using namespace nax;

namespace {

constexpr int kDone = 0, kFailed = 1, kBadArguments = 2, kRefused = 3;
constexpr int kListWidthTwips = 11250; // the downtime grid's width in its window

struct Arguments {
    std::string report;
    std::optional<std::string> db, dataDir, out;
    double from = 0, to = 0;
    std::optional<double> now;
    bool detailGrid = false, minorStops = false;
    GridFormat format = GridFormat::Tsv;
};

int usage(const std::string& problem) {
    std::cerr << "nax-report: " << problem << "\n"
              << "usage: nax-report REPORT [--db FILE | --data-dir DIR] --from \"YYYY-MM-DD HH:MM[:SS]\"\n"
                 "                  --to \"YYYY-MM-DD HH:MM[:SS]\" [--grid run|detail] [--minor-stops]\n"
                 "                  [--now \"YYYY-MM-DD HH:MM[:SS]\"] [--format tsv|csv] [--out FILE]\n"
                 "REPORT: downtime-list, dms-daily, dms-shift\n";
    return kBadArguments;
}

std::optional<std::string> parse(int argc, char** argv, Arguments& args) {
    if (argc < 2) return "no report named";
    args.report = argv[1];
    std::optional<double> from, to;
    for (int i = 2; i < argc; ++i) {
        const std::string flag = argv[i];
        if (flag == "--minor-stops") {
            args.minorStops = true;
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
        else if (flag == "--grid" && (value == "run" || value == "detail"))
            args.detailGrid = value == "detail";
        else if (flag == "--format" && (value == "tsv" || value == "csv"))
            args.format = value == "tsv" ? GridFormat::Tsv : GridFormat::Csv;
        else
            return "unknown option or value: " + flag + " " + value;
    }
    if (!from || !to) return "--from and --to are required";
    args.from = *from;
    args.to = *to;
    if (args.db && args.dataDir) return "give --db or --data-dir, not both";
    return std::nullopt;
}

// Runs the named report into the grid; nullopt when no such report exists.
std::optional<Result<void>> runReport(const Arguments& args, DbConnection& db, ReportGrid& grid) {
    ReportGrid runGrid, detailGrid;
    std::optional<Result<void>> result;
    if (args.report == "downtime-list") {
        const DowntimeRange range{args.from, args.to, args.minorStops};
        if (!isValidRange(range)) return Result<void>(refusal(kInvalidDates));
        result = ListDowntime(db, runGrid, range, kListWidthTwips);
    } else if (args.report == "dms-daily") {
        SilentProgress progress;
        result = DailyDMSReport(db, runGrid, detailGrid, args.from, args.to, progress);
    } else if (args.report == "dms-shift") {
        NoEventPump pump;
        result = ShiftDMSReport(db, pump, runGrid, detailGrid, args.from, args.to);
    } else {
        return std::nullopt;
    }
    grid = args.detailGrid && args.report != "downtime-list" ? std::move(detailGrid) : std::move(runGrid);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (auto problem = parse(argc, argv, args)) return usage(*problem);
    const std::string path = args.db ? *args.db : databaseFile(resolveDataFolder(args.dataDir)).string();
    auto opened = DbConnection::open(path, OpenOptions{10000, true});
    if (!opened) {
        std::cerr << "Cannot open the database " << path << ": " << describeError(opened.error()) << "\n";
        return kFailed;
    }
    if (args.now) {
        const double now = *args.now;
        opened.value()->setClock([now] { return now; });
    }
    ReportGrid grid;
    auto result = runReport(args, *opened.value(), grid);
    if (!result) return usage("unknown report: " + args.report);
    if (!*result) {
        const Error& error = result->error();
        std::cerr << (error.refusal ? error.message : describeError(error)) << "\n";
        return error.refusal ? kRefused : kFailed;
    }
    if (args.out) {
        std::ofstream file(*args.out, std::ios::binary);
        writeGrid(file, grid, args.format);
        if (!file) {
            std::cerr << "Cannot write " << *args.out << "\n";
            return kFailed;
        }
    } else {
        writeGrid(std::cout, grid, args.format);
    }
    return kDone;
}
