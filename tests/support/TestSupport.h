#pragma once
// Fixtures shared by the tests: a scratch folder and a plant database built in it.
#include "base/AppContext.h"
#include "db/DbConnection.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace nax::test {

// A folder removed with everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Opens (creating when missing) a database file with the plant's tables, no rows.
std::unique_ptr<DbConnection> makePlantDatabase(const std::string& path, bool withIndexes = false,
                                                double nowSerial = 46361.5);

// Executes SQL or fails the current test.
void exec(DbConnection& db, const std::string& sql);
// Makes reading `column` of TimeLost fail with "Overflow" on the rows `where` picks (a view stands in
// for the table, whose indexes still serve, so a walk fails at a later row).
void failReadingAt(DbConnection& db, const std::string& column, const std::string& where);
// First field of the first row as text ("" for no row / NULL); fails the test on error.
std::string scalar(DbConnection& db, const std::string& sql);
// Every row of a statement, its fields joined by '|', a line each; "failed" (and a test failure) on error.
std::string rowsOf(DbConnection& db, const std::string& sql);

// The cells of a grid row in the given columns (every column when none are given), joined by '|'.
inline std::string joined(const ReportGrid& grid, int row, std::vector<int> cols = {}) {
    if (cols.empty())
        for (int c = 0; c < grid.cols(); ++c)
            cols.push_back(c);
    std::string text;
    for (size_t i = 0; i < cols.size(); ++i)
        text += (i ? "|" : "") + std::string(grid.cell(row, cols[i]));
    return text;
}

// The rows from `first` on, each as joined() gives it and ended by a line break.
inline std::string rowsOf(const ReportGrid& grid, int first = 0, const std::vector<int>& cols = {}) {
    std::string text;
    for (int row = first; row < grid.rows(); ++row)
        text += joined(grid, row, cols) + "\n";
    return text;
}

// What `work` returns while this process may write files of at most `bytes` (a full disk).
template <class Work> auto withFileSizeLimit(rlim_t bytes, Work work) {
    struct rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &small);
    auto result = work();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    return result;
}

// The messages shown so far, a line each: "caption|icon|text".
inline std::string shownMessages(const CapturedMessages& sink) {
    static const char* const icons[] = {"None", "Information", "Warning", "Critical"};
    std::string lines;
    for (const Message& message : sink.messages)
        lines += message.caption + "|" + icons[static_cast<int>(message.icon)] + "|" + message.text + "\n";
    return lines;
}

// A test on an empty plant database, db1.sqlite in its own scratch folder.
class PlantDbTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::unique_ptr<DbConnection> db = makePlantDatabase(dir.file("db1.sqlite"));
};

// The same, plus what a window is handed: messages kept for reading, no event pump.
class WindowTest : public PlantDbTest {
protected:
    CapturedMessages messages;
    NoEventPump pump;
    AppContext context{*db, messages, pump, dir.path(), {}, {}};
};

} // namespace nax::test
