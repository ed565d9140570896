#include "tray/TrayDialog.h"

#include <algorithm>

namespace tray {

namespace {
// Copies as much of `text` as `field` holds with its terminating NUL.
template <std::size_t size> void copyCut(char (&field)[size], const std::string& text) {
    std::size_t length = std::min(text.size(), size - 1);
    text.copy(field, length);
    field[length] = '\0';
}
} // namespace

TrayDialog::TrayDialog(UINT templateId, ShellNotify notify)
    : Dialog(templateId), notify_(std::move(notify)) {
    iconData_.cbSize = sizeof iconData_;
    iconData_.uID = trayIconId;
    iconData_.uFlags = NIF_MESSAGE;
    iconData_.uCallbackMessage = WM_TRAYNOTIFY;

    onMessage(WM_DESTROY, &TrayDialog::onDestroy);
    onMessage(WM_SYSCOMMAND, &TrayDialog::onSysCommand);
    onMessage(WM_TRAYNOTIFY, &TrayDialog::onTrayNotify);
    onMessage(RegisterWindowMessageA("TaskbarCreated"), &TrayDialog::onTaskbarCreated);
}

TrayDialog::~TrayDialog() {
    // The window's WM_DESTROY no longer reaches this object (the dialog
    // lets go of its window first), so the icon goes here.
    RemoveTrayIcon();
}

bool TrayDialog::notifyShell(DWORD command, TrayIconData& record) {
    return Shell_NotifyIconA(command, record.asShellRecord()) != FALSE;
}

void TrayDialog::SetTrayIcon(WORD iconId) {
    // The notification area shows the small size; an icon of our own (not
    // the shared one LoadIcon gives) is loaded in that size and freed with
    // the window object.
    auto* loaded = static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    if (loaded == nullptr)
        return;
    icon_.reset(loaded);
    iconData_.hIcon = loaded;
    iconData_.uFlags |= NIF_ICON;
}

void TrayDialog::SetTrayTip(const std::string& text) {
    copyCut(iconData_.szTip, text);
    iconData_.uFlags |= NIF_TIP;
    if (iconShown_)
        notify_(NIM_MODIFY, iconData_);
}

bool TrayDialog::ShowTrayBalloon(const std::string& title, const std::string& text,
                                 DWORD infoFlags) {
    if (!iconShown_)
        return false;
    copyCut(iconData_.szInfoTitle, title);
    copyCut(iconData_.szInfo, text);
    iconData_.dwInfoFlags = infoFlags;
    iconData_.uTimeout = balloonTimeoutMs;
    iconData_.uFlags |= NIF_INFO;
    bool shown = notify_(NIM_MODIFY, iconData_);
    // A later change of the tip must not show the balloon again.
    iconData_.uFlags &= ~NIF_INFO;
    return shown;
}

bool TrayDialog::SetTrayMenu(WORD menuId) {
    HMENU loaded = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuId));
    if (loaded == nullptr)
        return false;
    trayMenu_.reset(loaded);
    return true;
}

bool TrayDialog::AddTrayIcon() {
    if (iconShown_)
        return false;
    bool added = notify_(NIM_ADD, iconData_);
    if (added)
        iconShown_ = true;
    return added;
}

bool TrayDialog::RemoveTrayIcon() {
    if (!iconShown_)
        return false;
    bool removed = notify_(NIM_DELETE, iconData_);
    if (removed)
        iconShown_ = false;
    return removed;
}

void TrayDialog::onCreate() {
    iconData_.hWnd = handle();
    iconData_.uID = trayIconId;
}

framework::MessageResult TrayDialog::onDestroy(WPARAM, LPARAM) {
    // An icon whose window is gone would stay in the notification area until
    // the mouse passes over it. Through RemoveTrayIcon, so that a window
    // created again from this object can show its icon again.
    RemoveTrayIcon();
    return std::nullopt;
}

framework::MessageResult TrayDialog::onSysCommand(WPARAM wParam, LPARAM) {
    // The low four bits of a system command are the system's own.
    UINT command = static_cast<UINT>(wParam) & 0xFFF0;
    if (!minimizeToTray_ || (command != SC_CLOSE && command != SC_MINIMIZE))
        return std::nullopt;
    if (hideInTray() || command == SC_CLOSE)
        return 0;
    // Without an icon the window minimises the ordinary way, where the task
    // bar still reaches it; a close leaves it open.
    return std::nullopt;
}

bool TrayDialog::hideInTray() {
    // A shell that is still starting may refuse the first add.
    if (!AddTrayIcon())
        AddTrayIcon();
    if (!iconShown_)
        return false;
    ShowWindow(handle(), SW_HIDE);
    return true;
}

framework::MessageResult TrayDialog::onTrayNotify(WPARAM wParam, LPARAM lParam) {
    // The callback number is also the dialog message DM_SETDEFID: what is
    // not about our icon keeps its default processing.
    if (wParam != trayIconId)
        return std::nullopt;
    POINT at{};
    GetCursorPos(&at);
    switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONDOWN:
        OnTrayLeftDown(at);
        break;
    case WM_LBUTTONDBLCLK:
        OnTrayLeftDoubleClick(at);
        break;
    case WM_RBUTTONDOWN:
    case WM_CONTEXTMENU:
        OnTrayRightDown(at);
        break;
    case WM_RBUTTONDBLCLK:
        OnTrayRightDoubleClick(at);
        break;
    case WM_MOUSEMOVE:
        OnTrayMouseMove(at);
        break;
    default:
        // Button releases and the rest.
        break;
    }
    return 0;
}

framework::MessageResult TrayDialog::onTaskbarCreated(WPARAM, LPARAM) {
    if (!iconShown_)
        return 0;
    // Added anew, tooltip and all; a shell that is still starting may
    // refuse the first add.
    iconShown_ = false;
    if (!AddTrayIcon() && !AddTrayIcon())
        // A window hidden without an icon could be brought back only by
        // starting the program again.
        ShowWindow(handle(), SW_SHOW);
    return 0;
}

void TrayDialog::OnTrayLeftDoubleClick(POINT) {
    if (minimizeToTray_ && RemoveTrayIcon())
        ShowWindow(handle(), SW_SHOW);
}

void TrayDialog::OnTrayRightDown(POINT at) {
    HMENU popup = GetSubMenu(trayMenu_.get(), 0);
    if (popup == nullptr)
        return;
    // Without the foreground the menu would not close when the user clicks
    // elsewhere.
    SetForegroundWindow(handle());
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0,
                   handle(), nullptr);
    // Marked only after the menu closed: the first menu of a run shows no
    // default item, every later one does.
    SetMenuDefaultItem(popup, defaultItem, TRUE);
}

} // namespace tray
