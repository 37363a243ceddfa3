// The downtime list on a small database: filter, order, cell texts, keys, and nax-report.
#include "downtime/DowntimeList.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

using namespace nax;
using nax::test::exec;

namespace {

constexpr double kDay = 46361.0; // 05-Dec-26

class DowntimeListTest : public ::testing::Test {
protected:
    void SetUp() override {
        exec(*db, "insert into Tag_Master values (1,'Filler'),(2,'Packer')");
        // id, tag, start (hours into the day), minutes, loss structure
        event(3, 1, 7.5, 12.3333333333333 / 60, "'Minor Stoppage'");
        event(1, 1, 7.0, 10.0 / 60, "NULL");
        event(2, 2, 7.25, 0.125 / 60, "'Equipment Loss'");
        event(4, 1, 5.0, 1.0 / 60, "NULL");   // before the range
        event(5, 3, 7.1, 1.0 / 60, "NULL");   // tag without a master row: left out by the join
        exec(*db, "insert into TimeLost(Dt_ID, Tag_ID, Run_no, DT_Start, DT_End, Time_Lost) values "
                  "(6, 1, 9, 46361.3125, 46361.3125, NULL)");
    }
    void event(int id, int tag, double startHour, double hours, const char* loss) {
        const double start = kDay + startHour / 24, end = start + hours / 24;
        exec(*db, "insert into TimeLost(Dt_ID, Tag_ID, Run_no, Shift, Pack, Flavor, DT_Start, DT_End, Time_Lost, "
                  "Loss_Structure, Remarks) values (" +
                      std::to_string(id) + "," + std::to_string(tag) + ",9,'B','300ML','Cola'," +
                      num(start) + "," + num(end) + "," + num(hours / 24) + "," +
                      loss + ",'r" + std::to_string(id) + "')");
    }
    static std::string num(double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.17g", value);
        return text;
    }
    ReportGrid list(bool minorStops) {
        ReportGrid grid;
        auto done = ListDowntime(*db, grid, {kDay + 6.0 / 24, kDay + 8.0 / 24, minorStops}, 11250);
        EXPECT_TRUE(done) << done.error().message;
        return grid;
    }
    test::ScratchDir dir;
    std::unique_ptr<DbConnection> db = test::makePlantDatabase(dir.file("db1.sqlite"));
};

TEST_F(DowntimeListTest, MinorStopsHiddenUnlessAskedNullLossStructureShown) {
    const ReportGrid hidden = list(false);
    ASSERT_EQ(hidden.rows(), 4);
    EXPECT_EQ(hidden.rowKey(1), 1);
    EXPECT_EQ(hidden.rowKey(2), 2);
    EXPECT_EQ(hidden.rowKey(3), 6);
    const ReportGrid all = list(true);
    ASSERT_EQ(all.rows(), 5);
    EXPECT_EQ(all.rowKey(3), 3);
}

TEST_F(DowntimeListTest, CellsHeadersAndWidths) {
    const ReportGrid grid = list(true);
    ASSERT_EQ(grid.cols(), kDowntimeColumns);
    EXPECT_EQ(grid.cell(0, 7), "Time Lost (mins)");
    EXPECT_EQ(grid.cell(0, 12), "Operator");
    EXPECT_EQ(grid.cell(1, 0), "Filler");
    EXPECT_EQ(grid.cell(1, 5), "05-Dec-26 07:00:00");
    EXPECT_EQ(grid.cell(1, 6), "05-Dec-26 07:10:00");
    EXPECT_EQ(grid.cell(1, 7), "10");
    EXPECT_EQ(grid.cell(2, 7), "0.12"); // 0.125 minutes, half to even
    EXPECT_EQ(grid.cell(3, 7), "12.33");
    EXPECT_EQ(grid.cell(4, 7), "");     // no Time_Lost at all
    EXPECT_EQ(grid.cell(1, 10), "");
    EXPECT_EQ(grid.cell(1, 14), "r1");
    EXPECT_EQ(grid.colWidth(0), 562);   // 5 % of 11250, half to even
    EXPECT_EQ(grid.colWidth(5), 1688);
    EXPECT_EQ(grid.colWidth(7), 1125);
    EXPECT_EQ(grid.colWidth(8), ReportGrid::kDefaultWidth);
    EXPECT_TRUE(grid.visible());
}

TEST_F(DowntimeListTest, ListingTwiceReplacesTheRowsAndAnEmptyRangeKeepsTheHeader) {
    ReportGrid grid;
    ASSERT_TRUE(ListDowntime(*db, grid, {kDay, kDay + 1, true}, 11250));
    ASSERT_TRUE(ListDowntime(*db, grid, {kDay, kDay + 1, true}, 11250));
    EXPECT_EQ(grid.rows(), 6);
    ASSERT_TRUE(ListDowntime(*db, grid, {kDay + 2, kDay + 3, true}, 11250));
    EXPECT_EQ(grid.rows(), 1);
    EXPECT_FALSE(isValidRange({kDay, kDay, false}));
}

TEST_F(DowntimeListTest, DatabaseErrorIsReturnedAndTheGridStaysUsable) {
    exec(*db, "drop table Tag_Master");
    ReportGrid grid;
    auto done = ListDowntime(*db, grid, {kDay, kDay + 1, true}, 11250);
    ASSERT_FALSE(done);
    EXPECT_NE(done.error().message.find("Tag_Master"), std::string::npos);
    EXPECT_EQ(grid.rows(), 1);
    EXPECT_TRUE(grid.visible());
}

// nax-report prints the same grid and tells failures apart by exit status.
class NaxReportTest : public DowntimeListTest {
protected:
    int run(QStringList args, QString* out = nullptr, QString* err = nullptr) {
        QProcess process;
        process.start(QStringLiteral(NAX_REPORT_EXE), args);
        process.waitForFinished(60000);
        if (out) *out = QString::fromUtf8(process.readAllStandardOutput());
        if (err) *err = QString::fromUtf8(process.readAllStandardError());
        return process.exitCode();
    }
    QString dbPath() const { return QString::fromStdString(dir.file("db1.sqlite")); }
};

TEST_F(NaxReportTest, PrintsTheListAndExitsByKindOfFailure) {
    QString out, err;
    const QStringList range = {QStringLiteral("--from"), QStringLiteral("2026-12-05 06:00"), QStringLiteral("--to"),
                               QStringLiteral("2026-12-05 08:00")};
    ASSERT_EQ(run(QStringList{QStringLiteral("downtime-list"), QStringLiteral("--db"), dbPath()} + range, &out), 0);
    const QStringList lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Tag\tRun\tShift\t")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Filler\t9\tB\t300ML\tCola\t05-Dec-26 07:00:00")));

    EXPECT_EQ(run({QStringLiteral("downtime-list"), QStringLiteral("--db"), dbPath(), QStringLiteral("--from"),
                   QStringLiteral("2026-12-05 08:00"), QStringLiteral("--to"), QStringLiteral("2026-12-05 08:00")},
                  nullptr, &err),
              3);
    EXPECT_EQ(err, QStringLiteral("Invalid Dates Selected\n"));
    EXPECT_EQ(run(QStringList{QStringLiteral("no-such-report"), QStringLiteral("--db"), dbPath()} + range), 2);
    EXPECT_EQ(run({QStringLiteral("downtime-list"), QStringLiteral("--from"), QStringLiteral("yesterday")}), 2);
    EXPECT_EQ(run(QStringList{QStringLiteral("downtime-list"), QStringLiteral("--db"),
                              QString::fromStdString(dir.file("missing.sqlite"))} + range, nullptr, &err),
              1);
    EXPECT_TRUE(err.contains(QStringLiteral("missing.sqlite")));
}

TEST_F(NaxReportTest, DmsReportsPrintTheirGridsAndRefuseMoreThanSevenDays) {
    QString out, err;
    const QStringList db = {QStringLiteral("--db"), dbPath()};
    EXPECT_EQ(run(QStringList{QStringLiteral("dms-shift")} + db +
                      QStringList{QStringLiteral("--from"), QStringLiteral("2026-12-01 00:00"), QStringLiteral("--to"),
                                  QStringLiteral("2026-12-08 00:01")},
                  &out, &err),
              3);
    EXPECT_EQ(err, QStringLiteral("Shift wise report Cannot be generated for More than 7 Days\n"));
    EXPECT_TRUE(out.isEmpty());
    ASSERT_EQ(run(QStringList{QStringLiteral("dms-daily")} + db +
                      QStringList{QStringLiteral("--from"), QStringLiteral("2026-11-01 00:00"), QStringLiteral("--to"),
                                  QStringLiteral("2026-12-06 00:00"), QStringLiteral("--grid"), QStringLiteral("detail"),
                                  QStringLiteral("--format"), QStringLiteral("csv")},
                  &out),
              0);
    EXPECT_TRUE(out.startsWith(QStringLiteral("Run No,Pack,Flavor,StartTime,EndTime,TimeLost,Shift,Asset,")));
    EXPECT_TRUE(out.endsWith(QStringLiteral("WW-Asset\r\n")));
}

} // namespace
