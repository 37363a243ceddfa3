#pragma once
// The figures of the loss analysis, one formula each, shared by the DMS reports and by anything
// that sums runs, for example by day. Every figure is what its cell shows: rounded half to even
// and read back from that text, so a figure built on another one uses the rounded value, as the
// reports always have. nullopt is an empty cell: an input is missing, a divisor is 0, or the
// result is not finite.
#include <array>
#include <cstdint>
#include <optional>

namespace nax {

using Figure = std::optional<double>;

// Minutes of the six loss categories in column order: Lack of Sales, Equipment Loss, Planned
// Loss, Operational Loss, Minor Stoppage, QA Loss.
using LossMinutes = std::array<Figure, 6>;
inline constexpr int kLackOfSalesLoss = 0;
inline constexpr int kPlannedLossLoss = 2;

// The value as a cell rounded to `decimals` shows it.
Figure cellFigure(Figure value, int decimals);

// (end - start) x 60 x 24 of two day serials, 2 decimals.
Figure productionTimeMinutes(Figure start, Figure end);
// units / unitsPerMinute; whole minutes in the daily report (decimals 0), 2 decimals per hour.
Figure earnedTimeMinutes(Figure units, Figure unitsPerMinute, int decimals);
// Production Time - Earned Time, 2 decimals. The hour report passes 60 as Production Time.
Figure lostTimeMinutes(Figure productionTime, Figure earnedTime);
// Lost Time - the six categories, 2 decimals. The daily figure adds the categories in single
// precision and takes an empty one as 0.
Figure speedLossMinutes(Figure lostTime, const LossMinutes& losses);
// The hour report's figure: the categories added in double precision, all six needed.
Figure hourSpeedLossMinutes(Figure lostTime, const LossMinutes& losses);
// Earned Time / (Production Time - (Lack of Sales + Planned Loss)) x 100, 2 decimals.
Figure mePercent(Figure earnedTime, Figure productionTime, const LossMinutes& losses);
// Earned Time / (Production Time - Lack of Sales) x 100, 2 decimals.
Figure naxPercent(Figure earnedTime, Figure productionTime, const LossMinutes& losses);
// ">85": ME above 85; nullopt when ME is empty.
std::optional<bool> meAbove85(Figure me);
// Production in whole cases (half to even); nullopt when it cannot be computed or does not fit
// 32 bits, and the production cell then keeps its units.
std::optional<int32_t> productionCases(Figure units, Figure caseCount);

// One run of the daily report.
struct RunFigureInputs {
    Figure units;          // production in units, as the production cell holds it
    Figure unitsPerMinute; // the run's USpeed
    Figure caseCount;
    Figure start, end;  // day serials
    LossMinutes losses; // as the category cells hold them (2 decimals)
};

struct RunFigures {
    Figure productionTime, earnedTime, lostTime, speedLoss, me, nax;
    std::optional<bool> above85;
    std::optional<int32_t> cases;
};

RunFigures dailyRunFigures(const RunFigureInputs& run);

} // namespace nax
