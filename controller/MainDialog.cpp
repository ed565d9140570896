#include "controller/MainDialog.h"

#include "controller/InstallDir.h"
#include "framework/DataExchange.h"
#include "framework/InternetError.h"
#include "framework/Resources.h"
#include "resources/controller/resource.h"

namespace controller {

namespace {
const char* const timeOutPath = "Software\\Velquin\\TimeOut";
const char* const retryPath = "Software\\Velquin\\Retry";
const char* const readyPath = "Software\\Velquin\\Ready";
const DWORD pollInterval = 1000;
} // namespace

MainDialog::MainDialog(WorkflowEnvironment& environment)
    : Dialog(IDD_VELQUIN_DIALOG), environment_(environment),
      icon_(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))) {
    onCommand(IDC_HIDE_IP, &MainDialog::onHideIp);
    onCommand(IDC_NEW_IP, &MainDialog::onNewIp);
    onCommand(IDC_RESTORE, &MainDialog::onRestore);
    onCommand(IDC_EXIT, &MainDialog::onExit);
    onCommand(IDC_HELP_BUTTON, &MainDialog::onHelp);
    onMessage(WM_HELP, &MainDialog::onHelpKey);
}

void MainDialog::doDataExchange(framework::DataExchange& exchange) {
    exchange.text(IDC_REAL_IP, realIp_);
    exchange.text(IDC_PROTECTED_BY, protectedBy_);
    exchange.text(IDC_STATUS, status_);
}

BOOL MainDialog::onInitDialog() {
    Dialog::onInitDialog();
    SendMessageA(handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    environment_.disableConnectionProxy(environment_.currentConnection());
    try {
        realIp_ = environment_.visibleIp();
    } catch (const framework::InternetError& error) {
        // The window still opens whole: the label stays empty and the user
        // reads why.
        framework::messageBox(error.what(), MB_OK | MB_ICONEXCLAMATION);
    }
    protectedBy_ = notProtected;
    status_ = "Press Hide Ip Now to get started";
    // The window is shown only after this, so its first paint has the texts.
    updateData(false);
    // "Hide IP Now" is the first tab stop, so the focus starts there.
    return TRUE;
}

std::unique_ptr<ServiceControl> MainDialog::newService() {
    std::unique_ptr<ServiceControl> service = environment_.newServiceControl();
    service->SetServiceName(serviceName);
    return service;
}

void MainDialog::onHideIp() {
    hide();
}

void MainDialog::hide() {
    std::unique_ptr<ServiceControl> service = environment_.newServiceControl();
    showStatus("Start Services - This can take up to 30 seconds");
    service->SetServiceName(serviceName);
    service->Start();
    if (!waitForTunnel(*service)) {
        connectionError(*service);
        return;
    }
    showStatus("Configure Browser");
    environment_.setConnectionOptions(environment_.currentConnection(), localProxy);
    showStatus("Determine IP Address");
    protectedBy_ = environment_.visibleIp();
    if (protectedBy_ == unableToDetect)
        protectedBy_ = environment_.visibleIp();
    showStatus("Action Completed Successfully");
}

bool MainDialog::waitForTunnel(ServiceControl& service) {
    // Both are counts the user may set as high as they like; read as
    // unsigned, a stored -1 means "very many", never "none".
    const DWORD timeOut = environment_.readDword(timeOutPath);
    const DWORD retry = environment_.readDword(retryPath);
    for (DWORD restarts = 0;; ++restarts) {
        for (DWORD failedReads = 0; failedReads < timeOut; ++failedReads) {
            if (environment_.readDword(readyPath) == 1)
                return true;
            environment_.sleep(pollInterval);
        }
        if (restarts >= retry)
            return false;
        service.Stop();
        service.Start();
    }
}

void MainDialog::connectionError(ServiceControl& service) {
    showStatus("Connection Error!!!");
    environment_.troubleshoot();
    environment_.disableConnectionProxy(environment_.currentConnection());
    service.Stop();
    endDialog(0);
}

void MainDialog::onNewIp() {
    std::unique_ptr<ServiceControl> service = newService();
    showStatus("Stop Services");
    service->Stop();
    hide();
}

void MainDialog::onRestore() {
    std::unique_ptr<ServiceControl> service = newService();
    showStatus("Stop Services");
    service->Stop();
    showStatus("De-Configure Browser");
    environment_.disableConnectionProxy(environment_.currentConnection());
    protectedBy_ = notProtected;
    showStatus("Action Completed Successfully");
}

void MainDialog::onExit() {
    std::unique_ptr<ServiceControl> service = newService();
    service->Stop();
    environment_.disableConnectionProxy(environment_.currentConnection());
    endDialog(0);
}

void MainDialog::onHelp() {
    environment_.open(installDir + "\\help.html");
    showStatus("Help Loaded");
}

framework::MessageResult MainDialog::onHelpKey(WPARAM, LPARAM) {
    onHelp();
    return TRUE;
}

void MainDialog::showStatus(const char* text) {
    status_ = text;
    pushTexts();
}

void MainDialog::pushTexts() {
    updateData(false);
    // The workflows keep the thread busy, so the changed labels are painted
    // now rather than when the thread next waits for messages.
    RedrawWindow(handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

} // namespace controller
