// The analysis chart tables against figures worked out by hand on a small plant.
#include "AnalysisFixture.h"
#include "analysis/EfficiencyByDay.h"
#include "analysis/LossPareto.h"
#include "analysis/TopLosses.h"
#include "support/NaxReportProcess.h"
#include "text/ProgressText.h"

#include <QFile>

#include <gtest/gtest.h>

namespace nax {
namespace {

class ChartTables : public test::AnalysisPlant {
protected:
    ReportGrid runs() {
        SilentProgress progress;
        auto grid = RunsOfRange(*db, kFrom, kTo, progress);
        EXPECT_TRUE(grid) << (grid ? "" : grid.error().message);
        return grid ? *grid : ReportGrid{};
    }
};

TEST_F(ChartTables, LossParetoFallsFromSpeedLossAndAddsUpToTheLostTime) {
    plant();
    auto table = LossPareto(runs());
    ASSERT_TRUE(table);
    // Lost 180 + 40 + 20 = 240 minutes; Speed Loss 100 + 20 + 15. The two empty categories keep
    // the run grid's order.
    EXPECT_EQ(test::rowsOf(table->grid), "Loss Category|Minutes Lost|Share %|Cumulative %\n"
                                         "Speed Loss|135|56.25|56.25\n"
                                         "Planned Loss|50|20.83|77.08\n"
                                         "Lack of Sales|30|12.5|89.58\n"
                                         "Equipment Loss|20|8.33|97.92\n"
                                         "QA Loss|5|2.08|100\n"
                                         "Operational Loss|0|0|100\n"
                                         "Minor Stoppage|0|0|100\n");
    EXPECT_EQ(table->note, "");
}

// Dec 5 sums its two runs' minutes: 500 / (720 - 80) is 78.125, shown 78.12 (half to even); the
// mean of the runs' ME (75 and 83.33) would be 79.17. Dec 4 comes first although its run is run 3.
TEST_F(ChartTables, MeAndNaxByDayFromTheDaysSummedMinutes) {
    plant();
    auto table = EfficiencyByDay(runs());
    ASSERT_TRUE(table);
    EXPECT_EQ(test::rowsOf(table->grid),
              "Date|Runs|Production Time|Earned Time|Lack of Sales|Planned Loss|ME|NAX\n"
              "04-Dec-26|1|120|100|0|0|83.33|83.33\n"
              "05-Dec-26|2|720|500|30|50|78.12|72.46\n");
    EXPECT_EQ(table->note, "");
}

TEST_F(ChartTables, TopAssetsAndFailuresCountEventsByStartWithTheUnclassifiedBar) {
    plant();
    auto tables = TopLosses(*db, kFrom, kTo);
    ASSERT_TRUE(tables);
    // " filler" of the running run 4 is Filler; the event before the range is not counted.
    EXPECT_EQ(test::rowsOf(tables->assets.grid), "Asset|Minutes Lost|Events\n"
                                                 "Filler|57|3\n"
                                                 "Labeller|50|1\n"
                                                 "(Unclassified)|10|1\n"
                                                 "Capper|5|1\n");
    EXPECT_EQ(test::rowsOf(tables->failures.grid), "Failure|Minutes Lost|Events\n"
                                                   "Changeover|50|1\n"
                                                   "No orders|30|1\n"
                                                   "Jam|27|2\n"
                                                   "(Unclassified)|10|1\n"
                                                   "Cap check|5|1\n");
    EXPECT_EQ(tables->assets.note, "");
}

// Twelve assets: A1 to A9 lose 90 down to 10 minutes; "Tie B" and "Tie A" 5 each, made of
// different pieces so their sums differ in the last bits; "Z" 1. The unclassified row comes on
// top of the ten.
TEST_F(ChartTables, TheTopTenCutsAtATieByName) {
    for (int i = 1; i <= 9; ++i)
        event(1, dec5(i), 100 - 10 * i, quoted("Planned Loss"), quoted("A" + std::to_string(i)), "''");
    event(1, dec5(10), 3, "NULL", quoted("Tie B"), "NULL");
    event(1, dec5(10, 10), 2, "NULL", quoted("Tie B"), "NULL");
    for (int i = 0; i < 5; ++i)
        event(1, dec5(11, i), 1, "NULL", quoted("Tie A"), "NULL");
    event(1, dec5(12), 1, "NULL", quoted("Z"), "NULL");
    event(1, dec5(13), 4, "NULL", quoted("  "), "NULL");
    auto tables = TopLosses(*db, kFrom, kTo);
    ASSERT_TRUE(tables);
    const auto& assets = tables->assets.grid;
    ASSERT_EQ(assets.rows(), 12);
    EXPECT_EQ(test::joined(assets, 9), "A9|10|1");
    EXPECT_EQ(test::joined(assets, 10), "Tie A|5|5");
    EXPECT_EQ(test::joined(assets, 11), "(Unclassified)|4|1");
    // An empty failure is unclassified too.
    EXPECT_EQ(test::joined(tables->failures.grid, 1), "(Unclassified)|465|18");
}

TEST_F(ChartTables, ARangeWithoutRunsGivesHeadersAndANote) {
    addRun(1, dec5(6), 0, "100", "24"); // still running
    auto pareto = LossPareto(runs());
    ASSERT_TRUE(pareto);
    EXPECT_EQ(test::rowsOf(pareto->grid), "Loss Category|Minutes Lost|Share %|Cumulative %\n");
    EXPECT_EQ(pareto->note, kNoRunsNote);
    auto byDay = EfficiencyByDay(runs());
    ASSERT_TRUE(byDay);
    EXPECT_EQ(byDay->grid.rows(), 1);
    EXPECT_EQ(byDay->note, kNoRunsNote);
    auto tables = TopLosses(*db, kFrom, kTo);
    ASSERT_TRUE(tables);
    EXPECT_EQ(test::rowsOf(tables->failures.grid), "Failure|Minutes Lost|Events\n");
    EXPECT_EQ(tables->failures.note, kNoEventsNote);
}

// A run with USpeed 0 has no Earned, Lost or Speed Loss figure: its categories still count, its
// Speed Loss is left out and said so rather than taken as 0.
TEST_F(ChartTables, ARunWithoutFiguresIsLeftOutOfSpeedLossWithANote) {
    addRun(1, dec5(6), dec5(7), "0", "24");
    event(1, dec5(6, 10), 8, quoted("Equipment Loss"), quoted("Filler"), quoted("Jam"));
    addRun(2, dec5(8), dec5(9), "100", "24");
    addProduction(2, dec5(8), 50, 100);
    auto table = LossPareto(runs());
    ASSERT_TRUE(table);
    EXPECT_EQ(test::joined(table->grid, 1), "Speed Loss|10|55.56|55.56");
    EXPECT_EQ(test::joined(table->grid, 2), "Equipment Loss|8|44.44|100");
    EXPECT_EQ(table->note, "Left out 1 run whose loss figures could not be computed.");
    auto byDay = EfficiencyByDay(runs());
    ASSERT_TRUE(byDay);
    EXPECT_EQ(test::joined(byDay->grid, 1), "05-Dec-26|1|60|50|0|0|83.33|83.33");
    EXPECT_EQ(byDay->grid.rows(), 2);
    EXPECT_EQ(byDay->note, "Left out 1 run whose figures could not be computed.");
}

TEST_F(ChartTables, ARunGridWithoutItsColumnsIsAnError) {
    ReportGrid grid;
    setHeaderRow(grid, {"Run No", "Lack of Sales"});
    auto table = LossPareto(grid);
    ASSERT_FALSE(table);
    EXPECT_EQ(table.error().message, "The run grid has no column \"Equipment Loss\".");
}

// Width and height from a PNG file's header; {0, 0} when it is no PNG.
std::pair<int, int> pngSize(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {0, 0};
    const QByteArray head = file.read(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n") || head.mid(12, 4) != "IHDR") return {0, 0};
    const auto be32 = [&](int at) {
        int value = 0;
        for (int i = 0; i < 4; ++i)
            value = value * 256 + static_cast<unsigned char>(head[at + i]);
        return value;
    };
    return {be32(16), be32(20)};
}

TEST_F(ChartTables, NaxReportPrintsTheTablesAndDrawsThemAsPng) {
    plant();
    const QString db = QString::fromStdString(dir.file("db1.sqlite"));
    const QString range = QStringLiteral("|--db|$db|--from|2026-12-04 00:00|--to|2026-12-06 00:00");
    auto run =
        test::runNaxReport(QStringLiteral("asset-pareto") + range + QStringLiteral("|--format|csv"), db);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.toStdString(), "Asset,Minutes Lost,Events\r\nFiller,57,3\r\nLabeller,50,1\r\n"
                                     "(Unclassified),10,1\r\nCapper,5,1\r\n");
    run = test::runNaxReport(QStringLiteral("loss-pareto") + range, db);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("Loss Category\tMinutes Lost\tShare %\tCumulative %\n"
                                                  "Speed Loss\t135\t56.25\t56.25\n")));

    run = test::runNaxReport(QStringLiteral("me-trend") + range, db);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith(QStringLiteral("05-Dec-26\t2\t720\t500\t30\t50\t78.12\t72.46\n")));

    const QString png = QString::fromStdString(dir.file("failures.png"));
    run = test::runNaxReport(QStringLiteral("failure-pareto") + range +
                                 QStringLiteral("|--format|png|--out|") + png,
                             db, [](QProcess& p) { p.setProcessEnvironment(QProcessEnvironment()); });
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(pngSize(png), std::make_pair(1000, 600));

    // A range without runs: the header row, and the note on stderr.
    run = test::runNaxReport(
        QStringLiteral("loss-pareto|--db|$db|--from|2026-12-07 00:00|--to|2026-12-08 00:00"), db);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QStringLiteral("Loss Category\tMinutes Lost\tShare %\tCumulative %\n"));
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(kNoRunsNote.data(), kNoRunsNote.size())));

    // png draws only charts, and only into a file.
    EXPECT_EQ(test::runNaxReport(
                  QStringLiteral("dms-daily") + range + QStringLiteral("|--format|png|--out|") + png, db)
                  .exitCode,
              2);
    EXPECT_EQ(test::runNaxReport(QStringLiteral("loss-pareto") + range + QStringLiteral("|--format|png"), db)
                  .exitCode,
              2);
}

} // namespace
} // namespace nax
