#include "TestSupport.h"

#include "simulate/PlantSchema.h"

#include <gtest/gtest.h>
#include <random>
#include <sqlite3.h>

namespace nax::test {

ScratchDir::ScratchDir() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("nax-test-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::unique_ptr<DbConnection> makePlantDatabase(const std::string& path, bool withIndexes, double nowSerial) {
    sqlite3* raw = nullptr;
    sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_close_v2(raw);
    auto opened = DbConnection::open(path, OpenOptions{200, false}, [nowSerial] { return nowSerial; });
    if (!opened) {
        ADD_FAILURE() << "cannot open " << path << ": " << opened.error().message;
        return nullptr;
    }
    auto db = std::move(opened.value());
    exec(*db, plantSchemaSql());
    if (withIndexes) exec(*db, reportIndexSql());
    return db;
}

void exec(DbConnection& db, const std::string& sql) {
    auto done = db.execute(sql);
    if (!done) ADD_FAILURE() << sql << "\n-> " << done.error().message;
}

void failReadingAt(DbConnection& db, const std::string& column, const std::string& where) {
    auto info = db.openRecordset("pragma table_info(TimeLost)");
    ASSERT_TRUE(info) << info.error().message;
    std::string columns;
    ASSERT_TRUE(forEachRow(*info, [&](const Recordset& field) {
        const std::string name = field.text(1);
        columns += (columns.empty() ? "" : ", ") +
                   (name == column ? "case when " + where + " then cint(1e9 + coalesce(Dt_ID, 0)) else " +
                                         name + " end as " + name
                                   : name);
    }));
    exec(db, "alter table TimeLost rename to TimeLostRows; create view TimeLost as select " + columns +
                 " from TimeLostRows");
}

std::string scalar(DbConnection& db, const std::string& sql) {
    auto rs = db.openRecordset(sql);
    if (!rs) {
        ADD_FAILURE() << sql << "\n-> " << rs.error().message;
        return {};
    }
    return rs->eof() ? std::string() : rs->text(0);
}

std::string rowsOf(DbConnection& db, const std::string& sql) {
    auto rs = db.openRecordset(sql);
    std::string rows;
    for (; rs && !rs->eof(); (void)rs->moveNext())
        for (int field = 0; field < rs->fieldCount(); ++field)
            rows += rs->text(field) + (field + 1 < rs->fieldCount() ? "|" : "\n");
    if (!rs) ADD_FAILURE() << sql << "\n-> " << rs.error().message;
    return rs ? rows : "failed";
}

} // namespace nax::test
