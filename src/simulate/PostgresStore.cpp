// The simulator's server output: the same tables as in a file, with plain server types (day
// serials and speeds as double precision, keys and counts as integer, texts as text), filled
// through COPY.
#include "db/DbConnection.h"
#include "simulate/PlantSchema.h"
#include "simulate/PlantStore.h"

#include <libpq-fe.h>

#include <cstdio>
#include <optional>
#include <vector>

namespace nax {
namespace {

constexpr const char* kPlantTables =
    "TimeLost, Tag_Master, Run_master, opc, Pack_Master, Flavor_Master, Asset_Master, Component_master, "
    "Failure_Master, Misc_Master, Employee_Master, CMMS_Misc_Master";
constexpr size_t kFlushBytes = 4 << 20;

std::string serverMessage(PGconn* conn) {
    std::string message = PQerrorMessage(conn);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message;
}

[[noreturn]] void fail(PGconn* conn, const std::string& what) {
    throw StoreFailure{{1, what + ": " + serverMessage(conn)}};
}

void exec(PGconn* conn, const std::string& sql) {
    PGresult* result = PQexec(conn, sql.c_str());
    const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
    PQclear(result);
    if (!ok) fail(conn, "statement failed");
}

// COPY's text form of a value: backslash, tab and line breaks escaped, NULL as \N.
void appendCopyText(std::string& out, const char* value) {
    if (!value) {
        out += "\\N";
        return;
    }
    for (const char* c = value; *c; ++c) {
        switch (*c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += *c;
        }
    }
}

class PostgresStore;

class PostgresRows final : public RowSink {
public:
    PostgresRows(PostgresStore& store, std::string table, int columns)
        : store_(store), table_(std::move(table)), values_(static_cast<size_t>(columns)) {}
    ~PostgresRows() override;
    void integer(int column, std::int64_t value) override { values_[column - 1] = std::to_string(value); }
    void real(int column, double value) override {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.17g", value);
        values_[column - 1] = buffer;
    }
    void text(int column, const char* value) override {
        values_[column - 1].clear();
        appendCopyText(values_[column - 1], value);
    }
    void run() override;

private:
    PostgresStore& store_;
    std::string table_;
    std::vector<std::string> values_;
    std::string buffer_;
};

class PostgresStore final : public PlantStore {
public:
    PostgresStore(PGconn* conn, bool replace) : conn_(conn), replace_(replace) {}
    ~PostgresStore() override { PQfinish(conn_); }
    PostgresStore(const PostgresStore&) = delete;
    PostgresStore& operator=(const PostgresStore&) = delete;

    void begin() override {
        exec(conn_, "SET client_min_messages = warning; BEGIN");
        if (replace_) exec(conn_, std::string("DROP TABLE IF EXISTS ") + kPlantTables);
        exec(conn_, serverPlantSchemaSql());
    }
    std::unique_ptr<RowSink> rows(const char* table, int columns) override {
        return std::make_unique<PostgresRows>(*this, table, columns);
    }
    void addIndexes() override {
        exec(conn_, reportIndexSql());
        indexed_ = true;
    }
    void commit() override {
        if (deferred_) throw StoreFailure{*deferred_};
        exec(conn_, "COMMIT");
        // Statistics for the planner, and the visibility map that lets the per-run sums read the
        // index alone (as the server's autovacuum would see to, in time).
        if (indexed_) exec(conn_, "VACUUM (ANALYZE) " + std::string(kPlantTables));
    }
    // A failure where it cannot be thrown (a writer's last rows); commit() reports it.
    void defer(Error error) {
        if (!deferred_) deferred_ = std::move(error);
    }

    void copy(const std::string& table, const std::string& lines) {
        if (lines.empty()) return;
        PGresult* started = PQexec(conn_, ("COPY " + table + " FROM STDIN").c_str());
        const bool copying = PQresultStatus(started) == PGRES_COPY_IN;
        PQclear(started);
        if (!copying) fail(conn_, "cannot fill " + table);
        if (PQputCopyData(conn_, lines.data(), static_cast<int>(lines.size())) != 1 ||
            PQputCopyEnd(conn_, nullptr) != 1)
            fail(conn_, "cannot fill " + table);
        bool ok = true;
        while (PGresult* result = PQgetResult(conn_)) {
            ok = ok && PQresultStatus(result) == PGRES_COMMAND_OK;
            PQclear(result);
        }
        if (!ok) fail(conn_, "cannot fill " + table);
    }

private:
    PGconn* conn_;
    bool replace_;
    bool indexed_ = false;
    std::optional<Error> deferred_;
};

PostgresRows::~PostgresRows() {
    // Rows still buffered go out when the writer is done with the table.
    try {
        store_.copy(table_, buffer_);
    } catch (const StoreFailure& failure) {
        store_.defer(failure.error);
    }
}

void PostgresRows::run() {
    for (size_t i = 0; i < values_.size(); ++i)
        buffer_.append(i ? "\t" : "").append(values_[i]);
    buffer_ += '\n';
    if (buffer_.size() >= kFlushBytes) {
        store_.copy(table_, buffer_);
        buffer_.clear();
    }
}

} // namespace

Result<std::unique_ptr<PlantStore>> openPostgresStore(const std::string& conninfo, bool replace) {
    const char* keywords[] = {"connect_timeout", "application_name", "dbname", nullptr};
    const char* values[] = {"10", "nax-simulate", conninfo.c_str(), nullptr};
    PGconn* conn = PQconnectdbParams(keywords, values, 1);
    if (PQstatus(conn) != CONNECTION_OK) {
        Error error{1, "cannot connect to " + displayName(conninfo) + ": " + serverMessage(conn)};
        PQfinish(conn);
        return error;
    }
    auto store = std::make_unique<PostgresStore>(conn, replace);
    if (!replace) {
        PGresult* found = PQexec(conn, "SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = "
                                       "current_schema() AND tablename IN ('timelost', 'opc', 'run_master')");
        const bool ok = PQresultStatus(found) == PGRES_TUPLES_OK;
        const std::string count = ok ? PQgetvalue(found, 0, 0) : "";
        PQclear(found);
        if (!ok)
            return Error{1,
                         "cannot read the tables of " + displayName(conninfo) + ": " + serverMessage(conn)};
        if (count != "0")
            return Error{0, "refusing to overwrite the plant tables in " + displayName(conninfo) +
                                ": they exist already (--replace drops and writes them again)"};
    }
    return std::unique_ptr<PlantStore>(std::move(store));
}

} // namespace nax
