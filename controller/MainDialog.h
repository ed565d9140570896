#pragma once

#include "controller/Protection.h"
#include "controller/TunnelWatch.h"
#include "controller/WorkflowEnvironment.h"
#include "controls/DialogColours.h"
#include "controls/HyperlinkLabel.h"
#include "controls/ImageButton.h"
#include "tray/TrayDialog.h"

#include <array>
#include <optional>
#include <string>

namespace controller {

// The controller's window. Its buttons run the connection workflows: hide
// the address (start the tunnel service, wait for Ready, point the
// connection at the local proxy, ask which address the world sees), get a
// new one, restore the real one, and exit. While a workflow waits (for the
// service, the tunnel or the probe) the window stays alive but takes no
// command; the status line shows every step as it comes, and a progress bar
// below it the tunnel's start-up while the workflow waits for it. A Hide
// that did not get the browser behind the tunnel ends in a warning, and
// while the address is hidden the window warns when the tunnel goes down or
// the active connection no longer points at the local proxy.
// The window hides in the notification area instead of closing, opens the
// privacy cleaner, and links to the echo server's page about the visible
// address.
class MainDialog : public controls::ColouredDialog<tray::TrayDialog> {
public:
    static constexpr const char* serviceName = "Velquin";
    static constexpr const char* localProxy = "127.0.0.1:8081";
    static constexpr const char* notProtected = "N/A - Your Real Real IP is visible";
    static constexpr const char* optionsNotTaken =
        "Warning: the browser settings could not be changed";
    static constexpr const char* realIpVisible = "Warning: your real IP is still visible";
    static constexpr const char* tunnelDown = "Warning: the tunnel is down - press Get A New IP";
    static constexpr const char* connectionUnprotected =
        "Warning: a new connection - press Hide IP Now";

    // The seven command buttons in tab order, with their icons and hints.
    struct ButtonLook {
        int id;
        WORD icon;
        const char* hint;
    };
    static const std::array<ButtonLook, 7> buttonLooks;

    explicit MainDialog(WorkflowEnvironment& environment,
                        ShellNotify notify = tray::TrayDialog::notifyShell);

    const std::string& realIp() const { return realIp_; }
    const std::string& protectedBy() const { return protectedBy_; }
    const std::string& status() const { return status_; }
    controls::ImageButton& button(std::size_t index) { return buttons_[index]; }
    controls::HyperlinkLabel& link() { return link_; }

protected:
    BOOL onInitDialog() override;
    void doDataExchange(framework::DataExchange& exchange) override;
    // Enter runs the focused button, which the system makes the default
    // one; the window has no OK action and never ends with IDOK.
    void onOK() override {}

private:
    framework::MessageResult onSysCommand(WPARAM wParam, LPARAM lParam);
    void onHideIp();
    void onNewIp();
    void onRestore();
    void onExit();
    void onHelp();
    void onMinimize();
    void onShowInterface();
    void onPrivacy();
    framework::MessageResult onHelpKey(WPARAM wParam, LPARAM lParam);
    // Logoff and shutdown are allowed; when the session ends, the browser's
    // options go back and the service stops, in that order.
    framework::MessageResult onQueryEndSession(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onEndSession(WPARAM wParam, LPARAM lParam);
    // The tunnel watch's reads.
    framework::MessageResult onTimer(WPARAM wParam, LPARAM lParam);

    void furnishControls();

    // What every workflow starts with: no tunnel watch, and the status
    // icon and tray tip of a window without warning.
    void beginWorkflow();
    void hide();
    // Ends a Hide with what its probes found: success, or a warning.
    void report(Protection protection, const std::string& answer);
    // Polls Ready, restarting the service between attempts; true once the
    // tunnel is ready.
    bool waitForTunnel(ServiceControl& service);
    // One attempt: true once Ready is 1 within `timeOut` seconds.
    bool pollReady(SharedKeyWatch& watch, DWORD timeOut);
    std::string probe();
    // The progress bar and the tray tip show `percent` of the tunnel's
    // start-up; hideProgress() takes both back.
    void showProgress(DWORD percent);
    void hideProgress();
    void connectionError(ServiceControl& service);
    std::unique_ptr<ServiceControl> newService();
    // Puts `text` in the status line and brings all texts to the screen.
    void showStatus(const char* text);
    // Puts the warning `text` in the status line with the warning icon, and
    // `tip` in the tray icon's tooltip.
    void showWarning(const char* text, const char* tip);
    void showStatusIcon(bool warning);
    void pushTexts();

    WorkflowEnvironment& environment_;
    std::array<controls::ImageButton, 7> buttons_;
    controls::HyperlinkLabel link_;
    std::string realIp_;
    std::string protectedBy_;
    std::string status_;
    std::optional<DWORD> shownProgress_;
    TunnelWatch tunnelWatch_;
};

} // namespace controller
