// Saving one event's classification, and the master lists the detail boxes pick from.
#include "downtime/ClassificationSave.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace nax {
namespace {

// clang-format off
ClassificationTexts sampleBoxes() {
    return {"05-Dec-26 06:00:00", "05-Dec-26 06:10:00", "12", "A", "Filler", "Valve", "Equipment Loss",
            "Leak", "Mala", "Ravi", "operator's 'note'", "", "o2"};
}
// clang-format on

TEST(ClassificationUpdate, ColumnOrderQuotesAndKeyCondition) {
    UpdateBuilder builder;
    auto boxes = sampleBoxes();
    boxes[kBoxOther1] = "stored 'as is'";
    buildClassificationUpdate(builder, boxes, "5", UntouchedBoxes().set(kBoxOther1));
    // Executive comes after A_Operator although its box comes first; the empty box writes ''.
    // Typed quotes become backquotes; an untouched box keeps its own.
    EXPECT_EQ(
        builder.statement(),
        "Update [TimeLost] set  [Shift] ='A',[Asset] ='Filler',[Component] ='Valve',"
        "[Loss_Structure] ='Equipment Loss',[Failure] ='Leak',[A_Operator] ='Ravi',[Executive] ='Mala',"
        "[Remarks] ='operator`s `note`',[Other1] ='stored ''as is''',[Other2] ='o2'  Where [Dt_ID] =5 ");
}

class ClassificationDb : public test::PlantDbTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(db);
        test::exec(*db, R"(insert into TimeLost (Dt_ID, Shift, Remarks) values (5,'B','keep'),(6,'C','kept');
            insert into Asset_Master values (1,'Filler'),(2,'Capper'),(3,' '),(4,'Filler');
            insert into Component_master values ('Valve',1),('Bowl',1),('Chuck',2);
            insert into Failure_Master values (10,'Leak',1),(11,'Jam',2);
            insert into Misc_Master values ('Equipment Loss'),('x');
            insert into Employee_Master values (7,'Ravi','Operator'),(9,'Mala','Executive'))");
    }
    std::string column(const std::string& name, int dtId = 5) {
        return test::scalar(*db, "select " + name + " from TimeLost where Dt_ID = " + std::to_string(dtId));
    }
};

TEST_F(ClassificationDb, SaveWritesTheTenColumnsOfThatRowWholeOrFails) {
    auto boxes = sampleBoxes();
    boxes[kBoxOther2] = std::string(200000, 'x') + "end";
    ASSERT_TRUE(saveClassification(*db, boxes, "5").ok());
    EXPECT_EQ(column("Shift||'|'||A_Operator||'|'||Executive||'|'||Remarks||'|'||typeof(Other1)"),
              "A|Ravi|Mala|operator`s `note`|text"); // an empty box writes empty text, not NULL
    EXPECT_EQ(column("length(Other2)"), "200003");
    EXPECT_EQ(column("Remarks", 6), "kept"); // the other event is untouched
    // A deleted event fails in the usual words.
    test::exec(*db, "delete from TimeLost where Dt_ID = 5");
    const auto missing = saveClassification(*db, sampleBoxes(), "5");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().message.rfind("Update Statement failed : ", 0), 0u);
    EXPECT_EQ(test::scalar(*db, "select count(*) from TimeLost"), "1");
}

// Several events: filled boxes written as a single save writes them, blank ones left; none filled: refused.
TEST_F(ClassificationDb, SaveToSeveralEventsWritesOnlyTheFilledBoxesAsASingleSaveDoes) {
    test::exec(*db, "insert into TimeLost (Dt_ID) values (7)");
    ClassificationTexts boxes{"not a column"};
    boxes[kBoxShift] = " \t ";
    boxes[kBoxRemarks] = "operator's 'note'";
    ASSERT_TRUE(saveClassification(*db, boxes, "7"));
    ASSERT_TRUE(saveClassificationToEvents(*db, boxes, {5, 6}));
    const std::string single = column("Remarks", 7);
    EXPECT_EQ(column("Shift||Remarks", 5) + "|" + column("Shift||Remarks", 6), "B" + single + "|C" + single);
    const auto empty = saveClassificationToEvents(*db, ClassificationTexts{"x", "y", "z", " "}, {5, 6});
    EXPECT_EQ(empty ? "saved" : empty.error().message, kNothingToSave);
}

TEST_F(ClassificationDb, EachListBoxOffersItsOwnMasterRowsAndAnAssetNameGivesItsKey) {
    auto shown = [&](int box, std::string_view assetTag) {
        std::string texts;
        auto rows = db->openRecordset(pickRowsStatement(*classificationPickList(box, assetTag)));
        for (; rows && !rows->eof(); (void)rows->moveNext())
            texts += rows->text(0) + "|" + rows->text(2) + ", ";
        return texts;
    };
    EXPECT_EQ(shown(kBoxAsset, ""), "Filler|Filler, Capper|Capper, Filler|Filler, "); // blank name left out
    EXPECT_EQ(shown(kBoxLossStructure, ""), "Equipment Loss|Equipment Loss, ");
    EXPECT_EQ(shown(kBoxOperator, ""), "Ravi|Operator, ");
    EXPECT_FALSE(classificationPickList(kBoxRemarks, "1"));
    // The asset key of an event's asset name narrows the component and failure lists.
    EXPECT_EQ(*assetKeyForName(*db, "Capper"), "2");
    EXPECT_EQ(*assetKeyForName(*db, "Filler"), "1"); // the lowest of two rows with one name
    EXPECT_EQ(*assetKeyForName(*db, "it's"), "");    // no row, and the quote breaks nothing
    EXPECT_EQ(*assetKeyForName(*db, ""), "");
}

} // namespace
} // namespace nax
