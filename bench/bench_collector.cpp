// A stand-in for the data collector, for the load benchmarks: every 100 ms one transaction adds
// a minute of opc rows for the three tags, and every tenth one also a downtime event that it then
// closes, past the end of the simulated period so that the reports' ranges stay untouched.
// Prints how long its transactions waited. Works on a file or a server.
//   bench_collector DATABASE SECONDS START_SERIAL
#include "db/DbConnection.h"
#include "text/NumberText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace nax;
using Steady = std::chrono::steady_clock;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_collector DATABASE SECONDS START_SERIAL\n");
        return 2;
    }
    auto opened = DbConnection::open(argv[1], OpenOptions{10000, false});
    if (!opened) {
        std::fprintf(stderr, "bench_collector: %s\n", opened.error().message.c_str());
        return 1;
    }
    DbConnection& db = *opened.value();
    const double seconds = std::stod(argv[2]);
    double minute = std::stod(argv[3]);
    auto eventId = db.openRecordset("select max(Dt_ID) from TimeLost");
    long long nextEvent = eventId && !eventId->eof() ? eventId->integer(0) + 1000000 : 1000000;

    std::vector<double> waits;
    const auto end = Steady::now() + std::chrono::duration<double>(seconds);
    int failures = 0;
    for (int tick = 0; Steady::now() < end; ++tick) {
        const auto started = Steady::now();
        std::string sql = "begin; insert into opc values ";
        for (int tag = 1; tag <= 3; ++tag)
            sql += (tag > 1 ? "," : "") + std::string("(") + formatGeneral(minute) + "," +
                   std::to_string(tag) + ",999999,'A',1,1,250,0.1,1.5)";
        sql += ";";
        if (tick % 10 == 0) {
            const std::string id = std::to_string(nextEvent++);
            sql += "insert into TimeLost (Dt_ID, Tag_ID, Run_no, DT_Start) values (" + id + ",1,999999," +
                   formatGeneral(minute) + ");";
            sql += "update TimeLost set DT_End = " + formatGeneral(minute + 0.0007) +
                   ", Time_Lost = 0.0007 where Dt_ID = " + id + ";";
        }
        sql += "commit;";
        if (!db.execute(sql)) {
            ++failures;
            (void)db.execute("rollback");
        }
        waits.push_back(std::chrono::duration<double>(Steady::now() - started).count());
        minute += 1.0 / 1440;
        std::this_thread::sleep_until(started + std::chrono::milliseconds(100));
    }
    std::sort(waits.begin(), waits.end());
    const double longest = waits.empty() ? 0 : waits.back();
    const double median = waits.empty() ? 0 : waits[waits.size() / 2];
    std::printf("collector: %zu transactions, %d failed, median %.1f ms, longest %.1f ms\n", waits.size(),
                failures, median * 1000, longest * 1000);
    return failures == 0 ? 0 : 1;
}
