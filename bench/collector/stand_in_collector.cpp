// Stands in for the plant's data collector while a report runs: commits one row every 50 ms with a 5-second
// busy timeout, as the collector does, until it is stopped (SIGINT or SIGTERM). Then prints its longest wait
// for a commit and the commits that failed.
//
//   stand_in_collector DATABASE
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: stand_in_collector DATABASE\n");
        return 2;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s: %s\n", argv[1], sqlite3_errmsg(db));
        return 1;
    }
    sqlite3_busy_timeout(db, 5000);
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    // Rows of a table of its own: the locks are the database's, whatever table is written.
    if (sqlite3_exec(db, "create table if not exists bench_collector (at REAL)", nullptr, nullptr, nullptr) !=
        SQLITE_OK) {
        std::fprintf(stderr, "cannot create its table: %s\n", sqlite3_errmsg(db));
        return 1;
    }
    const char* insert = "insert into bench_collector values (julianday('now'))";
    using Clock = std::chrono::steady_clock;
    double longestWait = 0;
    int commits = 0, failed = 0;
    auto next = Clock::now();
    while (!stopRequested) {
        const auto begun = Clock::now();
        const int rc = sqlite3_exec(db, insert, nullptr, nullptr, nullptr);
        const double waited = std::chrono::duration<double>(Clock::now() - begun).count();
        longestWait = std::max(longestWait, waited);
        if (rc == SQLITE_OK)
            ++commits;
        else
            ++failed;
        next += std::chrono::milliseconds(50);
        std::this_thread::sleep_until(std::max(next, Clock::now()));
    }
    sqlite3_close_v2(db);
    std::printf("collector: %d commits, longest wait %.3f s, %d failed\n", commits, longestWait, failed);
    return failed == 0 ? 0 : 1;
}
