#pragma once
// The classification of one downtime event: the thirteen boxes of the detail frame, the master
// lists its boxes pick from, and the UPDATE that writes the ten classification columns back.
#include "base/Result.h"
#include "db/DbConnection.h"
#include "db/QueryHelpers.h"
#include "downtime/SelectionList.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// The caption while several events are open together: "More Info - N events".
std::string detailCaptionForEvents(size_t events);

// The master list box `box` (4 to 9) picks from; nullopt for the other boxes. Component and
// failure lists are narrowed by `assetTag`, the key held by the asset box.
std::optional<PickRequest> classificationPickList(int box, std::string_view assetTag);

// Asset_ID of the Asset_Master row named `assetName` (the lowest one when several share it),
// or the empty text when none does or the name is empty; a database failure is returned.
Result<std::string> assetKeyForName(DbConnection& db, std::string_view assetName);

using ClassificationTexts = std::array<std::string, kClassificationBoxes>;
// The boxes the user left as they were opened: their stored texts go back byte for byte.
using UntouchedBoxes = std::bitset<kClassificationBoxes>;
// The boxes a save writes back.
using ClassificationBoxSet = std::bitset<kClassificationBoxes>;

// Begins an update of TimeLost, sets Shift, Asset, Component, Loss_Structure, Failure,
// A_Operator, Executive, Remarks, Other1, Other2 (in this order, those of `written` only) as
// texts from their boxes and adds the condition [Dt_ID] = dtId as a number. A typed or changed
// text has its single quotes stored as backquotes; an untouched one is written as it is.
void buildClassificationUpdate(UpdateBuilder& builder, const ClassificationTexts& boxes,
                               std::string_view dtId, UntouchedBoxes untouched = {},
                               ClassificationBoxSet written = ClassificationBoxSet().set());

// Builds and runs the update; the error's message is the text to show the user.
Result<void> saveClassification(DbConnection& db, const ClassificationTexts& boxes, std::string_view dtId,
                                UntouchedBoxes untouched = {});

// The editable boxes holding more than blanks: what a save to several events writes.
ClassificationBoxSet filledBoxes(const ClassificationTexts& boxes);

inline constexpr const char* kNothingToSave = "Fill at least one box to classify the selected events.";

// Writes the filled boxes (as typed texts) to every event of `dtIds`, each with the update of a
// single save narrowed to those columns, in one transaction: all events change or none. Each event keeps
// its own value where a box is blank. A failure (a write lock held past the busy timeout, an
// event deleted since it was listed) rolls back and says why in the message to show the user;
// no filled box is refused with kNothingToSave.
Result<void> saveClassificationToEvents(DbConnection& db, const ClassificationTexts& boxes,
                                        const std::vector<int64_t>& dtIds);

} // namespace nax
