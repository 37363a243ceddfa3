// The popup's row tables: type-to-find matching, loading a query result, the pick statements.
#include "downtime/SelectionList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace nax {
namespace {

using Texts = std::vector<std::string>;

class SelectionFilter : public ::testing::Test {
protected:
    void SetUp() override {
        int key = 1;
        for (const char* name :
             {"Filler - Valve (A)", "Capper", "Filler Bowl", "filter", "Ill Motor", "Line 2 Feed", "Line A Feed", "Étiqueteuse"})
            list.addRow(key, std::to_string(key), name, ""), ++key;
    }
    Texts find(std::string_view typed) {
        Texts texts;
        for (int row : list.filter(0, typed)) texts.push_back(list.record(0, row).text);
        return texts;
    }
    SelectionList list;
};

TEST_F(SelectionFilter, FindsByTheStartOfTheSearchKeyOrOfTheText) {
    EXPECT_EQ(find("fill"), (Texts{"Filler - Valve (A)", "Filler Bowl"}));
    EXPECT_EQ(find("Fil"), (Texts{"Filler - Valve (A)", "Filler Bowl", "filter"}));
    EXPECT_EQ(find("fillervalve"), (Texts{"Filler - Valve (A)"}));
    EXPECT_EQ(find("FILLER-VALVE (a"), (Texts{"Filler - Valve (A)"}));
    EXPECT_EQ(find("éti"), (Texts{"Étiqueteuse"}));
    EXPECT_EQ(find("ill"), (Texts{"Ill Motor"})); // never in the middle of a name
    EXPECT_TRUE(find("valve").empty());
    EXPECT_EQ(find("").size(), 8u);
}

TEST_F(SelectionFilter, WildcardsAndCaseFollowTheDialectsLike) {
    EXPECT_EQ(find("Line #"), (Texts{"Line 2 Feed"}));
    EXPECT_EQ(find("F?ller B"), (Texts{"Filler Bowl"}));
    EXPECT_EQ(find("*Feed"), (Texts{"Line 2 Feed", "Line A Feed"}));
    // On the shown text the match is case-sensitive: "filter" does not start with F.
    EXPECT_EQ(find("[!F]"), (Texts{"Capper", "filter", "Ill Motor", "Line 2 Feed", "Line A Feed", "Étiqueteuse"}));
}

TEST(SelectionLoad, RowsBeyondTheCountOrKeysThatAreNoNumbersStopIt) {
    test::ScratchDir dir;
    auto db = test::makePlantDatabase(dir.file("db1.db"));
    // count([Asset_Name]) skips the NULL name, the select returns it: the rows that fit stay.
    test::exec(*db, "insert into Asset_Master values (1,'Filler'),(2,NULL),(3,'Capper')");
    PickRequest assets{"Asset_Master", "[Asset_Name]", "Asset_ID", "[Asset_Name]", "", "", "", "", "order by Asset_ID", true};
    SelectionList list;
    auto load = [&](const PickRequest& request) {
        auto rows = db->openRecordset(pickRowsStatement(request));
        return loadSelectionRows(rows, countPickRows(*db, request), false, list);
    };
    auto result = load(assets);
    EXPECT_TRUE(result.noRecordFound);
    EXPECT_EQ(result.loaded, 2);
    EXPECT_EQ(list.key(1), 2);

    assets.key = "[Asset_Name]";
    assets.condition = " where Asset_Name is not null";
    result = load(assets);
    EXPECT_TRUE(result.noRecordFound);
    EXPECT_EQ(result.loaded, 0);
}

TEST(PickStatements, AreAssembledWithTheCallersBlanks) {
    const PickRequest components{"Component_master", "[Component]", "1", "[Component]", "Component List", "", "",
                                 "  Where Asset_id =7", "", true};
    EXPECT_EQ(pickCountStatement(components), "select count([Component]) from Component_master   Where Asset_id =7");
    EXPECT_EQ(pickRowsStatement(components), "select [Component],1,[Component] from Component_master   Where Asset_id =7 ");
}

} // namespace
} // namespace nax
