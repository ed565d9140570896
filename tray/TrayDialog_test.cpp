#include "tray/TrayDialog.h"

#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::waitUntil;
using tray::TrayDialog;
using tray::WM_TRAYNOTIFY;

namespace {

// The window (TrayWindow_test.rc), icon, menu and "Show Interface" command
// (TrayDialog_test.rc).
const UINT trayTemplate = 2000;
const WORD testIcon = 2001;
const WORD testMenu = 2002;
const UINT showInterface = 2003;

struct ShellCall {
    DWORD command;
    HWND window;
    bool accepted;
    std::string tip;
    // The balloon's text when the call shows one, else empty.
    std::string balloon;
};

// Passes a window's requests on to the real notification area and logs them
// with the shell's answers; it can refuse adds first, as a shell that is not
// ready does.
class ShellLog {
public:
    int addsToRefuse = 0;
    std::vector<ShellCall> calls;

    TrayDialog::ShellNotify notify() {
        return [this](DWORD command, tray::TrayIconData& record) {
            bool accepted = false;
            if (command == NIM_ADD && addsToRefuse > 0)
                --addsToRefuse;
            else
                accepted = TrayDialog::notifyShell(command, record);
            calls.push_back({command, record.hWnd, accepted, record.szTip,
                             record.uFlags & NIF_INFO ? record.szInfo : ""});
            return accepted;
        };
    }
    int count(DWORD command) const {
        int n = 0;
        for (const ShellCall& call : calls)
            n += call.command == command ? 1 : 0;
        return n;
    }
};

// Whether the notification area holds the window's icon, asked without
// changing it: a modify with no flags succeeds only for an icon it has.
bool shellHasIcon(HWND window) {
    NOTIFYICONDATAA probe{};
    probe.cbSize = NOTIFYICONDATAA_V2_SIZE;
    probe.hWnd = window;
    probe.uID = tray::trayIconId;
    return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE;
}

// A window set up the way the controller's main window uses the base: icon,
// tip and menu at opening, and "Show Interface" removing the icon and
// showing the window. The icon's operations are logged, and passed on to the
// base unless a test only wants to see them arrive.
class TrayWindow : public TrayDialog {
public:
    explicit TrayWindow(ShellLog& shell) : TrayDialog(trayTemplate, shell.notify()) {
        onCommand(showInterface, &TrayWindow::onShowInterface);
        onMessage(WM_INITMENUPOPUP, &TrayWindow::onInitMenuPopup);
    }

    bool passOn = true;
    std::vector<std::string> events;
    POINT rightDownAt{};
    int showInterfaceCommands = 0;
    // The pop-up's default item each time the menu opened.
    std::vector<UINT> defaultsWhenOpened;

    bool visible() const { return IsWindowVisible(handle()) != FALSE; }
    void sysCommand(UINT command) { SendMessageA(handle(), WM_SYSCOMMAND, command, 0); }
    LRESULT trayNotify(UINT mouseMessage, UINT iconId = tray::trayIconId) {
        return SendMessageA(handle(), WM_TRAYNOTIFY, iconId, mouseMessage);
    }
    HMENU popup() const { return GetSubMenu(trayMenu(), 0); }

protected:
    BOOL onInitDialog() override {
        TrayDialog::onInitDialog();
        SetTrayIcon(testIcon);
        SetTrayTip("Velquin");
        SetTrayMenu(testMenu);
        return TRUE;
    }
    void OnTrayLeftDown(POINT) override { events.push_back("left down"); }
    void OnTrayLeftDoubleClick(POINT at) override {
        events.push_back("left double click");
        if (passOn)
            TrayDialog::OnTrayLeftDoubleClick(at);
    }
    void OnTrayRightDown(POINT at) override {
        events.push_back("right down");
        rightDownAt = at;
        if (passOn)
            TrayDialog::OnTrayRightDown(at);
    }
    void OnTrayRightDoubleClick(POINT) override { events.push_back("right double click"); }
    void OnTrayMouseMove(POINT) override { events.push_back("mouse move"); }

private:
    framework::MessageResult onInitMenuPopup(WPARAM wParam, LPARAM) {
        defaultsWhenOpened.push_back(GetMenuDefaultItem(reinterpret_cast<HMENU>(wParam), TRUE, 0));
        return std::nullopt;
    }
    void onShowInterface() {
        ++showInterfaceCommands;
        RemoveTrayIcon();
        ShowWindow(handle(), SW_SHOW);
    }
};

// Opens a shown window with no icon, as the controller starts.
void open(TrayWindow& window) {
    ASSERT_TRUE(window.create());
    ShowWindow(window.handle(), SW_SHOW);
    ASSERT_TRUE(window.visible());
}

// The window is hidden and only its icon is left, or the other way round.
void expectHiddenInTray(const TrayWindow& window) {
    EXPECT_FALSE(window.visible());
    EXPECT_TRUE(window.IsTrayIconShown());
    EXPECT_TRUE(shellHasIcon(window.handle()));
}
void expectShownWithoutIcon(const TrayWindow& window) {
    EXPECT_TRUE(window.visible());
    EXPECT_FALSE(window.IsTrayIconShown());
    EXPECT_FALSE(shellHasIcon(window.handle()));
}

} // namespace

TEST(TrayDialog, RecordIsCompleteOnceTheWindowExistsAndTheIconWaitsToBeAdded) {
    ShellLog shell;
    TrayWindow window(shell);
    EXPECT_EQ(window.iconData().hWnd, nullptr);
    open(window);
    const tray::TrayIconData& record = window.iconData();
    EXPECT_EQ(record.hWnd, window.handle());
    EXPECT_EQ(record.uID, 1u);
    EXPECT_EQ(record.uCallbackMessage, 0x401u);
    EXPECT_EQ(record.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_NE(record.hIcon, nullptr);
    EXPECT_STREQ(record.szTip, "Velquin");
    EXPECT_TRUE(shell.calls.empty());
    EXPECT_FALSE(shellHasIcon(window.handle()));

    // An icon or a menu that does not load leaves the last good one.
    window.SetTrayIcon(9999);
    EXPECT_EQ(window.iconData().hIcon, record.hIcon);
    EXPECT_FALSE(window.SetTrayMenu(9999));
    EXPECT_NE(window.popup(), nullptr);
}

TEST(TrayDialog, TipIsCutToFitTheRecord) {
    ShellLog shell;
    TrayWindow window(shell);
    const std::string exact(127, 'x');
    window.SetTrayTip(exact + "yz");
    EXPECT_EQ(window.iconData().szTip, exact);
    window.SetTrayTip(exact);
    EXPECT_EQ(window.iconData().szTip, exact);
    window.SetTrayTip("Velquin");
    EXPECT_STREQ(window.iconData().szTip, "Velquin");
}

TEST(TrayDialog, ANewTipReachesTheShellOnlyWhileTheIconIsShown) {
    ShellLog shell;
    TrayWindow window(shell);
    open(window);
    window.SetTrayTip("Velquin - connecting 5%");
    EXPECT_TRUE(shell.calls.empty());
    window.sysCommand(SC_MINIMIZE);
    ASSERT_TRUE(window.IsTrayIconShown());
    EXPECT_EQ(shell.calls.back().tip, "Velquin - connecting 5%");
    window.SetTrayTip("Velquin - connecting 45%");
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].command, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_TRUE(shell.calls[1].accepted);
    EXPECT_EQ(shell.calls[1].tip, "Velquin - connecting 45%");
}

TEST(TrayDialog, ABalloonShowsOnlyAtAShownIconAndOnlyOnce) {
    ShellLog shell;
    TrayWindow window(shell);
    open(window);
    EXPECT_FALSE(window.ShowTrayBalloon("Velquin", "down", NIIF_WARNING));
    EXPECT_TRUE(shell.calls.empty());

    window.sysCommand(SC_MINIMIZE);
    ASSERT_TRUE(window.IsTrayIconShown());
    const std::string longest(255, 'x');
    EXPECT_TRUE(window.ShowTrayBalloon("Velquin", longest + "yz", NIIF_WARNING));
    EXPECT_EQ(shell.calls.back().command, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(shell.calls.back().balloon, longest);
    EXPECT_EQ(window.iconData().dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
    // A later tip leaves the balloon where it was.
    window.SetTrayTip("Velquin - tunnel down");
    EXPECT_EQ(shell.calls.back().balloon, "");
}

TEST(TrayDialog, CloseAndMinimiseHideInTheTrayUntilDoubleClickOrShowInterface) {
    ShellLog shell;
    TrayWindow window(shell);
    open(window);
    expectShownWithoutIcon(window);

    window.sysCommand(SC_CLOSE);
    expectHiddenInTray(window);
    window.trayNotify(WM_LBUTTONDBLCLK);
    expectShownWithoutIcon(window);

    // The low four bits of a system command are the system's own.
    window.sysCommand(SC_MINIMIZE | 0x2);
    expectHiddenInTray(window);
    SendMessageA(window.handle(), WM_COMMAND, showInterface, 0);
    expectShownWithoutIcon(window);

    ASSERT_EQ(shell.calls.size(), 4u);
    for (const ShellCall& call : shell.calls) {
        EXPECT_EQ(call.window, window.handle());
        EXPECT_TRUE(call.accepted);
    }
    EXPECT_EQ(shell.count(NIM_ADD), 2);
    EXPECT_EQ(shell.count(NIM_DELETE), 2);

    // Other system commands keep their ordinary meaning.
    window.sysCommand(SC_MAXIMIZE);
    EXPECT_TRUE(IsZoomed(window.handle()));
    EXPECT_FALSE(window.IsTrayIconShown());
}

TEST(TrayDialog, MinimiseWhileTheIconIsShownAddsNoSecondIcon) {
    ShellLog shell;
    TrayWindow window(shell);
    open(window);
    window.sysCommand(SC_MINIMIZE);
    // Shown from outside while hidden, as a second start of the program does.
    ShowWindow(window.handle(), SW_SHOW);
    window.sysCommand(SC_MINIMIZE);
    expectHiddenInTray(window);
    EXPECT_EQ(shell.count(NIM_ADD), 1);

    // One double click takes the one icon away.
    window.trayNotify(WM_LBUTTONDBLCLK);
    expectShownWithoutIcon(window);
    window.trayNotify(WM_LBUTTONDBLCLK);
    EXPECT_EQ(shell.count(NIM_DELETE), 1);
}

TEST(TrayDialog, RefusedAddIsTriedOnceMoreAndWithoutAnIconTheWindowStaysReachable) {
    ShellLog shell;
    TrayWindow window(shell);
    open(window);
    shell.addsToRefuse = 1;
    window.sysCommand(SC_CLOSE);
    expectHiddenInTray(window);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_FALSE(shell.calls[0].accepted);
    EXPECT_TRUE(shell.calls[1].accepted);
    window.trayNotify(WM_LBUTTONDBLCLK);

    // Refused twice: a close leaves the window open, a minimise minimises it
    // to the task bar.
    shell.calls.clear();
    shell.addsToRefuse = 4;
    window.sysCommand(SC_CLOSE);
    expectShownWithoutIcon(window);
    window.sysCommand(SC_MINIMIZE);
    EXPECT_TRUE(IsIconic(window.handle()));
    EXPECT_FALSE(window.IsTrayIconShown());
    EXPECT_EQ(shell.count(NIM_ADD), 4);
    EXPECT_EQ(shell.count(NIM_DELETE), 0);
}

TEST(TrayDialog, DestroyedWindowLeavesNoIconBehind) {
    ShellLog shell;
    HWND first = nullptr;
    {
        TrayWindow window(shell);
        open(window);
        window.sysCommand(SC_CLOSE);
        first = window.handle();
        DestroyWindow(first);
        EXPECT_FALSE(window.IsTrayIconShown());

        // The same object with a new window shows its icon again.
        open(window);
        window.sysCommand(SC_CLOSE);
        expectHiddenInTray(window);
        shell.calls.clear();
        first = window.handle();
    } // The object goes while its window is hidden.
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].command, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(shell.calls[0].window, first);
    EXPECT_TRUE(shell.calls[0].accepted);
}

TEST(TrayDialog, MouseMessagesOfTheIconReachTheirOperations) {
    ShellLog shell;
    TrayWindow window(shell);
    window.passOn = false;
    open(window);
    for (UINT message :
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP,
          WM_CONTEXTMENU, WM_RBUTTONDBLCLK, WM_MOUSEMOVE, WM_MBUTTONDOWN})
        EXPECT_EQ(window.trayNotify(message), 0) << message;
    // Another icon's events are not ours.
    window.trayNotify(WM_LBUTTONDOWN, 2);
    EXPECT_EQ(window.events,
              (std::vector<std::string>{"left down", "left double click", "right down",
                                        "right down", "right double click", "mouse move"}));

    // The menu opens where the cursor is.
    SetCursorPos(300, 200);
    POINT cursor{};
    GetCursorPos(&cursor);
    window.trayNotify(WM_RBUTTONDOWN);
    EXPECT_EQ(window.rightDownAt.x, cursor.x);
    EXPECT_EQ(window.rightDownAt.y, cursor.y);
}

TEST(TrayDialog, MenuOpensOnTheRightButtonAndItsChoiceComesBackAsACommand) {
    ShellLog shell;
    TrayWindow window(shell);
    open(window);
    window.sysCommand(SC_CLOSE);

    // The menu runs its own loop: the keys wait in the queue for it, and a
    // timer closes it should they not reach it.
    struct Bound {
        static void CALLBACK endMenu(HWND, UINT, UINT_PTR id, DWORD) {
            KillTimer(nullptr, id);
            EndMenu();
        }
    };
    auto openWithKeys = [&](std::initializer_list<WPARAM> keys) {
        UINT_PTR bound = SetTimer(nullptr, 0, 5000, &Bound::endMenu);
        for (WPARAM key : keys)
            PostMessageA(window.handle(), WM_KEYDOWN, key, 0);
        window.trayNotify(WM_RBUTTONDOWN);
        KillTimer(nullptr, bound);
    };
    openWithKeys({VK_ESCAPE});
    EXPECT_EQ(window.showInterfaceCommands, 0);
    expectHiddenInTray(window);
    openWithKeys({VK_DOWN, VK_RETURN});
    EXPECT_TRUE(waitUntil([&] { return window.showInterfaceCommands == 1; }, 5000));
    expectShownWithoutIcon(window);

    // "Show Interface" becomes the default once the menu has been shown.
    EXPECT_EQ(window.defaultsWhenOpened,
              (std::vector<UINT>{static_cast<UINT>(-1), TrayDialog::defaultItem}));
}

TEST(TrayDialog, AnIconShownWhenExplorerRestartsIsAddedAgainWithItsTip) {
    ShellLog shell;
    TrayWindow window(shell);
    open(window);
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    // Without an icon there is nothing to add again.
    SendMessageA(window.handle(), taskbarCreated, 0, 0);
    EXPECT_TRUE(shell.calls.empty());

    window.sysCommand(SC_CLOSE);
    window.SetTrayTip("Velquin - tunnel down");
    // The new notification area starts without the icon.
    NOTIFYICONDATAA gone{};
    gone.cbSize = NOTIFYICONDATAA_V2_SIZE;
    gone.hWnd = window.handle();
    gone.uID = tray::trayIconId;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    shell.calls.clear();
    SendMessageA(window.handle(), taskbarCreated, 0, 0);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].command, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(shell.calls[0].tip, "Velquin - tunnel down");
    expectHiddenInTray(window);

    // A shell that refuses the icon twice: the window shows rather than
    // stay out of reach.
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &gone));
    shell.addsToRefuse = 2;
    SendMessageA(window.handle(), taskbarCreated, 0, 0);
    expectShownWithoutIcon(window);
}
