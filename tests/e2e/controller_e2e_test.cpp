// The controller as a user runs it, in the namespace runner: the installed
// Velquin.exe, the service "Velquin" with the keeper, the stand-in tunnel
// client and the local proxy, and the IP-echo server on loopback. The
// buttons are pressed from outside, as a user would.
#include "proxyoptions/ProxyOptions.h"
#include "proxyoptions/SavedProxyOptions.h"
#include "controller/VisibleIp.h"
#include "framework/Socket.h"
#include "testsupport/Process.h"
#include "testsupport/Wait.h"
#include "resources/controller/resource.h"
#include "tests/e2e/ControllerScenario.h"
#include "settings/SharedValues.h"

#include <gtest/gtest.h>

using namespace scenario;
using testing_support::waitUntil;

namespace {

class ControllerEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        setDword(settings::shared::timeOut, 45);
        setDword(settings::shared::retry, 2);
        writeTorrc(2000);
    }
    // Nothing of one scenario may be left for the next.
    void TearDown() override { EXPECT_EQ(leftRunning(), ""); }
    // The troubleshooting dialog that ends a Hide without a tunnel, once it
    // shows; null when it did not show within `timeoutMs`.
    static HWND troubleshootingDialog(unsigned timeoutMs) {
        HWND troubleshoot = nullptr;
        waitUntil(
            [&] {
                troubleshoot = FindWindowA(nullptr, "Troubleshooting Velquin");
                return troubleshoot != nullptr && IsWindowVisible(troubleshoot);
            },
            timeoutMs);
        return IsWindowVisible(troubleshoot) ? troubleshoot : nullptr;
    }
};

} // namespace

TEST_F(ControllerEndToEnd, HidesRenewsRestoresHidesAgainAndExitsClean) {
    RunningController controller;
    ASSERT_TRUE(IsWindow(controller.driver().window()));
    EXPECT_EQ(controller.texts().realIp, "127.0.0.1");
    EXPECT_EQ(controller.texts().protectedBy, notProtected);

    ASSERT_TRUE(controller.press(IDC_HIDE_IP));
    const std::string hidden = controller.texts().protectedBy;
    EXPECT_TRUE(isTunnelAddress(hidden)) << hidden;
    EXPECT_EQ(controller.texts().status, completed);
    EXPECT_TRUE(proxied());

    ASSERT_TRUE(controller.press(IDC_NEW_IP));
    const std::string renewed = controller.texts().protectedBy;
    EXPECT_TRUE(isTunnelAddress(renewed)) << renewed;
    EXPECT_NE(renewed, hidden);

    ASSERT_TRUE(controller.press(IDC_RESTORE));
    EXPECT_EQ(controller.texts().protectedBy, notProtected);
    EXPECT_EQ(controller.texts().realIp, "127.0.0.1");
    EXPECT_EQ(controller.texts().status, completed);
    EXPECT_FALSE(proxied());

    // Right after a restore the old tunnel may still be going down: the new
    // one must be a working tunnel, not the remains of the old.
    ASSERT_TRUE(controller.press(IDC_HIDE_IP));
    const std::string again = controller.texts().protectedBy;
    EXPECT_TRUE(isTunnelAddress(again)) << again;
    EXPECT_NE(again, renewed);

    controller.driver().pressLater(IDC_EXIT);
    EXPECT_EQ(controller.exitCodeWithin(30000), 0u);
    EXPECT_FALSE(proxied());
}

TEST_F(ControllerEndToEnd, TheUsersOwnProxyIsLeftAtOpeningAndComesBackAfterRestoreAndExit) {
    const std::string connection = proxyoptions::CurrentConnectionName();
    const std::string ownProxy = "10.1.2.3:3128";
    // Whatever happens, the next scenario starts direct and without a copy.
    struct DirectAfterwards {
        const std::string& connection;
        ~DirectAfterwards() {
            proxyoptions::DisableConnectionProxy(connection);
            RegDeleteTreeA(HKEY_CURRENT_USER, proxyoptions::SavedProxyOptions::key);
        }
    } directAfterwards{connection};
    ASSERT_TRUE(proxyoptions::SetConnectionOptions(connection, ownProxy));

    RunningController controller;
    ASSERT_TRUE(IsWindow(controller.driver().window()));
    EXPECT_EQ(proxyoptions::ActiveProxyServer(connection), ownProxy);
    // The opening's probe went the user's way, to a proxy unreachable here.
    EXPECT_EQ(controller.texts().realIp, controller::unableToDetect);

    ASSERT_TRUE(controller.press(IDC_HIDE_IP));
    EXPECT_TRUE(isTunnelAddress(controller.texts().protectedBy)) << controller.texts().protectedBy;
    EXPECT_EQ(controller.texts().status, completed);
    ASSERT_TRUE(controller.press(IDC_RESTORE));
    EXPECT_EQ(proxyoptions::ActiveProxyServer(connection), ownProxy);

    ASSERT_TRUE(controller.press(IDC_HIDE_IP));
    EXPECT_TRUE(proxied());
    controller.driver().pressLater(IDC_EXIT);
    EXPECT_EQ(controller.exitCodeWithin(30000), 0u);
    EXPECT_EQ(proxyoptions::ActiveProxyServer(connection), ownProxy);
}

TEST_F(ControllerEndToEnd, ASecondStartRaisesTheHiddenFirstAndLeavesItsTunnel) {
    RunningController first;
    ASSERT_TRUE(first.press(IDC_HIDE_IP));
    ASSERT_TRUE(isTunnelAddress(first.texts().protectedBy));
    ShowWindow(first.driver().window(), SW_HIDE);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(first.driver().window()); }, 10000));

    framework::KernelHandle second = testing_support::startProcess(controllerCommand);
    ASSERT_TRUE(second);
    ASSERT_EQ(WaitForSingleObject(second.get(), 60000), WAIT_OBJECT_0);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(second.get(), &code);
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(
        waitUntil([&] { return IsWindowVisible(first.driver().window()) != FALSE; }, 10000));
    EXPECT_TRUE(proxied());
    EXPECT_EQ(serviceState(), static_cast<DWORD>(SERVICE_RUNNING));

    first.driver().pressLater(IDC_EXIT);
    EXPECT_EQ(first.exitCodeWithin(30000), 0u);
}

TEST_F(ControllerEndToEnd, ATunnelThatNeverComesEndsInTroubleshootingAndLeavesNothing) {
    writeTorrc(600000);
    setDword(settings::shared::timeOut, 2);
    setDword(settings::shared::retry, 1);

    RunningController controller;
    controller.driver().pressLater(IDC_HIDE_IP);
    HWND troubleshoot = troubleshootingDialog(30000);
    ASSERT_NE(troubleshoot, nullptr);
    EXPECT_EQ(controller.texts().status, "Connection Error!!!");
    PostMessageA(troubleshoot, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(controller.exitCodeWithin(30000), 0u);
    EXPECT_FALSE(proxied());
}

TEST_F(ControllerEndToEnd, WhileTheTunnelIsAwaitedTheWindowAnswersAndStartsNoSecondWorkflow) {
    writeTorrc(600000);
    setDword(settings::shared::timeOut, 6);
    setDword(settings::shared::retry, 0);

    RunningController controller;
    HWND window = controller.driver().window();
    controller.driver().pressLater(IDC_HIDE_IP);
    const std::string starting = "Start Services - This can take up to 30 seconds";
    ASSERT_TRUE(waitUntil([&] { return controller.texts().status == starting; }, 30000));
    // Twenty sends spread over two seconds of the wait, with a second Hide
    // and Esc pressed in between. Each may take up to a second: the status
    // shows before the window has painted it and gone into the wait, which
    // took over 100 ms on a loaded machine, while a window stuck in the wait
    // would not answer for six.
    for (int i = 0; i < 20; ++i) {
        if (i == 5) {
            controller.driver().pressLater(IDC_HIDE_IP);
            PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        }
        DWORD_PTR result = 0;
        ASSERT_NE(SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result), 0u)
            << "send " << i;
        Sleep(100);
    }
    EXPECT_EQ(controller.texts().status, starting);
    EXPECT_TRUE(IsWindowVisible(window));

    // One attempt, one troubleshooting dialog: a second Hide run inside the
    // first would show another one and keep the controller from ending.
    HWND troubleshoot = troubleshootingDialog(30000);
    ASSERT_NE(troubleshoot, nullptr);
    PostMessageA(troubleshoot, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(controller.exitCodeWithin(30000), 0u);
}

TEST_F(ControllerEndToEnd, AProxyPortTakenByAnotherProgramEndsInConnectionError) {
    setDword(settings::shared::timeOut, 2);
    setDword(settings::shared::retry, 1);
    framework::WinsockSession winsock;
    framework::Socket other(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in where = {};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    where.sin_port = htons(8081);
    ASSERT_EQ(bind(other.get(), reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
    ASSERT_EQ(listen(other.get(), SOMAXCONN), 0);

    RunningController controller;
    controller.driver().pressLater(IDC_HIDE_IP);
    HWND troubleshoot = troubleshootingDialog(60000);
    ASSERT_NE(troubleshoot, nullptr);
    EXPECT_EQ(controller.texts().status, "Connection Error!!!");
    EXPECT_FALSE(proxied());
    EXPECT_EQ(testing_support::countProcessesNamed("Velquin-Keeper.exe"), 0);
    PostMessageA(troubleshoot, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(controller.exitCodeWithin(30000), 0u);
}

TEST_F(ControllerEndToEnd, TheEndOfTheSessionLeavesTheBrowserDirectAndTheServiceStopped) {
    RunningController controller;
    HWND window = controller.driver().window();
    ASSERT_TRUE(controller.press(IDC_HIDE_IP));
    ASSERT_TRUE(proxied());
    controller.driver().pressLater(IDC_MINIMIZE);
    ASSERT_TRUE(waitUntil([&] { return !IsWindowVisible(window); }, 10000));

    // As the system does at logoff: ask, then tell.
    DWORD_PTR allowed = 0;
    ASSERT_NE(SendMessageTimeoutA(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                  10000, &allowed),
              0u);
    EXPECT_EQ(allowed, static_cast<DWORD_PTR>(TRUE));
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 30000,
                        &ignored);
    EXPECT_FALSE(proxied());
    EXPECT_EQ(controller.exitCodeWithin(30000), 0u);
}

TEST_F(ControllerEndToEnd, MinimizeShowInterfaceAndTheCleanerLeaveTheWindowWorking) {
    RunningController controller;
    HWND window = controller.driver().window();
    ASSERT_TRUE(IsWindow(window));
    controller.driver().pressLater(IDC_MINIMIZE);
    EXPECT_TRUE(waitUntil([&] { return !IsWindowVisible(window); }, 10000));
    PostMessageA(window, WM_COMMAND, ID_SHOW_INTERFACE, 0);
    EXPECT_TRUE(waitUntil([&] { return IsWindowVisible(window) != FALSE; }, 10000));

    controller.driver().pressLater(IDC_PRIVACY);
    HWND cleaner = nullptr;
    EXPECT_TRUE(waitUntil(
        [&] {
            cleaner = FindWindowA(nullptr, "Protect Internet Explorer and Windows Desktop Privacy");
            return cleaner != nullptr && IsWindowVisible(cleaner);
        },
        10000));
    PostMessageA(cleaner, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(cleaner); }, 10000));

    EXPECT_TRUE(controller.press(IDC_HIDE_IP));
    EXPECT_TRUE(isTunnelAddress(controller.texts().protectedBy));
    controller.driver().pressLater(IDC_EXIT);
    EXPECT_EQ(controller.exitCodeWithin(30000), 0u);
}
