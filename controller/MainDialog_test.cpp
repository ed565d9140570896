#include "controller/InstallDir.h"
#include "controller/MainDialog.h"
#include "controller/ScriptedEnvironment_test.h"
#include "testsupport/MessageBoxWatcher.h"
#include "resources/controller/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using controller::MainDialog;
using controller_test::ScriptedEnvironment;
using Log = std::vector<std::string>;

namespace {

class MainWindow : public testing::Test {
protected:
    void TearDown() override {
        if (dialog_.handle() != nullptr)
            DestroyWindow(dialog_.handle());
    }

    // Opens the window from its template, as the program does, and starts
    // the log afresh with the opening's calls left in `opening`.
    void open() {
        ASSERT_TRUE(dialog_.create());
        opening = environment.log;
        environment.log.clear();
        environment.statusControl = dialog_.item(IDC_STATUS);
        environment.record("opened");
        environment.log.clear();
    }

    void press(int id) {
        SendMessageA(dialog_.handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(dialog_.item(id)));
        environment.record("end");
    }

    std::string shown(int id) const { return framework::Window::textOf(dialog_.item(id)); }

    ScriptedEnvironment environment;
    Log opening;
    MainDialog dialog_{environment};
};

const Log hideStart = {"service created", "status Start Services - This can take up to 30 seconds",
                       "start Velquin", "read TimeOut", "read Retry"};

Log concat(std::initializer_list<Log> parts) {
    Log all;
    for (const Log& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A Hide from the start of the service to the end of the press.
const Log hideSucceeded = concat(
    {hideStart,
     {"status Configure Browser", "set Office VPN 127.0.0.1:8081", "status Determine IP Address",
      "probe", "status Action Completed Successfully", "service destroyed", "end"}});

} // namespace

TEST_F(MainWindow, OpeningClearsTheProxyProbesOnceAndShowsTheTextsBeforeTheWindow) {
    bool visibleAtProbe = true;
    environment.probes = {"127.0.0.1"};
    environment.onProbe = [&] { visibleAtProbe = IsWindowVisible(dialog_.handle()) != FALSE; };
    open();
    EXPECT_EQ(opening, (Log{"disable Office VPN", "probe"}));
    EXPECT_FALSE(visibleAtProbe);
    EXPECT_EQ(shown(IDC_REAL_IP), "127.0.0.1");
    EXPECT_EQ(shown(IDC_PROTECTED_BY), "N/A - Your Real Real IP is visible");
    EXPECT_EQ(shown(IDC_STATUS), "Press Hide Ip Now to get started");
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), IDC_HIDE_IP);
    EXPECT_EQ(framework::Window::textOf(dialog_.handle()), "Velquin");
}

TEST_F(MainWindow, AFailedOpeningProbeIsReportedAndTheWindowStillOpensWhole) {
    testing_support::MessageBoxWatcher boxes;
    environment.probes = {ScriptedEnvironment::throwError};
    open();
    EXPECT_EQ(boxes.texts(), Log{"The server name or address could not be resolved"});
    EXPECT_EQ(shown(IDC_REAL_IP), "");
    EXPECT_EQ(shown(IDC_PROTECTED_BY), "N/A - Your Real Real IP is visible");
    EXPECT_EQ(shown(IDC_STATUS), "Press Hide Ip Now to get started");
}

TEST_F(MainWindow, HideWaitsForReadyThenConfiguresAndProbes) {
    open();
    environment.ready = {0, 2, 1};
    press(IDC_HIDE_IP);
    EXPECT_EQ(environment.log, hideSucceeded);
    // The first read comes right after the start; 2 is not ready.
    EXPECT_EQ(environment.readyReads, 3);
    EXPECT_EQ(environment.waits, 2);
    EXPECT_EQ(shown(IDC_PROTECTED_BY), "127.0.0.5");
    EXPECT_FALSE(dialog_.isEnded());
}

TEST_F(MainWindow, AStaleReadyEndsThePollAtTheFirstRead) {
    open();
    environment.ready = {1};
    press(IDC_HIDE_IP);
    EXPECT_EQ(environment.readyReads, 1);
    EXPECT_EQ(environment.waits, 0);
    EXPECT_EQ(shown(IDC_STATUS), "Action Completed Successfully");
}

TEST_F(MainWindow, UnableToDetectIsAskedOnceMoreAndAnEmptyAnswerIsNot) {
    open();
    environment.ready = {1};
    environment.probes = {"Unable to detect", "Unable to detect", "", "127.0.0.9"};
    press(IDC_HIDE_IP);
    EXPECT_EQ(environment.count("probe"), 2);
    EXPECT_EQ(shown(IDC_PROTECTED_BY), "Unable to detect");
    EXPECT_EQ(shown(IDC_STATUS), "Action Completed Successfully");

    environment.log.clear();
    press(IDC_HIDE_IP);
    EXPECT_EQ(environment.count("probe"), 1);
    EXPECT_EQ(shown(IDC_PROTECTED_BY), "");
    EXPECT_EQ(shown(IDC_STATUS), "Action Completed Successfully");
}

const Log connectionError = {"status Connection Error!!!", "troubleshoot",
                             "disable Office VPN",         "stop Velquin",
                             "service destroyed",          "end"};

TEST_F(MainWindow, WithoutTimeOutOrRetryTheErrorPathComesAtOnce) {
    open();
    environment.timeOut = 0;
    environment.retry = 0;
    environment.ready = {1};
    press(IDC_HIDE_IP);
    EXPECT_EQ(environment.log, concat({hideStart, connectionError}));
    EXPECT_EQ(environment.readyReads, 0);
    EXPECT_TRUE(dialog_.isEnded());
    EXPECT_EQ(dialog_.result(), 0);
}

TEST_F(MainWindow, RetriesWithoutTimeOutRestartTheServiceWithoutReading) {
    open();
    environment.timeOut = 0;
    environment.retry = 3;
    press(IDC_HIDE_IP);
    Log restarts;
    for (int i = 0; i < 3; ++i)
        restarts.insert(restarts.end(), {"stop Velquin", "start Velquin"});
    EXPECT_EQ(environment.log, concat({hideStart, restarts, connectionError}));
    EXPECT_EQ(environment.readyReads, 0);
}

TEST_F(MainWindow, ATunnelThatNeverComesCostsEveryAttemptInFull) {
    open();
    environment.timeOut = 45;
    environment.retry = 3;
    environment.ready = {2};
    press(IDC_HIDE_IP);
    EXPECT_EQ(environment.readyReads, 4 * 45);
    EXPECT_EQ(environment.waited, 4 * 45 * 1000u);
    EXPECT_EQ(environment.count("start Velquin"), 4);
    EXPECT_EQ(environment.count("stop Velquin"), 3 + 1);
    EXPECT_EQ(environment.count("troubleshoot"), 1);
    EXPECT_EQ(environment.count("set Office VPN 127.0.0.1:8081"), 0);
    EXPECT_EQ(environment.count("probe"), 0);
    EXPECT_TRUE(dialog_.isEnded());
}

TEST_F(MainWindow, ReadyIsReadAsSoonAsTheKeyChanges) {
    open();
    environment.ready = {0, 1};
    environment.changes = {250};
    press(IDC_HIDE_IP);
    EXPECT_EQ(environment.readyReads, 2);
    EXPECT_EQ(environment.waited, 250u);
    EXPECT_EQ(shown(IDC_STATUS), "Action Completed Successfully");
}

TEST_F(MainWindow, ChangesOfOtherValuesDoNotShortenAnAttempt) {
    open();
    environment.timeOut = 3;
    environment.retry = 1;
    environment.changes = {250, 250, 250, 250, 400};
    press(IDC_HIDE_IP);
    EXPECT_EQ(environment.waited, 2 * 3000u);
    EXPECT_EQ(environment.count("start Velquin"), 2);
    EXPECT_EQ(environment.count("troubleshoot"), 1);
}

TEST_F(MainWindow, TheWaitShowsTheTunnelsProgressInTheBarAndTheTrayTip) {
    open();
    HWND bar = dialog_.item(IDC_PROGRESS);
    // The window itself is hidden in these tests: the bar's own style says
    // whether it shows.
    auto shows = [bar] { return (GetWindowLongPtrA(bar, GWL_STYLE) & WS_VISIBLE) != 0; };
    EXPECT_FALSE(shows());
    environment.ready = {0, 0, 1};
    environment.progress = 140;
    std::vector<std::pair<LRESULT, std::string>> seen;
    environment.onWait = [&] {
        if (shows())
            seen.emplace_back(SendMessageA(bar, PBM_GETPOS, 0, 0), dialog_.iconData().szTip);
        environment.progress = 45;
    };
    press(IDC_HIDE_IP);
    using Seen = std::vector<std::pair<LRESULT, std::string>>;
    EXPECT_EQ(seen, (Seen{{100, "Velquin - connecting 100%"}, {45, "Velquin - connecting 45%"}}));
    EXPECT_FALSE(shows());
    EXPECT_STREQ(dialog_.iconData().szTip, "Velquin");
    EXPECT_EQ(shown(IDC_STATUS), "Action Completed Successfully");
}

TEST_F(MainWindow, WhileAWorkflowWaitsNoCommandStartsAnotherOrEndsTheWindow) {
    open();
    environment.ready = {0, 1};
    environment.onWait = [&] {
        for (int id : {IDC_HIDE_IP, IDC_NEW_IP, IDC_RESTORE, IDC_EXIT, IDCANCEL, ID_TRAY_EXIT})
            SendMessageA(dialog_.handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        SendMessageA(dialog_.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    press(IDC_HIDE_IP);
    EXPECT_EQ(environment.log, hideSucceeded);
    EXPECT_FALSE(dialog_.isEnded());
    EXPECT_FALSE(dialog_.IsTrayIconShown());

    // Once the workflow has ended, commands work as before.
    SendMessageA(dialog_.handle(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(dialog_.result(), IDCANCEL);
}

TEST_F(MainWindow, NewIpStopsThenHidesAtOnce) {
    open();
    environment.ready = {1};
    press(IDC_NEW_IP);
    EXPECT_EQ(environment.log, concat({{"service created", "status Stop Services", "stop Velquin"},
                                       hideStart,
                                       {"status Configure Browser", "set Office VPN 127.0.0.1:8081",
                                        "status Determine IP Address", "probe",
                                        "status Action Completed Successfully", "service destroyed",
                                        "service destroyed", "end"}}));
}

TEST_F(MainWindow, RestoreStopsAndGoesDirectLeavingTheRealAddress) {
    environment.probes = {"127.0.0.1"};
    open();
    environment.ready = {1};
    press(IDC_HIDE_IP);
    ASSERT_EQ(shown(IDC_PROTECTED_BY), "127.0.0.5");
    environment.log.clear();
    press(IDC_RESTORE);
    EXPECT_EQ(environment.log,
              (Log{"service created", "status Stop Services", "stop Velquin",
                   "status De-Configure Browser", "disable Office VPN",
                   "status Action Completed Successfully", "service destroyed", "end"}));
    EXPECT_EQ(shown(IDC_PROTECTED_BY), "N/A - Your Real Real IP is visible");
    EXPECT_EQ(shown(IDC_REAL_IP), "127.0.0.1");
}

TEST_F(MainWindow, ExitStopsGoesDirectAndEndsWithZero) {
    open();
    press(IDC_EXIT);
    EXPECT_EQ(environment.log, (Log{"service created", "stop Velquin", "disable Office VPN",
                                    "service destroyed", "end"}));
    EXPECT_TRUE(dialog_.isEnded());
    EXPECT_EQ(dialog_.result(), 0);
}

TEST_F(MainWindow, TheEndOfTheSessionIsAllowedAndCleansUpAsExitDoes) {
    open();
    EXPECT_EQ(SendMessageA(dialog_.handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    // A logoff that another program cancelled changes nothing.
    SendMessageA(dialog_.handle(), WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_EQ(environment.log, Log{});
    EXPECT_FALSE(dialog_.isEnded());
    SendMessageA(dialog_.handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(environment.log,
              (Log{"service created", "stop Velquin", "disable Office VPN", "service destroyed"}));
    EXPECT_TRUE(dialog_.isEnded());
}

TEST_F(MainWindow, EscEndsWithCancelAndLeavesServiceAndProxyAlone) {
    open();
    SendMessageA(dialog_.handle(), WM_COMMAND, IDCANCEL, 0);
    environment.record("end");
    EXPECT_EQ(environment.log, Log{"end"});
    EXPECT_EQ(dialog_.result(), IDCANCEL);
}

TEST_F(MainWindow, HelpButtonAndHelpKeyOpenTheGuide) {
    open();
    press(IDC_HELP_BUTTON);
    const std::string guide = "open " + controller::installDir() + "\\help.html";
    EXPECT_EQ(environment.log, (Log{guide, "status Help Loaded", "end"}));

    SetDlgItemTextA(dialog_.handle(), IDC_STATUS, "");
    environment.log.clear();
    HELPINFO info = {};
    info.cbSize = sizeof info;
    EXPECT_EQ(SendMessageA(dialog_.handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info)), TRUE);
    EXPECT_EQ(environment.log, (Log{"status ", guide}));
    EXPECT_EQ(shown(IDC_STATUS), "Help Loaded");
}

TEST_F(MainWindow, AProbeFailureEndsTheWorkflowButNotTheWindow) {
    open();
    testing_support::MessageBoxWatcher boxes;
    environment.ready = {1};
    environment.probes = {ScriptedEnvironment::throwError};
    press(IDC_HIDE_IP);
    EXPECT_EQ(boxes.texts(), Log{"The server name or address could not be resolved"});
    EXPECT_EQ(shown(IDC_STATUS), "Determine IP Address");
    EXPECT_EQ(environment.count("service destroyed"), 1);
    EXPECT_FALSE(dialog_.isEnded());
}
