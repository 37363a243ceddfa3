// The analysis tables over a range beside the daily DMS report of the same range, on one database:
// bench_analysis DB START_SERIAL END_SERIAL.
#include "analysis/AnalysisTables.h"
#include "analysis/EfficiencyByDay.h"
#include "analysis/LossPareto.h"
#include "analysis/TopLosses.h"
#include "dms/DailyDms.h"
#include "text/ProgressText.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

using namespace nax;

namespace {

double seconds(const std::function<bool()>& work) {
    const auto start = std::chrono::steady_clock::now();
    if (!work()) {
        std::fprintf(stderr, "bench_analysis: the work failed\n");
        std::exit(1);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_analysis DB START_SERIAL END_SERIAL\n");
        return 2;
    }
    auto db = DbConnection::open(argv[1], OpenOptions{10000, true});
    if (!db) {
        std::fprintf(stderr, "bench_analysis: cannot open %s\n", argv[1]);
        return 1;
    }
    const double start = std::atof(argv[2]), end = std::atof(argv[3]);
    DbConnection& connection = *db.value();
    int runs = 0;
    const double daily = seconds([&] {
        ReportGrid runGrid, detailGrid;
        SilentProgress progress;
        const bool ok = bool(DailyDMSReport(connection, runGrid, detailGrid, start, end, progress));
        runs = runGrid.rows() - 1;
        return ok;
    });
    ReportGrid runGrid;
    const double fromDms = seconds([&] {
        SilentProgress progress;
        auto grid = RunsOfRange(connection, start, end, progress);
        if (grid) runGrid = std::move(*grid);
        return bool(grid);
    });
    const double pareto = seconds([&] { return bool(LossPareto(runGrid)); });
    const double byDay = seconds([&] { return bool(EfficiencyByDay(runGrid)); });
    const double tops = seconds([&] { return bool(TopLosses(connection, start, end)); });
    const double all = seconds([&] {
        SilentProgress progress;
        return bool(AnalysisReport(connection, start, end, progress));
    });
    std::printf(
        "analysis %-8s runs %5d  dms-daily %7.3f s  | run grid %7.3f s, loss pareto %.3f s, ME/NAX by day "
        "%.3f s, top assets+failures %.3f s | all tables %7.3f s = %.2f x dms-daily\n",
        std::filesystem::path(argv[1]).stem().c_str(), runs, daily, fromDms, pareto, byDay, tops, all,
        daily > 0 ? all / daily : 0.0);
    return 0;
}
