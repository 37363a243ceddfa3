// The same plant in an SQLite file and on the server gives the same reports, pick lists and window.
#include "PostgresServer.h"
#include "downtime/ClassificationSave.h"
#include "downtime/SelectionList.h"
#include "downtime/ui/DowntimeDetailFrame.h"
#include "downtime/ui/Form2.h"
#include "simulate/PlantSimulator.h"
#include "support/NaxReportProcess.h"
#include "support/PopupDriving.h"
#include "support/TestSupport.h"
#include "ui/DatePicker.h"
#include "ui/ReportGridView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <random>
#include <tuple>

using namespace nax;
using namespace nax::test;

namespace {

constexpr double kEnd = 46362.5; // 06-Dec-26 12:00, the databases' clock

// Untidy data as a plant has it: odd case and blanks, NULLs, zero speeds, rows without master rows.
std::vector<std::string> untidyEdits(unsigned seed) {
    std::mt19937 random(seed);
    const auto some = [&](int modulus) { return std::to_string(2 + random() % modulus); };
    return {
        "update TimeLost set Loss_Structure = NULL where Dt_ID % " + some(9) + " = 0",
        "update TimeLost set Loss_Structure = ' equipment LOSS ' where Dt_ID % " + some(11) + " = 1",
        "update TimeLost set Loss_Structure = 'MINOR STOPPAGE' where Dt_ID % " + some(13) + " = 2",
        "update TimeLost set Loss_Structure = 'Lack of Sales  ' where Dt_ID % " + some(13) + " = 3",
        "update TimeLost set Loss_Structure = '' where Dt_ID % " + some(17) + " = 4",
        "update TimeLost set Loss_Structure = 'qa loss' where Dt_ID % " + some(17) + " = 5",
        "update TimeLost set Tag_ID = 99 where Dt_ID % " + some(19) + " = 6",
        "update TimeLost set Remarks = 'it''s the \"valve\"', Asset = NULL where Dt_ID % " + some(7) + " = 0",
        "update TimeLost set Shift = NULL, Failure = '' where Dt_ID % " + some(23) + " = 7",
        "update Run_master set USpeed = 0 where Run_ID % " + some(7) + " = 0",
        "update Run_master set CaseCount = 0 where Run_ID % " + some(11) + " = 1",
        "update Run_master set CSpeed = NULL where Run_ID % " + some(13) + " = 2",
        "update Run_master set Pack_ID = 77 where Run_ID % " + some(17) + " = 3",
        "update opc set Shift_ID = NULL where Run_ID % " + some(5) + " = 1 and Tag_id = 2",
        "update opc set Production = 0 where Run_ID % " + some(9) + " = 2",
        "delete from Flavor_Master where Flavor_Id = " + std::to_string(1 + random() % 3),
        "insert into Misc_Master values ('  Minor stoppage'), (NULL)",
    };
}

// Classifies the first event of the last day in the window: the lists, messages and saved row.
std::string classifyFirstEvent(const std::string& database, const std::filesystem::path& dataFolder) {
    auto db = DbConnection::open(database, {}, [] { return kEnd; });
    if (!db) return "cannot open: " + db.error().message;
    CapturedMessages messages;
    NoEventPump pump;
    AppContext context{**db, messages, pump, dataFolder, {}, {}};
    Form2 window(context);
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.DTStart->setSerial(kEnd - 1);
    QTest::mouseClick(window.CmdGenerate, Qt::LeftButton);
    const ReportGrid& grid = window.MSFlexGrid1->grid();
    const std::string listed = rowsOf(grid);
    if (grid.rows() < 3) return "too little listed: " + listed;
    const long long event = grid.rowKey(1);

    ReportGridView* view = window.MSFlexGrid1;
    doubleClick(view->viewport(), view->visualRect(view->model()->index(0, 2)).center());
    DowntimeDetailFrame* frame = window.Frame1;
    for (const auto& [box, key, entry] : {std::tuple{kBoxAsset, Qt::Key_A, 1},
                                          {kBoxComponent, Qt::Key_C, 0},
                                          {kBoxLossStructure, Qt::Key_L, 4},
                                          {kBoxExecutive, Qt::Key_E, 0}}) {
        PopupAnswer answer([entry](fmselectform& popup) { pickEntry(popup, entry); });
        QTest::keyClick(frame->txtfields[box], key);
        EXPECT_EQ(answer.runs, 1) << box;
    }
    QLineEdit* remarks = frame->txtfields[kBoxRemarks];
    remarks->selectAll();
    QTest::keyClicks(remarks, QStringLiteral("seal's worn, 'B' side"));
    QTest::mouseClick(frame->CmdSave, Qt::LeftButton);
    EXPECT_FALSE(frame->isEventOpen());
    auto reader = DbConnection::open(database); // another session sees what was committed
    return listed + "after:\n" + rowsOf(grid) + "messages:\n" + shownMessages(messages) + "saved:\n" +
           (reader ? rowsOf(**reader,
                            "select Asset, Component, Loss_Structure, Executive, Remarks from TimeLost "
                            "where Dt_ID = " +
                                std::to_string(event))
                   : reader.error().message);
}

class SameReports : public ::testing::Test {
protected:
    void SetUp() override {
        NAX_REQUIRE_SERVER();
        serverDb = server->newDatabase();
        fileDb = dir.file("db1.sqlite");
        for (const std::string& database : {fileDb, serverDb}) { // the same plant in both
            auto written = simulatePlant({database, 9, kEnd, 11});
            ASSERT_TRUE(written) << written.error().message;
        }
    }

    void applyEverywhere(const std::vector<std::string>& statements) {
        for (const std::string& db : {fileDb, serverDb}) {
            auto connection = DbConnection::open(db);
            ASSERT_TRUE(connection) << connection.error().message;
            for (const auto& sql : statements)
                test::exec(**connection, sql);
        }
    }

    // Runs every known report over every range on both databases and compares.
    void expectSameEverywhere(const std::vector<std::pair<const char*, const char*>>& ranges) {
        static const char* const kReports[] = {"downtime-list",  "run-summary", "production",  "downtime",
                                               "dms-daily",      "dms-shift",   "loss-pareto", "asset-pareto",
                                               "failure-pareto", "me-trend"};
        int compared = 0;
        for (const char* report : kReports) {
            const std::string name = report;
            const bool dms = name.rfind("dms-", 0) == 0;
            for (const auto& [from, to] : ranges) {
                for (const std::string extra : {"", dms ? "|--grid|detail" : "|--minor-stops"}) {
                    const std::string arguments = name + "|--from|" + from + "|--to|" + to +
                                                  "|--now|2026-12-06 12:00|--format|csv|--db|$db" + extra;
                    const auto run = [&](const std::string& db) {
                        return test::runNaxReport(QString::fromStdString(arguments),
                                                  QString::fromStdString(db));
                    };
                    const auto onFile = run(fileDb);
                    if (onFile.exitCode == 2) break; // a report this build does not have
                    const auto onServer = run(serverDb);
                    EXPECT_EQ(onServer.exitCode, onFile.exitCode) << arguments;
                    EXPECT_EQ(onServer.out.toStdString(), onFile.out.toStdString()) << arguments;
                    ++compared;
                }
            }
        }
        EXPECT_GE(compared, 6 * static_cast<int>(ranges.size()));
    }

    test::ScratchDir dir;
    std::string fileDb, serverDb;
};

TEST_F(SameReports, SimulatedPlantThenUntidiedAndItsPickLists) {
    expectSameEverywhere({{"2026-11-27 06:00", "2026-12-06 12:00"},
                          {"2026-12-06 00:00", "2026-12-01 00:00"},
                          {"2020-01-01 00:00", "2020-01-02 00:00"}});
    applyEverywhere(untidyEdits(std::random_device{}()));
    expectSameEverywhere({{"2026-11-27 06:00", "2026-12-06 12:00"},
                          {"2026-12-01 00:00", "2026-12-03 23:59:59"},
                          {"2026-12-05 13:30", "2026-12-05 17:45"}});
    // The classification's pick lists.
    applyEverywhere({"insert into Asset_Master values (90, ' '), (91, 'filler')",
                     "insert into Component_master values ('Bowl ''A''', 2)"});
    auto file = DbConnection::open(fileDb);
    auto served = DbConnection::open(serverDb);
    ASSERT_TRUE(file && served);
    for (const int box :
         {kBoxAsset, kBoxComponent, kBoxLossStructure, kBoxFailure, kBoxExecutive, kBoxOperator})
        for (const char* asset : {"1", "2", "77"}) {
            const auto request = classificationPickList(box, asset);
            ASSERT_TRUE(request);
            for (const std::string& sql : {pickCountStatement(*request), pickRowsStatement(*request)})
                EXPECT_EQ(test::rowsOf(**served, sql), test::rowsOf(**file, sql)) << sql;
        }
}

TEST_F(SameReports, DowntimeEntryClassifiesAnEventOnTheServerAsInAFile) {
    const std::string onFile = classifyFirstEvent(fileDb, dir.path());
    // Typed quotes are stored as backquotes; no message is shown.
    EXPECT_NE(onFile.find("messages:\nsaved:\n"), std::string::npos) << onFile;
    EXPECT_NE(onFile.find("|seal`s worn, `B` side\n"), std::string::npos) << onFile;
    EXPECT_EQ(classifyFirstEvent(serverDb, dir.path()), onFile);
}

} // namespace
