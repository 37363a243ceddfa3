// The server tests share one PostgreSQL server, stopped when they end; windows among them run on
// an offscreen display.
#include "PostgresServer.h"

#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

namespace {
class ServerEnvironment : public ::testing::Environment {
public:
    void TearDown() override { nax::test::PostgresServer::stopAll(); }
};
} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ServerEnvironment);
    return RUN_ALL_TESTS();
}
