#include "PostgresServer.h"

#include "db/DbConnection.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <random>
#include <unistd.h>
#include <utility>
#include <vector>

namespace nax::test {
namespace {

namespace fs = std::filesystem;

// A text as one word for the shell.
std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

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

PostgresServer& PostgresServer::instance() {
    static PostgresServer server; // stops when the test program ends
    return server;
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
    if (running_ && !serverProgram("pg_ctl", "-m immediate -w stop >/dev/null"))
        std::fprintf(stderr, "pg_ctl stop failed for %s\n", dir_.c_str());
    std::error_code ignored;
    if (!dir_.empty() && failure_.empty()) fs::remove_all(dir_, ignored); // a failed start keeps its logs
}

std::string PostgresServer::newDatabase() {
    const std::string name = "plant" + std::to_string(++databases_);
    auto admin = DbConnection::open(connection("postgres"));
    if (admin)
        exec(**admin, "CREATE DATABASE " + name);
    else
        ADD_FAILURE() << admin.error().message;
    return connection(name);
}

std::string PostgresServer::connection(const std::string& database, const std::string& user,
                                       const std::string& password) const {
    return "host=" + dir_ + " dbname=" + database + " user=" + user +
           (password.empty() ? "" : " password='" + password + "'");
}

} // namespace nax::test
