#include "DbConnection.h"

#include "Dialect.h"
#include "TextRules.h"

#include <QDateTime>
#include <cstring>
#include <sqlite3.h>

namespace nax {

Clock systemClock() {
    return [] {
        const QDateTime local = QDateTime::currentDateTime();
        return DateToSerial(QDateTime(local.date(), local.time(), Qt::UTC));
    };
}

// ---------------------------------------------------------------- Recordset

Recordset::Recordset(Recordset&& other) noexcept
    : stmt_(std::exchange(other.stmt_, nullptr)), db_(other.db_), atEnd_(other.atEnd_) {}

Recordset& Recordset::operator=(Recordset&& other) noexcept {
    if (this != &other) {
        close();
        stmt_ = std::exchange(other.stmt_, nullptr);
        db_ = other.db_;
        atEnd_ = other.atEnd_;
    }
    return *this;
}

Recordset::~Recordset() {
    close();
}

void Recordset::close() {
    if (stmt_) sqlite3_finalize(stmt_);
    stmt_ = nullptr;
}

int Recordset::fieldCount() const {
    return stmt_ ? sqlite3_column_count(stmt_) : 0;
}

int Recordset::fieldIndex(std::string_view name) const {
    for (int field = 0; field < fieldCount(); ++field) {
        const char* fieldName = sqlite3_column_name(stmt_, field);
        if (fieldName && name.size() == std::strlen(fieldName) &&
            sqlite3_strnicmp(fieldName, name.data(), static_cast<int>(name.size())) == 0)
            return field;
    }
    return -1;
}

ValueKind Recordset::kind(int field) const {
    if (eof() || field < 0 || field >= fieldCount()) return ValueKind::Null;
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

int64_t Recordset::integer(int field) const {
    return kind(field) == ValueKind::Null ? 0 : sqlite3_column_int64(stmt_, field);
}

double Recordset::real(int field) const {
    return kind(field) == ValueKind::Null ? 0.0 : sqlite3_column_double(stmt_, field);
}

std::string_view Recordset::rawText(int field) const {
    if (kind(field) == ValueKind::Null) return {};
    auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, field));
    return {text, static_cast<size_t>(sqlite3_column_bytes(stmt_, field))};
}

std::string Recordset::text(int field) const {
    switch (kind(field)) {
    case ValueKind::Null:
        return {};
    case ValueKind::Integer:
        return std::to_string(sqlite3_column_int64(stmt_, field));
    case ValueKind::Real:
        return formatGeneral(sqlite3_column_double(stmt_, field));
    case ValueKind::Text:
        return std::string(rawText(field));
    }
    return {};
}

Result<void> Recordset::moveNext() {
    if (eof()) return Error{3021, "Either BOF or EOF is True, or the current record has been deleted."};
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return success();
    atEnd_ = true;
    if (rc == SQLITE_DONE) return success();
    return Error{rc, sqlite3_errmsg(db_)};
}

// ---------------------------------------------------------------- DbConnection

DbConnection::DbConnection(sqlite3* db, std::string path, Clock clock)
    : db_(db), path_(std::move(path)), clock_(std::move(clock)) {}

DbConnection::~DbConnection() {
    sqlite3_close_v2(db_);
}

Error DbConnection::lastError() const {
    return Error{sqlite3_extended_errcode(db_), sqlite3_errmsg(db_)};
}

Result<std::unique_ptr<DbConnection>> DbConnection::open(const std::string& path, OpenOptions options,
                                                         Clock clock) {
    sqlite3* db = nullptr;
    const int flags = (options.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX;
    const int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        Error error{rc, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)};
        sqlite3_close_v2(db);
        return error;
    }
    std::unique_ptr<DbConnection> connection(new DbConnection(db, path, std::move(clock)));
    sqlite3_busy_timeout(db, options.busyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    registerDialectFunctions(*connection);
    // SQLite opens lazily: read the schema now so that a file that is no database fails here.
    if (auto probe = connection->execute("select count(*) from sqlite_master"); !probe) return probe.error();
    return connection;
}

int DbConnection::changes() const {
    return sqlite3_changes(db_);
}

Result<void> DbConnection::execute(std::string_view sql) {
    const std::string statement = caseInsensitiveStatement(sql);
    char* message = nullptr;
    const int rc = sqlite3_exec(db_, statement.c_str(), nullptr, nullptr, &message);
    if (rc == SQLITE_OK) return success();
    Error error{sqlite3_extended_errcode(db_), message ? message : sqlite3_errstr(rc)};
    sqlite3_free(message);
    return error;
}

Result<Recordset> DbConnection::openRecordset(std::string_view sql) {
    const std::string statement = caseInsensitiveStatement(sql);
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, statement.c_str(), static_cast<int>(statement.size()), &stmt, nullptr) !=
        SQLITE_OK) {
        Error error = lastError();
        sqlite3_finalize(stmt);
        return error;
    }
    if (stmt == nullptr) return Error{SQLITE_MISUSE, "The statement is empty."};
    Recordset result(stmt, db_);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) return result;
    if (rc == SQLITE_DONE) {
        result.atEnd_ = true;
        return result;
    }
    Error error = lastError();
    return error;
}

} // namespace nax
