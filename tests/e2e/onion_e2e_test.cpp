// The controller's workflows through the real tunnel client, in the
// namespace runner with its private onion network (--onion): the installed
// client runs with the release torrc, so at its own default log level, and
// every address the echo server names is the exit of a real circuit.
#include "testsupport/Process.h"
#include "testsupport/Wait.h"
#include "resources/controller/resource.h"
#include "tests/e2e/ControllerScenario.h"
#include "settings/SharedValues.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <vector>

using namespace scenario;
using testing_support::processIdsNamed;
using testing_support::waitUntil;

namespace {

// The exits' addresses, as the runner names them.
std::vector<std::string> exits() {
    const char* listed = std::getenv("VELQUIN_ONION_EXITS");
    std::istringstream words(listed ? listed : "");
    std::vector<std::string> addresses;
    for (std::string address; words >> address;)
        addresses.push_back(address);
    return addresses;
}

bool isExit(const std::string& address) {
    for (const std::string& exit : exits())
        if (address == exit)
            return true;
    return false;
}

// The one running client's process id, or 0.
DWORD clientProcess() {
    std::vector<DWORD> ids = processIdsNamed("Velquin-Server2.exe");
    return ids.size() == 1 ? ids.front() : 0;
}

class OnionEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_GE(exits().size(), 3u) << "the runner names no exits: not run with --onion?";
        setDword(settings::shared::timeOut, 45);
        setDword(settings::shared::retry, 2);
    }
    void TearDown() override { EXPECT_EQ(leftRunning(), ""); }
};

} // namespace

TEST_F(OnionEndToEnd, HidesRenewsThreeTimesAndRestoresThroughRealCircuits) {
    RunningController controller;
    ASSERT_TRUE(IsWindow(controller.driver().window()));
    EXPECT_EQ(controller.texts().realIp, "127.0.0.1");

    ASSERT_TRUE(controller.press(IDC_HIDE_IP));
    EXPECT_EQ(controller.texts().status, completed);
    EXPECT_TRUE(isExit(controller.texts().protectedBy)) << controller.texts().protectedBy;
    EXPECT_TRUE(proxied());
    DWORD client = clientProcess();
    ASSERT_NE(client, 0u);

    // With three exits an address may repeat; the circuit may not: each new
    // address comes from a client started afresh, which has none of the old
    // client's circuits.
    for (int press = 1; press <= 3; ++press) {
        SCOPED_TRACE(press);
        ASSERT_TRUE(controller.press(IDC_NEW_IP));
        EXPECT_EQ(controller.texts().status, completed);
        EXPECT_TRUE(isExit(controller.texts().protectedBy)) << controller.texts().protectedBy;
        DWORD renewed = clientProcess();
        EXPECT_NE(renewed, 0u);
        EXPECT_NE(renewed, client);
        client = renewed;
    }

    ASSERT_TRUE(controller.press(IDC_RESTORE));
    EXPECT_EQ(controller.texts().protectedBy, notProtected);
    EXPECT_EQ(controller.texts().status, completed);
    EXPECT_FALSE(proxied());
    controller.driver().pressLater(IDC_EXIT);
    EXPECT_EQ(controller.exitCodeWithin(60000), 0u);
}

TEST_F(OnionEndToEnd, TheRealClientKilledWhileHiddenIsToldAsTheTunnelDown) {
    RunningController controller;
    ASSERT_TRUE(controller.press(IDC_HIDE_IP));
    ASSERT_TRUE(isExit(controller.texts().protectedBy)) << controller.texts().protectedBy;

    ASSERT_TRUE(killTheOneNamed("Velquin-Server2.exe"));
    EXPECT_TRUE(waitUntil([&] { return controller.texts().status == tunnelDown; }, 3000))
        << controller.texts().status;
    EXPECT_TRUE(proxied());
    controller.driver().pressLater(IDC_EXIT);
    EXPECT_EQ(controller.exitCodeWithin(60000), 0u);
    EXPECT_FALSE(proxied());
}
