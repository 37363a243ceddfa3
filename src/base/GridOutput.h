#pragma once
// Pieces of the command-line programs: grids as text, and output files that are replaced only
// once they are complete.
#include "ReportGrid.h"
#include "Result.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace nax {

enum class GridFormat { Tsv, Csv };

// The grid, header row first, a line per row. tsv: cells joined by a tab, a tab or line break
// (CR LF counting as one) inside a cell becomes a blank. csv: RFC 4180 quoting.
void writeGrid(std::ostream& out, const ReportGrid& grid, GridFormat format);

// Writes a new file under a temporary name in the folder of `path` and renames it to `path` once
// every write and the close succeeded; on any failure the temporary file goes and whatever was
// at `path` stays untouched. A FIFO or device at `path` is written through instead, never
// replaced; a read-only file is refused. `write` reports its own failures by leaving the stream
// failed.
Result<void> writeFileReplacing(const std::string& path, const std::function<void(std::ostream&)>& write);

// Writes to standard output and checks that every byte got out (a full disk, a closed pipe).
Result<void> writeStandardOutput(const std::function<void(std::ostream&)>& write);

// Refuses a regular file whose write permission is off (even for the superuser).
Result<void> checkWritable(const std::string& path);

// True when `path` is a FIFO, device or socket: an output that is opened and written, never replaced.
bool isWrittenThrough(const std::string& path);

// True when `out` names the database file or one of its companions (-journal, -wal, -shm).
bool namesDatabaseFile(const std::string& out, const std::string& database);

// True when both names lead to the same file (also through links or different spellings).
bool sameFile(const std::string& a, const std::string& b);

} // namespace nax
