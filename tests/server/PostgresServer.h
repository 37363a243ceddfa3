#pragma once
// A PostgreSQL server of the tests' own: initdb in a scratch folder, listening only on a Unix
// socket there, run by an unprivileged user when the tests run as root (the server refuses
// root). One server serves the whole test program and stops when it ends; each test gets a
// database of its own.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace nax::test {

// A text as one word for the shell.
inline std::string shellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class PostgresServer {
public:
    // The running server, started on first use; nullptr when it cannot start (why() says why).
    static PostgresServer* instance();
    static const std::string& why();
    static void stopAll();

    ~PostgresServer();
    // Connection text of a fresh, empty database (as the superuser "nax").
    std::string newDatabase();
    // Connection text of a database for `user`, with the password given or none.
    std::string connection(const std::string& database, const std::string& user = "nax",
                           const std::string& password = "") const;
    const std::string& socketDir() const { return dir_; }

private:
    PostgresServer() = default;
    // Starts the server: what went wrong, "" when nothing did.
    std::string start();
    // Runs initdb or pg_ctl on the server's data folder as the server's user.
    bool serverProgram(const std::string& program, const std::string& arguments) const;
    std::string bin_, dir_, runAs_;
    int databases_ = 0;
    bool running_ = false;
    bool keepFolder_ = false;
};

} // namespace nax::test

// Fails the test when the server cannot start (`make test` installs the postgresql package).
#define NAX_REQUIRE_SERVER()                                                                                 \
    auto* server = ::nax::test::PostgresServer::instance();                                                  \
    if (!server) FAIL() << "the PostgreSQL server for the tests: " << ::nax::test::PostgresServer::why()
