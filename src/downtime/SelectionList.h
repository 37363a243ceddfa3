#pragma once
// The rows behind the selection popup: one row table per column, each record holding the row's
// key, the text shown in that column and its search key, plus the type-to-find filter over them.
#include "base/Result.h"
#include "db/DbConnection.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nax {

inline constexpr const char* kNoRecordFound = "No Record Found ";
// A second column captioned so is read as day serials and listed as date-times.
inline constexpr const char* kMemoDateCaption = "Memo Date";

struct SelectionRecord {
    std::string key;       // the row key as text
    std::string text;      // what the column shows
    std::string searchKey; // MakeSearchKey(text)
};

class SelectionList {
public:
    static constexpr int kColumns = 2;

    void clear();
    void reserve(int rows);
    // Appends one table row to both columns.
    void addRow(int32_t key, std::string_view keyText, std::string_view shown, std::string_view second);

    int rowCount() const { return static_cast<int>(keys_.size()); }
    const SelectionRecord& record(int column, int row) const;
    // The key as the lists carry it (item data).
    int32_t key(int row) const { return keys_.at(static_cast<size_t>(row)); }

    // Rows (indices, ascending) whose search key in `column` is like MakeSearchKey(typed) + "*"
    // or whose text is like typed + "*". Like is case-sensitive with * ? # and [lists]; an
    // empty typed text matches every row. `progress` gets each row index as it is looked at,
    // but only every `progressStride` rows and at the last one, to keep the caller's bar cheap.
    std::vector<int> filter(int column, std::string_view typed, const std::function<void(int)>& progress = {},
                            int progressStride = 1024) const;

private:
    std::vector<SelectionRecord> columns_[kColumns];
    std::vector<int32_t> keys_;
};

// The row key as 32-bit item data: whole numbers as they are, other numbers rounded half to
// even; nullopt for NULL, a text that is no number, or a value outside 32 bits.
std::optional<int32_t> toItemKey(const Recordset& rows, int field);

// What loading a query result into the row tables ended with.
struct SelectionLoad {
    int loaded = 0;             // rows recorded
    bool noRecordFound = false; // loading stopped on an error: tell the user kNoRecordFound
};

// Reads shown field, key, second field (result columns 0, 1, 2) of every row into `list`,
// which is cleared first. `count` is the number of rows the caller counted beforehand; the
// tables hold at most that many, so an empty count, a failed query, a row whose key cannot be
// item data and a result longer than `count` all end with noRecordFound (rows read so far
// stay). With memoDate the second field is read as a day serial and listed as date-time text.
// `step` is called once per recorded row.
SelectionLoad loadSelectionRows(Result<Recordset>& rows, int count, bool memoDate, SelectionList& list,
                                const std::function<void()>& step = {});

// What PickIntoTextBox needs to fill the popup from a master table.
struct PickRequest {
    std::string table;
    std::string shown;  // shown field, listed in column 0
    std::string key;    // key field, the entries' item data
    std::string second; // second field, listed in column 1
    std::string heading;
    std::string caption0;
    std::string caption1;
    std::string condition; // with its own leading blank and where word, or empty
    std::string tail;
    bool single = false;
};

// "select count(" + shown + ") from " + table + " " + condition
std::string pickCountStatement(const PickRequest& request);
// "select " + shown + "," + key + "," + second + " from " + table + " " + condition + " " + tail
std::string pickRowsStatement(const PickRequest& request);
// The count statement's first value, 0 when it fails or is NULL.
int countPickRows(DbConnection& db, const PickRequest& request);

} // namespace nax
