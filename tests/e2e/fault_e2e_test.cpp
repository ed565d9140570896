// Faults of the running system, in the namespace runner: a tunnel process
// killed while the address is hidden or while "Hide IP Now" waits for the
// tunnel, and the controller itself killed while hidden. Whatever dies, the
// user's next step must work, and once the controller's window has ended
// the connection must be direct and nothing of Velquin left running.
#include "controller/VisibleIp.h"
#include "framework/InternetError.h"
#include "testsupport/Process.h"
#include "testsupport/Wait.h"
#include "resources/controller/resource.h"
#include "tests/e2e/ControllerScenario.h"
#include "settings/SharedValues.h"

#include <gtest/gtest.h>

using namespace scenario;
using testing_support::waitUntil;

namespace {

const char* const victims[] = {"Velquin-Server2.exe", "Velquin-Keeper.exe", "Velquin-Service.exe"};

class Faults : public testing::Test {
protected:
    void SetUp() override {
        setDword(settings::shared::timeOut, 10);
        setDword(settings::shared::retry, 2);
        writeTorrc(2000);
    }

    // Exits the controller with its own button and checks what is left.
    void exitAndCheck(RunningController& controller) {
        controller.driver().pressLater(IDC_EXIT);
        EXPECT_EQ(controller.exitCodeWithin(60000), 0u);
        EXPECT_FALSE(proxied());
        EXPECT_EQ(leftRunning(), "");
    }
};

} // namespace

TEST_F(Faults, ATunnelProcessKilledWhileHiddenIsMendedByTheNextNewIp) {
    for (const char* victim : victims) {
        SCOPED_TRACE(victim);
        RunningController controller;
        ASSERT_TRUE(controller.press(IDC_HIDE_IP));
        const std::string hidden = controller.texts().protectedBy;
        ASSERT_TRUE(isTunnelAddress(hidden)) << hidden;

        ASSERT_TRUE(killTheOneNamed(victim));
        ASSERT_TRUE(controller.press(IDC_NEW_IP));
        const std::string renewed = controller.texts().protectedBy;
        EXPECT_TRUE(isTunnelAddress(renewed)) << renewed;
        EXPECT_NE(renewed, hidden);
        EXPECT_EQ(controller.texts().status, completed);
        exitAndCheck(controller);
    }
}

TEST_F(Faults, ATunnelProcessKilledWhileHideWaitsIsMendedByARetry) {
    for (const char* victim : victims) {
        SCOPED_TRACE(victim);
        // Long enough to kill the victim before the circuit opens.
        writeTorrc(4000);
        RunningController controller;
        controller.driver().pressLater(IDC_HIDE_IP);
        ASSERT_TRUE(killTheOneNamed(victim));
        writeTorrc(2000);
        ASSERT_TRUE(waitUntil([&] { return controller.texts().status == completed; }, 120000))
            << controller.texts().status;
        const std::string hidden = controller.texts().protectedBy;
        EXPECT_TRUE(isTunnelAddress(hidden)) << hidden;
        exitAndCheck(controller);
    }
}

TEST_F(Faults, ATunnelClientKilledWhileHiddenIsToldAndTheBrowserStaysBlocked) {
    RunningController controller;
    ASSERT_TRUE(controller.press(IDC_HIDE_IP));
    ASSERT_TRUE(isTunnelAddress(controller.texts().protectedBy));

    ASSERT_TRUE(killTheOneNamed("Velquin-Server2.exe"));
    EXPECT_TRUE(waitUntil([&] { return controller.texts().status == tunnelDown; }, 3000))
        << controller.texts().status;
    // The options still point at the local proxy, which has no tunnel to
    // send through: a request fails rather than leave with the real address.
    EXPECT_TRUE(proxied());
    std::string answer;
    try {
        answer = controller::GetVisibleIp();
    } catch (const framework::InternetError& error) {
        answer = std::string("error: ") + error.what();
    }
    EXPECT_TRUE(answer.empty() || answer == controller::unableToDetect ||
                answer.rfind("error: ", 0) == 0)
        << answer;
    exitAndCheck(controller);
}

TEST_F(Faults, AfterTheControllerWasKilledWhileHiddenTheNextStartGoesDirectFirst) {
    {
        RunningController killed;
        ASSERT_TRUE(killed.press(IDC_HIDE_IP));
        ASSERT_TRUE(isTunnelAddress(killed.texts().protectedBy));
        TerminateProcess(killed.process(), 1);
        ASSERT_EQ(WaitForSingleObject(killed.process(), 10000), WAIT_OBJECT_0);
    }
    ASSERT_TRUE(proxied());

    RunningController next;
    ASSERT_TRUE(IsWindow(next.driver().window()));
    // The real address shows only if the options were direct before the
    // opening's probe.
    EXPECT_EQ(next.texts().realIp, "127.0.0.1");
    EXPECT_FALSE(proxied());
    ASSERT_TRUE(next.press(IDC_HIDE_IP));
    EXPECT_TRUE(isTunnelAddress(next.texts().protectedBy)) << next.texts().protectedBy;
    exitAndCheck(next);
}
