#include "SelectionList.h"

#include "text/DatePattern.h"
#include "text/DaySerial.h"
#include "text/NumberText.h"
#include "text/TextMatch.h"

#include <cmath>
#include <limits>

namespace nax {

void SelectionList::clear() {
    for (auto& column : columns_)
        column.clear();
    keys_.clear();
}

void SelectionList::reserve(int rows) {
    const auto size = static_cast<size_t>(rows > 0 ? rows : 0);
    for (auto& column : columns_)
        column.reserve(size);
    keys_.reserve(size);
}

void SelectionList::addRow(int32_t key, std::string_view keyText, std::string_view shown,
                           std::string_view second) {
    columns_[0].push_back({std::string(keyText), std::string(shown), MakeSearchKey(shown)});
    columns_[1].push_back({std::string(keyText), std::string(second), MakeSearchKey(second)});
    keys_.push_back(key);
}

const SelectionRecord& SelectionList::record(int column, int row) const {
    return columns_[column == 0 ? 0 : 1].at(static_cast<size_t>(row));
}

namespace {

// Decides "text like prefix + '*'" for every row of a column. When the prefix holds no
// wildcard the match is a plain byte prefix test, which is what Like reduces to (UTF-8 keeps
// code point order and boundaries); otherwise the dialect's Like decides.
class PrefixLike {
public:
    explicit PrefixLike(std::string prefix) : pattern_(std::move(prefix)) {
        plain_ = pattern_.find_first_of("*?#[") == std::string::npos;
        if (!plain_) pattern_ += '*';
    }
    bool matches(std::string_view text) const {
        return plain_ ? text.substr(0, pattern_.size()) == pattern_ : likeMatch(text, pattern_);
    }

private:
    std::string pattern_;
    bool plain_ = true;
};

} // namespace

std::vector<int> SelectionList::filter(int column, std::string_view typed,
                                       const std::function<void(int)>& progress, int progressStride) const {
    const auto& records = columns_[column == 0 ? 0 : 1];
    const PrefixLike byKey(MakeSearchKey(typed));
    const PrefixLike byText{std::string(typed)};
    std::vector<int> matching;
    const int rows = static_cast<int>(records.size());
    const int stride = progressStride > 0 ? progressStride : 1;
    for (int i = 0; i < rows; ++i) {
        if (progress && (i % stride == 0 || i == rows - 1)) progress(i);
        const SelectionRecord& record = records[static_cast<size_t>(i)];
        if (byKey.matches(record.searchKey) || byText.matches(record.text)) matching.push_back(i);
    }
    return matching;
}

std::optional<int32_t> toItemKey(const Recordset& rows, int field) {
    double value = 0;
    switch (rows.kind(field)) {
    case ValueKind::Null:
        return std::nullopt;
    case ValueKind::Integer: {
        const int64_t whole = rows.integer(field);
        if (whole < std::numeric_limits<int32_t>::min() || whole > std::numeric_limits<int32_t>::max())
            return std::nullopt;
        return static_cast<int32_t>(whole);
    }
    case ValueKind::Real:
        value = rows.real(field);
        break;
    case ValueKind::Text: {
        const auto number = parseNumber(rows.rawText(field));
        if (!number) return std::nullopt;
        value = *number;
        break;
    }
    }
    value = roundHalfEven(value, 0);
    if (!std::isfinite(value) || value < std::numeric_limits<int32_t>::min() ||
        value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return static_cast<int32_t>(value);
}

SelectionLoad loadSelectionRows(Result<Recordset>& rows, int count, bool memoDate, SelectionList& list,
                                const std::function<void()>& step) {
    list.clear();
    SelectionLoad load;
    // The tables are made `count` rows long before reading; they cannot be empty, so a zero
    // count ends here just as a failed query does.
    if (count <= 0 || !rows) {
        load.noRecordFound = true;
        return load;
    }
    list.reserve(count);
    // A row the list cannot hold stops the load as a failed read does: nothing was found.
    const Error unusable{0, "unusable row"};
    auto read = forEachRow(rows.value(), [&](const Recordset& rs) -> Result<void> {
        if (load.loaded >= count) return unusable; // more rows than counted (NULL names are not counted)
        const auto key = toItemKey(rs, 1);
        if (!key) return unusable;
        std::string second = rs.text(2);
        if (memoDate) {
            const auto serial = parseNumber(second);
            if (!serial || *serial < kMinSerial || *serial > kMaxSerial) return unusable;
            second = generalDateText(*serial);
        }
        list.addRow(*key, rs.text(1), rs.text(0), second);
        ++load.loaded;
        if (step) step();
        return success();
    });
    if (!read) load.noRecordFound = true;
    return load;
}

std::string pickCountStatement(const PickRequest& request) {
    return "select count(" + request.shown + ") from " + request.table + " " + request.condition;
}

std::string pickRowsStatement(const PickRequest& request) {
    return "select " + request.shown + "," + request.key + "," + request.second + " from " + request.table +
           " " + request.condition + " " + request.tail;
}

int countPickRows(DbConnection& db, const PickRequest& request) {
    auto result = db.openRecordset(pickCountStatement(request));
    if (!result || result->eof() || result->isNull(0)) return 0;
    const double count = result->real(0);
    return count > 0 && count < std::numeric_limits<int>::max() ? static_cast<int>(count) : 0;
}

} // namespace nax
