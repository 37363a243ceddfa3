// The analysis chart tables against figures worked out by hand on a small plant.
#include "AnalysisFixture.h"
#include "analysis/AnalysisTables.h"
#include "analysis/Classification.h"
#include "analysis/EfficiencyByDay.h"
#include "analysis/LossPareto.h"
#include "analysis/TopLosses.h"
#include "downtime/Unclassified.h"
#include "simulate/PlantSimulator.h"
#include "support/NaxReportProcess.h"
#include "text/NumberText.h"
#include "text/ProgressText.h"

#include <cmath>

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

namespace nax {
namespace {

class ChartTables : public test::AnalysisPlant {
protected:
    RangeRuns runs(double from = kFrom, double to = kTo) {
        SilentProgress progress;
        auto range = RunsOfRange(*db, from, to, progress);
        EXPECT_TRUE(range) << (range ? "" : range.error().message);
        return range ? *range : RangeRuns{};
    }
};

// Speed Loss 100 + 14 + 15 less the unclassified 10 + 6, which get their own bar; Dec 5's ME is
// 500 / (720 - 80) = 78.125, not the mean of its runs'; Filler's MTBF is (840 - 56) / 3.
TEST_F(ChartTables, ThePlantsTablesMatchTheFiguresWorkedByHand) {
    plant();
    const RangeRuns range = runs();
    const ChartTable pareto = LossPareto(range);
    EXPECT_EQ(test::rowsOf(pareto.grid), "Loss Category|Minutes Lost|Share %|Cumulative %\n"
                                         "Speed Loss|119|49.58|49.58\n"
                                         "Planned Loss|50|20.83|70.42\n"
                                         "Lack of Sales|30|12.5|82.92\n"
                                         "Equipment Loss|20|8.33|91.25\n"
                                         "Unclassified Stops|16|6.67|97.92\n"
                                         "QA Loss|5|2.08|100\n"
                                         "Operational Loss|0|0|100\n"
                                         "Minor Stoppage|0|0|100\n");
    EXPECT_EQ(pareto.note, "");
    const ChartTable byDay = EfficiencyByDay(range);
    EXPECT_EQ(test::rowsOf(byDay.grid),
              "Date|Runs|Production Time|Earned Time|Lack of Sales|Planned Loss|ME|NAX\n"
              "04-Dec-26|1|120|100|0|0|83.33|83.33\n"
              "05-Dec-26|2|720|500|30|50|78.12|72.46\n");
    EXPECT_EQ(byDay.days, (std::vector<double>{kFrom, kFrom + 1}));
    EXPECT_EQ(test::rowsOf(Classification(range).grid),
              "Date|Events|Unclassified Events|Minutes|Unclassified Minutes|Classified %\n"
              "04-Dec-26|1|0|5|0|100\n"
              "05-Dec-26|5|2|116|16|86.21\n");
    EXPECT_EQ(countsLine(range), "3 runs, 6 events, 2 unclassified");
    const auto tables = TopLosses(range);
    EXPECT_EQ(test::rowsOf(tables.assets.grid), "Asset|Minutes Lost|Events|MTTR (min)|MTBF (min)\n"
                                                "Filler|56|3|18.67|261.33\n"
                                                "Labeller|50|1|50|790\n"
                                                "(Unclassified)|10|1|10|830\n"
                                                "Capper|5|1|5|835\n");
    EXPECT_EQ(test::rowsOf(tables.failures.grid), "Failure|Minutes Lost|Events|MTTR (min)|MTBF (min)\n"
                                                  "Changeover|50|1|50|790\n"
                                                  "No orders|30|1|30|810\n"
                                                  "Jam|26|2|13|407\n"
                                                  "(Unclassified)|10|1|10|830\n"
                                                  "Cap check|5|1|5|835\n");
    EXPECT_EQ(tables.assets.note, "");
}

// "Tie B" and "Tie A" lose 5 each, summed from pieces that differ in the last bits.
TEST_F(ChartTables, TheTopTenCutsAtATieByName) {
    addRun(1, dec5(0), dec5(23), "100", "24");
    for (int i = 1; i <= 9; ++i)
        event(1, dec5(i), 100 - 10 * i, quoted("Planned Loss"), quoted("A" + std::to_string(i)), "''");
    event(1, dec5(10), 3, "NULL", quoted("Tie B"), "NULL");
    event(1, dec5(10, 10), 2, "NULL", quoted("Tie B"), "NULL");
    for (int i = 0; i < 5; ++i)
        event(1, dec5(11, i), 1, "NULL", quoted("Tie A"), "NULL");
    event(1, dec5(12), 1, "NULL", quoted("Z"), "NULL");
    event(1, dec5(13), 4, "NULL", quoted("  "), "NULL");
    const auto tables = TopLosses(runs());
    const auto& assets = tables.assets.grid;
    ASSERT_EQ(assets.rows(), 12);
    EXPECT_EQ(test::joined(assets, 9), "A9|10|1|10|1370");
    EXPECT_EQ(test::joined(assets, 10), "Tie A|5|5|1|275");
    EXPECT_EQ(test::joined(assets, 11), "(Unclassified)|4|1|4|1376");
    // An empty failure is unclassified too.
    EXPECT_EQ(test::joined(tables.failures.grid, 1), "(Unclassified)|465|18|25.83|50.83");
}

TEST_F(ChartTables, ARangeWithoutRunsGivesHeadersAndANote) {
    addRun(1, dec5(6), 0, "100", "24"); // still running
    event(1, dec5(7), 5, "NULL", "NULL", "NULL");
    const RangeRuns range = runs();
    const ChartTable pareto = LossPareto(range);
    EXPECT_EQ(test::rowsOf(pareto.grid), "Loss Category|Minutes Lost|Share %|Cumulative %\n");
    EXPECT_EQ(pareto.note, kNoRunsNote);
    for (const ChartTable& byDay : {EfficiencyByDay(range), Classification(range)}) {
        EXPECT_EQ(byDay.grid.rows(), 1);
        EXPECT_EQ(byDay.note, kNoRunsNote);
    }
    const auto tables = TopLosses(range);
    EXPECT_EQ(test::rowsOf(tables.failures.grid), "Failure|Minutes Lost|Events|MTTR (min)|MTBF (min)\n");
    EXPECT_EQ(tables.failures.note, kNoEventsNote);
    EXPECT_EQ(countsLine(range), "0 runs, 0 events, 0 unclassified");
}

// A run with USpeed 0: its stops count, its Speed Loss is left out with a note, not taken as 0.
TEST_F(ChartTables, ARunWithoutFiguresIsLeftOutOfSpeedLossWithANote) {
    addRun(1, dec5(6), dec5(7), "0", "24");
    event(1, dec5(6, 10), 8, quoted("Equipment Loss"), quoted("Filler"), quoted("Jam"));
    event(1, dec5(6, 30), 3, "NULL", quoted("Filler"), quoted("Jam"));
    addRun(2, dec5(8), dec5(9), "100", "24");
    addProduction(2, dec5(8), 50, 100);
    const ChartTable table = LossPareto(runs());
    EXPECT_EQ(test::joined(table.grid, 1), "Speed Loss|10|47.62|47.62");
    EXPECT_EQ(test::joined(table.grid, 2), "Equipment Loss|8|38.1|85.71");
    EXPECT_EQ(test::joined(table.grid, 3), "Unclassified Stops|3|14.29|100");
    EXPECT_EQ(table.note, "Left out 1 run whose loss figures could not be computed.");
    const ChartTable byDay = EfficiencyByDay(runs());
    EXPECT_EQ(test::joined(byDay.grid, 1), "05-Dec-26|1|60|50|0|0|83.33|83.33");
    EXPECT_EQ(byDay.grid.rows(), 2);
    EXPECT_EQ(byDay.note, "Left out 1 run whose figures could not be computed.");
}

// Minutes of a text cell in hundredths; -1 for an empty or unreadable one.
long long cents(std::string_view text) {
    const auto value = parseNumber(text);
    return value ? std::llround(*value * 100) : -1;
}

// The bars add up to the daily report's six categories plus Speed Loss on simulated plants.
TEST_F(ChartTables, TheBarsAddUpToTheDailyReportOnSimulatedPlants) {
    for (const unsigned seed : {2u, 5u, 9u}) {
        SCOPED_TRACE(seed);
        SimulationOptions options;
        options.outPath = dir.file("sim" + std::to_string(seed) + ".sqlite");
        options.days = 4;
        options.endSerial = kTo;
        options.seed = seed;
        ASSERT_TRUE(simulatePlant(options));
        auto opened = DbConnection::open(options.outPath, OpenOptions{1000, false});
        ASSERT_TRUE(opened);
        DbConnection& sim = **opened;
        test::exec(sim,
                   "update TimeLost set Loss_Structure = substr('   ', 1, Dt_ID % 3) where Dt_ID % 4 = 0 "
                   "and Loss_Structure is null");
        const double from = kTo - 3.5, to = kTo;
        ReportGrid daily, detail;
        SilentProgress progress;
        ASSERT_TRUE(DailyDMSReport(sim, daily, detail, from, to, progress));
        ASSERT_GT(daily.rows(), 5);
        long long expected = 0;
        for (int r = 1; r < daily.rows(); ++r)
            for (int c = 9; c <= 15; ++c) // the six categories and Speed Loss
                expected += cents(daily.cell(r, c));
        auto range = RunsOfRange(sim, from, to, progress);
        ASSERT_TRUE(range);
        const ChartTable pareto = LossPareto(*range);
        ASSERT_EQ(pareto.grid.rows(), 9);
        long long bars = 0, unclassified = -1;
        for (int r = 1; r < pareto.grid.rows(); ++r) {
            bars += cents(pareto.grid.cell(r, 1));
            if (pareto.grid.cell(r, 0) == kUnclassifiedStops) unclassified = cents(pareto.grid.cell(r, 1));
        }
        EXPECT_EQ(bars, expected);
        const std::string ofRuns = " from TimeLost where Run_no in (select Run_ID from Run_master where "
                                   "Start_Time >= " +
                                   lit(from) + " and End_Time > 0 and End_Time <= " + lit(to) + ")";
        const std::string unclassifiedRows = ofRuns + " and " + unclassifiedCondition();
        EXPECT_NEAR(unclassified / 100.0,
                    std::stod(test::scalar(sim, "select sum(Time_Lost) * 1440" + unclassifiedRows)),
                    0.01 * daily.rows());
        EXPECT_GT(unclassified, 0);
        EXPECT_EQ(countsLine(*range), std::to_string(daily.rows() - 1) + " runs, " +
                                          test::scalar(sim, "select count(*)" + ofRuns) + " events, " +
                                          test::scalar(sim, "select count(*)" + unclassifiedRows) +
                                          " unclassified");
    }
}

// Width and height from a PNG file's header; {0, 0} when it is no PNG.
std::pair<int, int> pngSize(const QString& path) {
    QFile file(path);
    const QByteArray head = file.open(QIODevice::ReadOnly) ? file.read(24) : QByteArray();
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n") || head.mid(12, 4) != "IHDR") return {0, 0};
    return {qFromBigEndian<qint32>(head.constData() + 16), qFromBigEndian<qint32>(head.constData() + 20)};
}

TEST_F(ChartTables, NaxReportPrintsTheTablesAndDrawsThemAsPng) {
    plant();
    const QString db = QString::fromStdString(dir.file("db1.sqlite"));
    const std::string range = "|--db|$db|--from|2026-12-04 00:00|--to|2026-12-06 00:00";
    const std::string workbook = dir.file("classification.xlsx");
    // Arguments, exit status, the end of stdout and a part of stderr.
    const std::tuple<std::string, int, std::string, std::string> runs[] = {
        {"asset-pareto" + range + "|--format|csv", 0, "\r\nCapper,5,1,5,835\r\n", ""},
        {"me-trend" + range, 0, "\n05-Dec-26\t2\t720\t500\t30\t50\t78.12\t72.46\n", ""},
        {"classification" + range, 0, "\n04-Dec-26\t1\t0\t5\t0\t100\n05-Dec-26\t5\t2\t116\t16\t86.21\n", ""},
        {"classification" + range + "|--format|xlsx|--out|" + workbook, 0, "", ""},
        {"loss-pareto|--db|$db|--from|2026-12-07 00:00|--to|2026-12-08 00:00", 0,
         "Loss Category\tMinutes Lost\tShare %\tCumulative %\n", std::string(kNoRunsNote)},
        {"classification|--db|$db|--from|2026-12-08 00:00|--to|2026-12-07 00:00", 3, "",
         "Invalid Dates Selected\n"},
        {"dms-daily" + range + "|--format|png|--out|" + dir.file("daily.png"), 2, "", "png"},
        {"loss-pareto" + range + "|--format|png", 2, "", "--out"}};
    for (const auto& [args, exitCode, out, err] : runs) {
        const auto run = test::runNaxReport(QString::fromStdString(args), db);
        EXPECT_EQ(run.exitCode, exitCode) << args << "\n" << run.err.toStdString();
        const QString ending = QString::fromStdString(out);
        EXPECT_EQ(run.out.right(ending.size()), ending) << args;
        EXPECT_TRUE(run.err.contains(QString::fromStdString(err))) << args;
    }
    EXPECT_TRUE(QFile::exists(QString::fromStdString(workbook)));

    // Each chart draws as a PNG, also where no display is set.
    for (const std::string report : {"failure-pareto", "classification"}) {
        const QString png = QString::fromStdString(dir.file(report + ".png"));
        const auto run =
            test::runNaxReport(QString::fromStdString(report + range + "|--format|png|--out|") + png, db,
                               [](QProcess& p) { p.setProcessEnvironment(QProcessEnvironment()); });
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(pngSize(png), std::make_pair(1000, 600)) << report;
    }
}

} // namespace
} // namespace nax
