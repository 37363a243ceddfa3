#pragma once
// A small plant for the analysis tests, worked out by hand: two days, a day with two runs, a
// category on one run only, a run with classified, blank and NULL events, a run still running.
#include "dms/DmsFixture.h"

namespace nax::test {

class AnalysisPlant : public DmsDatabase {
protected:
    // 04-Dec-26 and 06-Dec-26 00:00 bound the range of every test.
    static constexpr double kFrom = 46360, kTo = 46362;

    // An event of `minutes` from `start`; asset and failure are SQL text (quoted(...) or NULL).
    void event(int run, double start, int minutes, const std::string& loss, const std::string& asset,
               const std::string& failure) {
        addEvent(run, start, start + minutes * kMinute, loss, asset);
        exec(*db,
             "update TimeLost set Failure = " + failure + " where Dt_ID = (select max(Dt_ID) from TimeLost)");
    }

    // Runs 1 and 2 on Dec 5, run 3 on Dec 4; run 4 still running and run 9's event before the
    // range count nowhere. The blank category counts as Equipment Loss in the daily report.
    void plant() {
        addRun(1, dec5(6), dec5(14), "100", "24");
        addProduction(1, dec5(6), 300, 100);
        event(1, dec5(7), 30, quoted("Lack of Sales"), quoted("Filler"), quoted("No orders"));
        event(1, dec5(9), 50, quoted("Planned Loss"), quoted("Labeller"), quoted("Changeover"));
        addRun(2, dec5(14), dec5(18), "100", "24");
        addProduction(2, dec5(14), 200, 100);
        event(2, dec5(15), 20, quoted("Equipment Loss"), quoted("Filler"), quoted("Jam"));
        event(2, dec5(16), 10, "NULL", "NULL", "NULL");
        event(2, dec5(17), 6, quoted("  "), quoted("Filler"), quoted("Jam"));
        addRun(3, dec5(6) - 1, dec5(8) - 1, "100", "24");
        addProduction(3, dec5(6) - 1, 100, 100);
        event(3, dec5(7) - 1, 5, quoted("QA Loss"), quoted("Capper"), quoted("Cap check"));
        addRun(4, dec5(20), 0, "100", "24");
        event(4, dec5(21), 7, quoted("Equipment Loss"), quoted(" filler"), quoted("JAM "));
        event(9, dec5(0) - 1 - 10 * kMinute, 8, quoted("QA Loss"), quoted("Capper"), quoted("Cap check"));
    }
};

} // namespace nax::test
