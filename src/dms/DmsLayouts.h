#pragma once
// Header rows of the DMS grids: the run grid in its daily and its shift-wise layout, and the
// downtime detail grid. Each call drops every data row and leaves only the header row.
#include "base/ReportGrid.h"

namespace nax {

inline constexpr int kDailyColumns = 28;
inline constexpr int kShiftColumns = 24;

// Columns of the downtime detail grid.
enum DowntimeDetailColumn : int {
    kDetailRunNo,
    kDetailPack,
    kDetailFlavor,
    kDetailStartTime,
    kDetailEndTime,
    kDetailTimeLost,
    kDetailShift,
    kDetailAsset,
    kDetailLossStructure,
    kDetailFailure,
    kDetailOperator,
    kDetailExecutive,
    kDetailRemarks,
    kDetailOther1,
    kDetailOther2,
    kDetailDate,
    kDetailDay,
    kDetailMonth,
    kDetailWeek,
    kDetailYear,
    kDetailHour,
    kDetailHourAsset,
    kDetailDayAsset,
    kDetailWeekAsset,
    kDowntimeDetailColumns
};

void SetDailyGrid(ReportGrid& grid);
void SetDowntimeGrid(ReportGrid& grid);
void SetShiftGrid(ReportGrid& grid);

} // namespace nax
