#include "TableSlices.h"

#include <algorithm>
#include <chrono>

namespace nax {

Result<bool> searchesIndex(DbConnection& db, std::string_view query) {
    if (db.isServer()) return true;
    auto plan = db.openRecordset("EXPLAIN QUERY PLAN " + std::string(query));
    if (!plan) return plan.error();
    const int detail = plan->fieldCount() - 1;
    while (!plan->eof()) {
        if (plan->rawText(detail).rfind("SEARCH", 0) == 0) return true;
        if (auto moved = plan->moveNext(); !moved) return moved.error();
    }
    return false;
}

Result<void> readInSlices(DbConnection& db, int64_t first, int64_t last, int64_t size, double seconds,
                          const std::function<std::string(const std::string& between)>& statementFor,
                          const std::function<Result<void>(Recordset&)>& read) {
    using Clock = std::chrono::steady_clock;
    if (db.isServer()) size = last - first + 1;
    size = std::max<int64_t>(size, 1);
    for (int64_t from = first; from <= last;) {
        const int64_t to = last - from < size ? last : from + size - 1;
        const auto begun = Clock::now();
        {
            auto rs = db.openRecordset(
                statementFor(" between " + std::to_string(from) + " and " + std::to_string(to)));
            if (!rs) return rs.error();
            if (auto done = read(*rs); !done) return done;
        }
        if (to == last) break;
        from = to + 1;
        const double took = std::chrono::duration<double>(Clock::now() - begun).count();
        if (seconds > 0 && took > 0) {
            const double scaled = static_cast<double>(size) * std::clamp(seconds / took, 0.5, 4.0);
            size = std::max<int64_t>(1, static_cast<int64_t>(scaled));
        }
    }
    return success();
}

Result<void> readRowidSlices(DbConnection& db, std::string_view table, const SliceSizes& sizes,
                             const std::function<std::string(const std::string& between)>& statementFor,
                             const std::function<Result<void>(Recordset&)>& read) {
    int64_t first = 0, last = -1;
    {
        // Two subqueries: SQLite finds a lone min() or max() of the rowid at the ends of the
        // table, but scans all of it for both in one select.
        const std::string name(table);
        auto bounds =
            db.openRecordset("select (select min(rowid) from " + name + "), (select max(rowid) from " + name + ")");
        if (!bounds) return bounds.error();
        if (bounds->eof() || bounds->isNull(0)) return success();
        first = bounds->integer(0);
        last = bounds->integer(1);
    }
    return readInSlices(db, first, last, sizes.rows, sizes.seconds, statementFor, read);
}

} // namespace nax
