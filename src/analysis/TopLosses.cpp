#include "TopLosses.h"

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
    double mttr() const { return roundHalfEven(minutes() / events, 2); }
    Figure mtbf(Figure productionTime) const {
        if (!productionTime) return std::nullopt;
        return roundHalfEven((*productionTime - minutes()) / events, 2);
    }
};

bool before(const NameTotal& a, const NameTotal& b) {
    if (a.minutes() != b.minutes()) return a.minutes() > b.minutes();
    if (a.key.empty() != b.key.empty()) return b.key.empty();
    return a.key < b.key;
}

ChartTable headerRow(std::string_view nameHeader) {
    ChartTable table;
    setHeaderRow(table.grid, {nameHeader, "Minutes Lost", "Events", "MTTR (min)", "MTBF (min)"});
    return table;
}

// Minutes and events per name, the unclassified events under the empty key.
class Tally {
public:
    void add(std::string_view rawName, double days) {
        const std::string_view name = trimBlanks(rawName);
        const std::string key =
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())).toCaseFolded().toStdString();
        auto [entry, added] = totals_.try_emplace(key);
        if (added) {
            entry->second.name = std::string(name);
            entry->second.key = key;
        }
        entry->second.days += days;
        ++entry->second.events;
    }

    ChartTable table(std::string_view header, int limit, Figure productionTime) const {
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
            table.grid.setCell(r, 3, formatGeneral(total.mttr()));
            table.grid.setCell(r, 4, figureText(total.mtbf(productionTime)));
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

TopLossTables TopLosses(const RangeRuns& range, int limit) {
    Tally assets, failures;
    for (const RunEvent& event : range.events) {
        assets.add(event.asset, event.days);
        failures.add(event.failure, event.days);
    }
    // The runs' Production Time, summed from their 2-decimal figures; none when a run has none.
    Figure productionTime = 0.0;
    for (const DailyRun& run : range.runs)
        productionTime = productionTime && run.figures.productionTime
                             ? Figure(*productionTime + *run.figures.productionTime)
                             : std::nullopt;
    productionTime = cellFigure(productionTime, 2);
    return TopLossTables{assets.table("Asset", limit, productionTime),
                         failures.table("Failure", limit, productionTime)};
}

} // namespace nax
