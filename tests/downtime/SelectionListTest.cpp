// The popup's row tables: type-to-find matching and loading a query result.
#include "downtime/SelectionList.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace nax {
namespace {

TEST(SelectionFilter, FindsByTheStartOfTheSearchKeyOrOfTheTextWithTheDialectsWildcards) {
    SelectionList list;
    int key = 1;
    for (const char* name : {"Filler - Valve (A)", "Capper", "Filler Bowl", "filter", "Ill Motor",
                             "Line 2 Feed", "Line A Feed", "Étiqueteuse"})
        list.addRow(key, std::to_string(key), name, ""), ++key;
    // Never in the middle of a name; on the shown text the match is case-sensitive ("filter" does not
    // start with F), on the search key it is not.
    // clang-format off
    const std::pair<const char*, const char*> finds[] = {
        {"fill", "Filler - Valve (A), Filler Bowl, "}, {"Fil", "Filler - Valve (A), Filler Bowl, filter, "},
        {"fillervalve", "Filler - Valve (A), "}, {"FILLER-VALVE (a", "Filler - Valve (A), "},
        {"éti", "Étiqueteuse, "}, {"ill", "Ill Motor, "}, {"valve", ""}, {"Line #", "Line 2 Feed, "},
        {"F?ller B", "Filler Bowl, "}, {"*Feed", "Line 2 Feed, Line A Feed, "},
        {"[!F]", "Capper, filter, Ill Motor, Line 2 Feed, Line A Feed, Étiqueteuse, "},
        {"", "Filler - Valve (A), Capper, Filler Bowl, filter, Ill Motor, Line 2 Feed, Line A Feed, "
             "Étiqueteuse, "}};
    // clang-format on
    for (const auto& [typed, expected] : finds) {
        std::string found;
        for (int row : list.filter(0, typed))
            found += list.record(0, row).text + ", ";
        EXPECT_EQ(found, expected) << typed;
    }
}

using SelectionLoad = test::PlantDbTest;

TEST_F(SelectionLoad, RowsBeyondTheCountOrKeysThatAreNoNumbersStopIt) {
    // count([Asset_Name]) skips the NULL name, the select returns it: the rows that fit stay.
    test::exec(*db, "insert into Asset_Master values (1,'Filler'),(2,NULL),(3,'Capper')");
    // clang-format off
    PickRequest assets{"Asset_Master", "[Asset_Name]", "Asset_ID", "[Asset_Name]", "", "", "", "",
                       "order by Asset_ID", true};
    // clang-format on
    SelectionList list;
    auto load = [&](const PickRequest& request) {
        auto rows = db->openRecordset(pickRowsStatement(request));
        return loadSelectionRows(rows, countPickRows(*db, request), false, list);
    };
    auto result = load(assets);
    EXPECT_TRUE(result.noRecordFound);
    EXPECT_EQ(result.loaded, 2);
    EXPECT_EQ(list.key(1), 2);
    assets.condition = " where Asset_ID = 3";
    EXPECT_EQ(countPickRows(*db, assets), 1); // the count takes the condition too

    assets.key = "[Asset_Name]";
    assets.condition = " where Asset_Name is not null";
    result = load(assets);
    EXPECT_TRUE(result.noRecordFound);
    EXPECT_EQ(result.loaded, 0);
}

} // namespace
} // namespace nax
