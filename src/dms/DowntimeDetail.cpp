#include "DowntimeDetail.h"

#include "DmsText.h"
#include "shell/TextRules.h"

#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace nax {

namespace {

// Text of a field into `out`; the empty text for NULL or a missing column.
void fieldText(const Recordset& rs, int field, std::string& out) {
    out.clear();
    if (field < 0) return;
    if (rs.kind(field) == ValueKind::Text)
        out.assign(rs.rawText(field));
    else
        out = rs.text(field);
}

std::optional<double> optionalNumber(const Recordset& rs, int field) {
    return field < 0 ? std::nullopt : fieldNumber(rs, field);
}

std::string_view shiftLetter(int hour) {
    if ((hour >= 0 && hour <= 5) || hour == 22 || hour == 23) return "A";
    if (hour >= 6 && hour <= 13) return "B";
    if (hour >= 14 && hour <= 21) return "C";
    return {};
}

} // namespace

std::string ShiftOfHour(std::string_view hourText) {
    const auto value = parseNumber(hourText);
    if (!value || *value != std::floor(*value) || *value < 0 || *value > 23) return {};
    return std::string(shiftLetter(static_cast<int>(*value)));
}

Result<void> ListDowntimeDetail(DbConnection& db, ReportGrid& msfDT, double windowStart, double windowEnd,
                                int32_t runNo) {
    std::string sql;
    if (runNo == -1) {
        sql = "select * from TimeLost where DT_Start >=";
        sql += formatGeneral(windowStart);
        sql += " and DT_End <=";
        sql += formatGeneral(windowEnd);
    } else {
        sql = "select * from TimeLost where run_no =";
        sql += std::to_string(runNo);
        sql += "  order by Run_no";
    }
    auto rs = db.openRecordset(sql);
    if (!rs) return rs.error();
    msfDT.setCols(24);

    // Fields by name: "select *" follows the table's own column order. Cells 0-2 and 7-14 take
    // a field's text as it stands.
    const auto at = [&](std::string_view name) { return rs->fieldIndex(name); };
    const int startField = at("DT_Start"), endField = at("DT_End"), lostField = at("Time_Lost");
    const std::array<std::pair<size_t, int>, 11> plainCells = {{{0, at("Run_no")},
                                                                {1, at("Pack")},
                                                                {2, at("Flavor")},
                                                                {7, at("Asset")},
                                                                {8, at("Loss_Structure")},
                                                                {9, at("Failure")},
                                                                {10, at("A_Operator")},
                                                                {11, at("Executive")},
                                                                {12, at("Remarks")},
                                                                {13, at("Other1")},
                                                                {14, at("Other2")}}};

    std::array<std::string, 24> cells;
    std::vector<std::string_view> views(cells.size());
    while (!rs->eof()) {
        for (const auto& [cell, field] : plainCells)
            fieldText(*rs, field, cells[cell]);
        const auto start = optionalNumber(*rs, startField);
        const auto end = optionalNumber(*rs, endField);
        const auto lost = optionalNumber(*rs, lostField);
        cells[3] = start ? generalDateText(*start) : std::string();
        cells[4] = end ? generalDateText(*end) : std::string();
        cells[5] = lost ? formatGeneral(*lost * 60 * 24) : std::string();
        const std::string& assetText = cells[7];
        if (start && *start >= kMinSerial && *start <= kMaxSerial) {
            cells[6] = shiftLetter(serialToParts(*start).hour);
            cells[15] = formatSerial(*start, "dd-MMM-yy");
            cells[16] = formatSerial(*start, "dddd");
            cells[17] = formatSerial(*start, "MMMM");
            cells[18] = formatSerial(*start, "WW");
            cells[19] = formatSerial(*start, "yyyy");
            cells[20] = formatSerial(*start, "hh");
            cells[21] = cells[20] + assetText;
            cells[22] = formatGeneral(roundHalfEven(*start, 0)) + assetText;
            cells[23] = cells[18] + assetText;
        } else {
            for (const size_t c : {6, 15, 16, 17, 18, 19, 20, 21, 22, 23})
                cells[c].clear();
        }
        for (size_t c = 0; c < cells.size(); ++c)
            views[c] = cells[c];
        msfDT.addRow(views);
        if (auto moved = rs->moveNext(); !moved) return moved.error();
    }
    return success();
}

} // namespace nax
