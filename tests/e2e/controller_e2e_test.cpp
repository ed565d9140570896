// The controller as a user runs it, in the namespace runner: the installed
// Velquin.exe, the service "Velquin" with the keeper, the stand-in tunnel
// client and the local proxy, and the IP-echo server on loopback. The
// buttons are pressed from outside, as a user would.
#include "controller/ProxyOptions.h"
#include "controller/testing/StoredProxyOptions.h"
#include "framework/testing/Process.h"
#include "framework/testing/Wait.h"
#include "framework/testing/WindowText.h"
#include "resources/controller/resource.h"
#include "settings/RegDwordValue.h"
#include "testbed/driver/ControllerDriver.h"

#include <gtest/gtest.h>

#include <wininet.h>

#include <fstream>
#include <regex>

using testing_support::waitUntil;

namespace {

const char* const controllerCommand = "\"C:\\Program Files\\Velquin\\Velquin.exe\"";
const char* const torrcPath = "C:\\Program Files\\Velquin\\services\\Velquin-Server2\\torrc";
const char* const notProtected = "N/A - Your Real Real IP is visible";
const char* const completed = "Action Completed Successfully";
const unsigned workflowTimeout = 180000;

bool isTunnelAddress(const std::string& text) {
    return std::regex_match(text, std::regex(R"(127\.0\.0\.([0-9]+))")) && text != "127.0.0.1";
}

bool proxied() {
    controller_testing::StoredProxyOptions options =
        controller_testing::storedProxyOptions(controller::CurrentConnectionName());
    return (options.flags & PROXY_TYPE_PROXY) != 0 && options.server == "127.0.0.1:8081";
}

DWORD serviceState() {
    framework::ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    framework::ServiceHandle service(OpenServiceA(manager.get(), "Velquin", SERVICE_QUERY_STATUS));
    SERVICE_STATUS status = {};
    QueryServiceStatus(service.get(), &status);
    return status.dwCurrentState;
}

void setDword(const char* path, DWORD value) {
    settings::RegDwordValue(path).set(value);
}

// One controller process and the driver that presses its buttons.
class RunningController {
public:
    RunningController() : process_(testing_support::startProcess(controllerCommand)) {
        EXPECT_TRUE(process_);
        EXPECT_TRUE(driver_.attach(60000)) << "the controller's window did not appear";
    }
    ~RunningController() {
        if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.get(), 1);
    }
    testbed::ControllerDriver& driver() { return driver_; }
    testbed::ControllerTexts texts() const { return driver_.texts(); }
    void press(int id) { ASSERT_TRUE(driver_.press(id, workflowTimeout)); }
    // The exit code once the process has ended, or STILL_ACTIVE.
    DWORD exitCodeWithin(unsigned timeoutMs) {
        WaitForSingleObject(process_.get(), timeoutMs);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(process_.get(), &code);
        return code;
    }

private:
    framework::KernelHandle process_;
    testbed::ControllerDriver driver_;
};

class ControllerEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        setDword("Software\\Velquin\\TimeOut", 45);
        setDword("Software\\Velquin\\Retry", 2);
    }
    void TearDown() override {
        // Nothing of one scenario may be left for the next.
        EXPECT_TRUE(waitUntil([] { return serviceState() == SERVICE_STOPPED; }, 30000));
        EXPECT_TRUE(waitUntil(
            [] { return testing_support::countProcessesNamed("Velquin.exe") == 0; }, 30000));
    }
};

} // namespace

TEST_F(ControllerEndToEnd, HidesRenewsRestoresHidesAgainAndExitsClean) {
    RunningController controller;
    EXPECT_EQ(controller.texts().realIp, "127.0.0.1");
    EXPECT_EQ(controller.texts().protectedBy, notProtected);

    controller.press(IDC_HIDE_IP);
    const std::string hidden = controller.texts().protectedBy;
    EXPECT_TRUE(isTunnelAddress(hidden)) << hidden;
    EXPECT_EQ(controller.texts().status, completed);
    EXPECT_TRUE(proxied());

    controller.press(IDC_NEW_IP);
    const std::string renewed = controller.texts().protectedBy;
    EXPECT_TRUE(isTunnelAddress(renewed)) << renewed;
    EXPECT_NE(renewed, hidden);

    controller.press(IDC_RESTORE);
    EXPECT_EQ(controller.texts().protectedBy, notProtected);
    EXPECT_EQ(controller.texts().realIp, "127.0.0.1");
    EXPECT_EQ(controller.texts().status, completed);
    EXPECT_FALSE(proxied());

    // Right after a restore the old tunnel may still be going down: the new
    // one must be a working tunnel, not the remains of the old.
    controller.press(IDC_HIDE_IP);
    const std::string again = controller.texts().protectedBy;
    EXPECT_TRUE(isTunnelAddress(again)) << again;
    EXPECT_NE(again, renewed);

    controller.driver().pressLater(IDC_EXIT);
    EXPECT_EQ(controller.exitCodeWithin(30000), 0u);
    EXPECT_FALSE(proxied());
}

TEST_F(ControllerEndToEnd, ASecondStartRaisesTheHiddenFirstAndLeavesItsTunnel) {
    RunningController first;
    first.press(IDC_HIDE_IP);
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
    std::string torrc;
    {
        std::ifstream in(torrcPath, std::ios::binary);
        torrc.assign(std::istreambuf_iterator<char>(in), {});
    }
    {
        std::ofstream out(torrcPath, std::ios::binary);
        out << "SocksPort 9050\r\nStandInCircuitDelay 600000\r\n";
    }
    setDword("Software\\Velquin\\TimeOut", 2);
    setDword("Software\\Velquin\\Retry", 1);

    RunningController controller;
    controller.driver().pressLater(IDC_HIDE_IP);
    HWND troubleshoot = nullptr;
    EXPECT_TRUE(waitUntil(
        [&] {
            troubleshoot = FindWindowA(nullptr, "Troubleshooting Velquin");
            return troubleshoot != nullptr && IsWindowVisible(troubleshoot);
        },
        30000));
    EXPECT_EQ(controller.texts().status, "Connection Error!!!");
    PostMessageA(troubleshoot, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(controller.exitCodeWithin(30000), 0u);
    EXPECT_FALSE(proxied());

    std::ofstream(torrcPath, std::ios::binary) << torrc;
}
