#pragma once
// Reading a big table of the plant database without keeping the data collector out. A SQLite
// file in its usual journal mode lets no commit through while any statement reads it, and the
// collector gives up after a few seconds; so a report reads a big table in short statements,
// each over a slice of it, and the collector commits between them. A server keeps readers and
// writers apart by itself: there one statement reads all.
#include "DbConnection.h"
#include "base/Result.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace nax {

// What one statement reads of a big table: at first this many rowids, or this many runs where
// an index finds them; then, when `seconds` is above 0, as many as take about that long by the
// last statement's pace, so that the collector's wait stays short on a busy machine too. Tests
// give fixed small sizes.
struct SliceSizes {
    int64_t rows = 50000;
    int64_t runs = 32;
    double seconds = 0.15;
};

// True when the engine answers `query` by searching an index rather than scanning the table
// (also on a server, where slices are not needed).
Result<bool> searchesIndex(DbConnection& db, std::string_view query);

// The values first..last in consecutive ranges, one statement each: statementFor(" between a
// and b") gives its text and read(result) takes its rows; afterEach, when given, runs once each
// statement is closed (the place to let events through). `size` is the first range's length;
// on a server one statement covers all.
Result<void> readInSlices(DbConnection& db, int64_t first, int64_t last, int64_t size, double seconds,
                          const std::function<std::string(const std::string& between)>& statementFor,
                          const std::function<Result<void>(Recordset&)>& read,
                          const std::function<Result<void>()>& afterEach = {});

// readInSlices over the rowids of `table`; nothing is read when it is empty.
Result<void> readRowidSlices(DbConnection& db, std::string_view table, const SliceSizes& sizes,
                             const std::function<std::string(const std::string& between)>& statementFor,
                             const std::function<Result<void>(Recordset&)>& read,
                             const std::function<Result<void>()>& afterEach = {});

// The narrowest part readInRanges reads: about a tenth of a second of a day serial.
inline constexpr double kNarrowestRange = 1e-6;

// The numbers start..end of an indexed `column` in consecutive parts, in order, one statement
// each: statementFor("col >= a and col < b") gives its text, the last part ending "col <= end".
// Together the parts pick exactly what "col between start and end" picks: the outer bounds are
// written as formatGeneral writes them, the inner ones so that they read back as the same
// number. `width` is the first part's width; later ones adapt as readInSlices adapts its sizes.
Result<void> readInRanges(DbConnection& db, std::string_view column, double start, double end, double width,
                          double seconds,
                          const std::function<std::string(const std::string& condition)>& statementFor,
                          const std::function<Result<void>(Recordset&)>& read,
                          const std::function<Result<void>()>& afterEach = {});

} // namespace nax
