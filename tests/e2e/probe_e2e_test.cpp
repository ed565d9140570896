// The visible-IP probe against the real tunnel side, in the namespace
// runner: the echo host answers on port 80 of loopback, and the installed
// service "Velquin" brings up the keeper, the stand-in client and the proxy.
#include "controller/ProxyOptions.h"
#include "controller/ServiceControl.h"
#include "controller/VisibleIp.h"
#include "framework/testing/Wait.h"
#include "settings/RegDwordValue.h"

#include <gtest/gtest.h>

#include <regex>

using namespace controller;
using testing_support::waitUntil;

namespace {

DWORD ready() {
    return settings::RegDwordValue("Software\\Velquin\\Ready").get();
}

bool isTunnelAddress(const std::string& text) {
    return std::regex_match(text, std::regex(R"(127\.0\.0\.([0-9]+))")) && text != "127.0.0.1";
}

} // namespace

TEST(ProbeThroughTheTunnel, AnswersFollowTheProxyOptionsAndTheService) {
    std::string connection = CurrentConnectionName();
    ASSERT_TRUE(DisableConnectionProxy(connection));
    EXPECT_EQ(GetVisibleIp(), "127.0.0.1") << "direct";

    ServiceControl service;
    service.SetServiceName("Velquin");
    ASSERT_TRUE(service.Start());
    ASSERT_TRUE(waitUntil([] { return ready() == 1; }, 60000));
    ASSERT_TRUE(SetConnectionOptions(connection, "127.0.0.1:8081"));
    std::string hidden = GetVisibleIp();
    EXPECT_TRUE(isTunnelAddress(hidden)) << hidden;

    // The options still point at the proxy, but the tunnel is down.
    ASSERT_TRUE(service.Stop());
    EXPECT_EQ(GetVisibleIp(), "Unable to detect");

    ASSERT_TRUE(DisableConnectionProxy(connection));
    EXPECT_EQ(GetVisibleIp(), "127.0.0.1") << "direct again";
}
