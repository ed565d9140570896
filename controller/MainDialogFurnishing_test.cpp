#include "controller/MainDialog.h"
#include "controller/ScriptedEnvironment_test.h"
#include "testsupport/ChildMode.h"
#include "testsupport/ClassesRoot.h"
#include "testsupport/ColourRule.h"
#include "testsupport/Wait.h"
#include "resources/controller/resource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>

using controller::MainDialog;
using controller_test::ScriptedEnvironment;
using testing_support::waitUntil;

namespace {

class Furnishing : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog_.create());
        ShowWindow(dialog_.handle(), SW_SHOW);
        environment.log.clear();
    }
    void TearDown() override { DestroyWindow(dialog_.handle()); }

    void command(int id) {
        SendMessageA(dialog_.handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
    bool visible() const { return IsWindowVisible(dialog_.handle()) != FALSE; }

    ScriptedEnvironment environment;
    MainDialog dialog_{environment};
};

std::string menuText(HMENU menu, int position) {
    char text[64] = {};
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

} // namespace

TEST_F(Furnishing, ButtonsAreImageButtonsWithTheirHintsAndTheLinkHasItsAddress) {
    const std::pair<int, const char*> hints[] = {
        {IDC_HIDE_IP, "Press Hide IP Now in order to change your IP address"},
        {IDC_NEW_IP, "Press Get a New IP if you want to change the Country"},
        {IDC_RESTORE, "Restore Real IP will you want to use the default IP address"},
        {IDC_PRIVACY, "Delete Cookies, Internet History, Temporary files "},
        {IDC_HELP_BUTTON, "User Guide, Useful Links"},
        {IDC_MINIMIZE, "Place the Application in System Tray"},
        {IDC_EXIT, "Exit the Application"},
    };
    for (std::size_t i = 0; i < std::size(hints); ++i) {
        SCOPED_TRACE(hints[i].second);
        controls::ImageButton& button = dialog_.button(i);
        EXPECT_EQ(button.handle(), dialog_.item(hints[i].first));
        EXPECT_EQ(GetWindowLongPtrA(button.handle(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
        EXPECT_EQ(button.toolTip().toolText(button.handle(), 1), hints[i].second);
    }
    EXPECT_EQ(dialog_.link().url(), "http://ipecho.velquin.example/your-visible-ip.php");
    EXPECT_EQ(std::string(dialog_.iconData().szTip), "Velquin");
    EXPECT_FALSE(dialog_.IsTrayIconShown());
}

TEST_F(Furnishing, TheSystemMenuEndsWithTheAboutItemBelowASeparator) {
    HMENU menu = GetSystemMenu(dialog_.handle(), FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuState(menu, count - 2, MF_BYPOSITION) & MF_SEPARATOR,
              static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
    EXPECT_EQ(menuText(menu, count - 1), "&About Velquin...");
}

TEST_F(Furnishing, TheAboutItemOpensTheAboutBoxAlsoWithLowBitsSet) {
    std::atomic<bool> seen{false};
    std::thread closer([&] {
        HWND about = nullptr;
        if (waitUntil([&] { return (about = FindWindowA(nullptr, "About Velquin")) != nullptr; }))
            seen = true;
        PostMessageA(about, WM_COMMAND, IDOK, 0);
    });
    SendMessageA(dialog_.handle(), WM_SYSCOMMAND, IDM_ABOUTBOX | 0x3, 0);
    closer.join();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(visible());
}

TEST_F(Furnishing, MinimizeHidesInTheTrayAndShowInterfaceBringsItBack) {
    command(IDC_MINIMIZE);
    EXPECT_FALSE(visible());
    EXPECT_TRUE(dialog_.IsTrayIconShown());

    command(ID_SHOW_INTERFACE);
    EXPECT_TRUE(visible());
    EXPECT_FALSE(dialog_.IsTrayIconShown());

    // The close box hides too, and the window does not end.
    SendMessageA(dialog_.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(visible());
    EXPECT_TRUE(dialog_.IsTrayIconShown());
    EXPECT_FALSE(dialog_.isEnded());
    EXPECT_TRUE(environment.log.empty());
}

TEST_F(Furnishing, TheTrayMenusExitRunsTheExitWorkflow) {
    command(IDC_MINIMIZE);
    environment.options = {PROXY_TYPE_PROXY, "127.0.0.1:8081", "", "", 0};
    command(ID_TRAY_EXIT);
    EXPECT_EQ(environment.count("stop Velquin"), 1);
    EXPECT_EQ(environment.count("disable Office VPN"), 1);
    EXPECT_TRUE(dialog_.isEnded());
    EXPECT_EQ(dialog_.result(), 0);
}

TEST_F(Furnishing, OnlinePrivacyOpensTheCleanerAndNothingElse) {
    command(IDC_PRIVACY);
    EXPECT_EQ(environment.log, std::vector<std::string>{"clean privacy"});
}

TEST_F(Furnishing, ColoursFollowTheWindowRule) {
    HDC dc = CreateCompatibleDC(nullptr);
    controls_testing::expectColourRule(dialog_.handle(), dialog_.item(IDC_STATUS), dc);
    DeleteDC(dc);
}

TEST_F(Furnishing, TabReachesEveryButtonThenTheLinkAndEnterOpensTheLink) {
    testing_support::PrivateClassesRoot classes;
    ASSERT_TRUE(classes.setDefault(".htm", "velquin.page"));
    ASSERT_TRUE(classes.setDefault("velquin.page\\shell\\open\\command",
                                   testing_support::childCommandLine("none") + " \"%1\""));
    dialog_.link().SetLink("C:\\velquin-missing\\page.htm");
    SetForegroundWindow(dialog_.handle());
    SetFocus(dialog_.item(IDC_HIDE_IP));
    // Each Tab goes through the dialog manager, as a key press does.
    std::vector<int> order{GetDlgCtrlID(GetFocus())};
    for (int i = 0; i < 8; ++i) {
        HWND before = GetFocus();
        PostMessageA(before, WM_KEYDOWN, VK_TAB, 1);
        ASSERT_TRUE(waitUntil([&] { return GetFocus() != before; }, 2000)) << i;
        order.push_back(GetDlgCtrlID(GetFocus()));
    }
    EXPECT_EQ(order,
              (std::vector<int>{IDC_HIDE_IP, IDC_NEW_IP, IDC_RESTORE, IDC_PRIVACY, IDC_HELP_BUTTON,
                                IDC_MINIMIZE, IDC_EXIT, IDC_LINK, IDC_HIDE_IP}));

    SetFocus(dialog_.item(IDC_LINK));
    PostMessageA(dialog_.item(IDC_LINK), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(waitUntil([&] { return dialog_.link().isVisited(); }, 5000));
    // Enter was the link's: no button ran.
    EXPECT_TRUE(environment.log.empty());
}
