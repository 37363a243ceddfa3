#include "ChartTable.h"

#include "dms/DailyDms.h"

#include <utility>

namespace nax {

Result<ReportGrid> RunsOfRange(DbConnection& db, double start, double end, Progress& progress) {
    ReportGrid runs, details;
    if (auto done = DailyDMSReport(db, runs, details, start, end, progress); !done) return done.error();
    return runs;
}

void setHeaderRow(ReportGrid& grid, std::initializer_list<std::string_view> headers) {
    grid.setCols(static_cast<int>(headers.size()));
    grid.setRows(1);
    int col = 0;
    for (const auto header : headers)
        grid.setCell(0, col++, header);
}

Result<std::vector<int>> columnsOf(const ReportGrid& grid, std::initializer_list<std::string_view> headers) {
    std::vector<int> columns;
    for (const auto header : headers) {
        int found = -1;
        for (int c = 0; grid.rows() > 0 && c < grid.cols() && found < 0; ++c)
            if (grid.cell(0, c) == header) found = c;
        if (found < 0) return Error{0, "The run grid has no column \"" + std::string(header) + "\"."};
        columns.push_back(found);
    }
    return columns;
}

std::string leftOutNote(int runs, std::string_view what) {
    if (runs <= 0) return {};
    return "Left out " + std::to_string(runs) + (runs == 1 ? " run whose " : " runs whose ") +
           std::string(what) + " could not be computed.";
}

} // namespace nax
