#include "keeper/KeeperApp.h"

#include <gtest/gtest.h>

TEST(KeeperApp, ClientCommandLineQuotesProgramAndConfiguration) {
    EXPECT_EQ(keeper::KeeperApp::clientCommandLine("C:\\Program Files\\Velquin"),
              "\"C:\\Program Files\\Velquin\\services\\Velquin-Server2\\Velquin-Server2.exe\" -f "
              "\"C:\\Program Files\\Velquin\\services\\Velquin-Server2\\torrc\"");
}
