#pragma once
// The dialect's answers, one table for both engines: the SQLite tests run it on a file, the server
// tests on the server. Text compares without regard to case, for every letter but not accents.
#include "db/DbConnection.h"
#include "support/TestSupport.h"

#include <QString>
#include <gtest/gtest.h>
#include <utility>

namespace nax::test {

inline constexpr const char* kDialectRows =
    "insert into TimeLost(Dt_ID, Tag_ID, DT_Start, Loss_Structure, Asset) values "
    "(1, 1, 46361.25, 'Minor Stoppage', 'Filler'), (2, 2, 46361.5, 'LACK of sales ', 'ÄRGER'),"
    "(3, NULL, NULL, NULL, NULL), (4, 3, 46361.2916666667, ' equipment LOSS', 'straße'), (5, 1, "
    "-1.25, '', 'x')";

// clang-format off
inline constexpr std::pair<const char*, const char*> kDialectAnswers[] = {
    {"format(46361.2916666667,'dd-MMM-yy hh:mm:ss')", "05-Dec-26 07:00:00"},
    {"format(46361.99999999,'dd-MMM-yy hh:mm')", "06-Dec-26 00:00"},
    {"format(-1.25,'dd-MMM-yy hh:mm:ss')", "29-Dec-99 06:00:00"}, {"format(46361,'dddd')", "Saturday"},
    {"format(46361.75,'hh')", "18"}, {"format('46361.75','hh')", "18"}, {"format('abc','hh')", "abc"},
    {"format(46361.5,'DD-MMM-YY')", "05-Dec-26"}, {"coalesce(format(NULL,'hh'), 'null')", "null"},
    {"cint(2.5)", "2"}, {"cint(3.5)", "4"}, {"cint(-2.5)", "-2"}, {"cint(32767.4)", "32767"},
    {"cint('12')", "12"}, {"cdbl('12.5') * 2", "25"}, {"cdbl(3)", "3"},
    {"iif(1>2,'a','b')", "b"}, {"iif(NULL = 1,'a','b')", "b"}, {"iif(Len('ab') = 2, 1.5, 2)", "1.5"},
    {"Len(Trim('  ab c '))", "4"}, {"Len('Ärger')", "5"}, {"coalesce(Len(NULL), -1)", "-1"},
    {"now()", "46361.5"}, {"now() - 1", "46360.5"},
    {"10.0", "10"}, {"12.0/3*1.0", "4"}, {"10.0 / 4", "2.5"}, {"7 / 2", "3"}, {"1/3.0", "0.333333333333333"},
    {"count(*) from TimeLost where trim([Loss_Structure]) ='lack of sales'", "1"},
    {"count(*) from TimeLost where Loss_Structure NOT IN ('minor stoppage')", "3"},
    {"count(*) from TimeLost where trim([Loss_Structure]) in ('Equipment Loss','')", "2"},
    {"count(*) from TimeLost where [Asset] = 'FILLER' and Tag_ID in (1, 2)", "1"},
    {"count(*) from TimeLost where 'FILLER' = [Asset]", "1"},
    {"count(*) from TimeLost where Asset = 'ärger'", "1"}, {"count(*) from TimeLost where Asset = 'ARGER'", "0"},
    {"count(*) from TimeLost where Asset = 'STRASSE'", "0"},
    {"max(format(DT_Start,'dd-MMM-yy hh:mm')) from TimeLost where Dt_ID < 3", "05-Dec-26 12:00"},
    // Literals and bracketed names pass as they are; numbers in quotes still compare as numbers.
    {"'it''s [x] now()'", "it's [x] now()"}, {"[Loss_Structure] from TimeLost where [Dt_ID] = 1", "Minor Stoppage"},
    {"count(*) from TimeLost where Tag_ID = '1' and 'x''y' <> Asset", "2"},
    {"count(*) from TimeLost where Tag_ID in (1, 2) and Dt_ID in (select Dt_ID from TimeLost)", "3"},
    {"iif(1 > 2, iif(1 = 1, 'x', 'y'), Trim(' abc'))", "abc"},
    // Empty values come first in an ascending order, last in a descending one.
    {"coalesce(DT_Start, -9) from TimeLost order by DT_Start", "-9"},
    {"DT_Start from TimeLost order by DT_Start desc, Dt_ID", "46361.5"},
    {"Sum(Time_Lost) from TimeLost", ""}, {"count(*) from TimeLost where Loss_Structure = 'MINOR STOPPAGE '", "0"},
};

// Statements that fail, and what the failure says.
inline constexpr std::pair<const char*, const char*> kDialectFailures[] = {
    {"select cint(40000)", "Overflow"}, {"select cint('abc')", "Type mismatch"},
    {"select cdbl(NULL)", "Invalid use of Null"}, {"select format(3000000,'hh')", "Overflow"},
    {"select * from NoSuchTable", "such"}, {"update TimeLost set DT_End = #no date# where Dt_ID = 1", "no date"},
    {"select iif(1, 2) from TimeLost", "iif"}};
// clang-format on

// Runs the table on `db`, which holds kDialectRows; a failure leaves the connection working.
inline void expectDialectTable(DbConnection& db) {
    for (const auto& [expression, answer] : kDialectAnswers)
        EXPECT_EQ(scalar(db, std::string("select ") + expression), answer) << expression;
    for (const auto& [sql, words] : kDialectFailures) {
        auto failed = db.openRecordset(sql);
        ASSERT_FALSE(failed) << sql;
        EXPECT_TRUE(QString::fromStdString(failed.error().message)
                        .contains(QLatin1String(words), Qt::CaseInsensitive))
            << failed.error().message;
    }
    EXPECT_EQ(scalar(db, "select 1"), "1");
}

} // namespace nax::test
