#include "HourWindowLoss.h"

#include "DmsText.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"

#include <cmath>
#include <optional>
#include <string>

namespace nax {

namespace {

enum EventField : int { fRun = 0, fStart = 1, fEnd = 2, fFirstCategory = 3 };

// A sum as the engine's Sum(...) *60 *24 answers it through a single-value lookup: "0" when no
// term was added (no row, or every term NULL), else the sum in the general number format.
class MinutesSum {
public:
    void add(double days) {
        sum_ += days;
        any_ = true;
    }
    std::string text() const { return any_ ? formatGeneral(sum_ * 60 * 24) : std::string("0"); }

private:
    double sum_ = 0;
    bool any_ = false;
};

} // namespace

Result<HourWindowLosses> HourWindowLosses::read(DbConnection& db, int64_t firstRun, int64_t lastRun) {
    HourWindowLosses losses;
    if (firstRun > lastRun) return losses;
    std::string sql = "select Run_no, DT_Start, DT_End";
    for (const auto name : kLossCategories)
        sql += ", trim([Loss_Structure]) ='" + std::string(name) + "'";
    // One run's events in the table's order (the index on Run_no keeps it, and so does the
    // engine's sort): the sums add their terms in the order the lookups did.
    sql += " from TimeLost where Run_no between " + std::to_string(firstRun) + " and " +
           std::to_string(lastRun) + " order by Run_no";
    auto rs = db.openRecordset(sql);
    if (!rs) return rs.error();
    const auto moment = [&](int field) {
        Moment m;
        switch (rs->kind(field)) {
        case ValueKind::Null:
            break;
        case ValueKind::Integer:
        case ValueKind::Real:
            m.kind = Moment::Kind::Number;
            m.value = rs->real(field);
            break;
        case ValueKind::Text:
            m.kind = Moment::Kind::Text;
            break;
        }
        return m;
    };
    auto read = forEachRow(*rs, [&](const Recordset& row) {
        // Run_no = n holds for a number equal to n only.
        const ValueKind runKind = row.kind(fRun);
        const double run = row.real(fRun);
        if ((runKind == ValueKind::Integer || runKind == ValueKind::Real) && run == std::floor(run) &&
            std::fabs(run) < 9e15) {
            Event event{moment(fStart), moment(fEnd), {}};
            for (size_t c = 0; c < event.inCategory.size(); ++c)
                event.inCategory[c] = row.integer(fFirstCategory + static_cast<int>(c)) == 1;
            losses.runs_[static_cast<int64_t>(run)].push_back(event);
        }
    });
    if (!read) return read.error();
    return losses;
}

void HourWindowLosses::write(ReportGrid& runGrid, size_t category, int column, std::string_view dateText,
                             std::string_view hourText, int32_t run) const {
    const int row = runGrid.rows() - 1;
    if (row < 0 || column < 0 || column >= runGrid.cols()) return;
    runGrid.setCell(row, column, "0");

    const auto day = readDayMonthYear(dateText);
    const auto hour = readHour(hourText);
    if (!day || !hour) {
        runGrid.setCell(row, column, "");
        return;
    }
    // The window's edges as the engine reads them from the general number format.
    const DateParts p = serialToParts(*day);
    const double w0 = *parseNumber(formatGeneral(partsToSerial(p.year, p.month, p.day, *hour, 0)));
    const double w59 = *parseNumber(formatGeneral(partsToSerial(p.year, p.month, p.day, *hour, 59)));

    MinutesSum starting, ending;
    bool covered = false;
    const auto found = runs_.find(run);
    if (found != runs_.end()) {
        using Kind = Moment::Kind;
        for (const Event& e : found->second) {
            if (!e.inCategory[category] || e.start.kind != Kind::Number) continue;
            const double start = e.start.value;
            const bool endNumber = e.end.kind == Kind::Number;
            const double end = e.end.value;
            // Starts inside the window: up to its end or minute 59 (a text end lies beyond it).
            if (start >= w0 && start <= w59) {
                if (e.end.kind == Kind::Text || (endNumber && end > w59))
                    starting.add(w59 - start);
                else if (endNumber)
                    starting.add(end - start);
            }
            // Covers the whole window.
            if (start <= w0 && (e.end.kind == Kind::Text || (endNumber && end >= w59))) covered = true;
            // Started earlier and ends inside the window: from minute 00.
            if (endNumber && end >= w0 && end <= w59 && start < w0) ending.add(end - w0);
        }
    }

    const auto cellMinutes = [&] { return cellNumber(runGrid, row, column).value_or(0); };
    runGrid.setCell(row, column, starting.text());
    runGrid.setCell(row, column, formatGeneral(cellMinutes() + (covered ? 60 : 0)));
    runGrid.setCell(row, column, roundedText(cellMinutes() + parseNumber(ending.text()).value_or(0), 2));
    if (cellMinutes() > 60) runGrid.setCell(row, column, "60");
}

} // namespace nax
