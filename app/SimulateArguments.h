#pragma once
// The command line of nax-simulate.
#include "simulate/PlantSimulator.h"

#include <string>
#include <vector>

namespace nax {

// Command line of nax-simulate, without the program name:
//   --out FILE|URI [--days N] [--end "YYYY-MM-DD HH:MM"] [--seed N] [--no-indexes] [--replace]
//   [--if-stale]
// nowSerial is the end when --end is not given. The error message names the bad argument.
Result<SimulationOptions> parseSimulateArguments(const std::vector<std::string>& args, double nowSerial);

const char* simulateUsage();

// The local clock as a day serial, rounded down to the minute.
double localNowSerial();

// One line for the console: file, days, runs, events, opc rows.
std::string summaryLine(const SimulationOptions& options, const SimulationSummary& summary);

} // namespace nax
