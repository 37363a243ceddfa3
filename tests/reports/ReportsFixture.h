#pragma once
// The DMS test plant plus tagged events, a range of 05-Dec-26 06:00 to 12:00 and a clock at 13:45.
#include "dms/DmsFixture.h"
#include "reports/ReportListing.h"

#include <string>

namespace nax::test {

class ReportsDatabase : public DmsDatabase {
protected:
    void SetUp() override {
        DmsDatabase::SetUp();
        db->setClock([] { return dec5(13, 45); });
        exec(*db, "insert into Tag_Master values (1,'Filler'),(2,'Labeller')");
    }

    // An event of `seconds` from `start`; classification fields as SQL text ("NULL" for none).
    void addTaggedEvent(int id, int tag, double start, double seconds, const std::string& asset = "NULL",
                        const std::string& failure = "NULL") {
        exec(*db,
             "insert into TimeLost (Dt_ID, Tag_ID, Run_no, Pack, Flavor, DT_Start, DT_End, Time_Lost, Asset, "
             "Failure) values (" +
                 std::to_string(id) + "," + std::to_string(tag) + ",2,'PET 500','Cola'," + lit(start) + "," +
                 lit(start + seconds / 86400) + "," + lit(seconds / 86400) + "," + asset + "," + failure +
                 ")");
    }

    const ReportRange morning{dec5(6), dec5(12)};
};

} // namespace nax::test
