// The server tests share one PostgreSQL server, stopped when they end.
#include "PostgresServer.h"

#include <gtest/gtest.h>

namespace {
class ServerEnvironment : public ::testing::Environment {
public:
    void TearDown() override { nax::test::PostgresServer::stopAll(); }
};
} // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);
    return RUN_ALL_TESTS();
}
