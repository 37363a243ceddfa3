#pragma once
// Minutes a run lost to a loss category in one hour window (minute 00 to minute 59 of the row's
// date and hour), from the TimeLost events that start in, cover, or end in the window, capped
// at 60. The events of all runs of a report are read once; each window is then worked out in
// memory with the engine's rules for NULLs and texts, giving the figure the three single-value
// lookups per window and category always gave.
#include "base/ReportGrid.h"
#include "base/Result.h"
#include "db/DbConnection.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace nax {

class HourWindowLosses {
public:
    // The events of the runs firstRun..lastRun, with the loss categories their trimmed
    // Loss_Structure names (compared as the engine compares text).
    static Result<HourWindowLosses> read(DbConnection& db, int64_t firstRun, int64_t lastRun);

    // Writes the figure of category `category` (index into kLossCategories) of `run` into
    // `column` of the last row of runGrid, which carries the running total between the three
    // sums. dateText is "dd-MMM-yy", hourText "00" to "23"; when they do not name an hour the
    // cell is left empty.
    void write(ReportGrid& runGrid, size_t category, int column, std::string_view dateText,
               std::string_view hourText, int32_t run) const;

private:
    // A DT_Start or DT_End as the engine compares it: NULL, a number, or a text (or blob),
    // which is greater than every number.
    struct Moment {
        enum class Kind { Null, Number, Text } kind = Kind::Null;
        double value = 0;
    };
    struct Event {
        Moment start, end;
        std::array<bool, 6> inCategory{};
    };
    std::unordered_map<int64_t, std::vector<Event>> runs_;
};

} // namespace nax
