#pragma once
// The one database connection, under the desktop dialect the statements are written in: an
// SQLite file, or a PostgreSQL server when the name is a connection URI or keyword string.
// Every connection offers the dialect's functions (format, iif, cdbl, cint, now, Len) and text
// literals compare without regard to case, as the dialect does.
#include "base/Result.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

namespace nax {

class RecordCursor;
class DbBackend;

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

    bool eof() const { return atEnd_; }
    int fieldCount() const { return fieldCount_; }
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
    explicit Recordset(std::unique_ptr<RecordCursor> cursor);
    bool hasField(int field) const { return !atEnd_ && field >= 0 && field < fieldCount_; }
    std::unique_ptr<RecordCursor> cursor_;
    bool atEnd_ = true;
    int fieldCount_ = 0;
};

// Calls `visit` on every row of `rows`, from the current one to the end. A row that cannot be
// read ends the walk with the engine's error, as does a failure `visit` returns: the rows seen so
// far are never taken for the whole result. `visit` answers void or Result<void>.
template <class Visit> Result<void> forEachRow(Recordset& rows, Visit&& visit) {
    while (!rows.eof()) {
        if constexpr (std::is_void_v<std::invoke_result_t<Visit&, const Recordset&>>)
            visit(std::as_const(rows));
        else if (auto visited = visit(std::as_const(rows)); !visited)
            return visited;
        if (auto moved = rows.moveNext(); !moved) return moved;
    }
    return success();
}

struct OpenOptions {
    int busyTimeoutMs = 10000; // a save waits this long for the data collector's write lock
    bool readOnly = false;
    // A server that sends nothing for this long while a statement runs is given up: the
    // statement is cancelled and fails, and the next one connects afresh.
    int serverSilenceMs = 120000;
};

// True when `name` is a PostgreSQL connection: a postgresql:// or postgres:// URI, or a libpq
// keyword string ("host=... dbname=..."). Anything else names a database file.
bool isServerConnection(std::string_view name);

// The name fit for messages: a file's path; a server's host, port, dbname and user only.
std::string displayName(std::string_view name);

class DbConnection {
public:
    // Opens an existing database file, or connects to a server (see isServerConnection); never
    // creates a database. Failure carries the engine's code and description.
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
    // The database as named to open(), without a password.
    const std::string& path() const { return path_; }
    bool isServer() const { return server_; }
    double now() const { return clock_(); }
    void setClock(Clock clock) { clock_ = std::move(clock); }
    // Sees every statement as the caller wrote it, before the engine's translation (tests).
    void setStatementObserver(std::function<void(std::string_view)> observer) {
        observer_ = std::move(observer);
    }

private:
    DbConnection(std::string path, bool server, Clock clock);
    void observe(std::string_view sql) const {
        if (observer_) observer_(sql);
    }
    std::unique_ptr<DbBackend> backend_;
    std::string path_;
    bool server_;
    Clock clock_;
    std::function<void(std::string_view)> observer_;
};

} // namespace nax
