#include "simulate/PlantSchema.h"
#include "simulate/PlantStore.h"
#include "xlsx/WorkbookFile.h"

#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace nax {
namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what) {
    throw StoreFailure{{sqlite3_extended_errcode(db), what + ": " + sqlite3_errmsg(db)}};
}

void exec(sqlite3* db, const char* sql) {
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) fail(db, "statement failed");
}

class SqliteRows final : public RowSink {
public:
    SqliteRows(sqlite3* db, const std::string& sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) fail(db, "prepare failed");
    }
    ~SqliteRows() override { sqlite3_finalize(stmt_); }
    SqliteRows(const SqliteRows&) = delete;
    SqliteRows& operator=(const SqliteRows&) = delete;

    void integer(int column, std::int64_t value) override { sqlite3_bind_int64(stmt_, column, value); }
    void real(int column, double value) override { sqlite3_bind_double(stmt_, column, value); }
    // Static text only (the master lists and literals).
    void text(int column, const char* value) override {
        if (value)
            sqlite3_bind_text(stmt_, column, value, -1, SQLITE_STATIC);
        else
            sqlite3_bind_null(stmt_, column);
    }
    void run() override {
        const int rc = sqlite3_step(stmt_);
        sqlite3_reset(stmt_);
        if (rc != SQLITE_DONE) fail(db_, "insert failed");
    }

private:
    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

// Writes into a temporary file beside the output and gives it the output's name only once the
// database is complete, so a failure (a full disk) leaves whatever was there before.
class SqliteStore final : public PlantStore {
public:
    SqliteStore(sqlite3* db, PendingFile file, std::filesystem::path target)
        : file_(std::move(file)), target_(std::move(target)), db_(db) {}
    ~SqliteStore() override { sqlite3_close(db_); } // before file_ removes an unfinished file
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    void begin() override {
        exec(db_, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA locking_mode=EXCLUSIVE; "
                  "PRAGMA temp_store=MEMORY; PRAGMA cache_size=-131072;");
        exec(db_, plantSchemaSql());
        exec(db_, "BEGIN");
    }
    std::unique_ptr<RowSink> rows(const char* table, int columns) override {
        std::string sql = std::string("INSERT INTO ") + table + " VALUES (";
        for (int column = 1; column <= columns; ++column)
            sql += (column > 1 ? ", ?" : "?") + std::to_string(column);
        return std::make_unique<SqliteRows>(db_, sql + ")");
    }
    void addIndexes() override {
        exec(db_, reportIndexSql());
        exec(db_, "ANALYZE"); // statistics, so the planner picks the run index over a scan of opc
    }
    void commit() override {
        exec(db_, "COMMIT");
        if (sqlite3_close(db_) != SQLITE_OK) throw StoreFailure{{0, "cannot close the database"}};
        db_ = nullptr;
        // A journal left beside the old file would be played back into the new one.
        std::error_code ec;
        for (const char* suffix : {"-journal", "-wal", "-shm"})
            std::filesystem::remove(target_.string() + suffix, ec);
        if (auto named = file_.replace(target_); !named) throw StoreFailure{named.error()};
    }

private:
    PendingFile file_;
    std::filesystem::path target_;
    sqlite3* db_;
};

bool looksLikeDatabase(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) == 0 && !ec) return true; // SQLite's empty database
    std::ifstream in(path, std::ios::binary);
    char header[16] = {};
    in.read(header, sizeof header);
    return in.gcount() == sizeof header && std::memcmp(header, "SQLite format 3", 16) == 0;
}

// True when the SQLite file holds the plant's main tables (as the server's check asks).
bool holdsPlantTables(const std::string& path) {
    sqlite3* db = nullptr;
    int count = 0;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db,
                               "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                               "lower(name) IN ('timelost', 'opc', 'run_master')",
                               -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            count = sqlite3_column_int(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return count == 3;
}

// Only a plant database may be replaced, or with `replace` any SQLite database; never another file.
Result<void> checkReplaceable(const std::string& outPath, bool replace) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::file_status status = fs::status(outPath, ec);
    if (!fs::exists(status)) return success();
    if (!fs::is_regular_file(status)) return Error{0, outPath + " exists and is not a file"};
    if (!looksLikeDatabase(outPath))
        return Error{0, "refusing to overwrite " + outPath + ": it is not a database file"};
    if (!replace && !holdsPlantTables(outPath))
        return Error{0, "refusing to overwrite " + outPath +
                            ": it is not a plant database (--replace writes over it)"};
    return success();
}

} // namespace

Result<std::unique_ptr<PlantStore>> openSqliteStore(const std::string& path, bool replace) {
    if (auto replaceable = checkReplaceable(path, replace); !replaceable) return replaceable.error();
    const std::filesystem::path target(path);
    auto file = PendingFile::reserve(target.has_parent_path() ? target.parent_path() : ".");
    if (!file) return file.error();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file->path().c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        Error error{db ? sqlite3_extended_errcode(db) : SQLITE_CANTOPEN,
                    "cannot create " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory")};
        sqlite3_close(db);
        return error;
    }
    return std::unique_ptr<PlantStore>(std::make_unique<SqliteStore>(db, std::move(*file), target));
}

} // namespace nax
