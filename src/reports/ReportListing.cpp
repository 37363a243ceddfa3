#include "ReportListing.h"

#include "text/NumberText.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace nax {

std::string rangeBounds(const ReportRange& range) {
    return formatGeneral(range.start) + " and " + formatGeneral(range.end);
}

int shareOfWidth(int gridWidthTwips, double share) {
    return static_cast<int>(roundHalfEven(gridWidthTwips * share, 0));
}

void setReportColumns(ReportGrid& grid, std::span<const ReportColumn> columns, int gridWidthTwips) {
    grid.setCols(static_cast<int>(columns.size()));
    grid.setRows(1);
    for (int c = 0; c < grid.cols(); ++c) {
        const ReportColumn& column = columns[static_cast<size_t>(c)];
        grid.setCell(0, c, column.header);
        if (column.widthShare) grid.setColWidth(c, shareOfWidth(gridWidthTwips, *column.widthShare));
    }
}

Result<int32_t> announceCount(DbConnection& db, std::string_view countStatement, Progress& progress) {
    auto counted = db.openRecordset(countStatement);
    if (!counted) return counted.error();
    const int64_t count = counted->eof() ? 0 : counted->integer(0);
    counted->close();
    const auto rows =
        static_cast<int32_t>(std::clamp<int64_t>(count, 0, std::numeric_limits<int32_t>::max() - 1));
    progress.SetMax(rows);
    return rows;
}

Result<void> appendRows(Recordset& rows, ReportGrid& grid, const ListingShape& shape,
                        const std::function<void(const Recordset&)>& alsoRead) {
    const auto filled = static_cast<size_t>(std::min(shape.filledColumns, grid.cols()));
    std::vector<std::string> texts(filled);
    std::vector<std::string_view> cells(filled);
    return forEachRow(rows, [&](const Recordset& row) {
        for (size_t c = 0; c < filled; ++c)
            texts[c] = row.text(static_cast<int>(c));
        if (shape.minutesColumn >= 0 && static_cast<size_t>(shape.minutesColumn) < filled) {
            std::string& minutes = texts[static_cast<size_t>(shape.minutesColumn)];
            if (const auto value = parseNumber(minutes)) minutes = roundedText(*value, 2);
        }
        for (size_t c = 0; c < filled; ++c)
            cells[c] = texts[c];
        grid.addRow(cells);
        if (alsoRead) alsoRead(row);
    });
}

Result<void> stepRows(ReportGrid& grid, int first, Progress& progress, const ListingShape& shape) {
    for (int row = first; row < grid.rows(); ++row) {
        progress.ProgressNextValue(grid.cell(row, shape.progressField));
        if (progress.abandoned()) {
            grid.setRows(row + 1);
            return abandonment();
        }
    }
    return success();
}

namespace {

// Appends the rows of one statement and closes it.
Result<void> appendAll(DbConnection& db, std::string_view statement, ReportGrid& grid,
                       const ListingShape& shape) {
    auto opened = db.openRecordset(statement);
    if (!opened) return opened.error();
    return appendRows(*opened, grid, shape);
}

} // namespace

Result<void> countAndList(DbConnection& db, ReportGrid& grid, Progress& progress,
                          std::string_view countStatement, std::string_view statement,
                          const ListingShape& shape) {
    HiddenWhileFilling hidden(grid);
    const auto counted = announceCount(db, countStatement, progress);
    if (!counted) return counted.error();
    grid.reserveRows(grid.rows() + counted.value());
    const int first = grid.rows();
    auto listed = appendAll(db, statement, grid, shape);
    if (auto stepped = stepRows(grid, first, progress, shape); !stepped) return stepped;
    return listed;
}

} // namespace nax
