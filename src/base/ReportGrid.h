#pragma once
// The table of text cells that every report fills and every export reads. Row 0 is the
// header row. Each row keeps its cells packed in one string (separated by NUL) so that half a
// million rows stay small; a hidden per-row key carries a record id.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nax {

class ReportGrid {
public:
    static constexpr int kDefaultWidth = -1; // column keeps the view's default width

    int rows() const { return static_cast<int>(rows_.size()); }
    int cols() const { return cols_; }
    void setRows(int count);
    void setCols(int count);
    int addRow(); // appends an empty row; returns its index

    std::string_view cell(int row, int col) const;
    void setCell(int row, int col, std::string_view text);
    // Appends a whole row at once, the fast path of the listings.
    int addRow(const std::vector<std::string_view>& cells, int64_t key = 0);

    int64_t rowKey(int row) const { return rows_.at(static_cast<size_t>(row)).key; }
    void setRowKey(int row, int64_t key) { rows_.at(static_cast<size_t>(row)).key = key; }

    int colWidth(int col) const;
    void setColWidth(int col, int twips);

    bool visible() const { return visible_; }
    void setVisible(bool visible) { visible_ = visible; }

    // The header row alone, with the columns and their widths: where a report that replaces the
    // rows starts from, without copying the rows it drops.
    ReportGrid headerOnly() const;

    // Rows first, first+1, ... become the rows first+order[0], first+order[1], ...
    void reorderRows(int first, const std::vector<int>& order);

    void reserveRows(int count) { rows_.reserve(static_cast<size_t>(count)); }
    void clearRowsBelowHeader() { setRows(rows_.empty() ? 0 : 1); }

private:
    struct Row {
        std::string cells; // cols_ texts joined by '\0'
        int64_t key = 0;
    };
    Row& rowAt(int row) { return rows_.at(static_cast<size_t>(row)); }
    const Row& rowAt(int row) const { return rows_.at(static_cast<size_t>(row)); }
    std::pair<size_t, size_t> span(const std::string& cells, int col) const;
    std::string emptyRow() const {
        return std::string(cols_ > 0 ? static_cast<size_t>(cols_ - 1) : 0u, '\0');
    }

    std::vector<Row> rows_;
    std::vector<int> widths_;
    int cols_ = 0;
    bool visible_ = true;
};

} // namespace nax
