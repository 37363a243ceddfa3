#pragma once
// Writes a plant database the way the data collector fills it: production runs back to back,
// one opc row per tag and minute, and a downtime event for every stop of a tag, about two
// thirds of them already classified from the master lists.
#include "base/Result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nax {

struct SimulationOptions {
    std::string outPath;
    int days = 30;
    double endSerial = 0; // day serial of the end; the last run is still going then
    unsigned seed = 1;
    bool withIndexes = true;  // the report indexes (reportIndexSql) and planner statistics
    bool replace = false;     // replace any SQLite file; on a server: drop the plant tables found there first
    bool onlyIfStale = false; // leave a database file alone unless demoNeedsSimulating says so
};

struct SimulationSummary {
    std::int64_t runs = 0;
    std::int64_t events = 0;
    std::int64_t opcRows = 0;
};

// Longest period one call simulates.
inline constexpr int kMaxSimulationDays = 3660;

// Creates the database at options.outPath: a file, or a PostgreSQL connection URI or keyword
// string. An existing plant database file is replaced once the new one is complete (with
// options.replace, any SQLite file); any other existing file is left alone and reported as an error. On a
// server the plant tables are created in the current schema; if they exist already, that is an error unless
// options.replace. Same options, same content.
Result<SimulationSummary> simulatePlant(const SimulationOptions& options);

// The end of the data of the database file at `path` (its last opc minute); none when the file is
// missing or holds no data.
Result<std::optional<double>> plantDataEnd(const std::string& path);

// A demo plant is simulated again when it is missing or its data ends more than a day before
// `nowSerial`, so that the windows' default range (the last hours) is never empty.
Result<bool> demoNeedsSimulating(const std::string& path, double nowSerial);

// Day serial of a calendar date and time (proleptic Gregorian), no validation.
double simulationSerial(int year, int month, int day, int hour, int minute);

} // namespace nax
