#pragma once
// One PostgreSQL server for the test program, in a scratch folder on a Unix socket only, run as
// "nobody" under root (the server refuses root); each test gets a database of its own.
#include <gtest/gtest.h>

#include <string>

namespace nax::test {

class PostgresServer {
public:
    // The server, started on first use; failure() says why when it did not start.
    static PostgresServer& instance();
    ~PostgresServer();
    const std::string& failure() const { return failure_; }
    // Connection text of a fresh, empty database (as the superuser "nax").
    std::string newDatabase();
    // Connection text of a database for `user`, with the password given or none.
    std::string connection(const std::string& database, const std::string& user = "nax",
                           const std::string& password = "") const;
    const std::string& socketDir() const { return dir_; }

private:
    PostgresServer() : failure_(start()) {}
    // Starts the server: what went wrong, "" when nothing did.
    std::string start();
    // Runs initdb or pg_ctl on the server's data folder as the server's user.
    bool serverProgram(const std::string& program, const std::string& arguments) const;
    std::string bin_, dir_, runAs_;
    bool running_ = false;
    std::string failure_;
    int databases_ = 0;
};

} // namespace nax::test

// Fails the test when the server cannot start (`make test` installs the postgresql package).
#define NAX_REQUIRE_SERVER()                                                                                 \
    auto* server = &::nax::test::PostgresServer::instance();                                                 \
    if (!server->failure().empty()) FAIL() << "the PostgreSQL server for the tests: " << server->failure()
