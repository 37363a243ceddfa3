#pragma once
// The tables of a plant's production database, as the data collector creates them.

#include <string>

namespace nax {

// CREATE TABLE statements for every table the reports read, plain column types, no indexes:
// the shape of a database made by the data-collection program.
const char* plantSchemaSql();
// The same tables in a PostgreSQL server's plain types (REAL is single precision there).
std::string serverPlantSchemaSql();

// CREATE INDEX IF NOT EXISTS statements for the lookups the reports make (per-run production
// sums, time ranges over opc, events per run and by start, runs by start).
const char* reportIndexSql();

} // namespace nax
