#include "NewWorkbook.h"

#include <xlsxwriter.h>

#include <cstdio>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace nax {

namespace {

Error writerError(std::string_view what, lxw_error code) {
    return Error{static_cast<int>(code), std::string(what) + ": " + lxw_strerror(code)};
}

} // namespace

int closeWorkbookQuietly(lxw_workbook* book) {
#ifndef _WIN32
    // Standard error points at nothing for the length of the call only.
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    const bool quiet = saved >= 0 && sink >= 0 && ::dup2(sink, STDERR_FILENO) >= 0;
    const lxw_error closed = workbook_close(book);
    if (quiet) {
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
    }
    if (sink >= 0) ::close(sink);
    if (saved >= 0) ::close(saved);
    return closed;
#else
    return workbook_close(book);
#endif
}

Result<std::unique_ptr<NewWorkbook>> NewWorkbook::create(const std::filesystem::path& path,
                                                         const std::filesystem::path& scratchFolder) {
    std::unique_ptr<NewWorkbook> book(new NewWorkbook);
    book->scratch_ = scratchFolder.string();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = book->scratch_.data();
    book->path_ = path.string();
    book->book_ = workbook_new_opt(book->path_.c_str(), &options);
    if (!book->book_) return Error{0, "A new workbook could not be started."};
    book->sheet_ = workbook_add_worksheet(book->book_, nullptr);
    if (!book->sheet_) return Error{0, "A new workbook could not be started."};
    return book;
}

NewWorkbook::~NewWorkbook() {
    if (!book_) return;
    lxw_workbook_free(book_); // never saved: nothing is written
}

Result<void> NewWorkbook::nextRow(int row) {
    if (row < 1 || row > kMaxSheetRows)
        return Error{0, "A worksheet has no row " + std::to_string(row) + "."};
    if (row < row_) return Error{0, "Rows of a new workbook are written in order."};
    row_ = row;
    return success();
}

lxw_format* NewWorkbook::format(const CellStyle& style, std::string_view numberFormat) {
    if (!style.bold && style.size == 0 && !style.wrap && !style.centred && numberFormat.empty())
        return nullptr;
    auto key = std::make_tuple(style.bold, style.size, style.wrap, style.centred, std::string(numberFormat));
    auto found = formats_.find(key);
    if (found != formats_.end()) return found->second;
    lxw_format* made = workbook_add_format(book_);
    if (style.bold) format_set_bold(made);
    if (style.size > 0) format_set_font_size(made, style.size);
    if (style.wrap) format_set_text_wrap(made);
    if (style.centred) {
        format_set_align(made, LXW_ALIGN_CENTER);
        format_set_align(made, LXW_ALIGN_VERTICAL_BOTTOM);
    }
    if (!numberFormat.empty()) format_set_num_format(made, std::string(numberFormat).c_str());
    formats_.emplace(std::move(key), made);
    return made;
}

Result<void> NewWorkbook::setCell(int row, int col, std::string_view text, const CellStyle& style) {
    if (auto placed = nextRow(row); !placed) return placed;
    if (col < 1 || col > kMaxSheetCols)
        return Error{0, "A worksheet has no column " + std::to_string(col) + "."};
    const auto r = static_cast<lxw_row_t>(row - 1);
    const auto c = static_cast<lxw_col_t>(col - 1);
    const CellValue value = classifyCell(text);
    lxw_error written = LXW_NO_ERROR;
    switch (value.kind) {
    case CellValue::Kind::Empty:
        return success(); // an empty cell stays empty, without a format of its own
    case CellValue::Kind::Number:
        written = worksheet_write_number(sheet_, r, c, value.number, format(style, {}));
        break;
    case CellValue::Kind::DateTime:
        written = worksheet_write_number(sheet_, r, c, value.number, format(style, value.format));
        break;
    case CellValue::Kind::Text:
        if (isCellSafe(text))
            buffer_.assign(text);
        else
            buffer_ = cellSafeText(text);
        written = worksheet_write_string(sheet_, r, c, buffer_.c_str(), format(style, {}));
        break;
    }
    if (written != LXW_NO_ERROR) return writerError("Cell " + cellAddress(row, col), written);
    return success();
}

Result<void> NewWorkbook::mergeRow(int row, int firstCol, int lastCol, std::string_view text,
                                   const CellStyle& style) {
    if (auto placed = nextRow(row); !placed) return placed;
    if (firstCol < 1 || lastCol > kMaxSheetCols || lastCol < firstCol)
        return Error{0, "The columns " + std::to_string(firstCol) + " to " + std::to_string(lastCol) +
                            " cannot be merged."};
    const auto r = static_cast<lxw_row_t>(row - 1);
    lxw_format* look = format(style, {});
    if (lastCol == firstCol) return setCell(row, firstCol, text, style);
    buffer_ = cellSafeText(text);
    const lxw_error merged =
        worksheet_merge_range(sheet_, r, static_cast<lxw_col_t>(firstCol - 1), r,
                              static_cast<lxw_col_t>(lastCol - 1), buffer_.c_str(), look);
    if (merged != LXW_NO_ERROR) return writerError("Merging row " + std::to_string(row), merged);
    return success();
}

void NewWorkbook::setColumnWidth(int col, double chars) {
    if (col < 1 || col > kMaxSheetCols) return;
    if (widths_.size() <= static_cast<size_t>(col)) widths_.resize(static_cast<size_t>(col) + 1, -1);
    widths_[static_cast<size_t>(col)] = std::min(chars, kMaxColumnWidth);
}

Result<void> NewWorkbook::save() {
    // Columns with a width of their own, the others at the standard width.
    const int lastSet = static_cast<int>(widths_.size()) - 1;
    for (int col = 1; col <= lastSet; ++col) {
        const double width = widths_[static_cast<size_t>(col)];
        worksheet_set_column(sheet_, static_cast<lxw_col_t>(col - 1), static_cast<lxw_col_t>(col - 1),
                             width >= 0 ? width : standardWidth_, nullptr);
    }
    if (standardWidth_ != kDefaultStandardWidth && lastSet < kMaxSheetCols)
        worksheet_set_column(sheet_, static_cast<lxw_col_t>(std::max(lastSet, 0)),
                             static_cast<lxw_col_t>(kMaxSheetCols - 1), standardWidth_, nullptr);
    // The library does not check its writes to the scratch file that holds the rows, so a disk
    // that fills while they go there would give a short sheet that looks like success. The last
    // row is written out first and the scratch file's error flag read before the rows are copied.
    bool rowsKept = true;
    if (FILE* rows = sheet_->optimize_tmpfile) {
        lxw_worksheet_write_single_row(sheet_);
        rowsKept = std::fflush(rows) == 0 && !std::ferror(rows);
    }
    lxw_workbook* book = book_;
    book_ = nullptr;
    const auto closed = static_cast<lxw_error>(closeWorkbookQuietly(book));
    if (!rowsKept) return Error{0, "The workbook could not be written completely (is the disk full?)."};
    if (closed != LXW_NO_ERROR) return writerError("The workbook could not be written", closed);
    return success();
}

} // namespace nax
