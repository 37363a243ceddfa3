#include "WorkbookExport.h"

#include "NewWorkbook.h"
#include "TemplateWorkbook.h"
#include "WorkbookFile.h"

#include <vector>

namespace nax {

namespace {

constexpr CellStyle kTitleStyle{true, 10, false, true};
constexpr CellStyle kTitleRowStyle{false, 0, false, true};
constexpr CellStyle kHeaderStyle{true, 9, false, false};
constexpr CellStyle kDataStyle{false, 0, true, false};
constexpr double kStandardWidthGain = 3;

} // namespace

Result<void> fitsOneSheet(const ReportGrid& grid, int firstDataRow) {
    if (grid.rows() - 1 + firstDataRow - 1 > kMaxSheetRows)
        return Error{0, "The grid has " + std::to_string(grid.rows() - 1) +
                            " rows; a worksheet holds at most " + std::to_string(kMaxSheetRows) + " rows."};
    if (grid.cols() + 1 > kMaxSheetCols)
        return Error{0, "The grid has " + std::to_string(grid.cols()) +
                            " columns; a worksheet holds at most " + std::to_string(kMaxSheetCols - 1) +
                            " beside its title."};
    return success();
}

namespace {

// The header row in bold with each column as wide as its header, then the data rows, each text
// widening its column up to kMaxTextWidth characters; a narrower text never narrows it.
template <class Book>
Result<void> writeTable(Book& book, const ReportGrid& grid, int headerRow, int firstDataRow,
                        Progress& progress) {
    const int cols = grid.cols();
    std::vector<int> widths(static_cast<size_t>(cols), 0);
    for (int c = 0; c < cols && grid.rows() > 0; ++c) {
        widths[static_cast<size_t>(c)] = characterCount(grid.cell(0, c));
        if (auto written = book.setCell(headerRow, c + 1, grid.cell(0, c), kHeaderStyle); !written)
            return written;
    }
    for (int r = 1; r < grid.rows(); ++r) {
        progress.ProgressNextValue("");
        if (progress.abandoned()) return abandonment();
        for (int c = 0; c < cols; ++c) {
            const std::string_view text = grid.cell(r, c);
            int& width = widths[static_cast<size_t>(c)];
            if (static_cast<int>(text.size()) > width) { // bytes bound the characters from above
                const int characters = characterCount(text);
                if (width < characters) width = std::min(characters, kMaxTextWidth);
            }
            if (auto written = book.setCell(firstDataRow + r - 1, c + 1, text, kDataStyle); !written)
                return written;
        }
    }
    for (int c = 0; c < cols; ++c)
        book.setColumnWidth(c + 1, widths[static_cast<size_t>(c)]);
    return success();
}

} // namespace

Result<void> writeGridTable(TemplateWorkbook& book, const ReportGrid& grid, int headerRow, int firstDataRow,
                            Progress& progress) {
    return writeTable(book, grid, headerRow, firstDataRow, progress);
}

namespace {

std::string workbookName(double now, std::string_view title) {
    std::string name = fileNameSafe(title);
    return serialStamp(now) + (name.empty() ? "Workbook" : name) + ".xlsx";
}

} // namespace

std::filesystem::path targetFolder(const ExportPlace& place) {
    if (!place.outFile) return place.dataFolder;
    const auto folder = place.outFile->parent_path();
    return folder.empty() ? std::filesystem::path(".") : folder;
}

Result<std::filesystem::path> finishExport(PendingFile& file, const ExportPlace& place,
                                           const std::string& name) {
    return place.outFile ? file.replace(*place.outFile) : file.commit(name);
}

Result<std::filesystem::path> ExportToExcel(const ReportGrid& grid, std::string_view title,
                                            const ExportPlace& place, Progress& progress,
                                            std::string_view range) {
    if (auto fits = fitsOneSheet(grid, 6); !fits) return fits.error();
    auto file = PendingFile::reserve(targetFolder(place));
    if (!file) return file.error();
    auto created = NewWorkbook::create(file->path(), targetFolder(place));
    if (!created) return created.error();
    NewWorkbook& book = **created;

    const int titleEnd = grid.cols() + 1; // one column past the table
    for (auto [row, text, style] :
         {std::tuple{1, kWorkbookCompany, kTitleStyle}, std::tuple{2, std::string_view(), kTitleRowStyle},
          std::tuple{3, title, kTitleRowStyle}})
        if (auto merged = book.mergeRow(row, 1, titleEnd, text, style); !merged) return merged.error();

    progress.SetMax(grid.rows());
    if (auto written = writeTable(book, grid, 4, 6, progress); !written) return written.error();
    book.setStandardWidth(NewWorkbook::kDefaultStandardWidth + kStandardWidthGain);
    const std::string pageTitle = std::string(title) + std::string(range);
    if (auto printing = book.setPrinting(PrintSetup{4, pageTitle}); !printing) return printing.error();
    if (auto saved = book.save(); !saved) return saved.error();
    return finishExport(*file, place, workbookName(place.now, title));
}

} // namespace nax
