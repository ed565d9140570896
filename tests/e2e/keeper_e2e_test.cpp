// The keeper program from start to exit, with the stand-in tunnel client
// installed under a folder whose name has a blank in it.
#include "framework/Handle.h"
#include "testsupport/Process.h"
#include "testsupport/Wait.h"
#include "testsupport/WindowText.h"
#include "settings/RegDwordValue.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

using testing_support::hostToWine;
using testing_support::startProcess;
using testing_support::waitUntil;

namespace {

DWORD ready() {
    return settings::RegDwordValue(settings::shared::ready).get();
}

DWORD progress() {
    return settings::RegDwordValue(settings::shared::progress).get();
}

// An installation folder "...\Velquin Keeper Test" with the stand-in client
// and its torrc in services\Velquin-Server2.
std::string install() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp) + "Velquin Keeper Test";
    std::string client = root + "\\services\\Velquin-Server2\\";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA((root + "\\services").c_str(), nullptr);
    CreateDirectoryA(client.c_str(), nullptr);
    EXPECT_TRUE(
        CopyFileA(hostToWine(CLIENT_EXE).c_str(), (client + "Velquin-Server2.exe").c_str(), FALSE));
    std::ofstream(client + "torrc") << "SocksPort 19350\r\nStandInCircuitDelay 1500\r\n";
    return root;
}

} // namespace

TEST(KeeperProgram, RunsTheClientRaisesReadyAndCleansUpAtExit) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key);
    std::string root = install();
    settings::RegStringValue(settings::shared::appPath).set(root);
    settings::RegDwordValue(settings::shared::ready).set(1);
    settings::RegDwordValue(settings::shared::progress).set(77);

    std::string command = "\"" + hostToWine(KEEPER_EXE) + "\"";
    framework::KernelHandle keeper = startProcess(command);
    ASSERT_TRUE(keeper);

    // Ready and Progress are cleared and the command written at start, well
    // before the client's circuit line (cmd after the clear, so wait for both).
    ASSERT_TRUE(waitUntil([] {
        return ready() == 0 && progress() != 77 &&
               !settings::RegStringValue(settings::shared::cmd).get().empty();
    }));
    std::string folder = root + "\\services\\Velquin-Server2\\";
    EXPECT_EQ(settings::RegStringValue(settings::shared::cmd).get(),
              "\"" + folder + "Velquin-Server2.exe\" -f \"" + folder + "torrc\"");

    HWND window = nullptr;
    ASSERT_TRUE(
        waitUntil([&] { return (window = FindWindowA(nullptr, "Velquin-Keeper")) != nullptr; }));
    ASSERT_TRUE(waitUntil([] { return ready() == 1; }, 20000));
    // The circuit line raises Ready; the client's last line after it,
    // "Bootstrapped 100%", brings Progress to 100.
    EXPECT_TRUE(waitUntil([] { return progress() == 100u; })) << progress();
    EXPECT_EQ(testing_support::countProcessesNamed("Velquin-Server2.exe"), 1);

    std::vector<std::string> lines;
    EXPECT_TRUE(waitUntil([&] {
        lines = testing_support::listBoxLines(GetDlgItem(window, 1001));
        return !lines.empty() && lines.back().find("Bootstrapped 100%") != std::string::npos;
    }));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[0].find("starting"), std::string::npos) << lines[0];
    EXPECT_NE(lines[lines.size() - 2].find("successfully opened a circuit"), std::string::npos)
        << lines[lines.size() - 2];

    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(keeper.get(), 20000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(keeper.get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_TRUE(
        waitUntil([] { return testing_support::countProcessesNamed("Velquin-Server2.exe") == 0; }));
    EXPECT_EQ(ready(), 0u);
    EXPECT_EQ(progress(), 0u);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, settings::shared::key);
}
