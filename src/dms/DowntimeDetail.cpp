#include "DowntimeDetail.h"

#include "DmsText.h"
#include "shell/TextRules.h"

#include <array>
#include <cmath>
#include <utility>
#include <vector>

namespace nax {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

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

void appendTwoDigits(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
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

Result<TimeLostColumns> ReadTimeLostColumns(DbConnection& db) {
    auto rs = db.openRecordset("PRAGMA table_info(TimeLost)");
    if (!rs) return rs.error();
    TimeLostColumns columns;
    const std::pair<std::string_view, int TimeLostColumns::*> names[] = {
        {"Run_no", &TimeLostColumns::runNo},        {"Pack", &TimeLostColumns::pack},
        {"Flavor", &TimeLostColumns::flavor},       {"DT_Start", &TimeLostColumns::dtStart},
        {"DT_End", &TimeLostColumns::dtEnd},        {"Time_Lost", &TimeLostColumns::timeLost},
        {"Asset", &TimeLostColumns::asset},         {"Loss_Structure", &TimeLostColumns::lossStructure},
        {"Failure", &TimeLostColumns::failure},     {"A_Operator", &TimeLostColumns::aOperator},
        {"Executive", &TimeLostColumns::executive}, {"Remarks", &TimeLostColumns::remarks},
        {"Other1", &TimeLostColumns::other1},       {"Other2", &TimeLostColumns::other2},
    };
    for (int position = 0; !rs->eof(); ++position) {
        const auto name = rs->rawText(1);
        for (const auto& [wanted, member] : names)
            if (columns.*member < 0 && sameName(name, wanted)) columns.*member = position;
        if (auto moved = rs->moveNext(); !moved) return moved.error();
    }
    return columns;
}

Result<void> ListDowntimeDetail(DbConnection& db, ReportGrid& msfDT, double windowStart, double windowEnd,
                                int32_t runNo) {
    auto columns = ReadTimeLostColumns(db);
    if (!columns) return columns.error();
    return ListDowntimeDetail(db, msfDT, windowStart, windowEnd, runNo, *columns);
}

Result<void> ListDowntimeDetail(DbConnection& db, ReportGrid& msfDT, double windowStart, double windowEnd,
                                int32_t runNo, const TimeLostColumns& col) {
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

    std::array<std::string, 24> cells;
    std::vector<std::string_view> views(cells.size());
    while (!rs->eof()) {
        fieldText(*rs, col.runNo, cells[0]);
        fieldText(*rs, col.pack, cells[1]);
        fieldText(*rs, col.flavor, cells[2]);
        const auto start = optionalNumber(*rs, col.dtStart);
        const auto end = optionalNumber(*rs, col.dtEnd);
        const auto lost = optionalNumber(*rs, col.timeLost);
        cells[3] = start ? generalDateText(*start) : std::string();
        cells[4] = end ? generalDateText(*end) : std::string();
        cells[5] = lost ? formatGeneral(*lost * 60 * 24) : std::string();
        fieldText(*rs, col.asset, cells[7]);
        fieldText(*rs, col.lossStructure, cells[8]);
        fieldText(*rs, col.failure, cells[9]);
        fieldText(*rs, col.aOperator, cells[10]);
        fieldText(*rs, col.executive, cells[11]);
        fieldText(*rs, col.remarks, cells[12]);
        fieldText(*rs, col.other1, cells[13]);
        fieldText(*rs, col.other2, cells[14]);
        const std::string& assetText = cells[7];
        if (start && *start >= kMinSerial && *start <= kMaxSerial) {
            const DateParts p = serialToParts(*start);
            const std::string week = std::to_string(weekOfYear(*start));
            cells[6] = shiftLetter(p.hour);
            auto& date = cells[15]; // dd-MMM-yy
            date.clear();
            appendTwoDigits(date, p.day);
            date += '-';
            date += kMonthNames[static_cast<size_t>(p.month - 1)].substr(0, 3);
            date += '-';
            appendTwoDigits(date, (p.year % 100 + 100) % 100);
            cells[16] = kWeekdayNames[static_cast<size_t>(p.weekday)];
            cells[17] = kMonthNames[static_cast<size_t>(p.month - 1)];
            cells[18] = week;
            cells[19] = std::to_string(p.year);
            cells[20].clear();
            appendTwoDigits(cells[20], p.hour);
            cells[21] = cells[20] + assetText;
            cells[22] = formatGeneral(roundHalfEven(*start, 0)) + assetText;
            cells[23] = week + assetText;
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
