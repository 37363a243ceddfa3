#include "RunProduction.h"

#include "db/QueryHelpers.h"
#include "text/NumberText.h"

#include <algorithm>
#include <cmath>

namespace nax {

namespace {

// The engine's Sum() of a run's production read in parts: whole numbers stay whole.
class ProductionSum {
public:
    void add(const Recordset& rs, int field) {
        switch (rs.kind(field)) {
        case ValueKind::Null:
        case ValueKind::Text:
            return;
        case ValueKind::Integer:
            whole_ += rs.integer(field);
            break;
        case ValueKind::Real:
            fraction_ = true;
            break;
        }
        real_ += rs.real(field);
        any_ = true;
    }
    Result<void> finite() const { return requireFinite(real_, "opc", "Production"); }
    std::string text() const {
        if (!any_) return {};
        return fraction_ ? formatGeneral(real_) : std::to_string(whole_);
    }

private:
    int64_t whole_ = 0;
    double real_ = 0;
    bool any_ = false, fraction_ = false;
};

} // namespace

void RunSpan::take(double run) {
    if (!(std::fabs(run) < 9e15)) return; // no whole number reaches it
    first = std::min(first, static_cast<int64_t>(std::floor(run)));
    last = std::max(last, static_cast<int64_t>(std::ceil(run)));
}

Result<std::unordered_map<std::string, std::string>> sumProductionByRun(DbConnection& db, int64_t firstRun,
                                                                        int64_t lastRun,
                                                                        std::string_view rows,
                                                                        const SliceSizes& sizes) {
    const std::string runs = " between " + std::to_string(firstRun) + " and " + std::to_string(lastRun);
    const std::string narrowed(rows);
    auto indexed = searchesIndex(db, "select Sum(Production) from opc where Run_id" + runs);
    if (!indexed) return indexed.error();
    std::unordered_map<std::string, ProductionSum> sums;
    const auto read = [&](Recordset& rs) {
        return forEachRow(rs, [&](const Recordset& row) { sums[row.text(0)].add(row, 1); });
    };
    const auto done = *indexed
                          ? readInSlices(
                                db, firstRun, lastRun, sizes.runs, sizes.seconds,
                                [&](const std::string& between) {
                                    return "select Run_id, Sum(Production) from opc where Run_id" + between +
                                           narrowed + " group by Run_id";
                                },
                                read)
                          : readRowidSlices(
                                db, "opc", sizes,
                                [&](const std::string& between) {
                                    return "select Run_id, Sum(Production) from opc where rowid" + between +
                                           " and Run_id" + runs + narrowed + " group by Run_id";
                                },
                                read);
    if (!done) return done.error();
    std::unordered_map<std::string, std::string> production;
    for (const auto& [run, sum] : sums) {
        if (auto finite = sum.finite(); !finite) return finite.error();
        production[run] = sum.text();
    }
    return production;
}

} // namespace nax
