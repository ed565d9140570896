#include "keeper/KeeperDialog.h"

#include "framework/DataExchange.h"
#include "framework/Resources.h"
#include "keeper/ErrorText.h"
#include "keeper/PipeMessages.h"
#include "keeper/ProcessPipe.h"
#include "tunnelclient/TunnelStatus.h"
#include "resources/keeper/resource.h"
#include "settings/RegStringValue.h"
#include "settings/SharedValues.h"

namespace keeper {

namespace {
// The list is repainted this long after lines begin to arrive, as soon as
// no posted message waits.
const UINT repaintDelayMs = 50;
} // namespace

KeeperDialog::KeeperDialog() : Dialog(IDD_KEEPER) {
    onMessage(UPM_LINES, &KeeperDialog::onLines);
    onMessage(UPM_FINISHED, &KeeperDialog::onFinished);
    onMessage(UPM_PROCESS_HANDLE, &KeeperDialog::onProcessHandle);
    onCommand(IDC_RUN, &KeeperDialog::onRun);
    onCommand(IDC_CLEAR, &KeeperDialog::onClear);
    onCommand(IDC_COMMAND, &KeeperDialog::onCommandChanged, EN_CHANGE);
    onMessage(WM_SYSCOMMAND, &KeeperDialog::onSysCommand);
    onMessage(WM_CLOSE, &KeeperDialog::onClose);
    onMessage(WM_TIMER, &KeeperDialog::onTimer);
}

void KeeperDialog::doDataExchange(framework::DataExchange& exchange) {
    exchange.control(IDC_RUN, runButton_);
    exchange.control(IDC_CLEAR, clearButton_);
    exchange.control(IDC_COMMAND_LABEL, label_);
    exchange.control(IDC_OUTPUT, output_);
    exchange.control(IDC_COMMAND, commandEdit_);
}

BOOL KeeperDialog::onInitDialog() {
    Dialog::onInitDialog();
    appendSystemMenuItem(IDS_ABOUTBOX, IDM_ABOUTBOX);
    setIcon(IDR_MAINFRAME);
    startClient();
    return TRUE;
}

void KeeperDialog::startClient() {
    auto record = std::make_unique<ProcessPipe>();
    record->command = settings::RegStringValue(settings::shared::cmd).get();
    record->window = handle();
    record->tag = 0;
    running_ = ProcessPipe::start(std::move(record));
    if (!running_)
        appendLine(errorText(GetLastError()));
    updateControls();
}

void KeeperDialog::updateControls() {
    std::string command = commandEdit_.text();
    const char* blanks = " \t\r\n\v\f";
    bool hasCommand = command.find_first_not_of(blanks) != std::string::npos;
    runButton_.enable(hasCommand && !running_);
    commandEdit_.enable(!running_);
    label_.enable(!running_);
    clearButton_.enable(output_.count() > 0);
}

void KeeperDialog::appendLine(const std::string& line) {
    output_.addString(line);
}

framework::MessageResult KeeperDialog::onLines(WPARAM wParam, LPARAM) {
    std::unique_ptr<LineBatch> lines(reinterpret_cast<LineBatch*>(wParam));
    // Repainting the list costs far more than adding lines to it, so lines
    // are added with repainting off, and the list is repainted when the
    // timer fires. A timer message comes only when no posted message waits:
    // a flood is shown once it pauses, a slower stream every 50 ms.
    if (!repaint_.running()) {
        output_.setRedraw(false);
        repaint_.start(handle(), repaintDelayMs);
    }
    for (const std::string& line : *lines) {
        appendLine(line);
        tunnelclient::TunnelStatus::onClientLine(line);
    }
    return 0;
}

framework::MessageResult KeeperDialog::onTimer(WPARAM wParam, LPARAM) {
    if (wParam != repaint_.id())
        return std::nullopt;
    repaint_.stop();
    output_.setRedraw(true);
    return 0;
}

framework::MessageResult KeeperDialog::onFinished(WPARAM wParam, LPARAM) {
    running_ = false;
    if (wParam != 0)
        appendLine(errorText(static_cast<DWORD>(wParam)));
    // The tunnel is gone with its client: Ready must not keep claiming it.
    tunnelclient::TunnelStatus::clear();
    updateControls();
    return 0;
}

framework::MessageResult KeeperDialog::onProcessHandle(WPARAM wParam, LPARAM) {
    // The client is found by name when it has to be ended; its handle is of
    // no further use.
    CloseHandle(reinterpret_cast<HANDLE>(wParam));
    return 0;
}

void KeeperDialog::onRun() {
    startClient();
}

void KeeperDialog::onClear() {
    output_.reset();
    updateControls();
}

void KeeperDialog::onCommandChanged() {
    updateControls();
}

framework::MessageResult KeeperDialog::onSysCommand(WPARAM wParam, LPARAM) {
    if ((wParam & 0xFFF0) != IDM_ABOUTBOX)
        return std::nullopt;
    framework::Dialog about(IDD_ABOUTBOX);
    about.runModal(handle());
    return 0;
}

framework::MessageResult KeeperDialog::onClose(WPARAM, LPARAM) {
    updateData(true);
    endDialog(IDOK);
    return 0;
}

} // namespace keeper
