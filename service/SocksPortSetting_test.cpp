#include "service/SocksPortSetting.h"

#include <gtest/gtest.h>

using service::socksPortSetting;

TEST(SocksPortSetting, ReadsTheFormsAClientConfigurationUses) {
    EXPECT_EQ(socksPortSetting("SocksPort 9150\n"), 9150);
    EXPECT_EQ(socksPortSetting("SocksPort 127.0.0.1:9151\r\n"), 9151);
    EXPECT_EQ(socksPortSetting("SocksPort [::1]:9152\n"), 9152);
    EXPECT_EQ(socksPortSetting("# SocksPort 1\nsocksport 9153 IsolateDestAddr # own\n"), 9153);
    EXPECT_EQ(socksPortSetting("DataDirectory C:\\data\r\nSocksPort 9154\nSocksPort 9155\n"), 9154);
    EXPECT_EQ(socksPortSetting("Log notice stdout\n#SocksPort 1234\n"), 9050);
    EXPECT_EQ(socksPortSetting(""), 9050);
    EXPECT_EQ(service::socksPortSettingOfFile("C:\\no\\such\\torrc"), 9050);
}

TEST(SocksPortSetting, NoPortWhenSocksIsOffOrUnknowable) {
    for (const char* text : {"SocksPort 0\n", "SocksPort 127.0.0.1:0\n", "SocksPort auto\n",
                             "SocksPort\n", "SocksPort 70000\n", "SocksPort nine\n"})
        EXPECT_EQ(socksPortSetting(text), std::nullopt) << text;
}
