#pragma once
// The one database connection: SQLite under the desktop dialect the statements are written
// in. Every connection gets the dialect's functions (format, iif, cdbl, cint, now, Len) and
// text literals compare without regard to case, as the dialect does.
#include "Result.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace nax {

// Returns "now" as a day serial; injected so tests and nax-report can fix the clock.
using Clock = std::function<double()>;
Clock systemClock();

enum class ValueKind { Null, Integer, Real, Text };

// A forward-only, read-only result. Open positions it on the first row (or at the end).
class Recordset {
public:
    Recordset() = default;
    Recordset(Recordset&& other) noexcept;
    Recordset& operator=(Recordset&& other) noexcept;
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;
    ~Recordset();

    bool eof() const { return stmt_ == nullptr || atEnd_; }
    int fieldCount() const;
    // Position of the field named `name` (any case), -1 when the result has none.
    int fieldIndex(std::string_view name) const;
    ValueKind kind(int field) const;
    bool isNull(int field) const { return kind(field) == ValueKind::Null; }
    int64_t integer(int field) const;
    double real(int field) const;
    // The field as the reports print it: integers plainly, reals in the general number
    // format, NULL as the empty text.
    std::string text(int field) const;
    std::string_view rawText(int field) const; // the engine's own text of the field
    Result<void> moveNext();
    void close();

private:
    friend class DbConnection;
    Recordset(sqlite3_stmt* stmt, sqlite3* db) : stmt_(stmt), db_(db) {}
    sqlite3_stmt* stmt_ = nullptr;
    sqlite3* db_ = nullptr;
    bool atEnd_ = false;
};

struct OpenOptions {
    int busyTimeoutMs = 10000; // a save waits this long for the data collector's write lock
    bool readOnly = false;
};

class DbConnection {
public:
    // Opens an existing database file; never creates one. Failure carries the engine's code
    // and description.
    static Result<std::unique_ptr<DbConnection>> open(const std::string& path, OpenOptions options = {},
                                                      Clock clock = systemClock());
    ~DbConnection();
    DbConnection(const DbConnection&) = delete;
    DbConnection& operator=(const DbConnection&) = delete;

    // Runs one or more statements that return no rows.
    Result<void> execute(std::string_view sql);
    Result<Recordset> openRecordset(std::string_view sql);

    // Rows changed by the last INSERT, UPDATE or DELETE.
    int changes() const;
    const std::string& path() const { return path_; }
    double now() const { return clock_(); }
    void setClock(Clock clock) { clock_ = std::move(clock); }
    sqlite3* handle() const { return db_; }

private:
    DbConnection(sqlite3* db, std::string path, Clock clock);
    Error lastError() const;
    sqlite3* db_;
    std::string path_;
    Clock clock_;
};

} // namespace nax
