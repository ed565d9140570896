#include "testbed/tunnel/ExitAddress.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>

using testbed::ExitAddress;

namespace {

std::string counterFile(const char* content) {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string path = std::string(folder) + "exit-counter-test";
    DeleteFileA(path.c_str());
    if (content)
        std::ofstream(path) << content;
    return path;
}

} // namespace

TEST(ExitAddress, EveryStartTakesTheNextHostAndWrapsPastOne) {
    std::string path = counterFile(nullptr);
    EXPECT_EQ(ExitAddress::next(path), 2u);
    EXPECT_EQ(ExitAddress::next(path), 3u);
    path = counterFile("253");
    EXPECT_EQ(ExitAddress::next(path), 254u);
    EXPECT_EQ(ExitAddress::next(path), 2u);
    path = counterFile("garbage");
    EXPECT_EQ(ExitAddress::next(path), 2u);
    DeleteFileA(path.c_str());
}

TEST(ExitAddress, CounterLivesBesideTheConfiguration) {
    EXPECT_EQ(ExitAddress::counterPathFor("C:\\Program Files\\V\\torrc"),
              "C:\\Program Files\\V\\exit-counter");
    EXPECT_EQ(ExitAddress::counterPathFor("torrc"), "exit-counter");
    EXPECT_EQ(ExitAddress::text(7), "127.0.0.7");
}
