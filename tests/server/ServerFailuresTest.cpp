// What goes wrong with a server: it cannot be reached, the password is wrong, a table is
// missing, a lock outlasts the wait, the connection drops in the middle. Each gives a clear
// message without the password, and never a hang. And two people saving at once lose nothing.
#include "PostgresServer.h"
#include "base/Progress.h"
#include "db/PlantDatabase.h"
#include "dms/DailyDms.h"
#include "downtime/ClassificationSave.h"
#include "simulate/PlantSchema.h"
#include "simulate/PlantSimulator.h"
#include "support/NaxReportProcess.h"
#include "support/TestSupport.h"
#include "text/ProgressText.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <future>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace nax;
using nax::test::exec;
using nax::test::scalar;

namespace {

class ServerPlant : public ::testing::Test {
protected:
    void SetUp() override {
        NAX_REQUIRE_SERVER();
        name = server->newDatabase();
        db = open();
        ASSERT_TRUE(db);
        exec(*db, serverPlantSchemaSql());
        exec(*db, "insert into TimeLost(Dt_ID, Remarks) values (1, 'one'), (2, 'two'), (3, 'three')");
        exec(*db, "insert into Run_master(Run_ID, Start_Time, End_Time) values (1, 46361.25, 46361.5)");
    }
    std::unique_ptr<DbConnection> open(int waitMs = 300) {
        auto opened = DbConnection::open(name, OpenOptions{waitMs, false});
        if (!opened) ADD_FAILURE() << opened.error().message;
        return opened ? std::move(opened.value()) : nullptr;
    }
    static ClassificationTexts boxes(const std::string& text) {
        ClassificationTexts texts;
        for (std::string& box : texts)
            box = text;
        return texts;
    }
    std::string name;
    std::unique_ptr<DbConnection> db;
};

TEST_F(ServerPlant, OpenFailuresAreClearAndNeverShowThePassword) {
    NAX_REQUIRE_SERVER();
    const std::string unreachable = "host=/nonexistent/socket/dir dbname=plant user=nax password=Hush1234";
    const std::string wrongPassword = server->connection("postgres", "guarded", "Wrong Guess");
    const std::string uriPassword =
        "postgresql://guarded:Wrong%20Guess@/postgres?host=" + server->socketDir();
    for (const std::string& target : {unreachable, wrongPassword, uriPassword}) {
        auto opened = DbConnection::open(target);
        ASSERT_FALSE(opened) << target;
        EXPECT_FALSE(opened.error().message.empty());
        CapturedMessages messages;
        EXPECT_EQ(openPlantDatabase(target, messages), nullptr);
        ASSERT_EQ(messages.messages.size(), 1u);
        const std::string& text = messages.messages[0].text;
        for (const char* secret : {"Hush1234", "Wrong Guess", "Wrong%20Guess"})
            EXPECT_EQ(text.find(secret), std::string::npos) << text;
        EXPECT_EQ(text.find("nax-simulate"), std::string::npos) << text; // no file to make
    }
    EXPECT_TRUE(DbConnection::open(server->connection("postgres", "guarded", "Open Sesame")));

    // nax-report: exit 1 with the message, no password.
    const auto run = test::runNaxReport(QStringLiteral("downtime-list|--db|$db|--from|2026-12-05 06:00|--to|"
                                                       "2026-12-05 12:00"),
                                        QString::fromStdString(wrongPassword));
    EXPECT_EQ(run.exitCode, 1);
    const std::string said = (run.out + run.err).toStdString();
    EXPECT_NE(said.find("password authentication failed"), std::string::npos) << said;
    EXPECT_EQ(said.find("Wrong Guess"), std::string::npos) << said;
}

TEST_F(ServerPlant, StatementFailuresLeaveTheConnectionUsable) {
    auto missing = db->openRecordset("select * from NoSuchTable");
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().message.find("nosuchtable"), std::string::npos);
    EXPECT_FALSE(LookupValue(*db, "NoSuchTable", "Sum(x)", "")); // a failure, not a zero

    // A row locked past the wait: the save fails with the server's words instead of waiting on.
    auto other = open();
    ASSERT_TRUE(other);
    exec(*other, "begin; update TimeLost set Remarks = 'held' where Dt_ID = 2");
    auto blocked = saveClassification(*db, boxes("mine"), "2");
    ASSERT_FALSE(blocked);
    EXPECT_NE(blocked.error().message.find("lock timeout"), std::string::npos) << blocked.error().message;
    EXPECT_NE(blocked.error().message.find("Update Statement failed"), std::string::npos);
    exec(*other, "rollback");
    EXPECT_TRUE(saveClassification(*db, boxes("mine"), "2"));
    EXPECT_FALSE(saveClassification(*db, boxes("mine"), "99")); // no such event

    // The connection is cut in the middle: the statement fails, the next one connects again.
    exec(*other, "select pg_terminate_backend(pid) from pg_stat_activity where datname = current_database() "
                 "and pid <> pg_backend_pid()");
    auto cut = db->openRecordset("select Remarks from TimeLost");
    ASSERT_FALSE(cut);
    EXPECT_NE(cut.error().message.find("connection"), std::string::npos) << cut.error().message;
    EXPECT_EQ(scalar(*db, "select Remarks from TimeLost where [Dt_ID] = 2"), "mine");
    EXPECT_EQ(scalar(*db, "select cint(2.5)"), "2"); // the session's functions are back too
}

// Passes 127.0.0.1 traffic on to the test server's socket. Told to stall, it stops passing on
// what the connections open at that moment send, as a server whose backend was stopped (kill
// -STOP) does, while new connections still reach the server as they still reach its postmaster.
class StallingProxy {
public:
    explicit StallingProxy(std::string serverSocket) : serverSocket_(std::move(serverSocket)) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            listen(listener_, 8) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            ADD_FAILURE() << "the proxy cannot listen";
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { forward(); });
    }
    ~StallingProxy() {
        done_ = true;
        thread_.join();
        for (const auto& [client, server] : links_)
            close(client), close(server);
        close(listener_);
    }
    int port() const { return port_; }
    void stall() { stallRequested_ = true; }
    void resume() { resumeRequested_ = true; }

private:
    void forward() {
        size_t stalledLinks = 0; // the links before this one pass nothing on
        while (!done_) {
            if (stallRequested_.exchange(false)) stalledLinks = links_.size();
            if (resumeRequested_.exchange(false)) stalledLinks = 0;
            std::vector<pollfd> fds{{listener_, POLLIN, 0}};
            for (size_t l = stalledLinks; l < links_.size(); ++l)
                fds.insert(fds.end(), {{links_[l].first, POLLIN, 0}, {links_[l].second, POLLIN, 0}});
            if (poll(fds.data(), fds.size(), 20) <= 0) continue;
            if (fds[0].revents & POLLIN) accept();
            for (size_t f = 1; f < fds.size(); ++f)
                if (fds[f].revents & (POLLIN | POLLHUP)) pass(fds[f].fd, peer(fds[f].fd));
        }
    }
    void accept() {
        const int client = ::accept(listener_, nullptr, nullptr);
        const int server = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        serverSocket_.copy(address.sun_path, sizeof address.sun_path - 1);
        if (connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            ADD_FAILURE() << "the proxy cannot reach " << serverSocket_;
        links_.emplace_back(client, server);
    }
    int peer(int fd) const {
        for (const auto& [client, server] : links_)
            if (fd == client || fd == server) return fd == client ? server : client;
        return -1;
    }
    static void pass(int from, int to) {
        char buffer[65536];
        const ssize_t got = read(from, buffer, sizeof buffer);
        if (got <= 0) {
            shutdown(to, SHUT_WR);
            return;
        }
        for (ssize_t sent = 0; sent < got;) {
            const ssize_t put = write(to, buffer + sent, static_cast<size_t>(got - sent));
            if (put <= 0) return;
            sent += put;
        }
    }

    std::string serverSocket_;
    int listener_ = -1, port_ = 0;
    std::vector<std::pair<int, int>> links_;
    std::atomic<bool> done_{false}, stallRequested_{false}, resumeRequested_{false};
    std::thread thread_;
};

// The server stops answering in the middle of a report: the report fails with a message once
// nothing came for the connection's silence bound, and the next statement connects afresh.
TEST_F(ServerPlant, AServerThatStopsAnsweringIsGivenUp) {
    NAX_REQUIRE_SERVER();
    StallingProxy proxy(server->socketDir() + "/.s.PGSQL.5432");
    const std::string viaProxy =
        name.substr(name.find(" dbname=")) + " host=127.0.0.1 port=" + std::to_string(proxy.port());
    OpenOptions options;
    options.serverSilenceMs = 1000;
    auto opened = DbConnection::open(viaProxy, options);
    ASSERT_TRUE(opened) << opened.error().message;
    DbConnection& pg = **opened;
    int statements = 0;
    pg.setStatementObserver([&](std::string_view) {
        if (++statements == 2) proxy.stall(); // the report has counted its runs
    });
    ReportGrid runs, events;
    SilentProgress progress;
    auto report = std::async(std::launch::async,
                             [&] { return DailyDMSReport(pg, runs, events, 46361, 46362, progress); });
    // Without a bound the report waits for ever: let it finish so that the failure shows.
    if (report.wait_for(std::chrono::seconds(20)) != std::future_status::ready) proxy.resume();
    const auto done = report.get();
    ASSERT_FALSE(done) << "the report waited on a silent server";
    EXPECT_EQ(done.error().message,
              "The database server stopped answering (nothing came for 1 s); the statement was cancelled.");
    pg.setStatementObserver({});
    EXPECT_EQ(scalar(pg, "select Remarks from TimeLost where [Dt_ID] = 2"), "two");
}

TEST_F(ServerPlant, TwoPeopleSavingAtOnceLoseNothing) {
    auto second = open(10000);
    ASSERT_TRUE(second);
    constexpr int kRounds = 40;
    // Each saves its own event over and over, and both save event 3 in turn.
    const auto saver = [&](DbConnection& connection, const std::string& who, const std::string& own,
                           bool& ok) {
        ok = true;
        for (int round = 0; round < kRounds && ok; ++round) {
            ok = saveClassification(connection, boxes(who + std::to_string(round)), own).ok() &&
                 saveClassification(connection, boxes(who + std::to_string(round)), "3").ok();
        }
    };
    auto first = open(10000);
    bool firstOk = false, secondOk = false;
    std::thread a([&] { saver(*first, "ann", "1", firstOk); });
    std::thread b([&] { saver(*second, "bob", "2", secondOk); });
    a.join();
    b.join();
    EXPECT_TRUE(firstOk);
    EXPECT_TRUE(secondOk);
    const std::string last = std::to_string(kRounds - 1);
    EXPECT_EQ(scalar(*db, "select Remarks || '|' || Shift || '|' || Other2 from TimeLost where Dt_ID = 1"),
              "ann" + last + "|ann" + last + "|ann" + last);
    EXPECT_EQ(scalar(*db, "select Remarks from TimeLost where Dt_ID = 2"), "bob" + last);
    const std::string shared =
        scalar(*db, "select Remarks || '|' || Executive from TimeLost where Dt_ID = 3");
    EXPECT_TRUE(shared == "ann" + last + "|ann" + last || shared == "bob" + last + "|bob" + last) << shared;
}

TEST_F(ServerPlant, SimulatorWritesPlainTypesAndKeepsExistingTables) {
    SimulationOptions options;
    options.outPath = name;
    options.days = 1;
    options.endSerial = 46362.5;
    auto refused = simulatePlant(options);
    ASSERT_FALSE(refused);
    EXPECT_NE(refused.error().message.find("--replace"), std::string::npos);
    EXPECT_EQ(scalar(*db, "select count(*) from TimeLost"), "3");

    options.replace = true;
    ASSERT_TRUE(simulatePlant(options));
    EXPECT_EQ(
        scalar(*db, "select string_agg(column_name || ' ' || data_type, ', ' order by ordinal_position) "
                    "from information_schema.columns where table_name = 'run_master'"),
        "run_id integer, start_time double precision, end_time double precision, pack_id integer, "
        "flavor_id integer, cspeed double precision, uspeed double precision, casecount double precision");
    EXPECT_EQ(scalar(*db, "select data_type from information_schema.columns where table_name = 'timelost' "
                          "and column_name = 'remarks'"),
              "text");
    EXPECT_NE(scalar(*db, "select count(*) from opc"), "0");
}

} // namespace
