// The visible-IP probe against the real tunnel side, in the namespace
// runner: the echo host answers on port 80 of loopback, and the installed
// service "Velquin" brings up the keeper, the stand-in client and the proxy.
#include "testbed/probe/ProbeSequence.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

bool isTunnelAddress(const std::string& text) {
    return std::regex_match(text, std::regex(R"(127\.0\.0\.([0-9]+))")) && text != "127.0.0.1";
}

} // namespace

TEST(ProbeThroughTheTunnel, AnswersFollowTheProxyOptionsAndTheService) {
    testbed::ProbeAnswers answers = testbed::runProbeSequence(60000);
    EXPECT_EQ(answers.direct, "127.0.0.1");
    ASSERT_TRUE(answers.tunnelReady);
    EXPECT_TRUE(isTunnelAddress(answers.hidden)) << answers.hidden;
    // The options still point at the proxy, but the tunnel is down.
    EXPECT_EQ(answers.tunnelDown, "Unable to detect");
    EXPECT_EQ(answers.restored, "127.0.0.1");
}
