// The PostgreSQL engine under DbConnection, on libpq. Each statement is translated from the
// desktop dialect (PostgresDialect). Rows stream from the server one by one while the caller
// walks them, so that a big report is built while the server still sends it; a caller may run
// other statements meanwhile, as it may on SQLite: the rows still to come are fetched whole first.
#include "DbBackend.h"
#include "PostgresDialect.h"
#include "text/NumberText.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <deque>
#include <libpq-fe.h>
#include <optional>
#include <poll.h>

namespace nax {
namespace {

constexpr int kServerError = 1; // the code of every failure the server or libpq reports

// Type oids of the server's built-in types (pg_type.h).
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOid = 26, kFloat4 = 700, kFloat8 = 701,
              kNumeric = 1700;

ValueKind kindOfType(Oid type) {
    switch (type) {
    case kBool:
    case kInt8:
    case kInt2:
    case kInt4:
    case kOid:
        return ValueKind::Integer;
    case kFloat4:
    case kFloat8:
    case kNumeric:
        return ValueKind::Real;
    default:
        return ValueKind::Text;
    }
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The server's words for a failed statement, without the "ERROR:" prefix.
std::string resultMessage(const PGresult* result, PGconn* conn) {
    const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    if (primary && *primary) return primary;
    return trimmed(PQerrorMessage(conn));
}

// A failed statement, or a connection lost under it.
Error statementFailure(const PGresult* result, PGconn* conn) {
    std::string message = resultMessage(result, conn);
    if (PQstatus(conn) != CONNECTION_OK)
        message = "The connection to the database server is lost: " + message;
    return Error{kServerError, message};
}

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using ResultPtr = std::unique_ptr<PGresult, ResultDeleter>;

// The results of the statement a connection runs, in order; the connection streams them to at
// most one cursor at a time. Nothing waits on the server without a bound: a server that stops
// answering (a stopped backend, a dead link that TCP still holds open) leaves the stream stalled.
class ResultStream {
public:
    ResultStream(PGconn* conn, int silenceMs) : conn_(conn), silenceMs_(silenceMs) {}
    PGconn* conn() const { return conn_; }
    // The next result of the running statement; nullptr when it has sent all, or when the
    // server sent nothing for the silence bound (then stall() tells it).
    ResultPtr next() {
        if (stall_) return nullptr;
        while (PQisBusy(conn_)) {
            pollfd socket{PQsocket(conn_), POLLIN, 0};
            const int ready = poll(&socket, 1, silenceMs_);
            if (ready < 0 && errno == EINTR) continue;
            if (ready == 0) {
                giveUp();
                return nullptr;
            }
            if (ready < 0 || !PQconsumeInput(conn_)) break; // PQgetResult reports the broken link
        }
        return ResultPtr(PQgetResult(conn_));
    }
    // Reads what the statement still sends, up to its end, and forgets it.
    void drain() {
        while (ResultPtr rest = next()) {
        }
    }
    // The failure of a statement the server stopped answering; the connection is to be made again.
    const std::optional<Error>& stall() const { return stall_; }
    void clearStall() { stall_.reset(); }
    class PostgresCursor* reader = nullptr; // the cursor whose rows are still arriving

private:
    // Asks the server to cancel the statement (its postmaster still answers when the backend
    // does not) without waiting for the answer, which may never come on this connection.
    void giveUp() {
        if (PGcancel* cancel = PQgetCancel(conn_)) {
            char reason[256];
            PQcancel(cancel, reason, sizeof reason);
            PQfreeCancel(cancel);
        }
        stall_ =
            Error{kServerError, "The database server stopped answering (nothing came for " +
                                    formatGeneral(silenceMs_ / 1000.0) + " s); the statement was cancelled."};
    }

    PGconn* conn_;
    int silenceMs_;
    std::optional<Error> stall_;
};

class PostgresCursor final : public RecordCursor {
public:
    // `first` is the statement's first result: a row, or all of them, or none. While `stream`
    // is given, the rest arrive from it.
    PostgresCursor(ResultPtr first, ResultStream* stream) : current_(std::move(first)) {
        const int fields = PQnfields(current_.get());
        kinds_.reserve(fields);
        for (int field = 0; field < fields; ++field)
            kinds_.push_back(kindOfType(PQftype(current_.get(), field)));
        static_cast<void>(take(std::move(current_), stream)); // a row or the end, never a failure
    }
    ~PostgresCursor() override {
        if (stream_) stopReading()->drain(); // the rows nobody will read are skipped
    }
    PostgresCursor(const PostgresCursor&) = delete;
    PostgresCursor& operator=(const PostgresCursor&) = delete;

    bool atEnd() const override { return row_ >= rows_; }
    int fieldCount() const override { return static_cast<int>(kinds_.size()); }
    std::string_view fieldName(int field) const override { return PQfname(current_.get(), field); }
    ValueKind kind(int field) const override {
        return PQgetisnull(current_.get(), row_, field) ? ValueKind::Null : kinds_[field];
    }
    int64_t integer(int field) const override {
        const std::string_view text = rawText(field);
        if (PQftype(current_.get(), field) == kBool) return text == "t" ? 1 : 0;
        int64_t value = 0;
        if (kinds_[field] == ValueKind::Integer) {
            std::from_chars(text.data(), text.data() + text.size(), value);
            return value;
        }
        return static_cast<int64_t>(real(field));
    }
    double real(int field) const override {
        const std::string_view text = rawText(field);
        if (kinds_[field] == ValueKind::Integer) return static_cast<double>(integer(field));
        double value = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec != std::errc()) return std::strtod(std::string(text).c_str(), nullptr); // NaN, Infinity
        return value;
    }
    std::string_view rawText(int field) const override {
        return {PQgetvalue(current_.get(), row_, field),
                static_cast<size_t>(PQgetlength(current_.get(), row_, field))};
    }
    Result<void> moveNext() override {
        if (++row_ < rows_) return success();
        if (!ahead_.empty()) {
            current_ = std::move(ahead_.front());
            ahead_.pop_front();
            rows_ = PQntuples(current_.get());
            row_ = 0;
            return success();
        }
        if (stream_) return take(stream_->next(), stream_);
        if (failure_) return *std::exchange(failure_, std::nullopt);
        return success();
    }

    // Reads the rest of the rows now, so that the connection can run another statement; a
    // failure among them is given when the walk reaches it.
    void readAhead() {
        ResultStream* stream = stopReading();
        while (ResultPtr result = stream->next()) {
            const ExecStatusType status = PQresultStatus(result.get());
            if ((status == PGRES_SINGLE_TUPLE || status == PGRES_TUPLES_OK) && PQntuples(result.get()) > 0)
                ahead_.push_back(std::move(result));
            else if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK && !failure_)
                failure_ = statementFailure(result.get(), stream->conn());
        }
        if (stream->stall() && !failure_) failure_ = *stream->stall();
    }

private:
    // Makes `result` the current one; while it is one row of a stream, the stream goes on.
    Result<void> take(ResultPtr result, ResultStream* stream) {
        const bool stalled = !result && stream && stream->stall();
        const ExecStatusType status = result    ? PQresultStatus(result.get())
                                      : stalled ? PGRES_FATAL_ERROR
                                                : PGRES_COMMAND_OK;
        if (status == PGRES_SINGLE_TUPLE) {
            current_ = std::move(result);
            rows_ = 1;
            row_ = 0;
            stream_ = stream;
            stream_->reader = this;
            return success();
        }
        if (stream) {
            if (stream_) stopReading();
            stream->drain();
        }
        if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK) {
            // All the rows at once (or none, at the end); the last row stays for its field names.
            rows_ = 0;
            if (result && PQnfields(result.get()) > 0) {
                current_ = std::move(result);
                rows_ = PQntuples(current_.get());
            }
            row_ = 0;
            return success();
        }
        row_ = rows_;
        if (!result && stream->stall()) return *stream->stall();
        return statementFailure(result.get(), stream->conn());
    }

    ResultStream* stopReading() {
        ResultStream* stream = std::exchange(stream_, nullptr);
        stream->reader = nullptr;
        return stream;
    }

    ResultPtr current_;
    std::vector<ValueKind> kinds_;
    int rows_ = 0;
    int row_ = 0;
    ResultStream* stream_ = nullptr;
    std::deque<ResultPtr> ahead_;
    std::optional<Error> failure_;
};

class PostgresBackend final : public DbBackend {
public:
    PostgresBackend(PGconn* conn, const DbConnection& connection, std::string settings, int silenceMs)
        : conn_(conn), stream_(conn, silenceMs), connection_(connection), settings_(std::move(settings)) {}
    ~PostgresBackend() override {
        if (stream_.reader) stream_.reader->readAhead(); // a recordset kept longer keeps its rows
        PQfinish(conn_);
    }
    PostgresBackend(const PostgresBackend&) = delete;
    PostgresBackend& operator=(const PostgresBackend&) = delete;

    // The session's settings, once per connection.
    Result<void> applySettings() {
        ResultPtr result = exec(settings_);
        if (stream_.stall()) return *stream_.stall();
        if (PQresultStatus(result.get()) != PGRES_COMMAND_OK)
            return Error{kServerError,
                         "The server refused the session's settings: " + resultMessage(result.get(), conn_)};
        settingsReady_ = true;
        return success();
    }

    Result<void> execute(std::string_view sql) override {
        auto statement = prepare(sql);
        if (!statement) return statement.error();
        ResultPtr result = exec(*statement);
        if (stream_.stall()) return *stream_.stall();
        const ExecStatusType status = PQresultStatus(result.get());
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) return failure(result.get());
        const char* changed = PQcmdTuples(result.get());
        changes_ = changed && *changed ? std::atoi(changed) : 0;
        return success();
    }

    Result<std::unique_ptr<RecordCursor>> open(std::string_view sql) override {
        auto statement = prepare(sql);
        if (!statement) return statement.error();
        if (statement->find_first_not_of(" \t\r\n;") == std::string::npos)
            return Error{kServerError, "The statement is empty."};
        if (!PQsendQueryParams(conn_, statement->c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0))
            return failure(nullptr);
        PQsetSingleRowMode(conn_); // without it the rows simply come whole
        ResultPtr first = stream_.next();
        if (stream_.stall()) return *stream_.stall();
        const ExecStatusType status = first ? PQresultStatus(first.get()) : PGRES_FATAL_ERROR;
        if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK) {
            Error error = failure(first.get());
            stream_.drain();
            return error;
        }
        return std::unique_ptr<RecordCursor>(std::make_unique<PostgresCursor>(std::move(first), &stream_));
    }

    int changes() const override { return changes_; }

private:
    // The statement for the server; a connection lost since the last statement is made again
    // first, so that a window can simply try again once the server is back.
    Result<std::string> prepare(std::string_view sql) {
        if (stream_.reader) stream_.reader->readAhead();
        if (PQstatus(conn_) != CONNECTION_OK || stream_.stall()) {
            stream_.clearStall();
            PQreset(conn_);
            if (PQstatus(conn_) != CONNECTION_OK)
                return Error{kServerError, "The connection to the database server is lost: " +
                                               trimmed(PQerrorMessage(conn_))};
            settingsReady_ = collationReady_ = functionsReady_ = false;
        }
        if (!settingsReady_)
            if (auto applied = applySettings(); !applied) return applied.error();
        auto statement = postgresStatement(sql, connection_.now());
        if (!statement) return statement;
        const SessionNeeds needs = sessionNeeds(*statement);
        if (needs.collation && !collationReady_)
            if (auto created = createHelpers(postgresCollationSql(), collationReady_); !created)
                return created.error();
        if (needs.functions && !functionsReady_)
            if (auto created = createHelpers(postgresFunctionSql(), functionsReady_); !created)
                return created.error();
        return statement;
    }

    // The temporary collation or functions the translated statements call, made when a statement
    // first calls them: they are most of a session's setup (the collation loads ICU), and many
    // sessions need only one of them or neither. Within a transaction of the caller's they would
    // go with it should it roll back, so there they are made again by the next statement that
    // calls them.
    Result<void> createHelpers(const char* helpers, bool& ready) {
        const bool inTransaction = PQtransactionStatus(conn_) != PQTRANS_IDLE;
        // Bodies unchecked, in one round trip; read-write even in a read-only session, and without
        // waiting for the log on disk: the helpers are the session's own and end with it.
        std::string sql = "SET LOCAL check_function_bodies = off; SET LOCAL synchronous_commit = off; " +
                          std::string(helpers);
        if (!inTransaction) sql = "BEGIN READ WRITE; " + sql + " COMMIT;";
        ResultPtr result = exec(sql);
        if (stream_.stall()) return *stream_.stall();
        if (PQresultStatus(result.get()) == PGRES_COMMAND_OK) {
            ready = !inTransaction;
            return success();
        }
        Error error{kServerError,
                    "The server refused to prepare the session: " + resultMessage(result.get(), conn_)};
        if (!inTransaction) exec("ROLLBACK");
        return error;
    }

    // Runs `sql` (one or more statements) as PQexec does, without waiting on a silent server:
    // the first failed result, else the last one; nullptr when it could not be sent or stalled.
    ResultPtr exec(const std::string& sql) {
        if (!PQsendQuery(conn_, sql.c_str())) return nullptr;
        ResultPtr kept;
        while (ResultPtr result = stream_.next()) {
            const ExecStatusType status = PQresultStatus(result.get());
            const bool keptFailed = kept && PQresultStatus(kept.get()) == PGRES_FATAL_ERROR;
            if (!keptFailed || status == PGRES_FATAL_ERROR) kept = std::move(result);
            if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH) break;
        }
        return kept;
    }

    Error failure(const PGresult* result) const { return statementFailure(result, conn_); }

    PGconn* conn_;
    ResultStream stream_;
    const DbConnection& connection_;
    std::string settings_;
    bool settingsReady_ = false;
    bool collationReady_ = false;
    bool functionsReady_ = false;
    int changes_ = 0;
};

} // namespace

Result<std::unique_ptr<DbBackend>>
openPostgresBackend(const std::string& conninfo, const OpenOptions& options, const DbConnection& connection) {
    // Defaults first: the connection text may name its own. Connecting is given up after the
    // connect timeout (at most the silence bound); keepalives end a link whose far end is gone,
    // and a server that stops answering while its link stays up is given up by ResultStream.
    const std::string connectSeconds =
        std::to_string(std::clamp((options.serverSilenceMs + 999) / 1000, 2, 10));
    const char* keywords[] = {
        "connect_timeout",  "application_name", "keepalives_idle", "keepalives_interval",
        "keepalives_count", "tcp_user_timeout", "dbname",          nullptr};
    const char* values[] = {
        connectSeconds.c_str(), "Online NAX Reporting", "30", "10", "3", "60000", conninfo.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keywords, values, 1);
    if (conn == nullptr) return Error{kServerError, "Out of memory while connecting to the database server."};
    if (PQstatus(conn) != CONNECTION_OK) {
        Error error{kServerError, trimmed(PQerrorMessage(conn))};
        PQfinish(conn);
        return error;
    }
    // No JIT compiling: loading the compiler costs a fresh session about 0.1 s on the first big
    // statement, more than the compiled code wins back on these short statements.
    std::string settings = "SET client_encoding = 'UTF8'; SET extra_float_digits = 1; SET jit = off; "
                           "SET lock_timeout = " +
                           std::to_string(options.busyTimeoutMs) + ";";
    if (options.readOnly) settings += " SET default_transaction_read_only = on;";
    auto backend = std::make_unique<PostgresBackend>(conn, connection, std::move(settings),
                                                     std::max(options.serverSilenceMs, 1));
    if (auto applied = backend->applySettings(); !applied) return applied.error();
    return std::unique_ptr<DbBackend>(std::move(backend));
}

} // namespace nax
