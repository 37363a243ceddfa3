#include "ProductionReport.h"

#include <array>

namespace nax {

namespace {

constexpr std::array<ReportColumn, kProductionColumns> kColumns = {{
    {"Time", 0.2},
    {"Run", 0.05},
    {"Shift", 0.05},
    {"Pack", 0.05},
    {"Flavor", 0.05},
    {"Bottles", 0.15},
    {"U Time Lost", 0.0},
    {"C Time Lost", 0.0},
}};

// The query reads the two lost-time fields too, but they never reach the grid.
constexpr ListingShape kShape{0, kProductionColumns - 2};

} // namespace

void setProductionColumns(ReportGrid& grid, int gridWidthTwips) {
    setReportColumns(grid, kColumns, gridWidthTwips);
}

std::string productionCountStatement(const ReportRange& range) {
    return "SELECT count(opc.Timestamp) FROM OPC where Tag_id=1 and Timestamp between " + rangeBounds(range);
}

std::string productionStatement(const ReportRange& range) {
    return "SELECT format(opc.Timestamp,'dd-MMM-yy hh:mm'), opc.Run_ID, Shift_ID,Pack_Master.Pack, "
           "Flavor_Master.Flavor, opc.Production, opc.UTimeLost, opc.CTimeLost FROM Flavor_Master INNER JOIN "
           "(Pack_Master INNER JOIN opc ON Pack_Master.Pack_ID = opc.Pack_ID) ON Flavor_Master.Flavor_Id = "
           "opc.Flavor_Id where Tag_id=1 and Timestamp between " +
           rangeBounds(range) + " ORDER BY opc.Timestamp, opc.Run_ID";
}

Result<void> ProductionReport(DbConnection& db, ReportGrid& grid, const ReportRange& range,
                              int gridWidthTwips, Progress& progress) {
    setProductionColumns(grid, gridWidthTwips);
    return countAndList(db, grid, progress, productionCountStatement(range), productionStatement(range),
                        kShape);
}

} // namespace nax
