// Saving one event's classification, and the master lists the detail boxes pick from.
#include "downtime/ClassificationSave.h"
#include "shell/TextRules.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace nax {
namespace {

ClassificationTexts sampleBoxes() {
    ClassificationTexts boxes;
    boxes[kBoxStart] = "05-Dec-26 06:00:00";
    boxes[kBoxEnd] = "05-Dec-26 06:10:00";
    boxes[kBoxRun] = "12";
    boxes[kBoxShift] = "A";
    boxes[kBoxAsset] = "Filler";
    boxes[kBoxComponent] = "Valve";
    boxes[kBoxLossStructure] = "Equipment Loss";
    boxes[kBoxFailure] = "Leak";
    boxes[kBoxExecutive] = "Mala";
    boxes[kBoxOperator] = "Ravi";
    boxes[kBoxRemarks] = "r";
    boxes[kBoxOther1] = "";
    boxes[kBoxOther2] = "o2";
    return boxes;
}

TEST(ClassificationUpdate, StatementTextColumnOrderAndKeyCondition) {
    UpdateBuilder builder;
    buildClassificationUpdate(builder, sampleBoxes(), "5");
    // Executive comes after A_Operator although its box comes first; the empty box writes ''.
    EXPECT_EQ(builder.statement(),
              "Update [TimeLost] set  [Shift] ='A',[Asset] ='Filler',[Component] ='Valve',"
              "[Loss_Structure] ='Equipment Loss',[Failure] ='Leak',[A_Operator] ='Ravi',[Executive] ='Mala',"
              "[Remarks] ='r',[Other1] ='',[Other2] ='o2'  Where [Dt_ID] =5 ");
}

TEST(ClassificationUpdate, SingleQuotesBecomeBackquotes) {
    auto boxes = sampleBoxes();
    boxes[kBoxRemarks] = "operator's 'note'";
    UpdateBuilder builder;
    buildClassificationUpdate(builder, boxes, "5");
    EXPECT_NE(builder.statement().find("[Remarks] ='operator`s `note`',"), std::string::npos);
}

class ClassificationSaveDb : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(db);
        test::exec(*db, "insert into TimeLost (Dt_ID, Shift, Asset, Remarks) values (5,'B','Old','keep'),"
                        "(6,'C','Other','untouched')");
    }
    std::string column(const std::string& name, int dtId = 5) {
        return test::scalar(*db, "select " + name + " from TimeLost where Dt_ID = " + std::to_string(dtId));
    }
    test::ScratchDir dir;
    std::unique_ptr<DbConnection> db = test::makePlantDatabase(dir.file("db1.db"));
};

TEST_F(ClassificationSaveDb, WritesTheTenColumnsOfThatRowOnly) {
    auto boxes = sampleBoxes();
    boxes[kBoxRemarks] = "it's fixed";
    ASSERT_TRUE(saveClassification(*db, boxes, "5").ok());
    EXPECT_EQ(column("Shift"), "A");
    EXPECT_EQ(column("A_Operator"), "Ravi");
    EXPECT_EQ(column("Executive"), "Mala");
    EXPECT_EQ(column("Remarks"), "it`s fixed");
    EXPECT_EQ(column("typeof(Other1)"), "text"); // empty text, not NULL
    EXPECT_EQ(column("Other1"), "");
    EXPECT_EQ(column("Remarks", 6), "untouched");
    EXPECT_EQ(column("Shift", 6), "C");
}

TEST_F(ClassificationSaveDb, VeryLongTextIsSavedWhole) {
    auto boxes = sampleBoxes();
    boxes[kBoxRemarks] = std::string(200000, 'x') + "end";
    ASSERT_TRUE(saveClassification(*db, boxes, "5").ok());
    EXPECT_EQ(column("length(Remarks)"), "200003");
    EXPECT_EQ(column("substr(Remarks, -3)"), "end");
}

TEST_F(ClassificationSaveDb, DeletedEventIsReportedAsAFailedUpdate) {
    test::exec(*db, "delete from TimeLost where Dt_ID = 5");
    const auto saved = saveClassification(*db, sampleBoxes(), "5");
    ASSERT_FALSE(saved.ok());
    EXPECT_EQ(saved.error().message.rfind("Update Statement failed : ", 0), 0u);
    EXPECT_EQ(test::scalar(*db, "select count(*) from TimeLost"), "1");
}

TEST_F(ClassificationSaveDb, ReadOnlyFileFailsWithTheScrambledStatement) {
    auto readOnly = DbConnection::open(dir.file("db1.db"), OpenOptions{100, true});
    ASSERT_TRUE(readOnly.ok());
    const auto saved = saveClassification(**readOnly, sampleBoxes(), "5");
    ASSERT_FALSE(saved.ok());
    UpdateBuilder builder;
    buildClassificationUpdate(builder, sampleBoxes(), "5");
    const std::string& message = saved.error().message;
    EXPECT_EQ(message.rfind("Update Statement failed : ", 0), 0u);
    const std::string scrambled = ScrambleText(builder.statement());
    EXPECT_EQ(message.substr(message.size() - scrambled.size()), scrambled);
    EXPECT_EQ(column("Shift"), "B");
}

class MasterLists : public ClassificationSaveDb {
protected:
    void SetUp() override {
        ClassificationSaveDb::SetUp();
        test::exec(*db, "insert into Asset_Master values (1,'Filler'),(2,'Capper'),(3,' '),(4,'Filler');"
                        "insert into Component_master values ('Valve',1),('Bowl',1),('Chuck',2);"
                        "insert into Failure_Master values (10,'Leak',1),(11,'Jam',2);"
                        "insert into Misc_Master values ('Equipment Loss'),('x'),('  ');"
                        "insert into Employee_Master values (7,'Ravi','Operator'),(9,'Mala','Executive')");
    }
    std::vector<std::string> shown(int box, std::string_view assetTag = "") {
        const auto request = classificationPickList(box, assetTag);
        if (!request) return {"<no list>"};
        std::vector<std::string> texts;
        auto rows = db->openRecordset(pickRowsStatement(*request));
        if (!rows) return {"<failed>"};
        for (; !rows->eof(); (void)rows->moveNext()) texts.push_back(rows->text(0) + "|" + rows->text(2));
        return texts;
    }
};

TEST_F(MasterLists, EachBoxOffersItsOwnRows) {
    using V = std::vector<std::string>;
    EXPECT_EQ(shown(kBoxAsset), (V{"Filler|Filler", "Capper|Capper", "Filler|Filler"})); // blank name left out
    EXPECT_EQ(shown(kBoxComponent, "1"), (V{"Valve|Valve", "Bowl|Bowl"}));
    EXPECT_EQ(shown(kBoxFailure, "2"), (V{"Jam|Jam"}));
    EXPECT_EQ(shown(kBoxLossStructure), (V{"Equipment Loss|Equipment Loss"}));
    EXPECT_EQ(shown(kBoxExecutive), (V{"Mala|Executive"}));
    EXPECT_EQ(shown(kBoxOperator), (V{"Ravi|Operator"}));
    EXPECT_EQ(shown(kBoxRemarks), (V{"<no list>"}));
    EXPECT_EQ(shown(kBoxShift), (V{"<no list>"}));
}

TEST_F(MasterLists, ComponentListWithoutAnAssetKeyIsRejected) {
    EXPECT_EQ(shown(kBoxComponent, ""), (std::vector<std::string>{"<failed>"}));
}

TEST_F(MasterLists, OnlyTheStaffListsShowTwoColumns) {
    for (int box = kBoxAsset; box <= kBoxOperator; ++box)
        EXPECT_EQ(classificationPickList(box, "1")->single, box != kBoxExecutive && box != kBoxOperator) << box;
}

TEST_F(MasterLists, AssetKeyOfTheEventsAssetName) {
    EXPECT_EQ(assetKeyForName(*db, "Capper"), "2");
    EXPECT_EQ(assetKeyForName(*db, "Filler"), "1"); // the lowest of two rows with one name
    EXPECT_EQ(assetKeyForName(*db, "Labeller"), "");
    EXPECT_EQ(assetKeyForName(*db, ""), "");
    EXPECT_EQ(assetKeyForName(*db, "it's"), ""); // a quote does not break the lookup
    test::exec(*db, "insert into Asset_Master values (5,'Mixer`s Pump')");
    EXPECT_EQ(assetKeyForName(*db, "Mixer`s Pump"), "5");
}

} // namespace
} // namespace nax
