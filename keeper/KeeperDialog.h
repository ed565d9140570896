#pragma once

#include "framework/Control.h"
#include "framework/Dialog.h"
#include "framework/ListBox.h"
#include "framework/WindowTimer.h"

#include <string>

namespace keeper {

// The keeper's window: starts the tunnel client through the output pump
// when it opens (and on Run), lists every line the client prints, and
// publishes what the lines say of the tunnel (TunnelStatus).
class KeeperDialog : public framework::Dialog {
public:
    KeeperDialog();

    // True while a client started by this window is believed to run.
    bool isRunning() const { return running_; }

protected:
    BOOL onInitDialog() override;
    void doDataExchange(framework::DataExchange& exchange) override;
    // Enter and Esc leave the window open; only the close box ends it.
    void onOK() override {}
    void onCancel() override {}

private:
    void startClient();
    void updateControls();
    void appendLine(const std::string& line);

    framework::MessageResult onLines(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onFinished(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onProcessHandle(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onSysCommand(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onClose(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onTimer(WPARAM wParam, LPARAM lParam);
    void onRun();
    void onClear();
    void onCommandChanged();

    framework::Control runButton_;
    framework::Control clearButton_;
    framework::Control label_;
    framework::ListBox output_;
    framework::Control commandEdit_;
    bool running_ = false;
    // Runs while a burst of lines is being added, with the list not
    // repainted; it fires once the burst pauses.
    framework::WindowTimer repaint_{1};
};

} // namespace keeper
