#include "ChartTable.h"

#include "db/QueryHelpers.h"
#include "dms/DmsText.h"
#include "downtime/Unclassified.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace nax {

namespace {

enum EventField : int { fRunNo, fAsset, fFailure, fTimeLost, fUnclassified, fLossStructure };

// The events whose Run_no names one of the runs, matched by the text of the run as the daily
// report's loss sums match them.
Result<std::vector<RunEvent>> eventsOfRuns(DbConnection& db, const std::vector<DailyRun>& runs) {
    std::unordered_map<std::string, size_t> runOfKey;
    int64_t first = 0, last = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        runOfKey.emplace(runs[i].key, i);
        first = i == 0 ? runs[i].id : std::min(first, runs[i].id);
        last = i == 0 ? runs[i].id : std::max(last, runs[i].id);
    }
    std::vector<RunEvent> events;
    if (runs.empty()) return events;
    auto rs = db.openRecordset("SELECT Run_no, Asset, Failure, Time_Lost, iif(" + unclassifiedCondition() +
                               ", 1, 0), Loss_Structure FROM TimeLost where Run_no between " +
                               std::to_string(first) + " and " + std::to_string(last) +
                               " order by DT_Start, Dt_ID");
    if (!rs) return rs.error();
    auto read = forEachRow(*rs, [&](const Recordset& row) -> Result<void> {
        const auto run = runOfKey.find(row.text(fRunNo));
        if (run == runOfKey.end()) return success();
        if (auto finite = requireFinite(row, fTimeLost, "TimeLost", "Time_Lost"); !finite) return finite;
        RunEvent& event = events.emplace_back();
        event.run = run->second;
        event.asset = std::string(row.rawText(fAsset));
        event.failure = std::string(row.rawText(fFailure));
        event.days = fieldNumber(row, fTimeLost).value_or(0);
        event.unclassified = row.integer(fUnclassified) != 0;
        event.blank = event.unclassified && !row.isNull(fLossStructure);
        return success();
    });
    if (!read) return read.error();
    return events;
}

} // namespace

Result<RangeRuns> RunsOfRange(DbConnection& db, double start, double end, Progress& progress) {
    auto runs = DailyRuns(db, start, end, progress);
    if (!runs) return runs.error();
    auto events = eventsOfRuns(db, *runs);
    if (!events) return events.error();
    return RangeRuns{std::move(*runs), std::move(*events)};
}

std::vector<RunEventMinutes> eventMinutesByRun(const RangeRuns& range) {
    struct Days {
        double all = 0, unclassified = 0, blank = 0;
    };
    std::vector<Days> days(range.runs.size());
    std::vector<RunEventMinutes> minutes(range.runs.size());
    for (const RunEvent& event : range.events) {
        Days& sum = days[event.run];
        RunEventMinutes& counts = minutes[event.run];
        sum.all += event.days;
        ++counts.events;
        if (event.unclassified) {
            sum.unclassified += event.days;
            ++counts.unclassifiedEvents;
        }
        if (event.blank) sum.blank += event.days;
    }
    const auto cell = [](double days) { return cellFigure(days * 60 * 24, 2).value_or(0); };
    for (size_t i = 0; i < days.size(); ++i) {
        minutes[i].all = cell(days[i].all);
        minutes[i].unclassified = cell(days[i].unclassified);
        minutes[i].blank = cell(days[i].blank);
    }
    return minutes;
}

double dayOf(double serial) {
    const DateParts parts = serialToParts(serial);
    return partsToSerial(parts.year, parts.month, parts.day);
}

void setHeaderRow(ReportGrid& grid, std::initializer_list<std::string_view> headers) {
    grid.setCols(static_cast<int>(headers.size()));
    grid.setRows(1);
    int col = 0;
    for (const auto header : headers)
        grid.setCell(0, col++, header);
}

std::string leftOutNote(int runs, std::string_view what) {
    if (runs <= 0) return {};
    return "Left out " + std::to_string(runs) + (runs == 1 ? " run whose " : " runs whose ") +
           std::string(what) + " could not be computed.";
}

std::string figureText(Figure value) {
    return value ? formatGeneral(*value) : std::string();
}

} // namespace nax
