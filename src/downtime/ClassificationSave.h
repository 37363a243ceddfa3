#pragma once
// The classification of one downtime event: the thirteen boxes of the detail frame, the master
// lists its boxes pick from, and the UPDATE that writes the ten classification columns back.
#include "base/Result.h"
#include "db/DbConnection.h"
#include "db/QueryHelpers.h"
#include "downtime/SelectionList.h"

#include <array>
#include <bitset>
#include <optional>
#include <string>
#include <string_view>

namespace nax {

inline constexpr int kClassificationBoxes = 13;

// Boxes of the detail frame by index.
enum ClassificationBox : int {
    kBoxStart = 0,
    kBoxEnd = 1,
    kBoxRun = 2,
    kBoxShift = 3,
    kBoxAsset = 4,
    kBoxComponent = 5,
    kBoxLossStructure = 6,
    kBoxFailure = 7,
    kBoxExecutive = 8,
    kBoxOperator = 9,
    kBoxRemarks = 10,
    kBoxOther1 = 11,
    kBoxOther2 = 12,
};

struct ClassificationBoxInfo {
    const char* caption; // the label beside the box
    int gridColumn;      // the downtime list column the box is filled from
    bool editable;       // start, end and run are shown only
};

const std::array<ClassificationBoxInfo, kClassificationBoxes>& classificationBoxes();

// "More Info -" + grid row + "         Time Lost (Mins) : " + minutes
std::string detailCaption(int gridRow, std::string_view minutes);

// The master list box `box` (4 to 9) picks from; nullopt for the other boxes. Component and
// failure lists are narrowed by `assetTag`, the key held by the asset box.
std::optional<PickRequest> classificationPickList(int box, std::string_view assetTag);

// Asset_ID of the Asset_Master row named `assetName` (the lowest one when several share it),
// or the empty text when none does or the name is empty; a database failure is returned.
Result<std::string> assetKeyForName(DbConnection& db, std::string_view assetName);

using ClassificationTexts = std::array<std::string, kClassificationBoxes>;
// The boxes the user left as they were opened: their stored texts go back byte for byte.
using UntouchedBoxes = std::bitset<kClassificationBoxes>;

// Begins an update of TimeLost, sets Shift, Asset, Component, Loss_Structure, Failure,
// A_Operator, Executive, Remarks, Other1, Other2 (in this order) as texts from their boxes and
// adds the condition [Dt_ID] = dtId as a number. A typed or changed text has its single quotes
// stored as backquotes; an untouched one is written as it is.
void buildClassificationUpdate(UpdateBuilder& builder, const ClassificationTexts& boxes,
                               std::string_view dtId, UntouchedBoxes untouched = {});

// Builds and runs the update; the error's message is the text to show the user.
Result<void> saveClassification(DbConnection& db, const ClassificationTexts& boxes, std::string_view dtId,
                                UntouchedBoxes untouched = {});

} // namespace nax
