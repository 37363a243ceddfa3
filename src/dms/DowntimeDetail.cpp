#include "DowntimeDetail.h"

#include "DmsLayouts.h"
#include "DmsText.h"
#include "text/DatePattern.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"

#include <array>
#include <cmath>
#include <vector>

namespace nax {

namespace {

std::string_view shiftLetter(int hour) {
    if ((hour >= 0 && hour <= 5) || hour == 22 || hour == 23) return "A";
    if (hour >= 6 && hour <= 13) return "B";
    if (hour >= 14 && hour <= 21) return "C";
    return {};
}

// Makes the detail row of the event a "select * from TimeLost" result stands on. Fields are
// found by name: "select *" follows the table's own column order.
class DetailRowMaker {
public:
    explicit DetailRowMaker(const Recordset& rs) : rs_(rs) {
        const auto at = [&](std::string_view name) { return rs.fieldIndex(name); };
        startField_ = at("DT_Start");
        endField_ = at("DT_End");
        lostField_ = at("Time_Lost");
        runField_ = at("Run_no");
        plainCells_ = {{{kDetailRunNo, runField_},
                        {kDetailPack, at("Pack")},
                        {kDetailFlavor, at("Flavor")},
                        {kDetailAsset, at("Asset")},
                        {kDetailLossStructure, at("Loss_Structure")},
                        {kDetailFailure, at("Failure")},
                        {kDetailOperator, at("A_Operator")},
                        {kDetailExecutive, at("Executive")},
                        {kDetailRemarks, at("Remarks")},
                        {kDetailOther1, at("Other1")},
                        {kDetailOther2, at("Other2")}}};
        for (size_t c = 0; c < cells_.size(); ++c)
            views_[c] = cells_[c];
    }

    // The run of the current event when Run_no holds a whole number.
    std::optional<int64_t> run() const {
        if (runField_ < 0) return std::nullopt;
        const ValueKind kind = rs_.kind(runField_);
        if (kind == ValueKind::Integer) return rs_.integer(runField_);
        if (kind != ValueKind::Real) return std::nullopt;
        const double value = rs_.real(runField_);
        if (value != std::floor(value) || std::fabs(value) > 9e15) return std::nullopt;
        return static_cast<int64_t>(value);
    }

    void appendTo(ReportGrid& grid) {
        for (const auto& [cell, field] : plainCells_)
            fieldText(field, cells_[cell]);
        const auto start = optionalNumber(startField_);
        const auto end = optionalNumber(endField_);
        const auto lost = optionalNumber(lostField_);
        cells_[kDetailStartTime] = start ? generalDateText(*start) : std::string();
        cells_[kDetailEndTime] = end ? generalDateText(*end) : std::string();
        cells_[kDetailTimeLost] = lost ? formatGeneral(*lost * 60 * 24) : std::string();
        const std::string& asset = cells_[kDetailAsset];
        if (start && *start >= kMinSerial && *start <= kMaxSerial) {
            cells_[kDetailShift] = shiftLetter(serialToParts(*start).hour);
            cells_[kDetailDate] = formatSerial(*start, "dd-MMM-yy");
            cells_[kDetailDay] = formatSerial(*start, "dddd");
            cells_[kDetailMonth] = formatSerial(*start, "MMMM");
            cells_[kDetailWeek] = formatSerial(*start, "WW");
            cells_[kDetailYear] = formatSerial(*start, "yyyy");
            cells_[kDetailHour] = formatSerial(*start, "hh");
            cells_[kDetailHourAsset] = cells_[kDetailHour] + asset;
            cells_[kDetailDayAsset] = formatGeneral(roundHalfEven(*start, 0)) + asset;
            cells_[kDetailWeekAsset] = cells_[kDetailWeek] + asset;
        } else {
            for (const int c : {kDetailShift, kDetailDate, kDetailDay, kDetailMonth, kDetailWeek, kDetailYear,
                                kDetailHour, kDetailHourAsset, kDetailDayAsset, kDetailWeekAsset})
                cells_[static_cast<size_t>(c)].clear();
        }
        for (size_t c = 0; c < cells_.size(); ++c)
            views_[c] = cells_[c];
        grid.addRow(views_);
    }

private:
    // Text of a field into `out`; the empty text for NULL or a missing column.
    void fieldText(int field, std::string& out) const {
        out.clear();
        if (field < 0) return;
        if (rs_.kind(field) == ValueKind::Text)
            out.assign(rs_.rawText(field));
        else
            out = rs_.text(field);
    }

    std::optional<double> optionalNumber(int field) const {
        return field < 0 ? std::nullopt : fieldNumber(rs_, field);
    }

    const Recordset& rs_;
    int startField_, endField_, lostField_, runField_;
    std::array<std::pair<size_t, int>, 11> plainCells_;
    std::array<std::string, kDowntimeDetailColumns> cells_;
    std::vector<std::string_view> views_ = std::vector<std::string_view>(kDowntimeDetailColumns);
};

// Lists the events of an open "select * from TimeLost ..." into the grid; `keep` says which.
template <class Keep> Result<void> appendEvents(Recordset& rs, ReportGrid& grid, Keep keep) {
    DetailRowMaker maker(rs);
    return forEachRow(rs, [&](const Recordset&) {
        if (keep(maker)) maker.appendTo(grid);
    });
}

} // namespace

void EnsureDowntimeHeaders(ReportGrid& msfDT) {
    if (msfDT.rows() == 0) SetDowntimeGrid(msfDT);
    msfDT.setCols(kDowntimeDetailColumns);
}

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
    EnsureDowntimeHeaders(msfDT);
    return appendEvents(*rs, msfDT, [](const DetailRowMaker&) { return true; });
}

Result<RunDetailRows> RunDetailRows::read(DbConnection& db, int64_t firstRun, int64_t lastRun) {
    RunDetailRows detail;
    detail.rows_.setCols(kDowntimeDetailColumns);
    if (firstRun > lastRun) return detail;
    // One run's events follow each other in the order the by-run listing gives them: the
    // index on Run_no, or the table's order kept by the engine's sort.
    const std::string sql = "select * from TimeLost where Run_no between " + std::to_string(firstRun) +
                            " and " + std::to_string(lastRun) + " order by Run_no";
    auto rs = db.openRecordset(sql);
    if (!rs) return rs.error();
    auto listed = appendEvents(*rs, detail.rows_, [&](const DetailRowMaker& event) {
        const auto run = event.run();
        if (!run) return false;
        detail.runs_[*run].push_back(detail.rows_.rows());
        return true;
    });
    if (!listed) return listed.error();
    return detail;
}

void RunDetailRows::appendRun(ReportGrid& msfDT, int64_t run) const {
    const auto found = runs_.find(run);
    if (found == runs_.end()) return;
    std::vector<std::string_view> cells(kDowntimeDetailColumns);
    for (const int r : found->second) {
        for (int c = 0; c < kDowntimeDetailColumns; ++c)
            cells[static_cast<size_t>(c)] = rows_.cell(r, c);
        msfDT.addRow(cells);
    }
}

} // namespace nax
