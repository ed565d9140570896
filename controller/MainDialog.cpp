#include "controller/MainDialog.h"

#include "controller/EchoHost.h"
#include "controller/InstallDir.h"
#include "controller/AboutDialog.h"
#include "controller/VisibleIp.h"
#include "framework/DataExchange.h"
#include "framework/InternetError.h"
#include "framework/PumpingWait.h"
#include "framework/Resources.h"
#include "resources/controller/resource.h"
#include "settings/SharedValues.h"

#include <commctrl.h>

#include <algorithm>

namespace controller {

namespace {
// Ready is read at least this often, and at once after any change of the
// shared key.
const DWORD pollInterval = 1000;
const char* const trayTip = "Velquin";
const char* const notProtectedTip = "Velquin - not protected";
const char* const tunnelDownTip = "Velquin - tunnel down";
const COLORREF linkColour = RGB(255, 202, 19);

// Runs a call that may block for seconds (the service control manager, the
// probe) off the window's thread, which meanwhile keeps processing messages.
void inBackground(const std::function<void()>& call) {
    framework::PumpingWait::run(call);
}
} // namespace

const std::array<MainDialog::ButtonLook, 7> MainDialog::buttonLooks = {{
    {IDC_HIDE_IP, IDI_GO, "Press Hide IP Now in order to change your IP address"},
    {IDC_NEW_IP, IDI_NEW_IP, "Press Get a New IP if you want to change the Country"},
    {IDC_RESTORE, IDI_RESTORE, "Restore Real IP will you want to use the default IP address"},
    {IDC_PRIVACY, IDI_PRIVACY, "Delete Cookies, Internet History, Temporary files "},
    {IDC_HELP_BUTTON, IDI_HELP, "User Guide, Useful Links"},
    {IDC_MINIMIZE, IDI_MINIMIZE, "Place the Application in System Tray"},
    {IDC_EXIT, IDI_EXIT, "Exit the Application"},
}};

MainDialog::MainDialog(WorkflowEnvironment& environment, ShellNotify notify)
    : ColouredDialog(IDD_VELQUIN_DIALOG, std::move(notify)), environment_(environment),
      tunnelWatch_([this] { return environment_.readDword(settings::shared::ready); },
                   [this] {
                       return proxyoptions::ActiveProxyServer(environment_.queryConnectionOptions(
                                  environment_.currentConnection())) == localProxy;
                   }) {
    // The template's progress bar needs its window class before the window
    // is made.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    onCommand(IDC_HIDE_IP, &MainDialog::onHideIp);
    onCommand(IDC_NEW_IP, &MainDialog::onNewIp);
    onCommand(IDC_RESTORE, &MainDialog::onRestore);
    onCommand(IDC_EXIT, &MainDialog::onExit);
    onCommand(ID_TRAY_EXIT, &MainDialog::onExit);
    onCommand(IDC_HELP_BUTTON, &MainDialog::onHelp);
    onCommand(IDC_MINIMIZE, &MainDialog::onMinimize);
    onCommand(ID_SHOW_INTERFACE, &MainDialog::onShowInterface);
    onCommand(IDC_PRIVACY, &MainDialog::onPrivacy);
    onMessage(WM_HELP, &MainDialog::onHelpKey);
    onMessage(WM_SYSCOMMAND, &MainDialog::onSysCommand);
    onMessage(WM_QUERYENDSESSION, &MainDialog::onQueryEndSession);
    onMessage(WM_ENDSESSION, &MainDialog::onEndSession);
    onMessage(WM_TIMER, &MainDialog::onTimer);
}

void MainDialog::doDataExchange(framework::DataExchange& exchange) {
    for (std::size_t i = 0; i < buttons_.size(); ++i)
        exchange.control(buttonLooks[i].id, buttons_[i]);
    exchange.control(IDC_LINK, link_);
    exchange.text(IDC_REAL_IP, realIp_);
    exchange.text(IDC_PROTECTED_BY, protectedBy_);
    exchange.text(IDC_STATUS, status_);
}

BOOL MainDialog::onInitDialog() {
    TrayDialog::onInitDialog();
    SetTrayIcon(IDR_MAINFRAME);
    SetTrayTip(trayTip);
    SetTrayMenu(IDR_TRAY_MENU);
    appendSystemMenuItem(IDS_ABOUTBOX, IDM_ABOUTBOX);
    setIcon(IDR_MAINFRAME);
    // Only options that point at the local proxy change: the leftover of a
    // run that did not end cleanly. A user's own settings stay, and the
    // probe below goes the way the user's browsing goes.
    environment_.restoreConnections();
    try {
        realIp_ = environment_.visibleIp();
    } catch (const framework::InternetError& error) {
        // The window still opens whole: the label stays empty and the user
        // reads why.
        framework::messageBox(error.what(), MB_OK | MB_ICONEXCLAMATION);
    }
    protectedBy_ = notProtected;
    status_ = "Press Hide Ip Now to get started";
    furnishControls();
    // The window is shown only after this, so its first paint has the texts.
    updateData(false);
    // "Hide IP Now" is the first tab stop, so the focus starts there.
    return TRUE;
}

void MainDialog::furnishControls() {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        buttons_[i].AssignIcon(buttonLooks[i].icon);
        buttons_[i].ShowFocusRect(true, true);
        buttons_[i].SetHint(buttonLooks[i].hint, true);
        buttons_[i].UseParentBackground(false);
    }
    link_.SetLink(std::string("http://") + echoHost + "/your-visible-ip.php");
    link_.SetUnderlineMode(controls::HyperlinkLabel::underlineAlways);
    link_.SetLinkColors(linkColour, linkColour, linkColour);
}

std::unique_ptr<ServiceControl> MainDialog::newService() {
    std::unique_ptr<ServiceControl> service = environment_.newServiceControl();
    service->SetServiceName(serviceName);
    return service;
}

void MainDialog::onHideIp() {
    BusyScope busy(*this);
    beginWorkflow();
    hide();
}

void MainDialog::beginWorkflow() {
    tunnelWatch_.stop();
    showStatusIcon(false);
    SetTrayTip(trayTip);
}

void MainDialog::hide() {
    std::unique_ptr<ServiceControl> service = environment_.newServiceControl();
    showStatus("Start Services - This can take up to 30 seconds");
    service->SetServiceName(serviceName);
    inBackground([&] { service->Start(); });
    if (!waitForTunnel(*service)) {
        connectionError(*service);
        return;
    }
    showStatus("Configure Browser");
    const std::string connection = environment_.currentConnection();
    // The user's own options are kept before the first change, to be put
    // back at Restore and Exit. Without a copy the Hide still goes on: the
    // user asked for the address to be hidden.
    environment_.saveConnectionOptions(connection);
    environment_.setConnectionOptions(connection, localProxy);
    showStatus("Determine IP Address");
    std::string answer = probe();
    if (answer == unableToDetect)
        answer = probe();
    // Read back rather than trusted: a policy may fix the options, or the
    // browser may use another connection than the one written.
    report(judgeProtection(environment_.queryConnectionOptions(connection), realIp_, answer),
           answer);
}

void MainDialog::report(Protection protection, const std::string& answer) {
    switch (protection) {
    case Protection::obtained:
        protectedBy_ = answer;
        showStatus("Action Completed Successfully");
        tunnelWatch_.start(handle());
        break;
    case Protection::optionsNotTaken:
        protectedBy_ = notProtected;
        showWarning(optionsNotTaken, notProtectedTip);
        break;
    case Protection::realIpVisible:
        protectedBy_ = answer;
        showWarning(realIpVisible, notProtectedTip);
        break;
    }
}

std::string MainDialog::probe() {
    std::string answer;
    inBackground([&] { answer = environment_.visibleIp(); });
    return answer;
}

bool MainDialog::waitForTunnel(ServiceControl& service) {
    // Both are counts the user may set as high as they like; read as
    // unsigned, a stored -1 means "very many", never "none".
    const DWORD timeOut = environment_.readDword(settings::shared::timeOut);
    const DWORD retry = environment_.readDword(settings::shared::retry);
    // Made before the first read, so that a change right after it counts.
    std::unique_ptr<SharedKeyWatch> watch = environment_.watchSharedKey();
    bool ready = false;
    for (DWORD restarts = 0; !ready; ++restarts) {
        ready = pollReady(*watch, timeOut);
        if (ready || restarts >= retry)
            break;
        inBackground([&] {
            service.Stop();
            service.Start();
        });
    }
    hideProgress();
    return ready;
}

bool MainDialog::pollReady(SharedKeyWatch& watch, DWORD timeOut) {
    // The attempt's length is kept as time: a change of another value (the
    // progress) brings the next read forward but does not count as a
    // second. TimeOut 0 reads nothing.
    ULONGLONG left = ULONGLONG{timeOut} * pollInterval;
    while (left > 0) {
        if (environment_.readDword(settings::shared::ready) == 1)
            return true;
        showProgress(environment_.readDword(settings::shared::progress));
        const DWORD slice = static_cast<DWORD>(std::min<ULONGLONG>(left, pollInterval));
        left -= std::min<DWORD>(watch.waitForChange(slice), slice);
    }
    return false;
}

void MainDialog::showProgress(DWORD percent) {
    percent = std::min<DWORD>(percent, 100);
    if (shownProgress_ == percent)
        return;
    shownProgress_ = percent;
    HWND bar = item(IDC_PROGRESS);
    SendMessageA(bar, PBM_SETPOS, percent, 0);
    ShowWindow(bar, SW_SHOWNA);
    SetTrayTip(std::string(trayTip) + " - connecting " + std::to_string(percent) + "%");
}

void MainDialog::hideProgress() {
    if (!shownProgress_)
        return;
    shownProgress_.reset();
    ShowWindow(item(IDC_PROGRESS), SW_HIDE);
    SetTrayTip(trayTip);
}

void MainDialog::connectionError(ServiceControl& service) {
    showStatus("Connection Error!!!");
    environment_.troubleshoot();
    environment_.restoreConnections();
    inBackground([&] { service.Stop(); });
    endDialog(0);
}

void MainDialog::onNewIp() {
    BusyScope busy(*this);
    beginWorkflow();
    std::unique_ptr<ServiceControl> service = newService();
    showStatus("Stop Services");
    inBackground([&] { service->Stop(); });
    hide();
}

void MainDialog::onRestore() {
    BusyScope busy(*this);
    beginWorkflow();
    std::unique_ptr<ServiceControl> service = newService();
    showStatus("Stop Services");
    inBackground([&] { service->Stop(); });
    showStatus("De-Configure Browser");
    environment_.restoreConnections();
    protectedBy_ = notProtected;
    showStatus("Action Completed Successfully");
}

void MainDialog::onExit() {
    BusyScope busy(*this);
    beginWorkflow();
    std::unique_ptr<ServiceControl> service = newService();
    inBackground([&] { service->Stop(); });
    environment_.restoreConnections();
    endDialog(0);
}

framework::MessageResult MainDialog::onQueryEndSession(WPARAM, LPARAM) {
    return TRUE;
}

framework::MessageResult MainDialog::onEndSession(WPARAM ending, LPARAM) {
    // The process ends with the session once this returns, and the system
    // may end it sooner: the browser's options go back first, before the
    // stop that can take seconds, or the next session would start pointed
    // at a port nobody serves.
    if (!ending)
        return 0;
    BusyScope busy(*this);
    beginWorkflow();
    environment_.restoreConnections();
    std::unique_ptr<ServiceControl> service = newService();
    inBackground([&] { service->Stop(); });
    endDialog(0);
    return 0;
}

framework::MessageResult MainDialog::onTimer(WPARAM id, LPARAM) {
    const char* warning = nullptr;
    const char* tip = nullptr;
    switch (tunnelWatch_.check(id)) {
    case TunnelWatch::Finding::none:
        return std::nullopt;
    case TunnelWatch::Finding::tunnelDown:
        // The browser stays pointed at the local proxy, which now refuses
        // its requests: blocked rather than exposed, until the user chooses.
        warning = tunnelDown;
        tip = tunnelDownTip;
        break;
    case TunnelWatch::Finding::connectionUnprotected:
        warning = connectionUnprotected;
        tip = notProtectedTip;
        break;
    }
    showWarning(warning, tip);
    if (IsTrayIconShown())
        ShowTrayBalloon(trayTip, warning, NIIF_WARNING);
    return 0;
}

void MainDialog::onHelp() {
    environment_.open(installDir() + "\\help.html");
    showStatus("Help Loaded");
}

framework::MessageResult MainDialog::onHelpKey(WPARAM, LPARAM) {
    // Like the buttons, the key does nothing while a workflow runs: its
    // status line is the workflow's.
    if (!isBusy())
        onHelp();
    return TRUE;
}

void MainDialog::onMinimize() {
    hideInTray();
}

void MainDialog::onShowInterface() {
    RemoveTrayIcon();
    ShowWindow(handle(), SW_SHOW);
}

void MainDialog::onPrivacy() {
    environment_.cleanPrivacy();
}

framework::MessageResult MainDialog::onSysCommand(WPARAM wParam, LPARAM lParam) {
    if ((wParam & 0xFFF0) != IDM_ABOUTBOX)
        return TrayDialog::onSysCommand(wParam, lParam);
    // The box's own modal loop would hold a workflow's wait until it closed.
    if (!isBusy())
        AboutDialog().runModal();
    return 0;
}

void MainDialog::showStatus(const char* text) {
    status_ = text;
    pushTexts();
}

void MainDialog::showWarning(const char* text, const char* tip) {
    showStatusIcon(true);
    SetTrayTip(tip);
    showStatus(text);
}

void MainDialog::showStatusIcon(bool warning) {
    HICON icon = warning ? LoadIconA(nullptr, IDI_WARNING)
                         : LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_STATUS));
    SendDlgItemMessageA(handle(), IDC_STATUS_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void MainDialog::pushTexts() {
    updateData(false);
    // Between their waits the workflows keep the thread busy, so the
    // changed labels are painted now rather than at the next wait.
    RedrawWindow(handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

} // namespace controller
