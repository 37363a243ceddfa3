// LookupValue, the update builder and reading a table in parts.
#include "db/QueryHelpers.h"
#include "db/TableSlices.h"
#include "support/TestSupport.h"
#include "text/TextMatch.h"

#include <gtest/gtest.h>

using namespace nax;
using nax::test::exec;
using nax::test::scalar;

namespace {

class QueryHelpersTest : public test::PlantDbTest {
protected:
    void SetUp() override {
        exec(*db, "insert into TimeLost(Dt_ID, Run_no, Time_Lost, Remarks) values (5, 7, 0.01, 'x'), (6, 7, "
                  "0.02, NULL)");
    }
    // An update of `table` setting Remarks to `remarks` where Dt_ID = 5.
    static UpdateBuilder remarksUpdate(const char* table, const char* remarks) {
        UpdateBuilder update;
        update.BeginUpdate(table);
        if (*remarks) update.AddSetField("Remarks", remarks, kTextField);
        update.AddWhereField("Dt_ID", "5", "=", kAndJoin, kNumberField);
        return update;
    }
};

// A failure is the engine's error, never a "0" that reads like a figure.
TEST_F(QueryHelpersTest, LookupAnswersFirstFieldOrZeroOrEmptyOrTheError) {
    const auto lookup = [&](const char* table, const char* expression, const char* condition,
                            const char* kind) {
        auto answer = LookupValue(*db, table, expression, condition, kind);
        return answer ? *answer
                      : "error " + std::to_string(answer.error().code) + " " + answer.error().message;
    };
    EXPECT_EQ(lookup("TimeLost", "Sum(Time_Lost) *60 *24", " where Run_no =7", "Int"), "43.2");
    EXPECT_EQ(lookup("TimeLost", "Sum(Time_Lost) *60 *24", " where Run_no =8", "Int"), "0");
    EXPECT_EQ(lookup("TimeLost", "Remarks", " where Dt_ID =6", "Str"), "");
    EXPECT_EQ(lookup("TimeLost", "Remarks", " where Dt_ID =99", "Str"), "");
    EXPECT_EQ(lookup("TimeLost", "Remarks", " where Dt_ID =99", "Int"), "0");
    EXPECT_EQ(lookup("NoTable", "x", "", "Int"), "error 1 no such table: NoTable");
    EXPECT_EQ(lookup("TimeLost", "cint(Time_Lost * 1e9)", " where Dt_ID =5", "Int"), "error 1 Overflow");
}

// Conditions join from the second on; the kinds shape the text; a kind of no field sets nothing.
// Quotes in set values become backquotes (the classification's statement shows more).
TEST_F(QueryHelpersTest, UpdateStatementsTakeTheirShapeFromTheKinds) {
    UpdateBuilder update;
    update.BeginUpdate("T");
    update.AddWhereField("a", "1", "=", kOrJoin, kNumberField);
    update.AddWhereField("b", "2", "=", kOrJoin, kNumberField);
    update.AddWhereField("c", "o'x", "<>", kAndJoin, kTextField);
    update.AddWhereField("d", "3", "=", 7, kDateField);
    EXPECT_EQ(update.where(), " Where [a] =1  or [b] =2  And [c] <> 'o''x' [d] = 3 ");
    update.AddSetField("n", "4", kNumberField);
    update.AddSetField("Ignored", "1", 9);
    update.AddSetField("when", "2026-12-05 07:00'", kDateField);
    EXPECT_EQ(update.setList(), "[n] =4,[when] =#2026-12-05 07:00`#,");
}

TEST_F(QueryHelpersTest, FailedUpdatesTellTheUserAndChangeNothing) {
    auto nothingSet = remarksUpdate("TimeLost", "").ExecuteUpdate(*db);
    ASSERT_FALSE(nothingSet);
    EXPECT_EQ(nothingSet.error().message, "Cannot update Update [TimeLost] set ");

    // Three lines ending in the scrambled statement.
    UpdateBuilder noTable = remarksUpdate("NoSuchTable", "b");
    auto failed = noTable.ExecuteUpdate(*db);
    ASSERT_FALSE(failed);
    const std::string& text = failed.error().message;
    EXPECT_EQ(text.rfind("Update Statement failed : no such table: NoSuchTable\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("\r\n Please send the screenshot of this screen to helpdesk\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.rfind("\r\n") + 2), ScrambleText(noTable.statement()));
    EXPECT_EQ(scalar(*db, "select Remarks from TimeLost where Dt_ID=5"), "x");
}

// Inner bounds are read once; each statement is closed before the next part begins.
TEST_F(QueryHelpersTest, RangesPickWhatBetweenPicksOnceEach) {
    exec(*db,
         "insert into opc(Timestamp, Production) values (0.5,1),(1,1),(2,1),(2.5,1),(3,1),(4,1),(4.25,1)");
    auto collector = DbConnection::open(db->path(), OpenOptions{0, false});
    ASSERT_TRUE(collector);
    for (const double width : {1.0, 0.75, 10.0}) {
        std::vector<std::string> statements, read;
        db->setStatementObserver([&](std::string_view sql) { statements.emplace_back(sql); });
        auto done = readInRanges(
            *db, "Timestamp", 1, 4, width, 0,
            [](const std::string& part) { return "select Timestamp from opc where " + part + " order by 1"; },
            [&](Recordset& rs) -> Result<void> {
                for (; !rs.eof(); (void)rs.moveNext())
                    read.push_back(rs.text(0));
                return success();
            },
            [&]() -> Result<void> {
                // Another connection that does not wait commits only when no statement is open.
                return (*collector)
                    ->execute("update opc set Production = Production + 1 where Timestamp = 0.5");
            });
        db->setStatementObserver(nullptr);
        ASSERT_TRUE(done) << width;
        EXPECT_EQ(read, (std::vector<std::string>{"1", "2", "2.5", "3", "4"})) << width;
        EXPECT_EQ(statements.size(), width == 1 ? 3u : width == 0.75 ? 4u : 1u) << width;
    }
}

} // namespace
