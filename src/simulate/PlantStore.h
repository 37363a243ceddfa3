#pragma once
// Where the simulator writes: an SQLite file or a PostgreSQL database, behind one small
// interface (statements and rows). Failures are thrown as StoreFailure.
#include "base/Result.h"

#include <cstdint>
#include <memory>
#include <string>

namespace nax {

struct StoreFailure {
    Error error;
};

// Rows of one table, given column by column (from 1) and then written by run().
class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void integer(int column, std::int64_t value) = 0;
    virtual void real(int column, double value) = 0;
    virtual void text(int column, const char* value) = 0; // nullptr is NULL
    virtual void run() = 0;
};

class PlantStore {
public:
    virtual ~PlantStore() = default;
    // Creates the plant's tables (plain types, no indexes) in one open transaction.
    virtual void begin() = 0;
    virtual std::unique_ptr<RowSink> rows(const char* table, int columns) = 0;
    // The report indexes and planner statistics.
    virtual void addIndexes() = 0;
    virtual void commit() = 0;
};

// Writes an SQLite database file that replaces the one at `path` once complete: a plant
// database, or with `replace` any SQLite database; never any other file.
Result<std::unique_ptr<PlantStore>> openSqliteStore(const std::string& path, bool replace);
// Connects to a server; the plant's tables must not exist there yet unless `replace`.
Result<std::unique_ptr<PlantStore>> openPostgresStore(const std::string& conninfo, bool replace);

} // namespace nax
