#pragma once
// A new one-sheet workbook written row by row (constant memory: a finished row goes to disk), so
// that half a million grid rows never sit in memory twice.
#include "CellText.h"
#include "PrintSetup.h"
#include "base/Result.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace nax {

// workbook_close with the library's own "[ERROR]" lines kept off stderr (the library prints them
// there and has no switch for it): the caller's message says what failed. Answers the lxw_error.
int closeWorkbookQuietly(lxw_workbook* book);

class NewWorkbook {
public:
    // The workbook is written to `path` by save(); scratch files go into `scratchFolder`.
    static Result<std::unique_ptr<NewWorkbook>> create(const std::filesystem::path& path,
                                                       const std::filesystem::path& scratchFolder);
    ~NewWorkbook();
    NewWorkbook(const NewWorkbook&) = delete;
    NewWorkbook& operator=(const NewWorkbook&) = delete;

    // Rows and columns from 1; rows in ascending order. The text is typed (see classifyCell).
    Result<void> setCell(int row, int col, std::string_view text, const CellStyle& style = {});
    // Merges the columns of one row and puts the text into the first cell.
    Result<void> mergeRow(int row, int firstCol, int lastCol, std::string_view text, const CellStyle& style);
    // Width in characters; applied when saved.
    void setColumnWidth(int col, double chars);
    // Width of every column that has none of its own.
    void setStandardWidth(double chars) { standardWidth_ = chars; }
    // How the sheet prints (see PrintSetup).
    Result<void> setPrinting(const PrintSetup& setup) { return nax::setPrinting(sheet_, setup); }
    Result<void> save();

    static constexpr double kDefaultStandardWidth = 8.43;

private:
    NewWorkbook() = default;
    Result<void> nextRow(int row);
    lxw_format* format(const CellStyle& style, std::string_view numberFormat);

    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    std::string path_;
    std::string scratch_;
    std::string buffer_;
    int row_ = 0;
    std::vector<double> widths_; // by column from 1; negative: none set
    double standardWidth_ = kDefaultStandardWidth;
    std::map<std::tuple<bool, double, bool, bool, std::string>, lxw_format*> formats_;
};

} // namespace nax
