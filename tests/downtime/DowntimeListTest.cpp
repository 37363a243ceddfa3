// The downtime list on a small database: filter, order, cell texts, keys, and nax-report.
#include "downtime/DowntimeList.h"
#include "support/NaxReportProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nax;
using nax::test::exec;

namespace {

constexpr double kDay = 46361.0; // 05-Dec-26

class DowntimeListTest : public test::PlantDbTest {
protected:
    void SetUp() override {
        exec(*db, "insert into Tag_Master values (1,'Filler'),(2,'Packer')");
        // id, tag, start (hours into the day), minutes, loss structure
        event(3, 1, 7.5, 12.3333333333333 / 60, "'Minor Stoppage'");
        event(1, 1, 7.0, 10.0 / 60, "NULL");
        event(2, 2, 7.25, 0.125 / 60, "'Equipment Loss'");
        event(4, 1, 5.0, 1.0 / 60, "NULL"); // before the range
        event(5, 3, 7.1, 1.0 / 60, "NULL"); // tag without a master row: left out by the join
        exec(*db, "insert into TimeLost(Dt_ID, Tag_ID, Run_no, DT_Start, DT_End, Time_Lost) values "
                  "(6, 1, 9, 46361.3125, 46361.3125, NULL)");
    }
    void event(int id, int tag, double startHour, double hours, const char* loss) {
        const double start = kDay + startHour / 24, end = start + hours / 24;
        exec(*db,
             "insert into TimeLost(Dt_ID, Tag_ID, Run_no, Shift, Pack, Flavor, DT_Start, DT_End, Time_Lost, "
             "Loss_Structure, Remarks) values (" +
                 std::to_string(id) + "," + std::to_string(tag) + ",9,'B','300ML','Cola'," + num(start) +
                 "," + num(end) + "," + num(hours / 24) + "," + loss + ",'r" + std::to_string(id) + "')");
    }
    static std::string num(double value) { return QString::number(value, 'g', 17).toStdString(); }
    // Lists 06:00 to 08:00 (or the given range) into `grid`; the keys of the rows, in order.
    std::string list(bool minorStops, double from = kDay + 6.0 / 24, double to = kDay + 8.0 / 24) {
        auto done = ListDowntime(*db, grid, {from, to, minorStops}, 11250);
        EXPECT_TRUE(done) << done.error().message;
        std::string keys;
        for (int r = 1; r < grid.rows(); ++r)
            keys += std::to_string(grid.rowKey(r)) + " ";
        return keys;
    }
    ReportGrid grid;
};

// Listing again replaces the rows; an empty range keeps the header alone. 0.125 minutes rounds
// half to even; event 6 has no Time_Lost at all.
TEST_F(DowntimeListTest, MinorStopsHiddenUnlessAskedCellsHeadersAndWidths) {
    EXPECT_EQ(list(false), "1 2 6 ");
    EXPECT_EQ(list(true), "1 2 3 6 ");
    ASSERT_EQ(grid.cols(), kDowntimeListColumns);
    EXPECT_EQ(test::joined(grid, 1, {0, 1, 2, 3, 4, 5, 6, 7, 10, 14}),
              "Filler|9|B|300ML|Cola|05-Dec-26 07:00:00|05-Dec-26 07:10:00|10||r1");
    EXPECT_EQ(test::rowsOf(grid, 2, {7}), "0.12\n12.33\n\n");
    EXPECT_EQ(grid.colWidth(0), 562); // 5 % of 11250, half to even
    EXPECT_TRUE(grid.visible());
    EXPECT_EQ(list(true, kDay + 2, kDay + 3), "");
    EXPECT_EQ(test::rowsOf(grid),
              "Tag|Run|Shift|Pack|Flavor|Start Time|End Time|Time Lost (mins)|Asset|Component|"
              "Loss Structure|Failure|Operator|Executive|Remarks|Other1|Other2\n");
}

// Backlog of 06:00 to 08:00, worked by hand: events 1, 2, 3, 6, 7, 8 (4 starts earlier, 5's tag
// has no master row). Unclassified: 1 (NULL, 10 min), 6 (NULL, no Time_Lost), 7 (blanks, 2.5 min),
// 8 (empty, 0.125 min): 12.625 minutes, 12.62 half to even.
class BacklogTest : public DowntimeListTest {
protected:
    void SetUp() override {
        DowntimeListTest::SetUp();
        event(7, 2, 7.75, 2.5 / 60, "'  '");
        event(8, 1, 7.8, 0.125 / 60, "''");
    }
    DowntimeRange range(bool minorStops, bool unclassifiedOnly) const {
        return {kDay + 6.0 / 24, kDay + 8.0 / 24, minorStops, unclassifiedOnly};
    }
};

TEST_F(BacklogTest, CountsAndListsTheEventsWithoutALossCategory) {
    for (const bool minorStops : {false, true}) {
        const auto backlog = CountDowntimeBacklog(*db, range(minorStops, true));
        ASSERT_TRUE(backlog) << backlog.error().message;
        EXPECT_EQ(backlogText(*backlog), "6 events, 4 unclassified (12.62 min)");
    }
    const auto empty = CountDowntimeBacklog(*db, {kDay + 2, kDay + 3, false, false});
    ASSERT_TRUE(empty);
    EXPECT_EQ(backlogText(*empty), "0 events, 0 unclassified (0 min)");

    EXPECT_EQ(list(true), "1 2 3 6 7 8 ");
    ASSERT_TRUE(ListDowntime(*db, grid, range(false, true), 11250));
    EXPECT_EQ(test::rowsOf(grid, 1, {10, 14}), "|r1\n|\n  |r7\n|r8\n");

    exec(*db, "alter table TimeLost rename column Loss_Structure to Loss");
    EXPECT_FALSE(CountDowntimeBacklog(*db, range(true, false))); // an error, never a count of 0
}

// Saved event -> the next unclassified one below it in the list as it was.
TEST_F(BacklogTest, NextUnclassifiedEventBelowTheSavedOne) {
    list(true); // 1 2 3 6 7 8
    exec(*db, "update TimeLost set Loss_Structure = 'QA Loss' where Dt_ID = 7");
    const std::pair<int64_t, std::optional<int64_t>> cases[] = {
        {1, 6}, {2, 6}, {6, 8}, {8, std::nullopt}, {99, std::nullopt}};
    for (const auto& [saved, next] : cases) {
        const auto found = nextUnclassifiedEvent(*db, range(true, false), grid, saved);
        ASSERT_TRUE(found) << found.error().message;
        EXPECT_EQ(*found, next) << saved;
    }
}

// nax-report prints the same grid and tells failures apart by exit status.
class NaxReportTest : public DowntimeListTest {
protected:
    // Arguments separated by '|'; $db stands for the test database. The status must be `exitCode`.
    test::NaxReportRun report(const char* args, int exitCode) {
        auto done =
            test::runNaxReport(QString::fromLatin1(args), QString::fromStdString(dir.file("db1.sqlite")));
        EXPECT_EQ(done.exitCode, exitCode) << args << "\n" << done.err.toStdString();
        return done;
    }
    static QStringList lines(const QString& out) { return out.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

TEST_F(NaxReportTest, PrintsTheListAndExitsByKindOfFailure) {
    const QStringList list =
        lines(report("downtime-list|--db|$db|--from|2026-12-05 06:00|--to|2026-12-05 08:00", 0).out);
    ASSERT_EQ(list.size(), 4);

    EXPECT_EQ(report("downtime-list|--db|$db|--from|2026-12-05 08:00|--to|2026-12-05 08:00", 3).err,
              QStringLiteral("Invalid Dates Selected\n"));
    const QStringList unclassified = lines(
        report("downtime-list|--db|$db|--from|2026-12-05 06:00|--to|2026-12-05 08:00|--unclassified", 0).out);
    ASSERT_EQ(unclassified.size(), 3); // the header, events 1 and 6
    EXPECT_TRUE(unclassified[2].startsWith(QStringLiteral("Filler\t9\t\t\t\t05-Dec-26 07:30:00")));
}

} // namespace
