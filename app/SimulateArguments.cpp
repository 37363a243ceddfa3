#include "SimulateArguments.h"

#include "db/DbConnection.h"
#include "text/DatePattern.h"

#include <QDateTime>

#include <charconv>
#include <optional>
#include <set>
#include <string_view>

namespace nax {
namespace {

std::optional<long long> parseInteger(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
    return value;
}

// "YYYY-MM-DD HH:MM" (a T in place of the blank is accepted too), from 1900 on.
std::optional<double> parseEnd(std::string_view text) {
    const auto end = text.size() == 16 ? readDateTimeArgument(text, " T") : std::nullopt;
    if (!end || end->year < 1900) return std::nullopt;
    return simulationSerial(end->year, end->month, end->day, end->hour, end->minute);
}

} // namespace

double localNowSerial() {
    const QDateTime now = QDateTime::currentDateTime();
    return simulationSerial(now.date().year(), now.date().month(), now.date().day(), now.time().hour(),
                            now.time().minute());
}

const char* simulateUsage() {
    return "usage: nax-simulate --out FILE|URI [--days N] [--end \"YYYY-MM-DD HH:MM\"] [--seed N] "
           "[--no-indexes] [--replace]\n"
           "  --out FILE     database file to write; an existing plant database there is replaced\n"
           "  --out URI      a PostgreSQL database (postgresql://... or \"host=... dbname=...\")\n"
           "  --days N       days of production up to the end (1 to 3660, default 30)\n"
           "  --end TIME     end of the period, local time (default: now, to the minute)\n"
           "  --seed N       random seed; the same seed writes the same data (default 1)\n"
           "  --no-indexes   leave out the report indexes, like a database of the plant\n"
           "  --replace      replace an SQLite file that is no plant database; on a server: drop the\n"
           "                 plant tables found there and write them again\n"
           "  --if-stale     only when the file is missing or its data ends more than a day before the end\n"
           "  -h, --help     print this usage; --version prints the version\n";
}

Result<SimulationOptions> parseSimulateArguments(const std::vector<std::string>& args, double nowSerial) {
    SimulationOptions options;
    options.endSerial = nowSerial;
    bool haveOut = false;
    std::set<std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        }
        if (!given.insert(name).second) return Error{0, name + " is given more than once"};
        if (name == "--no-indexes" && !value) {
            options.withIndexes = false;
            continue;
        }
        if (name == "--replace" && !value) {
            options.replace = true;
            continue;
        }
        if (name == "--if-stale" && !value) {
            options.onlyIfStale = true;
            continue;
        }
        if (name != "--out" && name != "--days" && name != "--end" && name != "--seed")
            return Error{0, "unknown argument: " + args[i]};
        if (!value) {
            if (i + 1 >= args.size()) return Error{0, name + " needs a value"};
            value = args[++i];
        }
        if (name == "--out") {
            if (value->empty()) return Error{0, "--out needs a file name"};
            options.outPath = *value;
            haveOut = true;
        } else if (name == "--days") {
            const auto days = parseInteger(*value);
            if (!days || *days < 1 || *days > kMaxSimulationDays)
                return Error{0,
                             "--days must be a whole number from 1 to " + std::to_string(kMaxSimulationDays)};
            options.days = static_cast<int>(*days);
        } else if (name == "--end") {
            const auto end = parseEnd(*value);
            if (!end) return Error{0, "--end must be a date and time as \"YYYY-MM-DD HH:MM\""};
            options.endSerial = *end;
        } else {
            const auto seed = parseInteger(*value);
            if (!seed || *seed < 0 || *seed > 0xffffffffLL)
                return Error{0, "--seed must be a whole number from 0 to 4294967295"};
            options.seed = static_cast<unsigned>(*seed);
        }
    }
    if (!haveOut) return Error{0, "--out is required"};
    return options;
}

std::string summaryLine(const SimulationOptions& options, const SimulationSummary& summary) {
    return "wrote " + displayName(options.outPath) + ": " + std::to_string(options.days) + " days, " +
           std::to_string(summary.runs) + " runs, " + std::to_string(summary.events) + " downtime events, " +
           std::to_string(summary.opcRows) + " opc rows" + (options.withIndexes ? "" : ", no indexes");
}

} // namespace nax
