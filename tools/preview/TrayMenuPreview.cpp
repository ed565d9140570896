// Hides a window in the notification area and opens the icon's menu there,
// for a screenshot; the menu is opened twice, so that the picture shows it as
// the user usually sees it, with "Show Interface" marked as the default.
// Built with the tests; scripts/shot runs it.
#include "resources/controller/resource.h"
#include "tools/preview/Preview.h"
#include "tray/TrayDialog.h"

namespace {

class PreviewWindow : public tray::TrayDialog {
public:
    PreviewWindow() : TrayDialog(2000) {}

protected:
    BOOL onInitDialog() override {
        TrayDialog::onInitDialog();
        SetTrayIcon(IDR_MAINFRAME);
        SetTrayTip("Velquin");
        SetTrayMenu(IDR_TRAY_MENU);
        return TRUE;
    }
};

HWND window = nullptr;

void openMenu() {
    PostMessageA(window, tray::WM_TRAYNOTIFY, tray::trayIconId, WM_RBUTTONDOWN);
}

void CALLBACK closeMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
}

void CALLBACK openSecondMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    openMenu();
    preview::reportStaged();
}

void hideAndOpenMenu(framework::Dialog& dialog) {
    window = dialog.handle();
    SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    // The cursor goes to the top of the task bar's right end, above the
    // notification area, so that the menu opens over the icon without
    // covering it.
    RECT bar{};
    GetWindowRect(FindWindowA("Shell_TrayWnd", nullptr), &bar);
    SetCursorPos(bar.right - 12, bar.top);
    openMenu();
    SetTimer(nullptr, 0, 500, &closeMenu);
    SetTimer(nullptr, 0, 1000, &openSecondMenu);
    // The second stays open until shortly before the preview ends.
    SetTimer(nullptr, 0, 9000, &closeMenu);
}

} // namespace

int main() {
    PreviewWindow dialog;
    return preview::runPreview(dialog, &hideAndOpenMenu);
}
