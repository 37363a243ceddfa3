#include "PostgresServer.h"

#include "db/DbConnection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <random>
#include <unistd.h>
#include <utility>

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

// The bin folder of the newest installed server, "" when there is none.
std::string serverBin() {
    std::vector<std::pair<int, std::string>> bins{{0, ""}};
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec))
        if (fs::exists(entry.path() / "bin/initdb") && fs::exists(entry.path() / "bin/pg_ctl"))
            bins.emplace_back(std::stoi(entry.path().filename().string()), (entry.path() / "bin").string());
    return std::max_element(bins.begin(), bins.end())->second;
}

} // namespace

PostgresServer* PostgresServer::instance() {
    if (!std::exchange(g_tried, true)) {
        std::unique_ptr<PostgresServer> server(new PostgresServer);
        g_why = server->start();
        if (g_why.empty())
            g_server = std::move(server);
        else
            server->keepFolder_ = true; // for its logs
    }
    return g_server.get();
}

const std::string& PostgresServer::why() {
    return g_why;
}

void PostgresServer::stopAll() {
    g_server.reset();
}

std::string PostgresServer::start() {
    bin_ = serverBin();
    if (bin_.empty()) return "no initdb under /usr/lib/postgresql (install the postgresql package)";
    dir_ = (fs::temp_directory_path() / ("nax-pg-" + std::to_string(std::random_device{}()))).string();
    fs::create_directories(dir_);
    if (geteuid() == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (!nobody || chown(dir_.c_str(), nobody->pw_uid, nobody->pw_gid) != 0)
            return "running as root and cannot hand " + dir_ + " to the user nobody";
        runAs_ = "runuser -u nobody -- ";
    }
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    if (!serverProgram("initdb", "--no-locale -E UTF8 -A trust -U nax >" + shellQuoted(dir_ + "/initdb.log")))
        return "initdb failed, see " + dir_ + "/initdb.log";
    // Passwords are checked for one role, so that a wrong one can be tried.
    std::ofstream(dir_ + "/data/pg_hba.conf", std::ios::trunc)
        << "local all guarded scram-sha-256\nlocal all all trust\n";
    const std::string options = "-k " + dir_ + " -c listen_addresses= -c fsync=off -c full_page_writes=off";
    running_ = serverProgram("pg_ctl", "-o " + shellQuoted(options) + " -l " +
                                           shellQuoted(dir_ + "/server.log") + " -w -t 60 start >/dev/null");
    if (!running_) return "the server did not start, see " + dir_ + "/server.log";
    auto admin = DbConnection::open(connection("postgres"));
    if (!admin) return "cannot connect to the test server: " + admin.error().message;
    auto role = admin.value()->execute("CREATE ROLE guarded LOGIN PASSWORD 'Open Sesame'");
    return role ? std::string() : role.error().message;
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
