#include "controller/TroubleshootDialog.h"

#include "framework/DataExchange.h"
#include "framework/Resources.h"
#include "resources/controller/resource.h"
#include "settings/SharedValues.h"

namespace controller {

namespace {
const char* const saveHint =
    "Press Save Settings to close Velquin. Start it again and try to change the IP address!";
// The values live under HKEY_LOCAL_MACHINE, which only an administrator may
// change: a standard user's Velquin cannot keep them.
const char* const notSaved =
    "The settings could not be saved: changing them needs Velquin run as administrator "
    "(right-click Velquin, then \"Run as administrator\").";
} // namespace

TroubleshootDialog::TroubleshootDialog()
    : ColouredDialog(IDD_TROUBLESHOOT), storedTimeOut_(settings::shared::timeOut),
      storedRetry_(settings::shared::retry), timeOut_(static_cast<int>(storedTimeOut_.get())),
      retry_(static_cast<int>(storedRetry_.get())) {
    onMessage(WM_CTLCOLORSTATIC, &TroubleshootDialog::onCtlColorStaticOnly);
}

void TroubleshootDialog::doDataExchange(framework::DataExchange& exchange) {
    exchange.control(IDOK, saveButton_);
    exchange.number(IDC_TIMEOUT, timeOut_);
    exchange.range(IDC_TIMEOUT, timeOut_, 1, 9999);
    exchange.number(IDC_RETRY, retry_);
    exchange.range(IDC_RETRY, retry_, 1, 99);
}

BOOL TroubleshootDialog::onInitDialog() {
    Dialog::onInitDialog();
    saveButton_.AssignIcon(IDI_GO);
    saveButton_.ShowFocusRect(true, true);
    saveButton_.SetHint(saveHint, true);
    saveButton_.UseParentBackground(false);
    // "Save Settings" is the first tab stop, so the focus starts there.
    return TRUE;
}

void TroubleshootDialog::onOK() {
    if (!updateData(true))
        return;
    bool saved = storedTimeOut_.set(static_cast<DWORD>(timeOut_));
    saved = storedRetry_.set(static_cast<DWORD>(retry_)) && saved;
    if (!saved) {
        framework::messageBox(notSaved, MB_OK | MB_ICONEXCLAMATION);
        endDialog(IDCANCEL);
        return;
    }
    endDialog(IDOK);
}

framework::MessageResult TroubleshootDialog::onCtlColorStaticOnly(WPARAM wParam, LPARAM lParam) {
    HWND control = reinterpret_cast<HWND>(lParam);
    char className[16] = {};
    GetClassNameA(control, className, sizeof className);
    // Read-only and disabled edits ask with the static request too; the
    // rule is for static controls alone.
    if (lstrcmpiA(className, "Static") != 0)
        return reflectToChild(WM_CTLCOLORSTATIC, wParam, lParam);
    return onCtlColorStatic(wParam, lParam);
}

} // namespace controller
