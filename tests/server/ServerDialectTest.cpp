// The dialect on the server answers as on SQLite: the functions and their edge cases, text that
// compares without regard to case, bracketed names, date literals, and the failures.
#include "PostgresServer.h"
#include "db/PostgresDialect.h"
#include "db/QueryHelpers.h"
#include "simulate/PlantSchema.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

using namespace nax;
using nax::test::exec;
using nax::test::scalar;

namespace {

class ServerDialect : public ::testing::Test {
protected:
    void SetUp() override {
        NAX_REQUIRE_SERVER();
        serverName = server->newDatabase();
        auto opened = DbConnection::open(serverName, OpenOptions{300, false}, [] { return 46361.5; });
        ASSERT_TRUE(opened) << opened.error().message;
        pg = std::move(opened.value());
        file = test::makePlantDatabase(dir.file("db1.sqlite"));
        ASSERT_TRUE(file);
        exec(*pg, serverPlantSchemaSql());
        const std::string rows =
            "insert into TimeLost(Dt_ID, Tag_ID, DT_Start, Loss_Structure, Asset) values "
            "(1, 1, 46361.25, 'Minor Stoppage', 'Filler'), (2, 2, 46361.5, 'LACK of sales ', 'ÄRGER'),"
            "(3, NULL, NULL, NULL, NULL), (4, 3, 46361.2916666667, ' equipment LOSS', 'straße'), (5, 1, "
            "-1.25, '', 'x')";
        exec(*pg, rows);
        exec(*file, rows);
    }

    // The same statement's first field on both engines.
    void expectSame(const std::string& sql, const std::string& expected) {
        EXPECT_EQ(scalar(*file, sql), expected) << "SQLite: " << sql;
        EXPECT_EQ(scalar(*pg, sql), expected) << "server: " << sql;
    }

    test::ScratchDir dir;
    std::string serverName;
    std::unique_ptr<DbConnection> pg, file;
};

TEST_F(ServerDialect, FunctionsAnswerAsOnSqlite) {
    // clang-format off
    const std::pair<const char*, const char*> answers[] = {
        {"format(46361.2916666667,'dd-MMM-yy hh:mm:ss')", "05-Dec-26 07:00:00"},
        {"format(46361.99999999,'dd-MMM-yy hh:mm')", "06-Dec-26 00:00"},
        {"format(-1.25,'dd-MMM-yy hh:mm:ss')", "29-Dec-99 06:00:00"},
        {"format(46361.75,'hh')", "18"}, {"format('46361.75','hh')", "18"}, {"format('abc','hh')", "abc"},
        {"format(46361.5,'DD-MMM-YY')", "05-Dec-26"},
        {"cint(2.5)", "2"}, {"cint(3.5)", "4"}, {"cint(-2.5)", "-2"}, {"cint(32767.4)", "32767"},
        {"cint('12')", "12"}, {"cdbl('12.5') * 2", "25"}, {"cdbl(3)", "3"},
        {"iif(1>2,'a','b')", "b"}, {"iif(NULL = 1,'a','b')", "b"}, {"iif(Len('ab') = 2, 1.5, 2)", "1.5"},
        {"Len(Trim('  ab c '))", "4"}, {"Len('Ärger')", "5"}, {"now()", "46361.5"}, {"now() - 1", "46360.5"},
        {"10.0 / 4", "2.5"}, {"7 / 2", "3"}, {"1/3.0", "0.333333333333333"},
        {"count(*) from TimeLost where trim([Loss_Structure]) ='lack of sales'", "1"},
        {"count(*) from TimeLost where Loss_Structure NOT IN ('minor stoppage')", "3"},
        {"count(*) from TimeLost where trim([Loss_Structure]) in ('Equipment Loss','')", "2"},
        {"count(*) from TimeLost where [Asset] = 'FILLER' and Tag_ID in (1, 2)", "1"},
        {"count(*) from TimeLost where 'FILLER' = [Asset]", "1"},
        {"max(format(DT_Start,'dd-MMM-yy hh:mm')) from TimeLost where Dt_ID < 3", "05-Dec-26 12:00"},
        {"Sum(Time_Lost) from TimeLost", ""}, {"count(*) from TimeLost where Loss_Structure = 'MINOR STOPPAGE '", "0"},
    };
    // clang-format on
    for (const auto& [expression, answer] : answers)
        expectSame(std::string("select ") + expression, answer);

    // Case is ignored for every letter on the server, accents are not; ß is not "ss".
    EXPECT_EQ(scalar(*pg, "select count(*) from TimeLost where Asset = 'ärger'"), "1");
    EXPECT_EQ(scalar(*pg, "select count(*) from TimeLost where Asset = 'STRASSE'"), "0");
    EXPECT_EQ(scalar(*pg, "select count(*) from TimeLost where Asset = 'ARGER'"), "0");

    // Failures carry the dialect's words; the connection goes on working.
    for (const auto& [sql, words] : {std::pair{"select cint(40000)", "Overflow"},
                                     {"select cint('abc')", "Type mismatch"},
                                     {"select cdbl(NULL)", "Invalid use of Null"},
                                     {"select format(3000000,'hh')", "Overflow"},
                                     {"select * from NoSuchTable", "nosuchtable"}}) {
        auto failed = pg->openRecordset(sql);
        ASSERT_FALSE(failed) << sql;
        EXPECT_NE(failed.error().message.find(words), std::string::npos) << failed.error().message;
    }
    EXPECT_EQ(scalar(*pg, "select 1"), "1");
}

TEST_F(ServerDialect, UpdatesWithDateLiteralsAndQuotes) {
    UpdateBuilder update;
    update.BeginUpdate("TimeLost");
    update.AddSetField("Remarks", "it's", kTextField);
    update.AddSetField("DT_End", "2026-12-05 07:30", kDateField);
    update.AddWhereField("Dt_ID", "4", "=", kAndJoin, kNumberField);
    for (DbConnection* db : {file.get(), pg.get()}) {
        ASSERT_TRUE(update.ExecuteUpdate(*db));
        EXPECT_EQ(db->changes(), 1);
        EXPECT_EQ(scalar(*db, "select Remarks from TimeLost where Dt_ID = 4"), "it`s");
        EXPECT_EQ(scalar(*db, "select format(DT_End,'dd-MMM-yy hh:mm') from TimeLost where Dt_ID = 4"),
                  "05-Dec-26 07:30");
    }
    auto bad = pg->execute("update TimeLost set DT_End = #31/31/2026# where Dt_ID = 4");
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().message.find("#31/31/2026#"), std::string::npos);
}

// The session's helpers are made by the first statement that calls them; made inside a
// transaction of the caller's, they neither end it nor vanish unnoticed when it rolls back.
TEST_F(ServerDialect, HelpersMadeInsideATransactionFollowIt) {
    auto opened = DbConnection::open(serverName);
    ASSERT_TRUE(opened) << opened.error().message;
    DbConnection& db = **opened;
    exec(db, "begin; update TimeLost set Remarks = 'undone' where Dt_ID = 1");
    EXPECT_EQ(scalar(db, "select format(46361.5,'hh')"), "12");
    exec(db, "rollback");
    EXPECT_EQ(
        scalar(db, "select format(46361.5,'hh') || count(Remarks) from TimeLost where Asset = 'FILLER'"),
        "120");
}

// Walks a statement's rows, running `meanwhile` on the same connection after the first row: the
// rows as "a:b|...", then the failure that ended the walk, if any.
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

// Rows arrive while they are walked; other statements run in the middle of a walk, a walk given
// up half way, and a failure at a later row behave as on SQLite.
TEST_F(ServerDialect, WalksSurviveOtherStatementsAndFailLateAsOnSqlite) {
    for (DbConnection* db : {file.get(), pg.get()}) {
        exec(*db, "create table n (i integer); insert into n values (1), (2), (3), (4), (5)");
        const auto others = [db] {
            EXPECT_EQ(walk(*db, "select i, i * 2 from n where i > 3", [] {}), "4:8|5:10|");
            exec(*db, "update TimeLost set Remarks = 'meanwhile' where Dt_ID = 1");
            { // given up after one row
                auto dropped = db->openRecordset("select i from n");
                ASSERT_TRUE(dropped && !dropped->eof());
            }
        };
        const std::string where = db == pg.get() ? "server" : "SQLite";
        EXPECT_EQ(walk(*db, "select i, Len(i) from n", others), "1:1|2:1|3:1|4:1|5:1|") << where;
        EXPECT_EQ(walk(*db, "select i, cint(i * 10000) from n", [] {}), "1:10000|2:20000|3:30000|Overflow")
            << where;
        EXPECT_EQ(walk(*db, "select i, cint(i * 10000) from n", others), "1:10000|2:20000|3:30000|Overflow")
            << where;
        EXPECT_EQ(scalar(*db, "select Remarks from TimeLost where Dt_ID = 1"), "meanwhile") << where;
    }
}

TEST(ServerStatements, TranslationKeepsLiteralsAndNames) {
    const auto translated = [](std::string_view sql) { return postgresStatement(sql, 46361.5).value(); };
    EXPECT_EQ(translated("select [Loss_Structure], 'it''s [x] now()' from t where a = 'x' and b = '5'"),
              "select \"loss_structure\", 'it''s [x] now()' from t where a = 'x' COLLATE pg_temp.nax_nocase "
              "and b = '5'");
    EXPECT_EQ(translated("select iif(a > 1, iif(b, 'x', 'y'), Len(c)) from t"),
              "select (CASE WHEN (a > 1) THEN ( (CASE WHEN (b) THEN ( 'x') ELSE ( 'y') END)) ELSE ( "
              "pg_temp.nax_len(c)) END) from t");
    EXPECT_EQ(translated("select a from t where trim(x) not in ('Ab', '') order by a desc, b"),
              "select a from t where trim(x) COLLATE pg_temp.nax_nocase not in ('Ab', '') ORDER BY a desc "
              "NULLS LAST, b NULLS FIRST");
    EXPECT_EQ(
        translated("select a from t where 'Ab' = a and 'x''y' <> b"),
        "select a from t where 'Ab' COLLATE pg_temp.nax_nocase = a and 'x''y' COLLATE pg_temp.nax_nocase <> "
        "b");
    EXPECT_EQ(translated("select x from t where id in (1, 2) and n in (select n from u)"),
              "select x from t where id in (1, 2) and n in (select n from u)");
    EXPECT_FALSE(postgresStatement("update t set a = #no date# where b = 1", 0));
    EXPECT_FALSE(postgresStatement("select iif(a, b) from t", 0));
}

} // namespace
