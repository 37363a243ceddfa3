#pragma once
// Reading a big table of the plant database without keeping the data collector out. A SQLite
// file in its usual journal mode lets no commit through while any statement reads it, and the
// collector gives up after a few seconds; so a report reads a big table in short statements,
// each over a slice of it, and the collector commits between them. A server keeps readers and
// writers apart by itself: there one statement reads all.
#include "shell/DbConnection.h"
#include "shell/Result.h"

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
// and b") gives its text and read(result) takes its rows. `size` is the first range's length;
// on a server one statement covers all.
Result<void> readInSlices(DbConnection& db, int64_t first, int64_t last, int64_t size, double seconds,
                          const std::function<std::string(const std::string& between)>& statementFor,
                          const std::function<Result<void>(Recordset&)>& read);

// readInSlices over the rowids of `table`; nothing is read when it is empty.
Result<void> readRowidSlices(DbConnection& db, std::string_view table, const SliceSizes& sizes,
                             const std::function<std::string(const std::string& between)>& statementFor,
                             const std::function<Result<void>(Recordset&)>& read);

} // namespace nax
