#include "tunnelclient/ClientProcess.h"

#include "framework/Handle.h"
#include "testsupport/ChildMode.h"
#include "testsupport/Process.h"
#include "testsupport/TestChild.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Starts a copy of this test program under `path` in its sleeping mode.
framework::KernelHandle startCopy(const std::string& path) {
    CreateDirectoryA(path.substr(0, path.rfind('\\')).c_str(), nullptr);
    if (!CopyFileA(testing_support::selfPath().c_str(), path.c_str(), FALSE))
        return {};
    std::string command = keeper_test::sleeperCommand();
    command.replace(1, testing_support::selfPath().size(), path);
    return testing_support::startProcess(command);
}

std::string tempFolder(const char* name) {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + name;
}

} // namespace

TEST(ClientProcess, ExactlyOneOfTwoCaseVariantsIsTerminated) {
    framework::KernelHandle lower = startCopy(tempFolder("kill-a\\vqclient.exe"));
    framework::KernelHandle upper = startCopy(tempFolder("kill-b\\VQCLIENT.EXE"));
    ASSERT_TRUE(lower && upper);

    tunnelclient::terminateFirstProcessNamed("VqClient.exe");

    HANDLE both[] = {lower.get(), upper.get()};
    DWORD first = WaitForMultipleObjects(2, both, FALSE, 10000);
    ASSERT_LT(first, WAIT_OBJECT_0 + 2u) << "neither copy was terminated";
    HANDLE other = both[1 - (first - WAIT_OBJECT_0)];
    EXPECT_EQ(WaitForSingleObject(other, 500), WAIT_TIMEOUT) << "both copies were terminated";
    DWORD code = 1;
    GetExitCodeProcess(both[first - WAIT_OBJECT_0], &code);
    EXPECT_EQ(code, 0u);
    TerminateProcess(other, 0);
}
