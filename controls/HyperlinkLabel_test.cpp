#include "controls/HighContrast.h"
#include "controls/HyperlinkLabel.h"
#include "framework/DataExchange.h"
#include "framework/Dialog.h"
#include "testsupport/ChildMode.h"
#include "testsupport/ClassesRoot.h"
#include "testsupport/MessageBoxWatcher.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

#include <oleacc.h>

using controls::HyperlinkLabel;
using testing_support::waitUntil;

namespace {

const int longLabel = 3001, emptyLabel = 3002, centredLabel = 3003, rightLabel = 3004,
          centreImageLabel = 3005;
const std::string address = "http://ipecho.test.example/your-visible-ip.php";
const COLORREF blue = RGB(0, 0, 255), purple = RGB(128, 0, 128), red = RGB(255, 0, 0);

// The labels are attached during the data exchange, with an address given
// before attaching to the empty one, as a dialog would.
class LinkDialog : public framework::Dialog {
public:
    LinkDialog() : Dialog(3000) { empty.SetLink(address); }
    HyperlinkLabel link, empty, centred, right, centreImage;

protected:
    void doDataExchange(framework::DataExchange& exchange) override {
        exchange.control(longLabel, link);
        exchange.control(emptyLabel, empty);
        exchange.control(centredLabel, centred);
        exchange.control(rightLabel, right);
        exchange.control(centreImageLabel, centreImage);
    }
};

bool sameRect(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}

RECT placeInParent(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The text's size in the label's underlined font, measured here.
SIZE textSize(const HyperlinkLabel& label) {
    std::string text = label.text();
    HDC dc = GetDC(label.handle());
    HGDIOBJ old = SelectObject(dc, label.underlineFont());
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(label.handle(), dc);
    return size;
}

HFONT fontOf(const HyperlinkLabel& label) {
    return reinterpret_cast<HFONT>(SendMessageA(label.handle(), WM_GETFONT, 0, 0));
}

// The colour the dialog would be told for the label's text.
COLORREF askedColour(HyperlinkLabel& label, framework::MessageResult* brush = nullptr) {
    HDC dc = CreateCompatibleDC(nullptr);
    framework::MessageResult answer = label.reflect(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                    reinterpret_cast<LPARAM>(label.handle()));
    COLORREF colour = GetTextColor(dc);
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    DeleteDC(dc);
    if (brush != nullptr)
        *brush = answer;
    return colour;
}

// Counts the timer messages this thread takes from its queue for one
// window, so that a test can wait for ticks rather than for time.
class TimerTicks {
public:
    explicit TimerTicks(HWND window) {
        watched_ = window;
        count_ = 0;
        hook_ = SetWindowsHookExA(WH_GETMESSAGE, &TimerTicks::seen, nullptr, GetCurrentThreadId());
    }
    ~TimerTicks() { UnhookWindowsHookEx(hook_); }
    int count() const { return count_; }

private:
    static LRESULT CALLBACK seen(int code, WPARAM removed, LPARAM message) {
        const MSG* msg = reinterpret_cast<const MSG*>(message);
        if (code == HC_ACTION && removed == PM_REMOVE && msg->message == WM_TIMER &&
            msg->hwnd == watched_)
            ++count_;
        return CallNextHookEx(nullptr, code, removed, message);
    }
    static inline HWND watched_ = nullptr;
    static inline int count_ = 0;
    HHOOK hook_;
};

POINT screenPoint(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
}

class HyperlinkLabelTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.create());
        SetWindowPos(dialog.handle(), HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        SetForegroundWindow(dialog.handle());
        moveMouseAway();
    }

    void moveMouseAway() {
        RECT r;
        GetWindowRect(dialog.handle(), &r);
        SetCursorPos(r.right + 50, r.bottom + 50);
    }
    // The mouse arrives over the label, as the system would tell it.
    void enter(HyperlinkLabel& label) {
        POINT at = screenPoint(label.handle(), 3, 3);
        SetCursorPos(at.x, at.y);
        SendMessageA(label.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    }
    // The mouse goes; the hover timer notices within a few ticks.
    bool leave(HyperlinkLabel& label) {
        moveMouseAway();
        return waitUntil([&] { return !label.isHovering(); }, 2000);
    }

    LinkDialog dialog;
};

} // namespace

TEST(FitRect, BordersStayAndTheAlignedEdgeOrTopStays) {
    RECT window{10, 20, 110, 40};
    RECT left = HyperlinkLabel::FitRect(window, SIZE{96, 16}, SIZE{50, 13}, SS_LEFT);
    EXPECT_TRUE(sameRect(left, {10, 20, 64, 37}));
    RECT right = HyperlinkLabel::FitRect(window, SIZE{96, 16}, SIZE{37, 8}, SS_RIGHT);
    EXPECT_TRUE(sameRect(right, {69, 20, 110, 32}));
    // Simple statics are left-aligned, though their type value shares a
    // bit with SS_CENTER.
    EXPECT_EQ(HyperlinkLabel::FitRect(window, SIZE{100, 20}, SIZE{50, 13}, SS_SIMPLE).left, 10);
}

TEST(FitRect, CentredHalvesTruncateSoOddDifferencesLeanOutward) {
    // Shrinking by 51: 25 from each side, one pixel wider than wanted;
    // growing by 51: -25 from each side, one pixel narrower.
    RECT shrunk =
        HyperlinkLabel::FitRect(RECT{0, 0, 101, 10}, SIZE{101, 10}, SIZE{50, 10}, SS_CENTER);
    EXPECT_EQ(shrunk.left, 25);
    EXPECT_EQ(shrunk.right, 76);
    RECT grown =
        HyperlinkLabel::FitRect(RECT{100, 0, 150, 10}, SIZE{50, 10}, SIZE{101, 10}, SS_CENTER);
    EXPECT_EQ(grown.left, 75);
    EXPECT_EQ(grown.right, 175);
    // The same vertically with SS_CENTERIMAGE: 21 down to 8 keeps 6 + 7.
    RECT image = HyperlinkLabel::FitRect(RECT{0, 10, 50, 31}, SIZE{50, 21}, SIZE{40, 8},
                                         SS_LEFT | SS_CENTERIMAGE);
    EXPECT_EQ(image.top, 16);
    EXPECT_EQ(image.bottom, 25);
}

TEST_F(HyperlinkLabelTest, AttachingNotifiesFitsAndShowsTheAddress) {
    EXPECT_TRUE(GetWindowLongA(dialog.link.handle(), GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(dialog.link.url(), dialog.link.text());
    EXPECT_EQ(dialog.empty.text(), address);
    for (HyperlinkLabel* label : {&dialog.link, &dialog.empty, &dialog.right}) {
        RECT client;
        GetClientRect(label->handle(), &client);
        SIZE text = textSize(*label);
        EXPECT_EQ(client.right, text.cx) << label->text();
        EXPECT_EQ(client.bottom, text.cy) << label->text();
    }
    // The right-aligned label kept its right edge.
    RECT right = placeInParent(dialog.right.handle());
    RECT rightItem{10, 64, 160, 72};
    MapDialogRect(dialog.handle(), &rightItem);
    EXPECT_EQ(right.right, rightItem.right);
    // The centred one kept its centre; shrinking by an odd difference left
    // it one pixel wider than its text.
    RECT centred = placeInParent(dialog.centred.handle());
    RECT centredItem{10, 46, 161, 54};
    MapDialogRect(dialog.handle(), &centredItem);
    int shrinkage = (centredItem.right - centredItem.left) - textSize(dialog.centred).cx;
    EXPECT_EQ(centred.right - centred.left, textSize(dialog.centred).cx + shrinkage % 2);
    EXPECT_EQ(centred.left - centredItem.left, shrinkage / 2);
    const framework::ToolTip& tip = dialog.empty.toolTip();
    EXPECT_EQ(tip.toolText(dialog.empty.handle(), HyperlinkLabel::toolId), address);
    dialog.empty.SetLink("http://other.test.example/");
    EXPECT_EQ(tip.toolText(dialog.empty.handle(), HyperlinkLabel::toolId),
              "http://other.test.example/");
}

TEST_F(HyperlinkLabelTest, ColoursFollowHoverAndVisitedWithAHollowBrush) {
    HyperlinkLabel& label = dialog.link;
    framework::MessageResult brush;
    EXPECT_EQ(askedColour(label, &brush), HyperlinkLabel::defaultColour);
    EXPECT_EQ(*brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    label.SetLinkColors(blue, purple, HyperlinkLabel::highlightColour);
    EXPECT_EQ(askedColour(label), blue);
    label.SetVisitedState(true);
    EXPECT_EQ(askedColour(label), purple);
    enter(label);
    EXPECT_EQ(askedColour(label), GetSysColor(COLOR_HIGHLIGHT));
    label.SetLinkColors(blue, purple, red);
    EXPECT_EQ(askedColour(label), red);
    ASSERT_TRUE(leave(label));
    EXPECT_EQ(askedColour(label), purple);

    // A high-contrast theme's colour of links, whatever the label's own.
    controls::setHighContrastQuery([] { return true; });
    EXPECT_EQ(askedColour(label), GetSysColor(COLOR_HOTLIGHT));
    controls::setHighContrastQuery(nullptr);
    EXPECT_EQ(askedColour(label), purple);
}

TEST_F(HyperlinkLabelTest, UnderlinedWhileHoveringInModeMinusOneOnly) {
    HyperlinkLabel& label = dialog.link;
    ASSERT_NE(label.underlineFont(), nullptr);
    EXPECT_NE(fontOf(label), label.underlineFont());
    enter(label);
    // Ticks that find the mouse inside change nothing.
    TimerTicks ticks(label.handle());
    ASSERT_TRUE(waitUntil([&] { return ticks.count() >= 3; }));
    EXPECT_TRUE(label.isHovering());
    EXPECT_EQ(fontOf(label), label.underlineFont());
    ASSERT_TRUE(leave(label));
    EXPECT_EQ(fontOf(label), label.normalFont());

    label.SetUnderlineMode(HyperlinkLabel::underlineAlways);
    EXPECT_EQ(fontOf(label), label.underlineFont());
    enter(label);
    ASSERT_TRUE(leave(label));
    EXPECT_EQ(fontOf(label), label.underlineFont());

    label.SetUnderlineMode(0);
    EXPECT_EQ(fontOf(label), label.normalFont());
    enter(label);
    EXPECT_EQ(fontOf(label), label.normalFont());
    ASSERT_TRUE(leave(label));
    EXPECT_EQ(fontOf(label), label.normalFont());
}

TEST_F(HyperlinkLabelTest, TheCursorRequestShowsTheHandCursor) {
    HyperlinkLabel& label = dialog.link;
    ASSERT_NE(label.cursor(), nullptr);
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    LRESULT handled =
        SendMessageA(label.handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(label.handle()),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(handled);
    EXPECT_EQ(GetCursor(), label.cursor());
}

class ClickedLink : public HyperlinkLabelTest {
protected:
    void click(HyperlinkLabel& label) {
        PostMessageA(label.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageA(label.handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }
    testing_support::PrivateClassesRoot classes;
};

TEST_F(ClickedLink, AFailedOpenBeepsExplainsAndStaysUnvisited) {
    ASSERT_TRUE(classes.active());
    HyperlinkLabel& label = dialog.link;
    label.SetLink("C:\\velquin-missing\\page.htm");
    label.SetVisitedState(true);
    testing_support::MessageBoxWatcher watcher;
    click(label);
    ASSERT_TRUE(waitUntil([&] { return !watcher.texts().empty(); }, 5000));
    EXPECT_EQ(watcher.texts()[0], "Unable to open hyperlink:\n\nThe specified file was not found.");
    EXPECT_FALSE(label.isVisited());
}

TEST_F(ClickedLink, ASuccessfulOpenMarksTheLinkVisited) {
    ASSERT_TRUE(classes.active());
    // A registered program that starts and ends at once.
    ASSERT_TRUE(classes.setDefault(".htm", "velquin.page"));
    ASSERT_TRUE(classes.setDefault("velquin.page\\shell\\open\\command",
                                   testing_support::childCommandLine("none") + " \"%1\""));
    HyperlinkLabel& label = dialog.link;
    label.SetLink("C:\\velquin-missing\\page.htm");
    testing_support::MessageBoxWatcher watcher;
    click(label);
    ASSERT_TRUE(waitUntil([&] { return label.isVisited(); }, 5000));
    EXPECT_TRUE(watcher.texts().empty());
}

TEST_F(ClickedLink, EnterAndSpaceOpenTheFocusedLinkWhichShowsItsFocus) {
    ASSERT_TRUE(classes.setDefault(".htm", "velquin.page"));
    ASSERT_TRUE(classes.setDefault("velquin.page\\shell\\open\\command",
                                   testing_support::childCommandLine("none") + " \"%1\""));
    HyperlinkLabel& label = dialog.link;
    label.SetLink("C:\\velquin-missing\\page.htm");
    EXPECT_TRUE(GetWindowLongA(label.handle(), GWL_STYLE) & WS_TABSTOP);
    auto cornerIsFace = [&] {
        HDC dc = GetDC(label.handle());
        COLORREF corner = GetPixel(dc, 0, 0);
        ReleaseDC(label.handle(), dc);
        return corner == GetSysColor(COLOR_BTNFACE);
    };
    SetFocus(dialog.item(IDOK));
    ASSERT_TRUE(testing_support::waitUntilPainted(dialog.handle()));
    EXPECT_TRUE(cornerIsFace());
    SetFocus(label.handle());
    ASSERT_TRUE(testing_support::waitUntilPainted(dialog.handle()));
    EXPECT_FALSE(cornerIsFace()) << "no focus rectangle";

    // The dialog manager leaves both keys to the link instead of pressing
    // its default button with Enter.
    for (WPARAM key : {VK_RETURN, VK_SPACE}) {
        MSG press{label.handle(), WM_KEYDOWN, key, 1, 0, {}};
        EXPECT_TRUE(
            SendMessageA(label.handle(), WM_GETDLGCODE, key, reinterpret_cast<LPARAM>(&press)) &
            DLGC_WANTMESSAGE);
    }
    // An auto-repeated key opens nothing more.
    PostMessageA(label.handle(), WM_KEYDOWN, VK_SPACE, 1 | (1 << 30));
    PostMessageA(label.handle(), WM_KEYDOWN, VK_SPACE, 1);
    ASSERT_TRUE(waitUntil([&] { return label.isVisited(); }, 5000));

    label.SetVisitedState(false);
    testing_support::MessageBoxWatcher watcher;
    PostMessageA(label.handle(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_TRUE(waitUntil([&] { return label.isVisited(); }, 5000));
    EXPECT_TRUE(watcher.texts().empty());
}

TEST_F(HyperlinkLabelTest, ScreenReadersAreToldItIsALinkToItsAddress) {
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    HyperlinkLabel& label = dialog.empty;
    IAccessible* link = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(label.handle(), OBJID_CLIENT, __uuidof(IAccessible),
                                         reinterpret_cast<void**>(&link)),
              S_OK);
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{}, state{};
    EXPECT_EQ(link->get_accRole(self, &role), S_OK);
    EXPECT_EQ(role.lVal, ROLE_SYSTEM_LINK);
    EXPECT_EQ(link->get_accState(self, &state), S_OK);
    EXPECT_TRUE(state.lVal & STATE_SYSTEM_LINKED);
    EXPECT_TRUE(state.lVal & STATE_SYSTEM_FOCUSABLE);
    BSTR value = nullptr, action = nullptr;
    EXPECT_EQ(link->get_accValue(self, &value), S_OK);
    EXPECT_EQ(std::wstring(value), std::wstring(address.begin(), address.end()));
    EXPECT_EQ(link->get_accDefaultAction(self, &action), S_OK);
    EXPECT_EQ(std::wstring(action), L"Jump");
    SysFreeString(value);
    SysFreeString(action);
    link->Release();
    CoUninitialize();
}
