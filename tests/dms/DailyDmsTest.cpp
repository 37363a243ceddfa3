// The day-wise DMS report, and how both DMS reports end on errors and let events through.
// Their figures are checked cell for cell against the per-run reference in GroupedDmsTest.
#include "dms/DailyDms.h"
#include "DmsFixture.h"
#include "dms/DmsLayouts.h"
#include "dms/ShiftDms.h"
#include "text/ProgressText.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace nax {
namespace {

// Counts steps and remembers whether the run grid was shown while rows were added.
class WatchingProgress : public SilentProgress {
public:
    explicit WatchingProgress(const ReportGrid& grid) : grid_(grid) {}
    void ProgressNextValue(std::string_view text) override {
        SilentProgress::ProgressNextValue(text);
        shownWhileFilling = shownWhileFilling || grid_.visible();
    }
    bool shownWhileFilling = false;

private:
    const ReportGrid& grid_;
};

class DailyDms : public test::DmsDatabase {
protected:
    Result<void> run(double start = dec5(0), double end = dec5(0) + 1) {
        WatchingProgress progress(runGrid);
        auto done = DailyDMSReport(*db, runGrid, detailGrid, start, end, progress);
        maximum = progress.state().maximum();
        steps = progress.state().value();
        EXPECT_FALSE(progress.shownWhileFilling);
        EXPECT_TRUE(runGrid.visible());
        return done;
    }
    // The hours of the same day.
    Result<void> shift(EventPump& events) {
        return ShiftDMSReport(*db, events, runGrid, detailGrid, dec5(0), dec5(0) + 1);
    }
    // Runs 1 to 3 from 01:00, 02:00 and 03:00: five minutes of production and a QA Loss each.
    void addThreeRuns() {
        for (const int id : {1, 2, 3}) {
            addRun(id, dec5(id), dec5(id) + 0.02, "100", "24");
            addProduction(id, dec5(id), 5, 10);
            addEvent(id, dec5(id), dec5(id) + 0.01, quoted("QA Loss"));
        }
    }
    float maximum = 0, steps = 0;
};

TEST_F(DailyDms, OnlyRunsInsideTheWindowAndWithMastersAreListed) {
    const double s = dec5(0), e = dec5(0) + 1;
    addRun(1, s, e, "100", "24");                           // exactly the window
    addRun(2, s + kMinute, e + kMinute, "100", "24");       // ends a minute late
    addRun(3, s - kMinute, e - kMinute, "100", "24");       // starts a minute early
    addRun(4, s + kMinute, 0, "100", "24");                 // still going
    addRun(5, s + kMinute, e - kMinute, "100", "24", 9, 1); // no such pack
    ASSERT_TRUE(run(s, e));
    ASSERT_EQ(runGrid.rows(), 2);
    EXPECT_EQ(runGrid.cell(1, 0), "1");
    EXPECT_EQ(maximum, 2.0f); // the count still holds the run without a pack
    EXPECT_EQ(steps, 1.0f);
}

// Each table is read once for all runs of the range, not once per run.
TEST_F(DailyDms, ReadsEachTableOnceWhateverTheNumberOfRuns) {
    addThreeRuns();
    test::StatementLog log(*db);
    ASSERT_TRUE(run());
    // The count, the run list, the production plan, the rowid span and one slice, losses, events.
    EXPECT_EQ(log.sent(), 7u);
    EXPECT_EQ(runGrid.rows(), 4);
}

// A lookup that fails ends either report with the engine's error: no row shows a production or a
// loss of 0 that was never measured.
TEST_F(DailyDms, FailedLookupEndsBothReportsWithTheEnginesError) {
    addThreeRuns();
    const auto expectFailed = [&](const Result<void>& done, const std::string& message, int measured) {
        ASSERT_FALSE(done) << message;
        EXPECT_EQ(done.error().code, SQLITE_ERROR);
        EXPECT_EQ(done.error().message, message);
        EXPECT_FALSE(done.error().refusal);
        EXPECT_EQ(runGrid.rows() > 0 ? runGrid.cell(0, 0) : "", measured == 8 ? "Run No" : "Hr");
        for (int r = 1; r < runGrid.rows(); ++r)
            EXPECT_NE(runGrid.cell(r, measured), "0") << message;
    };
    const std::pair<const char*, const char*> damages[] = {
        {"alter table TimeLost drop column Loss_Structure", "no such column: Loss_Structure"},
        {"drop table opc", "no such table: opc"}};
    for (const auto& [damage, message] : damages) {
        test::exec(*db, damage);
        expectFailed(run(), message, 8);       // Production
        expectFailed(shift(pump), message, 7); // Lack of Sales
    }
}

// Ending the program while a report lets events through stops it at once: no row follows.
TEST_F(DailyDms, AbandonedReportsStopAtOnce) {
    addThreeRuns();
    test::EndingProgress afterTwoSteps(2), atOnce(1);
    const auto daily = DailyDMSReport(*db, runGrid, detailGrid, dec5(0), dec5(0) + 1, afterTwoSteps);
    ASSERT_FALSE(daily);
    EXPECT_TRUE(daily.error().abandoned);
    EXPECT_EQ(runGrid.rows(), 2); // the first run only
    const auto hours = shift(atOnce);
    ASSERT_FALSE(hours);
    EXPECT_TRUE(hours.error().abandoned);
    EXPECT_EQ(runGrid.rows(), 1);
    EXPECT_EQ(detailGrid.rows(), 1);
}

// A data collector commits while a report lets events through: no statement of it is open then.
TEST_F(DailyDms, CollectorCommitsWhileEitherReportLetsEventsThrough) {
    addThreeRuns();
    auto collector = DbConnection::open(db->path(), OpenOptions{0, false});
    ASSERT_TRUE(collector);
    test::CommittingProgress committing(**collector);
    ASSERT_TRUE(DailyDMSReport(*db, runGrid, detailGrid, dec5(0), dec5(0) + 1, committing));
    EXPECT_EQ(committing.commits, 3);
    ASSERT_TRUE(shift(committing));
    EXPECT_EQ(runGrid.rows(), 4);
    EXPECT_EQ(committing.commits, 3 + 3 * 6); // six times an hour row
    EXPECT_EQ(test::scalar(*db, "select count(*) from opc where Run_ID = 99"), "21");
}

} // namespace
} // namespace nax
