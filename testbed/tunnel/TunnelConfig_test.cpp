#include "testbed/tunnel/TunnelConfig.h"

#include <gtest/gtest.h>

using testbed::TunnelConfig;

TEST(TunnelConfig, ReadsItsOptionsAndIgnoresEverythingElse) {
    TunnelConfig config = TunnelConfig::parse("# stand-in\r\n"
                                              "SocksPort 9150\r\n"
                                              "DataDirectory C:\\data\r\n"
                                              "StandInCircuitDelay 250 # ms\r\n"
                                              "SocksPort banana\r\n"
                                              "StandInChatter 100000\r\n");
    EXPECT_EQ(config.socksPort, 9150u);
    EXPECT_EQ(config.circuitDelayMs, 250u);
    EXPECT_EQ(config.chatterLines, 100000u);
}

TEST(TunnelConfig, DefaultsWhenAbsentOrOutOfRange) {
    TunnelConfig config = TunnelConfig::parse("SocksPort 70000\n");
    EXPECT_EQ(config.socksPort, 9050u);
    EXPECT_EQ(config.circuitDelayMs, 3000u);
    EXPECT_EQ(config.chatterLines, 0u);
    EXPECT_EQ(TunnelConfig::load("C:\\no\\such\\torrc").socksPort, 9050u);
}
