#pragma once

#include "framework/Dialog.h"
#include "framework/Handle.h"
#include "tray/TrayIconData.h"

#include <functional>
#include <string>

namespace tray {

// The message the shell sends the window for the icon's mouse events: the
// icon id in wParam, the mouse message in lParam.
constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;
// The window's only notification-area icon.
constexpr UINT trayIconId = 1;

// A dialog that can hide in the notification area: the title bar's close
// box and minimise command hide the window and put an icon there; a double
// click on the icon brings the window back, the right button opens the
// icon's menu, whose commands reach the window as ordinary menu commands.
// The icon, its tooltip and menu are configured before the icon is added;
// the shell is told when the icon is added or removed, and of a new tooltip
// while the icon is shown. When Explorer restarts, a shown icon is added
// again with its tooltip.
class TrayDialog : public framework::Dialog {
public:
    // Hands the record to the shell with NIM_ADD, NIM_MODIFY or NIM_DELETE;
    // true when the shell accepted.
    using ShellNotify = std::function<bool(DWORD command, TrayIconData& record)>;

    // The shell is the platform's notification area unless a test supplies
    // its own go-between.
    explicit TrayDialog(UINT templateId, ShellNotify notify = notifyShell);
    // Destroys the window while this object's members still exist, so that
    // an icon that is still shown goes with it.
    ~TrayDialog() override;

    // Loads icon `iconId` of the program for the icon; one that does not
    // load changes nothing (the shell then shows an empty slot).
    void SetTrayIcon(WORD iconId);
    // The icon's tooltip; texts longer than the record's 127 characters are
    // cut to fit. A shown icon shows the new text at once.
    void SetTrayTip(const std::string& text);
    // Shows `text` under `title` in a balloon at the icon, with the shell's
    // icon `infoFlags` (NIIF_WARNING and the like); texts too long for the
    // record are cut to fit. False when no icon is shown (the shell is then
    // not asked) or the shell refused.
    bool ShowTrayBalloon(const std::string& title, const std::string& text, DWORD infoFlags);
    // Loads menu `menuId` of the program; its first pop-up is the icon's
    // menu. False when the menu does not load.
    bool SetTrayMenu(WORD menuId);

    // Adds the icon unless it is shown already (then false, and the shell is
    // not asked); returns the shell's answer.
    bool AddTrayIcon();
    // Removes the icon if it is shown (otherwise false, and the shell is not
    // asked); returns the shell's answer.
    bool RemoveTrayIcon();
    bool IsTrayIconShown() const { return iconShown_; }

    const TrayIconData& iconData() const { return iconData_; }
    HMENU trayMenu() const { return trayMenu_.get(); }

    static bool notifyShell(DWORD command, TrayIconData& record);

    // The position of the pop-up's default item ("Show Interface" in the
    // controller's menu), marked once the menu has been shown.
    static constexpr UINT defaultItem = 0;
    // How long a balloon asks to stay; the shell keeps it within its own
    // limits.
    static constexpr UINT balloonTimeoutMs = 10000;

protected:
    // The icon's mouse events, with the cursor's screen position.
    virtual void OnTrayLeftDown(POINT) {}
    // Brings the window back if the icon could be removed.
    virtual void OnTrayLeftDoubleClick(POINT at);
    // Shows the pop-up menu at `at`.
    virtual void OnTrayRightDown(POINT at);
    virtual void OnTrayRightDoubleClick(POINT) {}
    virtual void OnTrayMouseMove(POINT) {}

    // The handlers for system commands and window destruction. A derived
    // window that handles these messages adds entries of its own, which win,
    // and calls these for what it leaves to the tray.
    framework::MessageResult onSysCommand(WPARAM wParam, LPARAM lParam);
    framework::MessageResult onDestroy(WPARAM wParam, LPARAM lParam);

    void onCreate() override;

    // Adds the icon (once more if the shell refused) and hides the window,
    // unless no icon could be shown: a hidden window without an icon could
    // not be brought back. Returns whether the window was hidden.
    bool hideInTray();

    // Whether the title bar's close and minimise hide the window in the
    // notification area; on from construction.
    bool minimizeToTray_ = true;

private:
    framework::MessageResult onTrayNotify(WPARAM wParam, LPARAM lParam);
    // The shell's notice that its task bar was made anew (Explorer
    // restarted): the new notification area has none of the old icons.
    framework::MessageResult onTaskbarCreated(WPARAM wParam, LPARAM lParam);

    ShellNotify notify_;
    bool iconShown_ = false;
    TrayIconData iconData_{};
    framework::Icon icon_;
    framework::Menu trayMenu_;
};

} // namespace tray
