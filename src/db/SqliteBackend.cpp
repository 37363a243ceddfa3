// The SQLite engine under DbConnection: a database file with the dialect's functions
// registered and every statement's text literals compared without regard to case.
#include "DateLiterals.h"
#include "DbBackend.h"
#include "SqliteDialect.h"

#include <sqlite3.h>

namespace nax {
namespace {

class SqliteCursor final : public RecordCursor {
public:
    SqliteCursor(sqlite3_stmt* stmt, sqlite3* db) : stmt_(stmt), db_(db) {}
    ~SqliteCursor() override { sqlite3_finalize(stmt_); }
    SqliteCursor(const SqliteCursor&) = delete;
    SqliteCursor& operator=(const SqliteCursor&) = delete;

    // Steps onto the first row.
    Result<void> start() { return step(); }

    bool atEnd() const override { return atEnd_; }
    int fieldCount() const override { return sqlite3_column_count(stmt_); }
    std::string_view fieldName(int field) const override {
        const char* name = sqlite3_column_name(stmt_, field);
        return name ? std::string_view(name) : std::string_view{};
    }
    ValueKind kind(int field) const override {
        switch (sqlite3_column_type(stmt_, field)) {
        case SQLITE_INTEGER:
            return ValueKind::Integer;
        case SQLITE_FLOAT:
            return ValueKind::Real;
        case SQLITE_NULL:
            return ValueKind::Null;
        default:
            return ValueKind::Text;
        }
    }
    int64_t integer(int field) const override { return sqlite3_column_int64(stmt_, field); }
    double real(int field) const override { return sqlite3_column_double(stmt_, field); }
    std::string_view rawText(int field) const override {
        auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, field));
        return {text, static_cast<size_t>(sqlite3_column_bytes(stmt_, field))};
    }
    Result<void> moveNext() override { return step(); }

private:
    Result<void> step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return success();
        atEnd_ = true;
        if (rc == SQLITE_DONE) return success();
        return Error{sqlite3_extended_errcode(db_), sqlite3_errmsg(db_)};
    }
    sqlite3_stmt* stmt_;
    sqlite3* db_;
    bool atEnd_ = false;
};

class SqliteBackend final : public DbBackend {
public:
    explicit SqliteBackend(sqlite3* db) : db_(db) {}
    ~SqliteBackend() override { sqlite3_close_v2(db_); }
    SqliteBackend(const SqliteBackend&) = delete;
    SqliteBackend& operator=(const SqliteBackend&) = delete;

    Result<void> execute(std::string_view sql) override {
        auto dated = dateLiteralsAsSerials(sql);
        if (!dated) return dated.error();
        const std::string statement = caseInsensitiveStatement(*dated);
        char* message = nullptr;
        const int rc = sqlite3_exec(db_, statement.c_str(), nullptr, nullptr, &message);
        if (rc == SQLITE_OK) return success();
        Error error{sqlite3_extended_errcode(db_), message ? message : sqlite3_errstr(rc)};
        sqlite3_free(message);
        return error;
    }

    Result<std::unique_ptr<RecordCursor>> open(std::string_view sql) override {
        auto dated = dateLiteralsAsSerials(sql);
        if (!dated) return dated.error();
        const std::string statement = caseInsensitiveStatement(*dated);
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, statement.c_str(), static_cast<int>(statement.size()), &stmt, nullptr) !=
            SQLITE_OK) {
            Error error{sqlite3_extended_errcode(db_), sqlite3_errmsg(db_)};
            sqlite3_finalize(stmt);
            return error;
        }
        if (stmt == nullptr) return Error{SQLITE_MISUSE, "The statement is empty."};
        auto cursor = std::make_unique<SqliteCursor>(stmt, db_);
        if (auto started = cursor->start(); !started) return started.error();
        return std::unique_ptr<RecordCursor>(std::move(cursor));
    }

    int changes() const override { return sqlite3_changes(db_); }

private:
    sqlite3* db_;
};

} // namespace

Result<std::unique_ptr<DbBackend>> openSqliteBackend(const std::string& path, const OpenOptions& options,
                                                     const DbConnection& connection) {
    sqlite3* db = nullptr;
    const int flags = (options.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        Error error{rc, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)};
        sqlite3_close_v2(db);
        return error;
    }
    auto backend = std::make_unique<SqliteBackend>(db);
    sqlite3_busy_timeout(db, options.busyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    registerDialectFunctions(db, connection);
    // SQLite opens lazily: read the schema now so that a file that is no database fails here.
    if (auto probe = backend->execute("select count(*) from sqlite_master"); !probe) return probe.error();
    return std::unique_ptr<DbBackend>(std::move(backend));
}

} // namespace nax
