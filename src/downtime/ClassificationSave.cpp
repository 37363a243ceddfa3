#include "ClassificationSave.h"

namespace nax {

const std::array<ClassificationBoxInfo, kClassificationBoxes>& classificationBoxes() {
    static const std::array<ClassificationBoxInfo, kClassificationBoxes> boxes = {{
        {"Start Time", 5, false},
        {"End Time", 6, false},
        {"Run", 1, false},
        {"Shift", 2, true},
        {"Asset", 8, true},
        {"Component", 9, true},
        {"Loss Structure", 10, true},
        {"Failure", 11, true},
        {"Executive", 13, true},
        {"Operator", 12, true},
        {"Remarks", 14, true},
        {"Other 1", 15, true},
        {"Other 2", 16, true},
    }};
    return boxes;
}

std::string detailCaption(int gridRow, std::string_view minutes) {
    return "More Info -" + std::to_string(gridRow) + "         Time Lost (Mins) : " + std::string(minutes);
}

std::string detailCaptionForEvents(size_t events) {
    return "More Info - " + std::to_string(events) + " events";
}

namespace {
// The classification lists have no column captions and no tail.
PickRequest pickList(const char* table, const char* shown, const char* key, const char* second,
                     const char* heading, std::string condition, bool single) {
    return {table, shown, key, second, heading, "", "", std::move(condition), "", single};
}
} // namespace

std::optional<PickRequest> classificationPickList(int box, std::string_view assetTag) {
    const std::string byAsset = "  Where Asset_id =" + std::string(assetTag);
    switch (box) {
    case kBoxAsset:
        return pickList("Asset_Master", "[Asset_Name]", "Asset_ID", "[Asset_Name]", "Asset List",
                        " Where Len(Trim(Asset_name))>1", true);
    case kBoxComponent:
        return pickList("Component_master", "[Component]", "1", "[Component]", "Component List", byAsset,
                        true);
    case kBoxLossStructure:
        return pickList("Misc_Master", "[Loss_Structure]", "1", "[Loss_Structure]", "Loss_Structure",
                        "  Where Len(Trim(Loss_Structure))>1", true);
    case kBoxFailure:
        return pickList("Failure_Master", "[Failure_Description]", "Failure_ID", "[Failure_Description]",
                        "Failure List", byAsset, true);
    case kBoxExecutive:
        return pickList("Employee_Master", "[Employee_Name]", "Employee_ID", "[Employee_Type]",
                        "Employee List", " where Employee_Type ='Executive'", false);
    case kBoxOperator:
        return pickList("Employee_Master", "[Employee_Name]", "Employee_ID", "[Employee_Type]",
                        "Employee List", " where Employee_Type ='Operator'", false);
    default:
        return std::nullopt;
    }
}

Result<std::string> assetKeyForName(DbConnection& db, std::string_view assetName) {
    if (assetName.empty()) return std::string();
    return LookupValue(
        db, "Asset_Master", "Asset_ID",
        "where Asset_Name = " + sqlText(assetName) + " and Asset_ID is not null order by Asset_ID", "Str");
}

void buildClassificationUpdate(UpdateBuilder& builder, const ClassificationTexts& boxes,
                               std::string_view dtId, UntouchedBoxes untouched,
                               ClassificationBoxSet written) {
    static constexpr std::pair<const char*, int> kColumns[] = {
        {"Shift", kBoxShift},         {"Asset", kBoxAsset},
        {"Component", kBoxComponent}, {"Loss_Structure", kBoxLossStructure},
        {"Failure", kBoxFailure},     {"A_Operator", kBoxOperator},
        {"Executive", kBoxExecutive}, {"Remarks", kBoxRemarks},
        {"Other1", kBoxOther1},       {"Other2", kBoxOther2},
    };
    builder.BeginUpdate("TimeLost");
    for (const auto& [column, box] : kColumns) {
        const auto index = static_cast<size_t>(box);
        if (!written[index]) continue;
        if (untouched[index])
            builder.AddSetStoredText(column, boxes[index]);
        else
            builder.AddSetField(column, boxes[index], kTextField);
    }
    builder.AddWhereField("Dt_ID", dtId, "=", kAndJoin, kNumberField);
}

namespace {
// Runs a built update of one event. The engine accepts an update that finds no row; for the user
// the save failed all the same (the event was deleted since the list was made), so say so in the
// usual words.
Result<void> runEventUpdate(DbConnection& db, UpdateBuilder& builder, std::string_view dtId) {
    if (auto done = builder.ExecuteUpdate(db); !done) return done;
    if (db.changes() > 0) return success();
    return Error{0, updateFailureText("No downtime event has Dt_ID " + std::string(dtId) +
                                          "; it may have been deleted.",
                                      builder.statement())};
}

// A statement of the transaction around a save to several events.
Result<void> runTransactionStep(DbConnection& db, const std::string& statement) {
    if (auto done = db.execute(statement); !done)
        return Error{done.error().code, updateFailureText(done.error().message, statement)};
    return success();
}
} // namespace

Result<void> saveClassification(DbConnection& db, const ClassificationTexts& boxes, std::string_view dtId,
                                UntouchedBoxes untouched) {
    UpdateBuilder builder;
    buildClassificationUpdate(builder, boxes, dtId, untouched);
    return runEventUpdate(db, builder, dtId);
}

ClassificationBoxSet filledBoxes(const ClassificationTexts& boxes) {
    ClassificationBoxSet filled;
    for (size_t box = 0; box < boxes.size(); ++box)
        filled.set(box, classificationBoxes()[box].editable &&
                            boxes[box].find_first_not_of(" \t") != std::string::npos);
    return filled;
}

Result<void> saveClassificationToEvents(DbConnection& db, const ClassificationTexts& boxes,
                                        const std::vector<int64_t>& dtIds) {
    const ClassificationBoxSet written = filledBoxes(boxes);
    if (written.none()) return refusal(kNothingToSave);
    // SQLite takes the write lock at once, waiting out the busy timeout for it there.
    auto saved = runTransactionStep(db, db.isServer() ? "BEGIN" : "BEGIN IMMEDIATE");
    for (size_t i = 0; saved && i < dtIds.size(); ++i) {
        const std::string dtId = std::to_string(dtIds[i]);
        UpdateBuilder builder;
        buildClassificationUpdate(builder, boxes, dtId, {}, written);
        saved = runEventUpdate(db, builder, dtId);
        if (!saved) static_cast<void>(db.execute("ROLLBACK"));
    }
    if (saved) {
        saved = runTransactionStep(db, "COMMIT");
        if (!saved) static_cast<void>(db.execute("ROLLBACK"));
    }
    if (saved) return success();
    return Error{saved.error().code, "None of the " + std::to_string(dtIds.size()) +
                                         " events was changed.\r\n" + saved.error().message};
}

} // namespace nax
