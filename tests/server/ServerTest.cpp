// The database on a server answers as on SQLite; its failures give clear messages and never a hang.
#include "PostgresServer.h"
#include "base/Progress.h"
#include "db/DialectCases.h"
#include "db/PlantDatabase.h"
#include "dms/DailyDms.h"
#include "downtime/ClassificationSave.h"
#include "simulate/PlantSchema.h"
#include "simulate/PlantSimulator.h"
#include "support/TestSupport.h"
#include "text/ProgressText.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <thread>

using namespace nax;
using nax::test::exec;
using nax::test::scalar;

namespace {

// A fresh server database with the plant's tables, the dialect table's events and one run.
class ServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        NAX_REQUIRE_SERVER();
        name = server->newDatabase();
        db = open();
        ASSERT_TRUE(db);
        exec(*db, serverPlantSchemaSql());
        exec(*db, test::kDialectRows);
        exec(*db, "insert into Run_master(Run_ID, Start_Time, End_Time) values (1, 46361.25, 46361.5)");
    }
    std::unique_ptr<DbConnection> open(int waitMs = 300) {
        auto opened = DbConnection::open(name, OpenOptions{waitMs, false}, [] { return 46361.5; });
        if (!opened) ADD_FAILURE() << opened.error().message;
        return opened ? std::move(opened.value()) : nullptr;
    }
    static ClassificationTexts boxes(const std::string& text) {
        ClassificationTexts texts;
        for (std::string& box : texts)
            box = text;
        return texts;
    }
    std::string name;
    std::unique_ptr<DbConnection> db;
};

TEST_F(ServerTest, FunctionsAndCaseInsensitiveTextAnswerAsTheTableSays) {
    test::expectDialectTable(*db);
}

// The session's helpers, made inside the caller's transaction, neither end it nor vanish with it.
TEST_F(ServerTest, HelpersMadeInsideATransactionOutliveItsRollback) {
    auto fresh = open(); // a session without the helpers yet
    exec(*fresh, "begin; update TimeLost set Remarks = 'undone' where Dt_ID = 1");
    EXPECT_EQ(scalar(*fresh, "select format(46361.5,'hh')"), "12");
    exec(*fresh, "rollback");
    EXPECT_EQ(
        scalar(*fresh, "select format(46361.5,'hh') || count(Remarks) from TimeLost where Asset = 'FILLER'"),
        "120");
}

// The rows as "a:b|..." then the failure that ended the walk; `meanwhile` runs after the first row.
std::string walk(DbConnection& db, const std::string& sql, const std::function<void()>& meanwhile) {
    auto rows = db.openRecordset(sql);
    if (!rows) return "open failed: " + rows.error().message;
    std::string seen;
    for (bool first = true; !rows->eof(); first = false) {
        seen += rows->text(0) + ":" + rows->text(1) + "|";
        if (first) meanwhile();
        if (auto moved = rows->moveNext(); !moved) return seen + moved.error().message;
    }
    return seen;
}

TEST_F(ServerTest, WalksSurviveOtherStatementsAndFailLateAsOnSqlite) {
    test::ScratchDir dir;
    auto file = test::makePlantDatabase(dir.file("db1.sqlite"));
    exec(*file, test::kDialectRows);
    for (DbConnection* db : {file.get(), this->db.get()}) {
        exec(*db, "create table n (i integer); insert into n values (1), (2), (3), (4), (5)");
        const auto others = [db] {
            EXPECT_EQ(walk(*db, "select i, i * 2 from n where i > 3", [] {}), "4:8|5:10|");
            exec(*db, "update TimeLost set Remarks = 'meanwhile' where Dt_ID = 1");
            { // given up after one row
                auto dropped = db->openRecordset("select i from n");
                ASSERT_TRUE(dropped && !dropped->eof());
            }
        };
        const std::string where = db == file.get() ? "SQLite" : "server";
        EXPECT_EQ(walk(*db, "select i, Len(i) from n", others), "1:1|2:1|3:1|4:1|5:1|") << where;
        EXPECT_EQ(walk(*db, "select i, cint(i * 10000) from n", [] {}), "1:10000|2:20000|3:30000|Overflow")
            << where;
        EXPECT_EQ(walk(*db, "select i, cint(i * 10000) from n", others), "1:10000|2:20000|3:30000|Overflow")
            << where;
        EXPECT_EQ(scalar(*db, "select Remarks from TimeLost where Dt_ID = 1"), "meanwhile") << where;
    }
}

TEST_F(ServerTest, OpenFailuresAreClearAndNeverShowThePassword) {
    NAX_REQUIRE_SERVER();
    const std::string unreachable = "host=/nonexistent/socket/dir dbname=plant user=nax password=Hush1234";
    const std::string wrongPassword = server->connection("postgres", "guarded", "Wrong Guess");
    const std::string uriPassword =
        "postgresql://guarded:Wrong%20Guess@/postgres?host=" + server->socketDir();
    for (const std::string& target : {unreachable, wrongPassword, uriPassword}) {
        CapturedMessages messages;
        EXPECT_EQ(openPlantDatabase(target, messages), nullptr);
        ASSERT_EQ(messages.messages.size(), 1u);
        const std::string& text = messages.messages[0].text;
        for (const char* secret : {"Hush1234", "Wrong Guess", "Wrong%20Guess"})
            EXPECT_EQ(text.find(secret), std::string::npos) << text;
        EXPECT_EQ(text.find("nax-simulate"), std::string::npos) << text; // no file to make
    }
    EXPECT_TRUE(DbConnection::open(server->connection("postgres", "guarded", "Open Sesame")));
}

// A row locked past the wait fails the save; after a cut connection the next statement reconnects.
TEST_F(ServerTest, StatementFailuresLeaveTheConnectionUsable) {
    auto other = open();
    ASSERT_TRUE(other);
    exec(*other, "begin; update TimeLost set Remarks = 'held' where Dt_ID = 2");
    auto blocked = saveClassification(*db, boxes("mine"), "2");
    ASSERT_FALSE(blocked);
    EXPECT_NE(blocked.error().message.find("lock timeout"), std::string::npos) << blocked.error().message;
    EXPECT_NE(blocked.error().message.find("Update Statement failed"), std::string::npos);
    exec(*other, "rollback");
    EXPECT_TRUE(saveClassification(*db, boxes("mine"), "2"));
    EXPECT_FALSE(saveClassification(*db, boxes("mine"), "99")); // no such event
    exec(*other, "select pg_terminate_backend(pid) from pg_stat_activity where datname = current_database() "
                 "and pid <> pg_backend_pid()");
    auto cut = db->openRecordset("select Remarks from TimeLost");
    ASSERT_FALSE(cut);
    EXPECT_NE(cut.error().message.find("connection"), std::string::npos) << cut.error().message;
    EXPECT_EQ(scalar(*db, "select Remarks from TimeLost where [Dt_ID] = 2"), "mine");
    EXPECT_EQ(scalar(*db, "select cint(2.5)"), "2"); // the session's functions are back too
}

// The backend stopped mid-report: the report fails after the silence bound, the next statement reconnects.
TEST_F(ServerTest, AServerThatStopsAnsweringIsGivenUp) {
    OpenOptions options;
    options.serverSilenceMs = 1000;
    auto opened = DbConnection::open(name, options);
    ASSERT_TRUE(opened) << opened.error().message;
    DbConnection& pg = **opened;
    const pid_t backend = std::stoi(scalar(pg, "select pg_backend_pid()"));
    int statements = 0;
    pg.setStatementObserver([&](std::string_view) {
        if (++statements == 2) kill(backend, SIGSTOP); // the report has counted its runs
    });
    ReportGrid runs, events;
    SilentProgress progress;
    auto report = std::async(std::launch::async,
                             [&] { return DailyDMSReport(pg, runs, events, 46361, 46362, progress); });
    // Without a bound the report waits for ever: let it finish so that the failure shows.
    const bool ended = report.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    kill(backend, SIGCONT);
    const auto done = report.get();
    ASSERT_TRUE(ended && !done) << "the report waited on a silent server";
    EXPECT_EQ(done.error().message,
              "The database server stopped answering (nothing came for 1 s); the statement was cancelled.");
    pg.setStatementObserver({});
    EXPECT_EQ(scalar(pg, "select Asset from TimeLost where [Dt_ID] = 1"), "Filler");
}

// Each saves their own event over and over, and both save event 3 in turn.
TEST_F(ServerTest, TwoPeopleSavingAtOnceLoseNothing) {
    constexpr int kRounds = 40;
    const auto saver = [&](DbConnection& connection, const std::string& who, const std::string& own,
                           bool& ok) {
        ok = true;
        for (int round = 0; round < kRounds && ok; ++round) {
            ok = saveClassification(connection, boxes(who + std::to_string(round)), own).ok() &&
                 saveClassification(connection, boxes(who + std::to_string(round)), "3").ok();
        }
    };
    auto first = open(10000), second = open(10000);
    ASSERT_TRUE(first && second);
    bool firstOk = false, secondOk = false;
    std::thread a([&] { saver(*first, "ann", "1", firstOk); });
    std::thread b([&] { saver(*second, "bob", "2", secondOk); });
    a.join();
    b.join();
    EXPECT_TRUE(firstOk && secondOk);
    const std::string last = std::to_string(kRounds - 1);
    EXPECT_EQ(scalar(*db, "select Remarks || '|' || Shift || '|' || Other2 from TimeLost where Dt_ID = 1"),
              "ann" + last + "|ann" + last + "|ann" + last);
    EXPECT_EQ(scalar(*db, "select Remarks from TimeLost where Dt_ID = 2"), "bob" + last);
    const std::string shared =
        scalar(*db, "select Remarks || '|' || Executive from TimeLost where Dt_ID = 3");
    EXPECT_TRUE(shared == "ann" + last + "|ann" + last || shared == "bob" + last + "|bob" + last) << shared;
}

// The column types are SameReports' business: a REAL written as "real" shows there.
TEST_F(ServerTest, SimulatorKeepsExistingTablesUnlessToldToReplace) {
    SimulationOptions options{name, 1, 46362.5};
    auto refused = simulatePlant(options);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("--replace"), std::string::npos);
    EXPECT_EQ(scalar(*db, "select count(*) from TimeLost"), "5");
    options.replace = true;
    ASSERT_TRUE(simulatePlant(options));
    EXPECT_NE(scalar(*db, "select count(*) from opc"), "0");
}

} // namespace
