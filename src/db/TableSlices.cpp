#include "TableSlices.h"

#include "text/NumberText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>

namespace nax {

namespace {

using SliceClock = std::chrono::steady_clock;

// The next part's size: as large as takes about `seconds` at the last part's pace, within half
// and four times the last size.
double adapted(double size, double seconds, SliceClock::time_point begun) {
    const double took = std::chrono::duration<double>(SliceClock::now() - begun).count();
    if (seconds <= 0 || took <= 0) return size;
    return size * std::clamp(seconds / took, 0.5, 4.0);
}

// Opens one part's statement, hands it to `read`, closes it, then runs `afterEach`.
Result<void> readPart(DbConnection& db, const std::string& statement,
                      const std::function<Result<void>(Recordset&)>& read,
                      const std::function<Result<void>()>& afterEach) {
    {
        auto rs = db.openRecordset(statement);
        if (!rs) return rs.error();
        if (auto done = read(*rs); !done) return done;
    }
    return afterEach ? afterEach() : success();
}

// The shortest text that reads back as exactly `value`.
std::string exactText(double value) {
    std::array<char, 32> buffer{};
    const auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return std::string(buffer.data(), end);
}

} // namespace

Result<bool> searchesIndex(DbConnection& db, std::string_view query) {
    if (db.isServer()) return true;
    auto plan = db.openRecordset("EXPLAIN QUERY PLAN " + std::string(query));
    if (!plan) return plan.error();
    const int detail = plan->fieldCount() - 1;
    bool searches = false;
    auto read = forEachRow(*plan, [&](const Recordset& step) {
        searches = searches || step.rawText(detail).rfind("SEARCH", 0) == 0;
    });
    if (!read) return read.error();
    return searches;
}

Result<void> readInSlices(DbConnection& db, int64_t first, int64_t last, int64_t size, double seconds,
                          const std::function<std::string(const std::string& between)>& statementFor,
                          const std::function<Result<void>(Recordset&)>& read,
                          const std::function<Result<void>()>& afterEach) {
    if (db.isServer()) size = last - first + 1;
    size = std::max<int64_t>(size, 1);
    for (int64_t from = first; from <= last;) {
        const int64_t to = last - from < size ? last : from + size - 1;
        const auto begun = SliceClock::now();
        const std::string between = " between " + std::to_string(from) + " and " + std::to_string(to);
        if (auto done = readPart(db, statementFor(between), read, afterEach); !done) return done;
        if (to == last) break;
        from = to + 1;
        size = std::max<int64_t>(1, static_cast<int64_t>(adapted(static_cast<double>(size), seconds, begun)));
    }
    return success();
}

Result<void> readRowidSlices(DbConnection& db, std::string_view table, const SliceSizes& sizes,
                             const std::function<std::string(const std::string& between)>& statementFor,
                             const std::function<Result<void>(Recordset&)>& read,
                             const std::function<Result<void>()>& afterEach) {
    int64_t first = 0, last = -1;
    {
        // Two subqueries: SQLite finds a lone min() or max() of the rowid at the ends of the
        // table, but scans all of it for both in one select.
        const std::string name(table);
        auto bounds = db.openRecordset("select (select min(rowid) from " + name +
                                       "), (select max(rowid) from " + name + ")");
        if (!bounds) return bounds.error();
        if (bounds->eof() || bounds->isNull(0)) return success();
        first = bounds->integer(0);
        last = bounds->integer(1);
    }
    return readInSlices(db, first, last, sizes.rows, sizes.seconds, statementFor, read, afterEach);
}

Result<void> readInRanges(DbConnection& db, std::string_view column, double start, double end, double width,
                          double seconds,
                          const std::function<std::string(const std::string& condition)>& statementFor,
                          const std::function<Result<void>(Recordset&)>& read,
                          const std::function<Result<void>()>& afterEach) {
    const std::string name(column);
    // The outer bounds are written as a single statement over the whole range writes them.
    std::string lower = formatGeneral(start);
    double from = start;
    for (;;) {
        if (db.isServer()) width = end - from;
        width = std::max(width, kNarrowestRange);
        // An inner bound stays well inside the outer ones, which are written to 15 digits only.
        const bool last = end - from <= width + kNarrowestRange;
        const double to = from + width;
        const std::string upper = last ? " <= " + formatGeneral(end) : " < " + exactText(to);
        const auto begun = SliceClock::now();
        if (auto done =
                readPart(db, statementFor(name + " >= " + lower + " and " + name + upper), read, afterEach);
            !done)
            return done;
        if (last) return success();
        from = to;
        lower = exactText(to);
        width = adapted(width, seconds, begun);
    }
}

} // namespace nax
