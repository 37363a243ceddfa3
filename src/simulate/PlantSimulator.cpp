#include "simulate/PlantSimulator.h"

#include "db/DbConnection.h"
#include "simulate/PlantSchema.h"
#include "simulate/PlantStore.h"
#include "text/DaySerial.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <string_view>

namespace nax {
namespace {

// ---------------------------------------------------------------------------------------------
// Random numbers. mt19937 gives the same sequence on every platform; the distributions are our
// own so that a seed gives the same database whatever standard library built the program.

class Rng {
public:
    explicit Rng(std::uint32_t seed) : engine_(seed) {}

    double uniform() { return engine_() * (1.0 / 4294967296.0); } // [0, 1)
    int between(int lo, int hi) { return lo + static_cast<int>(uniform() * (hi - lo + 1)); }
    bool chance(double p) { return uniform() < p; }
    double exponential(double mean) { return -mean * std::log(1.0 - uniform()); }

    template <class T> const T& pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(between(0, static_cast<int>(items.size()) - 1))];
    }
    // Index chosen with probability proportional to its weight.
    std::size_t weighted(const std::vector<double>& weights) {
        double total = 0;
        for (double w : weights)
            total += w;
        double x = uniform() * total;
        for (std::size_t i = 0; i < weights.size(); ++i) {
            if (x < weights[i]) return i;
            x -= weights[i];
        }
        return weights.size() - 1;
    }

private:
    std::mt19937 engine_;
};

// ---------------------------------------------------------------------------------------------
// Master data of the line.

struct Pack {
    const char* name;
    int unitsPerMinute;
    int caseCount;
    double share; // how often the plan schedules it
};
const std::vector<Pack> kPacks = {
    {"200ML RGB", 600, 24, 2}, {"300ML PET", 500, 24, 3}, {"500ML PET", 450, 24, 3},
    {"1L PET", 360, 12, 1},    {"1.5L PET", 300, 6, 2},
};

const std::vector<const char*> kFlavors = {"Cola", "Orange", "Lemon", "Soda", "Lime", "Diet Cola"};
const std::vector<double> kFlavorShares = {4, 2, 2, 1.5, 1, 1.5};

const std::vector<const char*> kTagNames = {"Filler", "Labeller", "Packer"};
// Stops per running hour of each tag; the three together give roughly 40 to 50 a day.
const std::vector<double> kStopsPerHour = {1.1, 0.6, 0.6};

const char* const kLackOfSales = "Lack of Sales";
const char* const kEquipmentLoss = "Equipment Loss";
const char* const kPlannedLoss = "Planned Loss";
const char* const kOperationalLoss = "Operational Loss";
const char* const kMinorStoppage = "Minor Stoppage";
const char* const kQaLoss = "QA Loss";
const std::vector<const char*> kLossStructures = {kLackOfSales,     kEquipmentLoss, kPlannedLoss,
                                                  kOperationalLoss, kMinorStoppage, kQaLoss};

struct Failure {
    const char* description;
    const char* lossStructure; // the only category it is booked under; nullptr: machine faults
};

struct Asset {
    const char* name;
    int tag;      // the tag whose stops it explains; 0: any tag
    bool machine; // false: the line as a whole (sales, planning, quality, staffing)
    std::vector<const char*> components;
    std::vector<Failure> failures;
};

const std::vector<Asset> kAssets = {
    {"Rinser",
     1,
     true,
     {"Gripper", "Spray Nozzle", "Drive Motor"},
     {{"Gripper jam", nullptr}, {"Low rinse water pressure", nullptr}, {"Bottle fallen", nullptr}}},
    {"Filler - Valve (A)",
     1,
     true,
     {"Filling Valve", "Centering Bell", "Vent Tube"},
     {{"Valve leaking", nullptr}, {"Under fill", nullptr}, {"Valve not opening", nullptr}}},
    {"Filler - Valve (B)",
     1,
     true,
     {"Filling Valve", "Centering Bell", "Vent Tube"},
     {{"Valve leaking", nullptr}, {"Over fill", nullptr}, {"Vent tube broken", nullptr}}},
    {"Filler - Bowl",
     1,
     true,
     {"Level Probe", "CO2 Line", "Product Pump"},
     {{"Low bowl level", nullptr}, {"CO2 pressure low", nullptr}, {"Product pump trip", nullptr}}},
    {"Capper",
     1,
     true,
     {"Capping Head", "Cap Chute", "Cap Sorter"},
     {{"Cap jam in chute", nullptr}, {"Loose caps", nullptr}, {"Capping head torque fault", nullptr}}},
    {"Labeller",
     2,
     true,
     {"Glue Roller", "Label Magazine", "Vacuum Drum", "Cutter"},
     {{"Glue not applied", nullptr},
      {"Label magazine empty", nullptr},
      {"Labels misaligned", nullptr},
      {"Cutter blade worn", nullptr}}},
    {"Date Coder",
     2,
     true,
     {"Print Head", "Ink System"},
     {{"Print head blocked", nullptr}, {"Ink low", nullptr}, {"Code not legible", nullptr}}},
    {"Fill Level Inspector",
     2,
     true,
     {"Sensor", "Reject Pusher"},
     {{"False rejects", nullptr}, {"Reject pusher fault", nullptr}}},
    {"Case Packer",
     3,
     true,
     {"Grouping Table", "Gripper Head", "Case Magazine"},
     {{"Bottle fallen in grouping", nullptr}, {"Case jam", nullptr}, {"Gripper head fault", nullptr}}},
    {"Shrink Wrapper",
     3,
     true,
     {"Film Roll", "Heat Tunnel", "Sealing Bar"},
     {{"Film broken", nullptr}, {"Tunnel temperature low", nullptr}, {"Seal not proper", nullptr}}},
    {"Palletizer",
     3,
     true,
     {"Layer Former", "Pallet Dispenser", "Hoist"},
     {{"Layer fallen", nullptr}, {"Pallet not available", nullptr}, {"Hoist sensor fault", nullptr}}},
    {"Conveyor",
     0,
     true,
     {"Chain", "Drive Motor", "Guide Rail", "Photo Sensor"},
     {{"Chain broken", nullptr},
      {"Motor trip", nullptr},
      {"Bottle jam", nullptr},
      {"Guide rail loose", nullptr}}},
    {"Line - General",
     0,
     false,
     {"Line", "Syrup Room", "Utilities", "Stores"},
     {{"No production plan", kLackOfSales},
      {"Stock-out of orders", kLackOfSales},
      {"Planned maintenance", kPlannedLoss},
      {"CIP / sanitation", kPlannedLoss},
      {"Waiting for material", kOperationalLoss},
      {"Crew shortage", kOperationalLoss},
      {"Shift handover", kOperationalLoss},
      {"Quality hold", kQaLoss},
      {"Syrup not released", kQaLoss},
      {"Product out of tolerance", kQaLoss}}},
};

const std::vector<const char*> kOperators = {"Ravi Kumar",   "Suresh Patil", "Anil Sharma",    "Manoj Singh",
                                             "Deepak Yadav", "Prakash Rao",  "Santosh Jadhav", "Vijay Nair",
                                             "Rajesh Gupta", "Sunil More"};
const std::vector<const char*> kExecutives = {"A. Mehta", "P. Kulkarni", "S. Iyer", "R. Deshmukh"};

const std::vector<const char*> kRemarks = {
    "Checked and reset",      "Informed maintenance", "Part replaced",    "Adjusted and restarted",
    "Waiting for spare part", "Cleaned sensor",       "Repeated problem", "Supervisor informed",
};

// ---------------------------------------------------------------------------------------------
// The plan: runs and stops in whole seconds since 30 December 1899.

constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kSecondsPerDay = 86400;

double serialOfSecond(std::int64_t second) {
    return static_cast<double>(second) / kSecondsPerDay;
}

const char* shiftOfSecond(std::int64_t second) {
    const std::int64_t hour = ((second % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay) / 3600;
    if (hour >= 6 && hour <= 13) return "B";
    if (hour >= 14 && hour <= 21) return "C";
    return "A";
}

struct Stop {
    int tag;
    std::int64_t start, end; // [start, end)
};

struct Run {
    std::int64_t id;
    std::int64_t start, end; // whole minutes in seconds; end is the period end for the open run
    bool open;
    std::size_t pack, flavor;
    double efficiency; // share of the rated speed the line holds while it runs
    std::vector<Stop> stops[3];
};

std::size_t otherThan(Rng& rng, std::size_t avoid, const std::vector<double>& shares) {
    for (;;) {
        std::size_t i = rng.weighted(shares);
        if (i != avoid) return i;
    }
}

std::vector<double> packShares() {
    std::vector<double> shares;
    for (const Pack& p : kPacks)
        shares.push_back(p.share);
    return shares;
}

// Length of one stop in seconds: mostly a few minutes, some a quarter of an hour, a few long.
std::int64_t stopLength(Rng& rng) {
    const double u = rng.uniform();
    if (u < 0.78) return 30 + std::min<std::int64_t>(static_cast<std::int64_t>(rng.exponential(150)), 540);
    if (u < 0.96) return rng.between(10 * 60, 30 * 60);
    return rng.between(30 * 60, 120 * 60);
}

void planStops(Rng& rng, Run& run) {
    const std::int64_t first = run.start + 2 * kSecondsPerMinute;
    const std::int64_t last = run.end - kSecondsPerMinute; // every stop ends before this
    for (int tag = 0; tag < 3; ++tag) {
        const double meanGap = 3600.0 / kStopsPerHour[static_cast<std::size_t>(tag)];
        std::int64_t t = first + static_cast<std::int64_t>(rng.exponential(meanGap));
        for (;;) {
            const std::int64_t length = stopLength(rng);
            if (t + length > last) break;
            run.stops[tag].push_back({tag + 1, t, t + length});
            t += length + 120 + static_cast<std::int64_t>(rng.exponential(meanGap));
        }
    }
}

// Runs of 2 to 12 hours back to back from the period start, a changeover between two runs
// (a flavour change of 10 to 20 minutes, a pack change of 25 to 60); the last run is still
// going at the period end.
std::vector<Run> planRuns(Rng& rng, std::int64_t startMinute, std::int64_t endMinute) {
    const std::vector<double> shares = packShares();
    std::vector<Run> runs;
    std::int64_t minute = startMinute;
    std::size_t pack = rng.weighted(shares);
    std::size_t flavor = rng.weighted(kFlavorShares);
    for (;;) {
        Run run{};
        run.id = static_cast<std::int64_t>(runs.size()) + 1;
        run.pack = pack;
        run.flavor = flavor;
        run.efficiency = 0.93 + 0.06 * rng.uniform();
        run.start = minute * kSecondsPerMinute;
        const int length = rng.between(120, 720);
        const bool samePack = rng.chance(0.6);
        if (minute + length + 60 + 30 >= endMinute) {
            run.open = true;
            run.end = endMinute * kSecondsPerMinute;
        } else {
            run.end = (minute + length) * kSecondsPerMinute;
        }
        planStops(rng, run);
        runs.push_back(std::move(run));
        if (runs.back().open) break;
        const int changeover = samePack ? rng.between(10, 20) : rng.between(25, 60);
        minute += length + changeover;
        if (!samePack) pack = otherThan(rng, pack, shares);
        flavor = otherThan(rng, flavor, kFlavorShares);
    }
    return runs;
}

// ---------------------------------------------------------------------------------------------
// Classification of a stop, as the operators would have entered it.

struct Classification {
    const char* asset = nullptr;
    const char* component = nullptr;
    const char* lossStructure = nullptr;
    const char* failure = nullptr;
    const char* op = nullptr;
    const char* executive = nullptr;
    const char* remarks = nullptr;
};

const char* lossStructureFor(Rng& rng, std::int64_t seconds) {
    static const std::vector<const char*> shortStops = {kMinorStoppage, kEquipmentLoss, kOperationalLoss};
    static const std::vector<double> shortShares = {80, 12, 8};
    static const std::vector<const char*> mediumStops = {kEquipmentLoss, kOperationalLoss, kQaLoss,
                                                         kLackOfSales,   kPlannedLoss,     kMinorStoppage};
    static const std::vector<double> mediumShares = {45, 25, 10, 10, 5, 5};
    static const std::vector<const char*> longStops = {kEquipmentLoss, kPlannedLoss, kLackOfSales,
                                                       kOperationalLoss, kQaLoss};
    static const std::vector<double> longShares = {35, 25, 15, 15, 10};
    if (seconds < 600) return shortStops[rng.weighted(shortShares)];
    if (seconds < 1800) return mediumStops[rng.weighted(mediumShares)];
    return longStops[rng.weighted(longShares)];
}

Classification classify(Rng& rng, const Stop& stop) {
    Classification c;
    c.lossStructure = lossStructureFor(rng, stop.end - stop.start);
    const bool machineFault = c.lossStructure == kEquipmentLoss || c.lossStructure == kMinorStoppage ||
                              (c.lossStructure == kOperationalLoss && rng.chance(0.5));
    std::vector<const Asset*> assets;
    std::vector<double> weights;
    for (const Asset& a : kAssets) {
        if (a.machine != machineFault) continue;
        if (machineFault && a.tag != 0 && a.tag != stop.tag) continue;
        assets.push_back(&a);
        weights.push_back(a.tag == 0 ? 0.5 : 1.0);
    }
    const Asset& asset = *assets[rng.weighted(weights)];
    std::vector<const char*> failures;
    for (const Failure& f : asset.failures)
        if (f.lossStructure == nullptr || f.lossStructure == c.lossStructure)
            failures.push_back(f.description);
    c.asset = asset.name;
    c.component = rng.pick(asset.components);
    c.failure = rng.pick(failures);
    c.op = rng.pick(kOperators);
    c.executive = rng.pick(kExecutives);
    if (rng.chance(0.2)) c.remarks = rng.pick(kRemarks);
    return c;
}

// ---------------------------------------------------------------------------------------------
// Writing. Any failure of the store is thrown as StoreFailure and becomes the call's error.

// A table's rows through the store, column values given fluently.
class Insert {
public:
    Insert(PlantStore& store, const char* table, int columns) : rows_(store.rows(table, columns)) {}

    Insert& integer(int column, std::int64_t value) {
        rows_->integer(column, value);
        return *this;
    }
    Insert& real(int column, double value) {
        rows_->real(column, value);
        return *this;
    }
    // Static text only (the master lists and literals); nullptr is stored as NULL.
    Insert& text(int column, const char* value) {
        rows_->text(column, value);
        return *this;
    }
    void run() { rows_->run(); }

private:
    std::unique_ptr<RowSink> rows_;
};

void writeMasters(PlantStore& db) {
    Insert tag(db, "Tag_Master", 2);
    for (std::size_t i = 0; i < kTagNames.size(); ++i)
        tag.integer(1, static_cast<std::int64_t>(i) + 1).text(2, kTagNames[i]).run();

    Insert pack(db, "Pack_Master", 2);
    for (std::size_t i = 0; i < kPacks.size(); ++i)
        pack.integer(1, static_cast<std::int64_t>(i) + 1).text(2, kPacks[i].name).run();

    Insert flavor(db, "Flavor_Master", 2);
    for (std::size_t i = 0; i < kFlavors.size(); ++i)
        flavor.integer(1, static_cast<std::int64_t>(i) + 1).text(2, kFlavors[i]).run();

    Insert asset(db, "Asset_Master", 2);
    Insert component(db, "Component_master", 2);
    Insert failure(db, "Failure_Master", 3);
    std::int64_t failureId = 0;
    for (std::size_t i = 0; i < kAssets.size(); ++i) {
        const std::int64_t assetId = static_cast<std::int64_t>(i) + 1;
        asset.integer(1, assetId).text(2, kAssets[i].name).run();
        for (const char* c : kAssets[i].components)
            component.text(1, c).integer(2, assetId).run();
        for (const Failure& f : kAssets[i].failures)
            failure.integer(1, ++failureId).text(2, f.description).integer(3, assetId).run();
    }

    Insert misc(db, "Misc_Master", 1);
    for (const char* l : kLossStructures)
        misc.text(1, l).run();

    Insert employee(db, "Employee_Master", 3);
    std::int64_t employeeId = 0;
    for (const char* name : kOperators)
        employee.integer(1, ++employeeId).text(2, name).text(3, "Operator").run();
    for (const char* name : kExecutives)
        employee.integer(1, ++employeeId).text(2, name).text(3, "Executive").run();

    Insert company(db, "CMMS_Misc_Master", 2);
    company.text(1, "Sunrise Beverages Pvt. Ltd.").text(2, "Plot 14, Industrial Area Phase II").run();
}

void writeRuns(PlantStore& db, const std::vector<Run>& runs) {
    Insert insert(db, "Run_master", 8);
    for (const Run& run : runs) {
        const Pack& pack = kPacks[run.pack];
        const double caseSpeed = std::round(100.0 * pack.unitsPerMinute / pack.caseCount) / 100.0;
        insert.integer(1, run.id)
            .real(2, serialOfSecond(run.start))
            .real(3, run.open ? 0.0 : serialOfSecond(run.end))
            .integer(4, static_cast<std::int64_t>(run.pack) + 1)
            .integer(5, static_cast<std::int64_t>(run.flavor) + 1)
            .real(6, caseSpeed)
            .real(7, pack.unitsPerMinute)
            .real(8, pack.caseCount)
            .run();
    }
}

std::int64_t writeEvents(PlantStore& db, Rng& rng, const std::vector<Run>& runs, std::int64_t endSecond) {
    Insert insert(db, "TimeLost", 18);
    std::int64_t id = 0;
    for (const Run& run : runs) {
        std::vector<Stop> stops;
        for (const auto& tagStops : run.stops)
            stops.insert(stops.end(), tagStops.begin(), tagStops.end());
        std::sort(stops.begin(), stops.end(), [](const Stop& a, const Stop& b) {
            return a.start != b.start ? a.start < b.start : a.tag < b.tag;
        });
        for (const Stop& stop : stops) {
            // The operators catch up with the older stops; the last half day is mostly open.
            const bool recent = endSecond - stop.start < kSecondsPerDay / 2;
            Classification c;
            if (rng.chance(recent ? 0.3 : 0.69)) c = classify(rng, stop);
            const double start = serialOfSecond(stop.start);
            const double end = serialOfSecond(stop.end);
            insert.integer(1, ++id)
                .integer(2, stop.tag)
                .integer(3, run.id)
                .text(4, shiftOfSecond(stop.start))
                .text(5, kPacks[run.pack].name)
                .text(6, kFlavors[run.flavor])
                .real(7, start)
                .real(8, end)
                .real(9, end - start)
                .text(10, c.asset)
                .text(11, c.component)
                .text(12, c.lossStructure)
                .text(13, c.failure)
                .text(14, c.op)
                .text(15, c.executive)
                .text(16, c.remarks)
                .text(17, nullptr)
                .text(18, nullptr)
                .run();
        }
    }
    return id;
}

// One row per tag and minute of every run. The filler counts the line's bottles: nothing while
// any tag is stopped and a share of the minute when a stop begins or ends inside it; otherwise
// it runs near the run's efficiency with some noise, now and then a slow spell, and at best a
// little above the rated speed. UTimeLost is the minute's shortfall against the rated speed in minutes,
// CTimeLost the tag's shortfall summed over the run so far.
std::int64_t writeProduction(PlantStore& db, Rng& rng, const std::vector<Run>& runs) {
    Insert insert(db, "opc", 9);
    std::int64_t rows = 0;
    for (const Run& run : runs) {
        const Pack& pack = kPacks[run.pack];
        const double rated = pack.unitsPerMinute;
        std::size_t nextStop[3] = {0, 0, 0};
        int slowMinutes[3] = {0, 0, 0};
        double slowFactor[3] = {1, 1, 1};
        double runLost[3] = {0, 0, 0};
        insert.integer(3, run.id)
            .integer(5, static_cast<std::int64_t>(run.pack) + 1)
            .integer(6, static_cast<std::int64_t>(run.flavor) + 1);
        for (std::int64_t second = run.start; second < run.end; second += kSecondsPerMinute) {
            const std::int64_t minuteEnd = second + kSecondsPerMinute;
            insert.real(1, serialOfSecond(second)).text(4, shiftOfSecond(second));
            std::int64_t stopped[3] = {0, 0, 0};
            for (int tag = 0; tag < 3; ++tag) {
                const std::vector<Stop>& stops = run.stops[tag];
                std::size_t& k = nextStop[tag];
                while (k < stops.size() && stops[k].end <= second)
                    ++k;
                for (std::size_t j = k; j < stops.size() && stops[j].start < minuteEnd; ++j)
                    stopped[tag] += std::min(stops[j].end, minuteEnd) - std::max(stops[j].start, second);
            }
            // A stop anywhere on the line stops the filler too, so the line's output (counted on
            // the filler alone) drops with every tag's stops.
            const std::int64_t lineStopped =
                std::min<std::int64_t>(kSecondsPerMinute, stopped[0] + stopped[1] + stopped[2]);
            for (int tag = 0; tag < 3; ++tag) {
                if (slowMinutes[tag] > 0) {
                    --slowMinutes[tag];
                } else if (rng.chance(0.004)) {
                    slowMinutes[tag] = rng.between(3, 15);
                    slowFactor[tag] = 0.6 + 0.25 * rng.uniform();
                } else {
                    slowFactor[tag] = 1.0;
                }
                const double noise = (rng.uniform() + rng.uniform() + rng.uniform() - 1.5) * 0.04;
                const double pace = std::min((run.efficiency + noise) * slowFactor[tag], 1.04);
                const std::int64_t idle = tag == 0 ? lineStopped : stopped[tag];
                const double running = static_cast<double>(kSecondsPerMinute - idle) / kSecondsPerMinute;
                // Only the filler (tag 1) counts bottles; the other tags record their lost time.
                const std::int64_t production = tag == 0 ? std::llround(rated * pace * running) : 0;
                const double lost = tag == 0 ? std::max(0.0, 1.0 - production / rated) : 1.0 - running * pace;
                runLost[tag] += lost;

                insert.integer(2, tag + 1)
                    .integer(7, production)
                    .real(8, std::round(lost * 10000.0) / 10000.0)
                    .real(9, std::round(runLost[tag] * 100.0) / 100.0)
                    .run();
                ++rows;
            }
        }
    }
    return rows;
}

// ---------------------------------------------------------------------------------------------
// The output file.

Result<void> validate(const SimulationOptions& options) {
    if (options.outPath.empty()) return Error{0, "no output file given"};
    if (options.days < 1 || options.days > kMaxSimulationDays)
        return Error{0, "days must be between 1 and " + std::to_string(kMaxSimulationDays)};
    if (!std::isfinite(options.endSerial) || options.endSerial - options.days < 1 ||
        options.endSerial > 2958465)
        return Error{0, "the end date is out of range"};
    return success();
}

void generate(PlantStore& db, const SimulationOptions& options, SimulationSummary& summary) {
    db.begin();

    const auto endMinute = static_cast<std::int64_t>(std::floor(options.endSerial * 1440.0 + 1e-6));
    const std::int64_t startMinute = endMinute - static_cast<std::int64_t>(options.days) * 1440;
    Rng plan(options.seed);
    Rng minutes(options.seed ^ 0x9e3779b9u);
    const std::vector<Run> runs = planRuns(plan, startMinute, endMinute);

    writeMasters(db);
    writeRuns(db, runs);
    summary.runs = static_cast<std::int64_t>(runs.size());
    summary.events = writeEvents(db, plan, runs, endMinute * kSecondsPerMinute);
    summary.opcRows = writeProduction(db, minutes, runs);
    if (options.withIndexes) db.addIndexes();
    db.commit();
}

} // namespace

double simulationSerial(int year, int month, int day, int hour, int minute) {
    // Whole minutes first, so that a minute of the plan is the same double wherever it is made.
    const std::int64_t days = serialDay(year, month, day);
    return static_cast<double>(days * 1440 + hour * 60 + minute) / 1440.0;
}

Result<SimulationSummary> simulatePlant(const SimulationOptions& options) {
    if (auto valid = validate(options); !valid) return valid.error();
    const bool server = isServerConnection(options.outPath);
    auto store = server ? openPostgresStore(options.outPath, options.replace)
                        : openSqliteStore(options.outPath, options.replace);
    if (!store) return store.error();
    SimulationSummary summary;
    std::optional<Error> error;
    try {
        generate(*store.value(), options, summary);
    } catch (const StoreFailure& failure) {
        error = failure.error;
    }
    store.value().reset();
    if (error) {
        error->message = displayName(options.outPath) + ": " + error->message;
        return *error;
    }
    return summary;
}

} // namespace nax
