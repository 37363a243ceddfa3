#include "PostgresServer.h"

#include "db/DbConnection.h"
#include "simulate/PlantSimulator.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <random>
#include <unistd.h>

namespace nax::test {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<PostgresServer> g_server;
std::string g_why;
bool g_tried = false;

// The one server stops when the tests end.
class StopServer : public ::testing::Environment {
public:
    void TearDown() override { PostgresServer::stopAll(); }
};
[[maybe_unused]] ::testing::Environment* const g_stopServer =
    ::testing::AddGlobalTestEnvironment(new StopServer);

// The bin folder of the newest installed server.
std::string serverBin() {
    std::string best;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
        const fs::path bin = entry.path() / "bin";
        if (fs::exists(bin / "initdb") && fs::exists(bin / "pg_ctl")) {
            const std::string candidate = bin.string();
            if (best.empty() || std::stoi(entry.path().filename().string()) >
                                    std::stoi(fs::path(best).parent_path().filename().string()))
                best = candidate;
        }
    }
    return best;
}

} // namespace

::testing::AssertionResult simulateSamePlant(const std::vector<std::string>& databases, int days,
                                             double endSerial, unsigned seed) {
    for (const std::string& database : databases) {
        SimulationOptions options;
        options.outPath = database;
        options.days = days;
        options.endSerial = endSerial;
        options.seed = seed;
        if (auto written = simulatePlant(options); !written)
            return ::testing::AssertionFailure() << written.error().message;
    }
    return ::testing::AssertionSuccess();
}

PostgresServer* PostgresServer::instance() {
    if (!g_tried) {
        g_tried = true;
        std::unique_ptr<PostgresServer> server(new PostgresServer);
        if (server->start(g_why)) {
            g_server = std::move(server);
        } else {
            server->keepFolder_ = true; // for its logs
            server.reset();
        }
    }
    return g_server.get();
}

bool PostgresServer::installed() {
    return !serverBin().empty();
}

const std::string& PostgresServer::why() {
    return g_why;
}

void PostgresServer::stopAll() {
    g_server.reset();
}

bool PostgresServer::start(std::string& problem) {
    bin_ = serverBin();
    if (bin_.empty()) {
        problem = "no initdb under /usr/lib/postgresql (install the postgresql package)";
        return false;
    }
    std::random_device random;
    dir_ = (fs::temp_directory_path() / ("nax-pg-" + std::to_string(random()))).string();
    fs::create_directories(dir_);
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody) {
            problem = "running as root and there is no user nobody to run the server";
            return false;
        }
        runAs_ = "runuser -u nobody -- ";
        if (chown(dir_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0) {
            problem = "cannot hand " + dir_ + " to nobody";
            return false;
        }
    }
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (!serverProgram("initdb",
                       "--no-locale -E UTF8 -A trust -U nax >" + shellQuoted(dir_ + "/initdb.log"))) {
        problem = "initdb failed, see " + dir_ + "/initdb.log";
        return false;
    }
    // Passwords are checked for one role, so that a wrong one can be tried.
    {
        std::ofstream hba(dir_ + "/data/pg_hba.conf", std::ios::trunc);
        hba << "local all guarded scram-sha-256\nlocal all all trust\n";
    }
    const std::string options = "-k " + dir_ + " -c listen_addresses= -c fsync=off -c full_page_writes=off";
    if (!serverProgram("pg_ctl", "-o " + shellQuoted(options) + " -l " + shellQuoted(dir_ + "/server.log") +
                                     " -w -t 60 start >/dev/null")) {
        problem = "the server did not start, see " + dir_ + "/server.log";
        return false;
    }
    running_ = true;
    auto admin = DbConnection::open(connection("postgres"));
    if (!admin) {
        problem = "cannot connect to the test server: " + admin.error().message;
        return false;
    }
    if (auto role = admin.value()->execute("CREATE ROLE guarded LOGIN PASSWORD 'Open Sesame'"); !role) {
        problem = role.error().message;
        return false;
    }
    return true;
}

bool PostgresServer::serverProgram(const std::string& program, const std::string& arguments) const {
    const std::string command = "cd " + shellQuoted(dir_) + " && " + runAs_ +
                                shellQuoted(bin_ + "/" + program) + " -D " + shellQuoted(dir_ + "/data") +
                                " " + arguments + " 2>&1";
    return std::system(command.c_str()) == 0;
}

PostgresServer::~PostgresServer() {
    if (running_) {
        if (!serverProgram("pg_ctl", "-m immediate -w stop >/dev/null"))
            std::fprintf(stderr, "pg_ctl stop failed for %s\n", dir_.c_str());
    }
    std::error_code ignored;
    if (!dir_.empty() && !keepFolder_) fs::remove_all(dir_, ignored);
}

std::string PostgresServer::newDatabase() {
    const std::string name = "plant" + std::to_string(++databases_);
    auto admin = DbConnection::open(connection("postgres"));
    if (!admin) {
        ADD_FAILURE() << admin.error().message;
        return connection(name);
    }
    if (auto made = admin.value()->execute("CREATE DATABASE " + name); !made)
        ADD_FAILURE() << made.error().message;
    return connection(name);
}

std::string PostgresServer::connection(const std::string& database, const std::string& user,
                                       const std::string& password) const {
    return "host=" + dir_ + " dbname=" + database + " user=" + user +
           (password.empty() ? "" : " password='" + password + "'");
}

} // namespace nax::test
