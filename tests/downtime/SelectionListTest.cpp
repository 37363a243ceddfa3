// The popup's row tables: type-to-find matching, loading a query result, the pick statements.
#include "downtime/SelectionList.h"
#include "shell/TextRules.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace nax {
namespace {

std::vector<std::string> shownTexts(const SelectionList& list, const std::vector<int>& rows, int column = 0) {
    std::vector<std::string> texts;
    for (int row : rows) texts.push_back(list.record(column, row).text);
    return texts;
}

class SelectionFilter : public ::testing::Test {
protected:
    void SetUp() override {
        int key = 1;
        for (const char* name : {"Filler - Valve (A)", "Capper", "Filler Bowl", "filter", "Ill Motor", "Line 2 Feed",
                                 "Line A Feed", "Étiqueteuse"})
            list.addRow(key, std::to_string(key), name, key % 2 ? "Operator" : "Executive"), ++key;
    }
    std::vector<std::string> find(std::string_view typed, int column = 0) {
        return shownTexts(list, list.filter(column, typed));
    }
    SelectionList list;
};

TEST_F(SelectionFilter, SearchKeyPrefixIgnoresPunctuationBlanksAndCase) {
    using V = std::vector<std::string>;
    EXPECT_EQ(find("fill"), (V{"Filler - Valve (A)", "Filler Bowl"}));
    EXPECT_EQ(find("Fil"), (V{"Filler - Valve (A)", "Filler Bowl", "filter"}));
    EXPECT_EQ(find("fillervalve"), (V{"Filler - Valve (A)"}));
    EXPECT_EQ(find("FILLER-VALVE (a"), (V{"Filler - Valve (A)"}));
    EXPECT_EQ(find("éti"), (V{"Étiqueteuse"}));
}

TEST_F(SelectionFilter, MatchesOnlyAtTheStart) {
    for (const auto& text : find("ill")) EXPECT_EQ(text.find("Filler"), std::string::npos) << text;
    EXPECT_EQ(find("ill"), (std::vector<std::string>{"Ill Motor"}));
    EXPECT_TRUE(find("valve").empty());
}

TEST_F(SelectionFilter, EmptyTextRestoresEveryRowInTableOrder) {
    const auto all = list.filter(0, "");
    ASSERT_EQ(all.size(), 8u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(all[static_cast<size_t>(i)], i);
}

TEST_F(SelectionFilter, WildcardsFollowTheDialectsLike) {
    using V = std::vector<std::string>;
    EXPECT_EQ(find("Line #"), (V{"Line 2 Feed"}));          // # is one digit
    EXPECT_EQ(find("F?ller B"), (V{"Filler Bowl"}));         // ? is any one character
    EXPECT_EQ(find("*Feed"), (V{"Line 2 Feed", "Line A Feed"})); // * on the shown text
    // A negated list on the shown text is case-sensitive: "filter" does not start with F.
    EXPECT_EQ(find("[!F]"), (V{"Capper", "filter", "Ill Motor", "Line 2 Feed", "Line A Feed", "Étiqueteuse"}));
}

TEST_F(SelectionFilter, SecondColumnFiltersByItsOwnTexts) {
    const auto rows = list.filter(1, "Exe");
    ASSERT_EQ(rows.size(), 4u);
    for (int row : rows) {
        EXPECT_EQ(list.record(1, row).text, "Executive");
        EXPECT_EQ(list.key(row) % 2, 0); // both columns of a row belong together
    }
}

TEST_F(SelectionFilter, ProgressIsSparseButEndsOnTheLastRow) {
    SelectionList big;
    for (int i = 0; i < 5000; ++i) big.addRow(i, std::to_string(i), "Asset " + std::to_string(i), "");
    std::vector<int> seen;
    big.filter(0, "asset 4", [&](int row) { seen.push_back(row); });
    ASSERT_FALSE(seen.empty());
    EXPECT_LT(seen.size(), 10u);
    EXPECT_EQ(seen.back(), 4999);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

class SelectionLoadTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
    std::unique_ptr<DbConnection> db = test::makePlantDatabase(dir.file("db1.db"));
    SelectionList list;

    SelectionLoad load(const PickRequest& request) {
        auto rows = db->openRecordset(pickRowsStatement(request));
        return loadSelectionRows(rows, countPickRows(*db, request), false, list);
    }
    PickRequest assets(std::string condition = "") {
        return {"Asset_Master", "[Asset_Name]", "Asset_ID", "[Asset_Name]", "Asset List", "", "",
                std::move(condition), "order by Asset_ID", true};
    }
};

TEST_F(SelectionLoadTest, RecordsKeysAndTextsOfBothColumnsRowByRow) {
    test::exec(*db, "insert into Employee_Master values (7,'Ravi','Operator'),(9,'Mala','Executive')");
    const PickRequest staff{"Employee_Master", "[Employee_Name]", "Employee_ID", "[Employee_Type]", "Employee List",
                            "", "", "", "order by Employee_ID", false};
    const auto result = load(staff);
    EXPECT_FALSE(result.noRecordFound);
    ASSERT_EQ(result.loaded, 2);
    EXPECT_EQ(list.key(1), 9);
    EXPECT_EQ(list.record(0, 1).key, "9");
    EXPECT_EQ(list.record(0, 1).text, "Mala");
    EXPECT_EQ(list.record(1, 1).text, "Executive");
    EXPECT_EQ(list.record(1, 1).searchKey, "executive");
}

TEST_F(SelectionLoadTest, EmptyOrFailingQueryEndsWithNoRecordFound) {
    EXPECT_TRUE(load(assets()).noRecordFound); // empty table
    test::exec(*db, "insert into Asset_Master values (1,'Filler')");
    const auto failing = load(assets(" Where Asset_id ="));
    EXPECT_TRUE(failing.noRecordFound);
    EXPECT_EQ(failing.loaded, 0);
}

TEST_F(SelectionLoadTest, UncountedNullNamesOverflowTheTables) {
    // count([Asset_Name]) skips the NULL name, the select returns it: the rows that fit stay.
    test::exec(*db, "insert into Asset_Master values (1,'Filler'),(2,NULL),(3,'Capper')");
    const auto result = load(assets());
    EXPECT_TRUE(result.noRecordFound);
    EXPECT_EQ(result.loaded, 2);
    EXPECT_EQ(list.rowCount(), 2);
}

TEST_F(SelectionLoadTest, KeyThatCannotBeItemDataStopsLoading) {
    test::exec(*db, "insert into Misc_Master values ('Planned Loss')");
    PickRequest request{"Misc_Master", "[Loss_Structure]", "[Loss_Structure]", "[Loss_Structure]", "", "", "", "",
                        "", true};
    EXPECT_TRUE(load(request).noRecordFound);
    request.key = "1"; // the constant key the loss structure list uses
    const auto result = load(request);
    EXPECT_FALSE(result.noRecordFound);
    EXPECT_EQ(list.key(0), 1);
}

TEST_F(SelectionLoadTest, MemoDateListsTheSecondFieldAsDateTime) {
    test::exec(*db, "insert into Asset_Master values (46361,'Filler')");
    auto rows = db->openRecordset("select [Asset_Name],Asset_ID,Asset_ID + 0.5 from Asset_Master");
    const auto result = loadSelectionRows(rows, 1, true, list);
    ASSERT_FALSE(result.noRecordFound);
    EXPECT_EQ(list.record(1, 0).text, generalDateText(46361.5));
}

TEST(PickStatements, AreAssembledWithTheCallersBlanks) {
    const PickRequest components{"Component_master", "[Component]", "1", "[Component]", "Component List", "", "",
                                 "  Where Asset_id =7", "", true};
    EXPECT_EQ(pickCountStatement(components), "select count([Component]) from Component_master   Where Asset_id =7");
    EXPECT_EQ(pickRowsStatement(components), "select [Component],1,[Component] from Component_master   Where Asset_id =7 ");
}

TEST(ItemKeys, WholeNumbersWithin32Bits) {
    test::ScratchDir dir;
    auto db = test::makePlantDatabase(dir.file("db1.db"));
    auto rows = db->openRecordset("select 2147483647, 2147483648, '42', 'x', NULL, 2.5, 3.5");
    ASSERT_TRUE(rows.ok());
    EXPECT_EQ(toItemKey(*rows, 0), 2147483647);
    EXPECT_EQ(toItemKey(*rows, 1), std::nullopt);
    EXPECT_EQ(toItemKey(*rows, 2), 42);
    EXPECT_EQ(toItemKey(*rows, 3), std::nullopt);
    EXPECT_EQ(toItemKey(*rows, 4), std::nullopt);
    EXPECT_EQ(toItemKey(*rows, 5), 2); // halves to even
    EXPECT_EQ(toItemKey(*rows, 6), 4);
}

} // namespace
} // namespace nax
