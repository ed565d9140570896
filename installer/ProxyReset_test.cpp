#include "installer/ProxyReset.h"

#include "controller/ProxyOptions.h"

#include <gtest/gtest.h>

using namespace controller;
using installer::ResetProxyIfPointingAt;

namespace {

class ProxyResetTest : public testing::Test {
protected:
    void TearDown() override { DisableConnectionProxy(connection_); }

    std::string connection_ = CurrentConnectionName();
};

} // namespace

TEST_F(ProxyResetTest, TheLocalProxyIsSwitchedOffAndTheUsersOwnStays) {
    ASSERT_TRUE(SetConnectionOptions(connection_, "127.0.0.1:8081"));
    EXPECT_TRUE(ResetProxyIfPointingAt("127.0.0.1:8081"));
    EXPECT_EQ(ActiveProxyServer(connection_), "");

    ASSERT_TRUE(SetConnectionOptions(connection_, "proxy.example:3128"));
    EXPECT_TRUE(ResetProxyIfPointingAt("127.0.0.1:8081"));
    EXPECT_EQ(ActiveProxyServer(connection_), "proxy.example:3128");
}
