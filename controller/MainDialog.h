#pragma once

#include "controller/WorkflowEnvironment.h"
#include "framework/Dialog.h"

#include <string>

namespace controller {

// The controller's window. Its buttons run the connection workflows: hide
// the address (start the tunnel service, wait for Ready, point the
// connection at the local proxy, ask which address the world sees), get a
// new one, restore the real one, and exit. Each workflow blocks the window's
// thread; the status line shows every step as it comes.
class MainDialog : public framework::Dialog {
public:
    static constexpr const char* serviceName = "Velquin";
    static constexpr const char* localProxy = "127.0.0.1:8081";
    static constexpr const char* notProtected = "N/A - Your Real Real IP is visible";
    static constexpr const char* unableToDetect = "Unable to detect";

    explicit MainDialog(WorkflowEnvironment& environment);

    const std::string& realIp() const { return realIp_; }
    const std::string& protectedBy() const { return protectedBy_; }
    const std::string& status() const { return status_; }

protected:
    BOOL onInitDialog() override;
    void doDataExchange(framework::DataExchange& exchange) override;
    // Enter runs the focused button, which the system makes the default
    // one; the window has no OK action and never ends with IDOK.
    void onOK() override {}

private:
    void onHideIp();
    void onNewIp();
    void onRestore();
    void onExit();
    void onHelp();
    framework::MessageResult onHelpKey(WPARAM wParam, LPARAM lParam);

    void hide();
    // Polls Ready, restarting the service between attempts; true once the
    // tunnel is ready.
    bool waitForTunnel(ServiceControl& service);
    void connectionError(ServiceControl& service);
    std::unique_ptr<ServiceControl> newService();
    // Puts `text` in the status line and brings all texts to the screen.
    void showStatus(const char* text);
    void pushTexts();

    WorkflowEnvironment& environment_;
    HICON icon_;
    std::string realIp_;
    std::string protectedBy_;
    std::string status_;
};

} // namespace controller
