#include "controller/InstallDir.h"
#include "controller/MainDialog.h"
#include "proxyoptions/SavedProxyOptions.h"
#include "controller/ScriptedEnvironment_test.h"
#include "testsupport/MessageBoxWatcher.h"
#include "testsupport/Wait.h"
#include "resources/controller/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using controller::MainDialog;
using controller_test::ScriptedEnvironment;
using proxyoptions::ConnectionOptions;
using testing_support::waitUntil;
using Log = std::vector<std::string>;

namespace {

class MainWindow : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, proxyoptions::SavedProxyOptions::key);
    }
    void TearDown() override {
        if (dialog_.handle() != nullptr)
            DestroyWindow(dialog_.handle());
        RegDeleteTreeA(HKEY_CURRENT_USER, proxyoptions::SavedProxyOptions::key);
    }

    // Opens the window from its template, as the program does, and starts
    // the log afresh with the opening's calls left in `opening`. Unless the
    // test scripted it, the opening probe finds the real address 127.0.0.1.
    void open() {
        if (environment.probes.empty())
            environment.probes = {"127.0.0.1"};
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
    bool warningIconShown() const {
        return reinterpret_cast<HICON>(
                   SendDlgItemMessageA(dialog_.handle(), IDC_STATUS_ICON, STM_GETICON, 0, 0)) ==
               LoadIconA(nullptr, IDI_WARNING);
    }

    ScriptedEnvironment environment;
    Log opening;
    // The balloons shown at the tray icon: flags, title and text.
    Log balloons;
    MainDialog dialog_{environment, [this](DWORD command, tray::TrayIconData& record) {
                           if (record.uFlags & NIF_INFO)
                               balloons.push_back(std::to_string(record.dwInfoFlags) + " " +
                                                  record.szInfoTitle + ": " + record.szInfo);
                           return tray::TrayDialog::notifyShell(command, record);
                       }};
};

// A company's own set-up: a configuration script, automatic detection and a
// proxy with its bypass list.
const proxyoptions::ConnectionOptions companyOptions{
    PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY | PROXY_TYPE_AUTO_PROXY_URL | PROXY_TYPE_AUTO_DETECT,
    "proxy.corp:3128", "*.corp;<local>", "http://wpad.corp/proxy.pac", AUTO_PROXY_FLAG_USER_SET};
const proxyoptions::ConnectionOptions localProxyOptions{PROXY_TYPE_DIRECT | PROXY_TYPE_PROXY,
                                                        "127.0.0.1:8081", "local", "", 0};

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

TEST_F(MainWindow, OpeningProbesOnceAndShowsTheTextsBeforeTheWindow) {
    bool visibleAtProbe = true;
    environment.probes = {"127.0.0.1"};
    environment.onProbe = [&] { visibleAtProbe = IsWindowVisible(dialog_.handle()) != FALSE; };
    open();
    EXPECT_EQ(opening, Log{"probe"});
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

    // No real address to compare with: an empty answer is no warning.
    environment.ready = {1};
    environment.probes = {""};
    press(IDC_HIDE_IP);
    EXPECT_EQ(shown(IDC_STATUS), "Action Completed Successfully");
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

// The connection was never pointed at the local proxy: its options stay.
const Log connectionError = {"status Connection Error!!!", "troubleshoot", "stop Velquin",
                             "service destroyed", "end"};

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
        for (int id : {IDC_HIDE_IP, IDC_NEW_IP, IDC_RESTORE, IDC_EXIT, IDCANCEL, ID_TRAY_EXIT,
                       IDC_HELP_BUTTON})
            SendMessageA(dialog_.handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        SendMessageA(dialog_.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
        // F1 neither opens the guide nor replaces the workflow's status.
        HELPINFO info = {};
        info.cbSize = sizeof info;
        SendMessageA(dialog_.handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
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
                   "status De-Configure Browser", "apply Office VPN",
                   "status Action Completed Successfully", "service destroyed", "end"}));
    EXPECT_EQ(environment.options.flags, static_cast<DWORD>(PROXY_TYPE_DIRECT));
    EXPECT_EQ(shown(IDC_PROTECTED_BY), "N/A - Your Real Real IP is visible");
    EXPECT_EQ(shown(IDC_REAL_IP), "127.0.0.1");
}

TEST_F(MainWindow, ExitStopsGoesDirectAndEndsWithZero) {
    open();
    environment.options = localProxyOptions;
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
    environment.options = localProxyOptions;
    SendMessageA(dialog_.handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    // The options go back before the stop, which may take seconds that the
    // system does not grant.
    EXPECT_EQ(environment.log,
              (Log{"disable Office VPN", "service created", "stop Velquin", "service destroyed"}));
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

TEST_F(MainWindow, AHideThatDidNotHideTheAddressEndsInAWarningUntilTheNextWorkflow) {
    open();
    environment.ready = {1};
    // A policy that fixes the proxy options: the write is refused.
    environment.refuseOptions = true;
    press(IDC_HIDE_IP);
    EXPECT_EQ(shown(IDC_STATUS), MainDialog::optionsNotTaken);
    EXPECT_EQ(shown(IDC_PROTECTED_BY), MainDialog::notProtected);
    EXPECT_TRUE(warningIconShown());
    EXPECT_STREQ(dialog_.iconData().szTip, "Velquin - not protected");

    // The options are taken, but the world still sees the real address.
    environment.refuseOptions = false;
    environment.probes = {"127.0.0.1"};
    press(IDC_HIDE_IP);
    EXPECT_EQ(shown(IDC_STATUS), MainDialog::realIpVisible);
    EXPECT_EQ(shown(IDC_PROTECTED_BY), "127.0.0.1");
    EXPECT_TRUE(warningIconShown());
    EXPECT_STREQ(dialog_.iconData().szTip, "Velquin - not protected");

    // The next workflow starts without the warning; its success shows none.
    environment.probes = {"127.0.0.7"};
    press(IDC_NEW_IP);
    EXPECT_EQ(shown(IDC_STATUS), "Action Completed Successfully");
    EXPECT_EQ(shown(IDC_PROTECTED_BY), "127.0.0.7");
    EXPECT_FALSE(warningIconShown());
    EXPECT_STREQ(dialog_.iconData().szTip, "Velquin");

    // Options that another program moved elsewhere during the probe.
    environment.onProbe = [&] { environment.options.server = "10.1.2.3:3128"; };
    press(IDC_HIDE_IP);
    EXPECT_EQ(shown(IDC_STATUS), MainDialog::optionsNotTaken);
}

TEST_F(MainWindow, TheUsersOwnOptionsAreLeftAtOpeningAndComeBackWhole) {
    environment.options = companyOptions;
    open();
    EXPECT_EQ(opening, Log{"probe"});
    EXPECT_EQ(environment.options, companyOptions);

    // A second Hide (New IP) finds the local proxy and keeps the first copy.
    environment.ready = {1};
    press(IDC_HIDE_IP);
    press(IDC_NEW_IP);
    EXPECT_EQ(proxyoptions::ActiveProxyServer(environment.options), "127.0.0.1:8081");
    press(IDC_RESTORE);
    EXPECT_EQ(environment.options, companyOptions);
    EXPECT_FALSE(proxyoptions::SavedProxyOptions("Office VPN").load()) << "the copy is used up";

    press(IDC_HIDE_IP);
    press(IDC_EXIT);
    EXPECT_EQ(environment.options, companyOptions);
    EXPECT_TRUE(dialog_.isEnded());
}

TEST_F(MainWindow, TheConnectionErrorPathPutsTheUsersOptionsBack) {
    environment.options = companyOptions;
    open();
    environment.ready = {1};
    press(IDC_HIDE_IP);
    environment.timeOut = 0;
    environment.retry = 0;
    press(IDC_NEW_IP);
    EXPECT_EQ(environment.options, companyOptions);
    EXPECT_TRUE(dialog_.isEnded());
}

TEST_F(MainWindow, ALeftoverOfAnUncleanEndIsClearedAtOpeningWithTheKeptCopy) {
    ASSERT_TRUE(proxyoptions::SavedProxyOptions("Office VPN").store(companyOptions));
    environment.options = localProxyOptions;
    open();
    EXPECT_EQ(opening, (Log{"apply Office VPN proxy.corp:3128", "probe"}));
    EXPECT_EQ(environment.options, companyOptions);

    // Without a copy, the leftover goes direct.
    environment.options = localProxyOptions;
    ASSERT_TRUE(dialog_.create());
    EXPECT_EQ(environment.options.flags, static_cast<DWORD>(PROXY_TYPE_DIRECT));
}

TEST_F(MainWindow, ATunnelThatGoesDownWhileHiddenIsToldAndNothingElseChanges) {
    open();
    environment.ready = {1};
    press(IDC_HIDE_IP);
    ASSERT_EQ(shown(IDC_STATUS), "Action Completed Successfully");
    // A tunnel that stays up is read once a second and changes nothing.
    const int readsAfterHide = environment.readyReads;
    ASSERT_TRUE(waitUntil([&] { return environment.readyReads >= readsAfterHide + 2; }, 5000));
    EXPECT_EQ(shown(IDC_STATUS), "Action Completed Successfully");

    press(IDC_MINIMIZE);
    ASSERT_TRUE(dialog_.IsTrayIconShown());
    environment.log.clear();
    environment.ready = {0};
    ASSERT_TRUE(waitUntil([&] { return shown(IDC_STATUS) == MainDialog::tunnelDown; }, 5000));
    EXPECT_TRUE(warningIconShown());
    EXPECT_STREQ(dialog_.iconData().szTip, "Velquin - tunnel down");
    EXPECT_EQ(balloons, Log{std::to_string(NIIF_WARNING) + " Velquin: " + MainDialog::tunnelDown});
    // Neither the service nor the options are touched.
    EXPECT_EQ(environment.log, Log{});
    EXPECT_EQ(environment.options, localProxyOptions);

    // Told once; Get A New IP starts afresh.
    environment.ready = {1};
    press(IDC_NEW_IP);
    EXPECT_EQ(shown(IDC_STATUS), "Action Completed Successfully");
    EXPECT_FALSE(warningIconShown());
    EXPECT_EQ(balloons.size(), 1u);
}

TEST_F(MainWindow, EveryConnectionLeftOnTheProxyComesBackWhicheverIsActive) {
    environment.options = companyOptions;
    open();
    environment.ready = {1};
    press(IDC_HIDE_IP);
    // The VPN goes down; the LAN, direct, is the active connection now.
    environment.connection = "DefaultConnectionSettings";
    environment.others[environment.connection].flags = PROXY_TYPE_DIRECT;
    environment.log.clear();
    press(IDC_RESTORE);
    EXPECT_EQ(environment.count("apply Office VPN proxy.corp:3128"), 1);
    EXPECT_EQ(environment.options, companyOptions);
    EXPECT_EQ(environment.others["DefaultConnectionSettings"].flags,
              static_cast<DWORD>(PROXY_TYPE_DIRECT));
    EXPECT_TRUE(proxyoptions::SavedProxyOptions::connections().empty());
}

TEST_F(MainWindow, AConnectionThatComesUpWhileHiddenIsToldAsNotProtected) {
    open();
    environment.ready = {1};
    press(IDC_HIDE_IP);
    ASSERT_EQ(shown(IDC_STATUS), "Action Completed Successfully");
    press(IDC_MINIMIZE);
    // A VPN connects after the Hide and brings options of its own.
    environment.connection = "Office VPN 2";
    environment.others[environment.connection].flags = PROXY_TYPE_DIRECT;
    environment.log.clear();
    ASSERT_TRUE(
        waitUntil([&] { return shown(IDC_STATUS) == MainDialog::connectionUnprotected; }, 5000));
    EXPECT_TRUE(warningIconShown());
    EXPECT_STREQ(dialog_.iconData().szTip, "Velquin - not protected");
    EXPECT_EQ(balloons,
              Log{std::to_string(NIIF_WARNING) + " Velquin: " + MainDialog::connectionUnprotected});
    EXPECT_EQ(environment.log, Log{});

    // Hide IP Now points the new connection at the proxy as well.
    press(IDC_HIDE_IP);
    EXPECT_EQ(environment.count("set Office VPN 2 127.0.0.1:8081"), 1);
    EXPECT_EQ(shown(IDC_STATUS), "Action Completed Successfully");
}
