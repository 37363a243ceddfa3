#include "ReportGrid.h"

#include <algorithm>
#include <stdexcept>

namespace nax {

void ReportGrid::setRows(int count) {
    count = std::max(count, 0);
    const std::string empty = emptyRow();
    rows_.resize(static_cast<size_t>(count), Row{empty, 0});
}

void ReportGrid::setCols(int count) {
    count = std::max(count, 0);
    if (count == cols_) return;
    for (auto& row : rows_) {
        if (count > cols_) {
            row.cells.append(static_cast<size_t>(count - cols_), '\0');
            if (cols_ == 0) row.cells.pop_back();
        } else if (count == 0) {
            row.cells.clear();
        } else {
            row.cells.resize(span(row.cells, count - 1).second);
        }
    }
    cols_ = count;
    widths_.resize(static_cast<size_t>(count), kDefaultWidth);
}

ReportGrid ReportGrid::headerOnly() const {
    ReportGrid header;
    header.cols_ = cols_;
    header.widths_ = widths_;
    header.visible_ = visible_;
    if (!rows_.empty()) header.rows_.push_back(rows_.front());
    return header;
}

int ReportGrid::addRow() {
    rows_.push_back(Row{emptyRow(), 0});
    return rows() - 1;
}

int ReportGrid::addRow(const std::vector<std::string_view>& cells, int64_t key) {
    Row row;
    row.key = key;
    size_t length = static_cast<size_t>(std::max(cols_ - 1, 0));
    for (int c = 0; c < cols_ && c < static_cast<int>(cells.size()); ++c)
        length += cells[static_cast<size_t>(c)].size();
    row.cells.reserve(length);
    for (int c = 0; c < cols_; ++c) {
        if (c > 0) row.cells.push_back('\0');
        if (c < static_cast<int>(cells.size())) {
            const auto text = cells[static_cast<size_t>(c)];
            // NUL separates cells, so it cannot live inside one.
            for (const char ch : text)
                if (ch != '\0') row.cells.push_back(ch);
        }
    }
    rows_.push_back(std::move(row));
    return rows() - 1;
}

// [begin, end) of a cell inside a packed row.
std::pair<size_t, size_t> ReportGrid::span(const std::string& cells, int col) const {
    size_t begin = 0;
    for (int c = 0; c < col; ++c)
        begin = cells.find('\0', begin) + 1;
    size_t end = cells.find('\0', begin);
    return {begin, end == std::string::npos ? cells.size() : end};
}

std::string_view ReportGrid::cell(int row, int col) const {
    if (col < 0 || col >= cols_) throw std::out_of_range("grid column out of range");
    const auto& cells = rowAt(row).cells;
    const auto [begin, end] = span(cells, col);
    return std::string_view(cells).substr(begin, end - begin);
}

void ReportGrid::setCell(int row, int col, std::string_view text) {
    if (col < 0 || col >= cols_) throw std::out_of_range("grid column out of range");
    auto& cells = rowAt(row).cells;
    const auto [begin, end] = span(cells, col);
    std::string clean(text);
    std::erase(clean, '\0');
    cells.replace(begin, end - begin, clean);
}

int ReportGrid::colWidth(int col) const {
    return widths_.at(static_cast<size_t>(col));
}

void ReportGrid::setColWidth(int col, int twips) {
    widths_.at(static_cast<size_t>(col)) = twips;
}

void ReportGrid::reorderRows(int first, const std::vector<int>& order) {
    std::vector<Row> moved;
    moved.reserve(order.size());
    for (const int from : order)
        moved.push_back(std::move(rowAt(first + from)));
    std::move(moved.begin(), moved.end(), rows_.begin() + first);
}

} // namespace nax
