#include "DowntimeList.h"

#include "downtime/Unclassified.h"
#include "text/NumberText.h"

#include <array>
#include <unordered_set>

namespace nax {

namespace {
constexpr std::array<const char*, kDowntimeListColumns> kHeaders = {
    "Tag",      "Run",        "Shift",          "Pack",
    "Flavor",   "Start Time", "End Time",       "Time Lost (mins)",
    "Asset",    "Component",  "Loss Structure", "Failure",
    "Operator", "Executive",  "Remarks",        "Other1",
    "Other2"};
// Percent of the grid's width for columns 0 to 7; the others keep the default width.
constexpr std::array<int, 8> kWidthPercent = {5, 5, 5, 5, 5, 15, 15, 10};
constexpr int kTimeLostColumn = 7;
constexpr int kKeyField = 17;

// The events of the range, joined to their tags as the list shows them.
std::string rangeJoin(const DowntimeRange& range) {
    return "FROM Tag_Master INNER JOIN TimeLost ON Tag_Master.Tag_ID = TimeLost.Tag_ID where "
           "TimeLost.DT_Start between " +
           formatGeneral(range.start) + " and " + formatGeneral(range.end) + " ";
}
} // namespace

std::string downtimeListStatement(const DowntimeRange& range) {
    std::string filter =
        range.showMinorStops
            ? std::string()
            : std::string(
                  " and  (Loss_Structure not in ('Minor Stoppage') or TimeLost.Loss_Structure is NULL)");
    if (range.unclassifiedOnly) filter += " and " + unclassifiedCondition("TimeLost.Loss_Structure");
    // The list reads in start order, so equal starts fall back to the key.
    return "SELECT Tag_Master.TagName,Run_no,Shift,Pack,Flavor,format(TimeLost.DT_Start,'dd-MMM-yy "
           "hh:mm:ss'), "
           "format(TimeLost.DT_End,'dd-MMM-yy hh:mm:ss'), (((TimeLost.Time_Lost)*60*24)) as "
           "DTLost,Asset,Component,Loss_Structure,Failure,A_Operator,Executive,Remarks,Other1,Other2,Dt_ID " +
           rangeJoin(range) + filter + " order by TimeLost.DT_Start, Dt_ID";
}

void setDowntimeListLayout(ReportGrid& grid, int gridWidthTwips) {
    grid.setCols(kDowntimeListColumns);
    grid.setRows(1);
    for (int c = 0; c < kDowntimeListColumns; ++c)
        grid.setCell(0, c, kHeaders[static_cast<size_t>(c)]);
    for (size_t c = 0; c < kWidthPercent.size(); ++c)
        grid.setColWidth(static_cast<int>(c),
                         static_cast<int>(roundHalfEven(gridWidthTwips * kWidthPercent[c] / 100.0, 0)));
}

Result<void> ListDowntime(DbConnection& db, ReportGrid& grid, const DowntimeRange& range,
                          int gridWidthTwips) {
    setDowntimeListLayout(grid, gridWidthTwips);
    grid.setVisible(false);
    auto opened = db.openRecordset(downtimeListStatement(range));
    if (!opened) {
        grid.setVisible(true);
        return opened.error();
    }
    Recordset& rs = opened.value();
    std::array<std::string, kDowntimeListColumns> texts;
    std::vector<std::string_view> cells(kDowntimeListColumns);
    auto status = forEachRow(rs, [&](const Recordset& row) {
        for (int c = 0; c < kDowntimeListColumns; ++c)
            texts[static_cast<size_t>(c)] = row.text(c);
        if (const auto minutes = parseNumber(texts[kTimeLostColumn]))
            texts[kTimeLostColumn] = roundedText(*minutes, 2);
        for (int c = 0; c < kDowntimeListColumns; ++c)
            cells[static_cast<size_t>(c)] = texts[static_cast<size_t>(c)];
        grid.addRow(cells, row.integer(kKeyField));
    });
    grid.setVisible(true);
    return status;
}

Result<DowntimeBacklog> CountDowntimeBacklog(DbConnection& db, const DowntimeRange& range) {
    const std::string unclassified = unclassifiedCondition("TimeLost.Loss_Structure");
    auto rs = db.openRecordset("select count(*), Sum(case when " + unclassified +
                               " then 1 else 0 end), Sum(case when " + unclassified +
                               " then TimeLost.Time_Lost else 0 end)*60*24 " + rangeJoin(range));
    if (!rs) return rs.error();
    DowntimeBacklog backlog;
    if (rs->eof()) return backlog;
    backlog.events = rs->integer(0);
    // The sums are NULL only when no event (or no event's Time_Lost) is there to add up.
    backlog.unclassified = rs->integer(1);
    backlog.unclassifiedMinutes = rs->real(2);
    return backlog;
}

std::string backlogText(const DowntimeBacklog& backlog) {
    return std::to_string(backlog.events) + " events, " + std::to_string(backlog.unclassified) +
           " unclassified (" + roundedText(backlog.unclassifiedMinutes, 2) + " min)";
}

Result<std::optional<int64_t>> nextUnclassifiedEvent(DbConnection& db, const DowntimeRange& range,
                                                     const ReportGrid& listed, int64_t savedKey) {
    DowntimeRange unclassified = range;
    unclassified.unclassifiedOnly = true;
    auto rs = db.openRecordset(downtimeListStatement(unclassified));
    if (!rs) return rs.error();
    std::unordered_set<int64_t> waiting;
    for (; !rs->eof();) {
        waiting.insert(rs->integer(kKeyField));
        if (auto moved = rs->moveNext(); !moved) return moved.error();
    }
    int row = 1;
    while (row < listed.rows() && listed.rowKey(row) != savedKey)
        ++row;
    for (++row; row < listed.rows(); ++row)
        if (waiting.count(listed.rowKey(row))) return std::optional<int64_t>(listed.rowKey(row));
    return std::optional<int64_t>();
}

} // namespace nax
