#include "TopLosses.h"

#include "db/QueryHelpers.h"
#include "dms/DmsText.h"
#include "text/NumberText.h"

#include <QString>

#include <algorithm>
#include <map>
#include <optional>

namespace nax {

namespace {

struct NameTotal {
    std::string name; // as the earliest event spells it; empty for the unclassified events
    std::string key;  // trimmed and case-folded
    double days = 0;
    int events = 0;
    double minutes() const { return roundHalfEven(days * 60 * 24, 2); }
};

bool before(const NameTotal& a, const NameTotal& b) {
    if (a.minutes() != b.minutes()) return a.minutes() > b.minutes();
    if (a.key.empty() != b.key.empty()) return b.key.empty();
    return a.key < b.key;
}

ChartTable headerRow(std::string_view nameHeader) {
    ChartTable table;
    setHeaderRow(table.grid, {nameHeader, "Minutes Lost", "Events"});
    return table;
}

// Minutes and events per name, the unclassified events under the empty key.
class Tally {
public:
    void add(std::string_view rawName, std::optional<double> days) {
        const std::string_view name = trimBlanks(rawName);
        const std::string key =
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toStdString();
        auto [entry, added] = totals_.try_emplace(key);
        if (added) {
            entry->second.name = std::string(name);
            entry->second.key = key;
        }
        entry->second.days += days.value_or(0);
        ++entry->second.events;
    }

    ChartTable table(std::string_view header, int limit) const {
        ChartTable table = headerRow(header);
        if (totals_.empty()) table.note = kNoEventsNote;
        std::vector<NameTotal> named, shown;
        for (const auto& [key, total] : totals_)
            (key.empty() ? shown : named).push_back(total);
        std::sort(named.begin(), named.end(), before);
        if (static_cast<int>(named.size()) > limit) named.resize(static_cast<size_t>(std::max(limit, 0)));
        shown.insert(shown.end(), named.begin(), named.end());
        std::sort(shown.begin(), shown.end(), before);
        for (const auto& total : shown) {
            const int r = table.grid.addRow();
            table.grid.setCell(r, 0, total.key.empty() ? kUnclassified : std::string_view(total.name));
            table.grid.setCell(r, 1, formatGeneral(total.minutes()));
            table.grid.setCell(r, 2, std::to_string(total.events));
        }
        return table;
    }

private:
    std::map<std::string, NameTotal> totals_;
};

} // namespace

TopLossTables EmptyTopLosses() {
    return TopLossTables{headerRow("Asset"), headerRow("Failure")};
}

Result<TopLossTables> TopLosses(DbConnection& db, double start, double end, int limit) {
    const std::string sql = "SELECT Asset, Failure, Time_Lost FROM TimeLost where DT_Start between " +
                            formatGeneral(start) + " and " + formatGeneral(end) + " order by DT_Start, Dt_ID";
    auto events = db.openRecordset(sql);
    if (!events) return events.error();
    Tally assets, failures;
    auto read = forEachRow(*events, [&](const Recordset& event) -> Result<void> {
        const auto days = fieldNumber(event, 2);
        if (auto finite = requireFinite(event, 2, "TimeLost", "Time_Lost"); !finite) return finite;
        assets.add(event.rawText(0), days);
        failures.add(event.rawText(1), days);
        return success();
    });
    if (!read) return read.error();
    return TopLossTables{assets.table("Asset", limit), failures.table("Failure", limit)};
}

} // namespace nax
