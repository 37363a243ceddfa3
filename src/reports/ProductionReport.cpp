#include "ProductionReport.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <utility>
#include <vector>

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

// The fields after the listed ones: the time stamp and run as stored, for the listing's order.
enum OrderField : int { fTimestamp = 8, fRun = 9 };

// A row's place in the listing: by time stamp, then by run as the engine orders it (an empty
// run first, numbers before texts; texts among themselves are not told apart).
struct ListingPlace {
    double time = 0;
    int runKind = 0;
    double run = 0;
    auto operator<=>(const ListingPlace&) const = default;
};

ListingPlace placeOf(const Recordset& rs) {
    ListingPlace place{rs.real(fTimestamp), 0, 0};
    switch (rs.kind(fRun)) {
    case ValueKind::Null:
        break;
    case ValueKind::Integer:
    case ValueKind::Real:
        place.runKind = 1, place.run = rs.real(fRun);
        break;
    case ValueKind::Text:
        place.runKind = 2;
        break;
    }
    return place;
}

// The rows of the parts, read in any order, put in the listing's order.
void putInOrder(ReportGrid& grid, int first, const std::vector<ListingPlace>& places) {
    if (std::is_sorted(places.begin(), places.end())) return;
    std::vector<int> order(places.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return places[static_cast<size_t>(a)] < places[static_cast<size_t>(b)];
    });
    grid.reorderRows(first, order);
}

} // namespace

void setProductionColumns(ReportGrid& grid, int gridWidthTwips) {
    setReportColumns(grid, kColumns, gridWidthTwips);
}

std::string productionCountStatement(const ReportRange& range) {
    return "SELECT count(opc.Timestamp) FROM OPC where Tag_id=1 and Timestamp between " + rangeBounds(range);
}

std::string productionStatement(std::string_view timeCondition, std::string_view rowids) {
    return "SELECT format(opc.Timestamp,'dd-MMM-yy hh:mm'), opc.Run_ID, Shift_ID,Pack_Master.Pack, "
           "Flavor_Master.Flavor, opc.Production, opc.UTimeLost, opc.CTimeLost, opc.Timestamp, opc.Run_ID "
           "FROM "
           "Flavor_Master INNER JOIN (Pack_Master INNER JOIN opc ON Pack_Master.Pack_ID = opc.Pack_ID" +
           std::string(rowids) + ") ON Flavor_Master.Flavor_Id = opc.Flavor_Id where Tag_id=1 and " +
           std::string(timeCondition) + " ORDER BY opc.Timestamp, opc.Run_ID";
}

Result<void> listProduction(DbConnection& db, ReportGrid& grid, const ReportRange& range, int gridWidthTwips,
                            Progress& progress, const SliceSizes& sizes) {
    setProductionColumns(grid, gridWidthTwips);
    HiddenWhileFilling hidden(grid);
    const auto counted = announceCount(db, productionCountStatement(range), progress);
    if (!counted) return counted.error();
    const std::string inRange = "Timestamp between " + rangeBounds(range);
    auto indexed = searchesIndex(db, "select count(*) from opc where " + inRange);
    if (!indexed) return indexed.error();

    grid.reserveRows(1 + counted.value());
    std::vector<ListingPlace> places;
    places.reserve(static_cast<size_t>(counted.value()));
    const auto read = [&](Recordset& rs) {
        return appendRows(rs, grid, kShape, [&](const Recordset& row) { places.push_back(placeOf(row)); });
    };
    int stepped = 1;
    const auto step = [&]() -> Result<void> {
        const int first = std::exchange(stepped, grid.rows());
        return stepRows(grid, first, progress, kShape);
    };
    // With an index on the time stamp, consecutive time ranges come in the listing's order; without
    // one, each rowid slice is read once and the rows are put in order at the end.
    Result<void> listed = success();
    if (*indexed) {
        const double rowsPerDay = counted.value() / std::max(range.end - range.start, kNarrowestRange);
        const double width =
            counted.value() > 0 ? static_cast<double>(sizes.rows) / rowsPerDay : range.end - range.start;
        listed = readInRanges(
            db, "Timestamp", range.start, range.end, width, sizes.seconds,
            [](const std::string& part) { return productionStatement(part, ""); }, read, step);
    } else {
        listed = readRowidSlices(
            db, "opc", sizes,
            [&](const std::string& between) {
                return productionStatement(inRange, " and opc.rowid" + between);
            },
            read, step);
    }
    if (!listed && listed.error().abandoned) return listed;
    putInOrder(grid, 1, places);
    return listed;
}

Result<void> ProductionReport(DbConnection& db, ReportGrid& grid, const ReportRange& range,
                              int gridWidthTwips, Progress& progress) {
    return listProduction(db, grid, range, gridWidthTwips, progress, SliceSizes{});
}

} // namespace nax
