#include "controller/ControllerApp.h"
#include "controller/ScriptedEnvironment_test.h"
#include "testsupport/MessageBoxWatcher.h"
#include "resources/controller/resource.h"

#include <gtest/gtest.h>

using controller::ControllerApp;
using controller_test::ScriptedEnvironment;
using Log = std::vector<std::string>;

namespace {

class SocketlessApp : public ControllerApp {
public:
    using ControllerApp::ControllerApp;

protected:
    bool startSockets() override { return false; }
};

bool markerExists(const char* name = ControllerApp::instanceMarker) {
    framework::KernelHandle marker(OpenMutexA(SYNCHRONIZE, FALSE, name));
    return static_cast<bool>(marker);
}

} // namespace

TEST(ControllerApp, RunsTheWindowThenCleansUpAndEndsWithZero) {
    ScriptedEnvironment environment;
    // Presses "Exit" as soon as the window is there (it opens hidden).
    environment.onProbe = [] {
        HWND window = FindWindowA(nullptr, ControllerApp::windowTitle);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0);
    };
    {
        ControllerApp app(environment);
        EXPECT_EQ(app.run(), 0);
        EXPECT_TRUE(markerExists());
        EXPECT_TRUE(markerExists(ControllerApp::machineMarker));
    }
    EXPECT_FALSE(markerExists());
    EXPECT_FALSE(markerExists(ControllerApp::machineMarker));
    // The connection never pointed at the local proxy: its options stay.
    const Log exitWorkflow = {"service created", "stop Velquin", "service destroyed"};
    const Log exitCleanup = {"service created", "stop Velquin", "service destroyed"};
    Log expected = {"probe"};
    expected.insert(expected.end(), exitWorkflow.begin(), exitWorkflow.end());
    expected.insert(expected.end(), exitCleanup.begin(), exitCleanup.end());
    EXPECT_EQ(environment.log, expected);
}

TEST(ControllerApp, ASecondStartShowsTheFirstWindowAndLeavesEverythingAlone) {
    framework::KernelHandle first(CreateMutexA(nullptr, FALSE, ControllerApp::instanceMarker));
    ASSERT_TRUE(first);
    HWND firstWindow = CreateWindowExA(0, "STATIC", ControllerApp::windowTitle, WS_OVERLAPPEDWINDOW,
                                       10, 10, 200, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(firstWindow, nullptr);
    ASSERT_FALSE(IsWindowVisible(firstWindow));

    ScriptedEnvironment environment;
    ControllerApp app(environment);
    EXPECT_EQ(app.run(), 0);
    EXPECT_TRUE(IsWindowVisible(firstWindow));
    EXPECT_EQ(GetForegroundWindow(), firstWindow);
    EXPECT_TRUE(environment.log.empty());
    DestroyWindow(firstWindow);
}

TEST(ControllerApp, WithoutSocketsItSaysSoAndTouchesNothing) {
    testing_support::MessageBoxWatcher boxes;
    ScriptedEnvironment environment;
    SocketlessApp app(environment);
    EXPECT_EQ(app.run(), 0);
    EXPECT_EQ(boxes.texts(), Log{"Windows sockets initialization failed."});
    EXPECT_TRUE(environment.log.empty());
    EXPECT_FALSE(markerExists());
}

TEST(ControllerApp, AStartWhileAnotherUserRunsVelquinSaysSoAndChangesNothing) {
    // Another logon's controller: the machine's marker without this logon's.
    framework::KernelHandle other(CreateMutexA(nullptr, FALSE, ControllerApp::machineMarker));
    ASSERT_TRUE(other);
    testing_support::MessageBoxWatcher boxes;
    ScriptedEnvironment environment;
    {
        ControllerApp app(environment);
        EXPECT_EQ(app.run(), 0);
    }
    EXPECT_EQ(boxes.texts(), Log{ControllerApp::inUseElsewhere});
    // No window (it would have probed), no proxy change, no stop.
    EXPECT_TRUE(environment.log.empty());
    EXPECT_FALSE(markerExists());
}
