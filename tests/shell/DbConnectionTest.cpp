// The database layer on a real SQLite file: dialect functions, case-insensitive literals,
// field texts and the errors of a failed open.
#include "shell/DbConnection.h"
#include "shell/Dialect.h"
#include "shell/Startup.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace nax;
using nax::test::exec;
using nax::test::scalar;

namespace {

class DialectTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
    std::unique_ptr<DbConnection> db = test::makePlantDatabase(dir.file("db1.sqlite"));
};

TEST_F(DialectTest, FormatWritesDaySerialsWithEnglishNames) {
    EXPECT_EQ(scalar(*db, "select format(46361.2916666667,'dd-MMM-yy hh:mm:ss')"), "05-Dec-26 07:00:00");
    EXPECT_EQ(scalar(*db, "select format(46361.75,'hh')"), "18");
    EXPECT_EQ(scalar(*db, "select format(46361,'dddd')"), "Saturday");
    EXPECT_EQ(scalar(*db, "select format(NULL,'hh') is null"), "1");
}

TEST_F(DialectTest, CintRoundsHalfToEvenWithinSixteenBits) {
    EXPECT_EQ(scalar(*db, "select cint(2.5)"), "2");
    EXPECT_EQ(scalar(*db, "select cint(3.5)"), "4");
    EXPECT_EQ(scalar(*db, "select cint('12')"), "12");
    EXPECT_FALSE(db->openRecordset("select cint(40000)"));
    EXPECT_FALSE(db->openRecordset("select cint('abc')"));
}

TEST_F(DialectTest, IifCdblLenAndNowFromTheInjectedClock) {
    EXPECT_EQ(scalar(*db, "select iif(1>2,'a','b')"), "b");
    EXPECT_EQ(scalar(*db, "select iif(NULL,'a','b')"), "b");
    EXPECT_EQ(scalar(*db, "select cdbl('12.5') * 2"), "25");
    EXPECT_EQ(scalar(*db, "select Len(Trim('  ab c '))"), "4");
    EXPECT_EQ(scalar(*db, "select Len(NULL) is null"), "1");
    EXPECT_EQ(scalar(*db, "select now()"), "46361.5");
}

TEST_F(DialectTest, TextLiteralsCompareWithoutRegardToCase) {
    exec(*db, "insert into TimeLost(Dt_ID, Loss_Structure) values (1,'Minor Stoppage'),(2,'LACK of sales '),(3,NULL)");
    EXPECT_EQ(scalar(*db, "select count(*) from TimeLost where trim([Loss_Structure]) ='lack of sales'"), "1");
    EXPECT_EQ(scalar(*db, "select count(*) from TimeLost where Loss_Structure not in ('minor stoppage')"), "1");
    exec(*db, "insert into TimeLost(Dt_ID, Loss_Structure) values (4,' equipment LOSS'),(5,'')");
    EXPECT_EQ(scalar(*db, "select count(*) from TimeLost where trim([Loss_Structure]) in ('Equipment Loss','')"), "2");
    EXPECT_EQ(scalar(*db, "select count(*) from TimeLost where Loss_Structure NOT IN ('minor stoppage')"), "3");
    EXPECT_EQ(caseInsensitiveStatement("where trim(a) not in ('x') and [b c] in ('y') and t.d in (select 1)"),
              "where trim(a) COLLATE NOCASE not in ('x' COLLATE NOCASE) and [b c] COLLATE NOCASE in "
              "('y' COLLATE NOCASE) and t.d COLLATE NOCASE in (select 1)");
    EXPECT_EQ(caseInsensitiveStatement("select min, inner, [in (x)], 'in (' from t"),
              "select min, inner, [in (x)], 'in (' COLLATE NOCASE from t");
    // A quote inside a literal and bracketed names are left alone.
    EXPECT_EQ(caseInsensitiveStatement("select [it's] from t where a='x''y'"),
              "select [it's] from t where a='x''y' COLLATE NOCASE");
}

TEST_F(DialectTest, FieldTextsFollowTheGeneralNumberFormat) {
    auto rs = db->openRecordset("select 10.0, 12.0/3*1.0, 1/3.0, 7, NULL, 'a b'");
    ASSERT_TRUE(rs);
    EXPECT_EQ(rs->text(0), "10");
    EXPECT_EQ(rs->text(1), "4");
    EXPECT_EQ(rs->text(2), "0.333333333333333");
    EXPECT_EQ(rs->text(3), "7");
    EXPECT_EQ(rs->text(4), "");
    EXPECT_EQ(rs->text(5), "a b");
    EXPECT_TRUE(rs->moveNext());
    EXPECT_TRUE(rs->eof());
    EXPECT_FALSE(rs->moveNext()); // moving past the end is an error, not a crash
}

TEST(DbConnectionOpen, FailsWithCodeAndDescriptionAndNeverCreatesAFile) {
    test::ScratchDir dir;
    const std::string missing = dir.file("none.sqlite");
    auto opened = DbConnection::open(missing);
    ASSERT_FALSE(opened);
    EXPECT_NE(opened.error().code, 0);
    EXPECT_FALSE(opened.error().message.empty());
    EXPECT_FALSE(std::filesystem::exists(missing));

    const std::string junk = dir.file("junk.sqlite");
    FILE* file = std::fopen(junk.c_str(), "w");
    std::fputs("this is no database, just some text that is long enough to have a header......", file);
    std::fclose(file);
    auto notDb = DbConnection::open(junk);
    ASSERT_FALSE(notDb);
    EXPECT_EQ(notDb.error().code, 26); // SQLITE_NOTADB
}

TEST_F(DialectTest, StatementErrorsCarryTheEngineDescription) {
    auto rs = db->openRecordset("select * from NoSuchTable");
    ASSERT_FALSE(rs);
    EXPECT_NE(rs.error().message.find("NoSuchTable"), std::string::npos);
}

} // namespace

namespace {
TEST(StartupTest, MissingDatabaseExplainsPathCodeAndHowToMakeADemo) {
    test::ScratchDir dir;
    CapturedMessages messages;
    const std::string path = dir.file("db1.sqlite");
    EXPECT_EQ(openPlantDatabase(path, messages), nullptr);
    ASSERT_EQ(messages.messages.size(), 1u);
    const std::string& text = messages.messages[0].text;
    EXPECT_NE(text.find(path), std::string::npos);
    EXPECT_NE(text.find("Error 14"), std::string::npos) << text; // SQLITE_CANTOPEN
    EXPECT_NE(text.find("nax-simulate --out"), std::string::npos);
    EXPECT_EQ(messages.messages[0].caption, "Online NAX Reporting");
}
} // namespace
