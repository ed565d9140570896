#include "controls/DialogColours.h"
#include "controls/HighContrast.h"
#include "controls/ImageButton.h"
#include "framework/DataExchange.h"
#include "framework/Dialog.h"
#include "framework/MessageLoop.h"
#include "testsupport/Wait.h"

#include <gtest/gtest.h>

using controls::ImageButton;
using testing_support::waitUntil;

namespace {

const int captionButton = 2001, bareButton = 2002, thirdButton = 2003, edit = 2004;
const COLORREF magenta = RGB(255, 0, 255);

class ButtonDialog : public framework::Dialog {
public:
    ButtonDialog() : Dialog(2000) {
        onCommand(captionButton, &ButtonDialog::onClick);
        onMessage(WM_CTLCOLORDLG, &ButtonDialog::onColour);
    }
    ~ButtonDialog() override { DeleteObject(brush); }
    void setSurface(COLORREF colour) {
        DeleteObject(brush);
        brush = CreateSolidBrush(colour);
    }
    ImageButton first, bare, third;
    int clicks = 0;
    HBRUSH brush = CreateSolidBrush(RGB(10, 200, 30));

protected:
    void doDataExchange(framework::DataExchange& exchange) override {
        exchange.control(captionButton, first);
        exchange.control(bareButton, bare);
        exchange.control(thirdButton, third);
    }

private:
    void onClick() { ++clicks; }
    framework::MessageResult onColour(WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(brush); }
};

// A 24-bit memory surface, filled with magenta, that a button draws into.
class Surface {
public:
    Surface(int w, int h) : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, w, h};
        HBRUSH brush = CreateSolidBrush(magenta);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    ~Surface() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }

private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

// Asks `button` to draw itself into `surface` in `state`, as its dialog
// passes the request on.
void draw(ImageButton& button, Surface& surface, UINT state) {
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.CtlID = button.id();
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = button.handle();
    item.hDC = surface.dc();
    GetClientRect(button.handle(), &item.rcItem);
    button.reflect(WM_DRAWITEM, item.CtlID, reinterpret_cast<LPARAM>(&item));
}

RECT clientOf(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    return r;
}

// Moves the mouse over the middle of `button` and tells it so.
void hover(ImageButton& button) {
    RECT r = clientOf(button.handle());
    POINT middle{r.right / 2, r.bottom / 2};
    POINT screen = middle;
    ClientToScreen(button.handle(), &screen);
    SetCursorPos(screen.x, screen.y);
    SendMessageA(button.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(middle.x, middle.y));
}

// A high-contrast theme, for one test.
class HighContrastTheme {
public:
    HighContrastTheme() {
        controls::setHighContrastQuery([] { return true; });
    }
    ~HighContrastTheme() { controls::setHighContrastQuery(nullptr); }
};

// The colour at (x, y) of `window` on the screen.
COLORREF shownAt(HWND window, int x, int y) {
    HDC dc = GetDC(window);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window, dc);
    return colour;
}

class ImageButtonTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.create());
        SetWindowPos(dialog.handle(), HWND_TOPMOST, 100, 100, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        SetForegroundWindow(dialog.handle());
        ASSERT_TRUE(testing_support::waitUntilPainted(dialog.handle()));
    }
    ButtonDialog dialog;
};

} // namespace

TEST(PlaceIcon, WithoutCaptionTheIconIsCentredAndPressingShiftsIt) {
    RECT item{0, 0, 100, 41}, caption = item;
    RECT icon = ImageButton::PlaceIcon(false, item, caption, false, 32, 32);
    EXPECT_EQ(icon.left, 34);
    EXPECT_EQ(icon.top, 4);
    EXPECT_EQ(icon.right, 100);
    EXPECT_EQ(icon.bottom, 41);
    EXPECT_EQ(caption.left, 0);
    icon = ImageButton::PlaceIcon(false, item, caption, true, 32, 32);
    EXPECT_EQ(icon.left, 35);
    EXPECT_EQ(icon.top, 5);
    EXPECT_EQ(icon.right, 101);
    EXPECT_EQ(icon.bottom, 42);
}

TEST(PlaceIcon, WithCaptionTheIconSitsAtTheMarginAndTheCaptionMovesRight) {
    RECT item{10, 20, 110, 60}, caption = item;
    RECT icon = ImageButton::PlaceIcon(true, item, caption, false, 32, 32);
    EXPECT_EQ(icon.left, 13);
    EXPECT_EQ(icon.top, 24);
    EXPECT_EQ(caption.left, 10 + 32 + 3);
    EXPECT_EQ(caption.right, 110);
    EXPECT_EQ(caption.top, 20);
}

TEST(PlaceIcon, AnIconWiderThanTheButtonTruncatesTowardZero) {
    RECT item{0, 0, 21, 21}, caption = item;
    RECT icon = ImageButton::PlaceIcon(false, item, caption, false, 32, 32);
    // (21 - 32) / 2 is -5 when truncated, not the floor's -6.
    EXPECT_EQ(icon.left, -5);
    EXPECT_EQ(icon.top, -5);
}

TEST(CentreCaption, CentresTheMeasuredBlockInTheBounds) {
    RECT bounds{35, 0, 100, 40}, measured{35, 0, 80, 13};
    RECT centred = ImageButton::CentreCaption(bounds, measured);
    EXPECT_EQ(centred.left, 45);
    EXPECT_EQ(centred.top, 13);
    EXPECT_EQ(centred.right, 90);
    EXPECT_EQ(centred.bottom, 26);
    RECT wide{0, 0, 15, 10}, narrow{0, 0, 10, 10};
    EXPECT_EQ(ImageButton::CentreCaption(narrow, wide).left, -2);
}

TEST_F(ImageButtonTest, AttachingMakesItOwnerDrawnAndNotesTheDefault) {
    EXPECT_EQ(GetWindowLongA(dialog.first.handle(), GWL_STYLE) & 0x1F, BS_OWNERDRAW);
    EXPECT_EQ(GetWindowLongA(dialog.bare.handle(), GWL_STYLE) & 0x1F, BS_OWNERDRAW);
    EXPECT_TRUE(dialog.first.isDefault());
    EXPECT_FALSE(dialog.bare.isDefault());
}

TEST_F(ImageButtonTest, FrameIsSunkenWhenPressedRaisedWhenHoveredElseAbsent) {
    ImageButton& button = dialog.bare;
    RECT r = clientOf(button.handle());
    int w = r.right, h = r.bottom;
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
    {
        Surface s(w, h);
        draw(button, s, 0);
        EXPECT_EQ(s.at(0, 0), magenta);
        EXPECT_EQ(s.at(w - 1, h - 1), magenta);
    }
    {
        Surface s(w, h);
        draw(button, s, ODS_SELECTED);
        EXPECT_EQ(s.at(0, 0), shadow);
        EXPECT_EQ(s.at(w - 2, 0), shadow);
        EXPECT_EQ(s.at(0, h - 2), shadow);
        EXPECT_EQ(s.at(w - 1, 0), light);
        EXPECT_EQ(s.at(0, h - 1), light);
        EXPECT_EQ(s.at(w - 1, h - 1), light);
        EXPECT_EQ(s.at(1, 1), magenta);
    }
    hover(button);
    ASSERT_TRUE(button.isHovering());
    {
        Surface s(w, h);
        draw(button, s, 0);
        EXPECT_EQ(s.at(0, 0), light);
        EXPECT_EQ(s.at(0, h - 2), light);
        EXPECT_EQ(s.at(w - 1, 0), shadow);
        EXPECT_EQ(s.at(w - 1, h - 1), shadow);
        EXPECT_EQ(s.at(w / 2, h / 2), magenta);
    }
}

TEST_F(ImageButtonTest, IconAndCaptionAreDrawnAndDisabledIsEmbossed) {
    ImageButton& button = dialog.first;
    ASSERT_EQ(button.AssignIcon(139), 0);
    RECT r = clientOf(button.handle());
    Surface normal(r.right, r.bottom), disabled(r.right, r.bottom);
    draw(button, normal, 0);
    draw(button, disabled, ODS_DISABLED);
    auto count = [&](const Surface& s, COLORREF colour, int fromX) {
        int n = 0;
        for (int y = 0; y < r.bottom; ++y)
            for (int x = fromX; x < r.right; ++x)
                n += s.at(x, y) == colour;
        return n;
    };
    int captionLeft = 3 + 32 + 3;
    EXPECT_GT(count(normal, GetSysColor(COLOR_BTNTEXT), captionLeft), 10);
    EXPECT_GT(count(disabled, GetSysColor(COLOR_BTNHIGHLIGHT), captionLeft), 10);
    EXPECT_GT(count(disabled, GetSysColor(COLOR_BTNSHADOW), captionLeft), 10);
    EXPECT_EQ(count(disabled, GetSysColor(COLOR_BTNTEXT), captionLeft), 0);
    // The icon's tick: white pixels left of the caption area.
    EXPECT_GT(count(normal, RGB(255, 255, 255), 0) - count(normal, RGB(255, 255, 255), 38), 10);
}

TEST_F(ImageButtonTest, AnIconThatDoesNotLoadLeavesNoIconAndSucceeds) {
    EXPECT_EQ(dialog.first.AssignIcon(4321), 0);
}

TEST_F(ImageButtonTest, EnteringWithTheLeftButtonHeldDoesNotHighlight) {
    ImageButton& button = dialog.bare;
    RECT r = clientOf(button.handle());
    POINT screen{r.right / 2, r.bottom / 2};
    ClientToScreen(button.handle(), &screen);
    SetCursorPos(screen.x, screen.y);
    // Let the system's own mouse move arrive, then start from idle.
    waitUntil([&] { return button.isHovering(); }, 1000);
    SendMessageA(button.handle(), WM_MOUSELEAVE, 0, 0);
    ASSERT_FALSE(button.isHovering());
    SendMessageA(button.handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(r.right / 2, r.bottom / 2));
    EXPECT_FALSE(button.isHovering());
    hover(button);
    EXPECT_TRUE(button.isHovering());
    SendMessageA(button.handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(button.isHovering());
    hover(button);
    SendMessageA(button.handle(), WM_CANCELMODE, 0, 0);
    EXPECT_FALSE(button.isHovering());
    hover(button);
    SendMessageA(button.handle(), WM_KILLFOCUS, 0, 0);
    EXPECT_FALSE(button.isHovering());
}

TEST_F(ImageButtonTest, DoubleClickGivesTwoClicks) {
    HWND button = dialog.first.handle();
    LPARAM at = MAKELPARAM(5, 5);
    PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(button, WM_LBUTTONUP, 0, at);
    PostMessageA(button, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(button, WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(waitUntil([&] { return dialog.clicks >= 2; }, 2000));
    // Everything was posted up front: once the queue is empty, no click
    // is still to come.
    framework::MessageLoop::processPending();
    EXPECT_EQ(dialog.clicks, 2);
    EXPECT_EQ(GetFocus(), button);
}

TEST_F(ImageButtonTest, SetStyleKeepsOwnerDrawAndMovesTheDefault) {
    HWND first = dialog.first.handle(), bare = dialog.bare.handle();
    auto code = [](HWND h) { return SendMessageA(h, WM_GETDLGCODE, 0, 0); };
    EXPECT_TRUE(code(first) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(code(bare) & DLGC_UNDEFPUSHBUTTON);
    EXPECT_FALSE(code(bare) & DLGC_DEFPUSHBUTTON);

    SendMessageA(first, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessageA(bare, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_FALSE(dialog.first.isDefault());
    EXPECT_TRUE(dialog.bare.isDefault());
    EXPECT_EQ(GetWindowLongA(first, GWL_STYLE) & 0x1F, BS_OWNERDRAW);
    EXPECT_EQ(GetWindowLongA(bare, GWL_STYLE) & 0x1F, BS_OWNERDRAW);
    EXPECT_TRUE(code(bare) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(code(first) & DLGC_UNDEFPUSHBUTTON);

    // Another type leaves the default state alone.
    SendMessageA(bare, BM_SETSTYLE, BS_CHECKBOX, TRUE);
    EXPECT_TRUE(dialog.bare.isDefault());
    EXPECT_EQ(GetWindowLongA(bare, GWL_STYLE) & 0x1F, BS_OWNERDRAW);
}

TEST_F(ImageButtonTest, CheckStateIsAlwaysZero) {
    HWND first = dialog.first.handle();
    SendMessageA(first, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(SendMessageA(first, BM_GETCHECK, 0, 0), 0);
}

TEST_F(ImageButtonTest, DisablingHandsTheFocusToTheNextTabItem) {
    SetFocus(dialog.item(edit));
    ASSERT_EQ(GetFocus(), dialog.item(edit));
    hover(dialog.first);
    dialog.first.enable(false);
    EXPECT_EQ(GetFocus(), dialog.item(bareButton));
    EXPECT_FALSE(dialog.first.isHovering());
}

TEST_F(ImageButtonTest, ASecondHintUpdatesTheOneTool) {
    ImageButton& button = dialog.first;
    button.SetHint(nullptr, true);
    button.SetHint("first hint", true);
    RECT before = clientOf(button.handle());
    SetWindowPos(button.handle(), nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER);
    button.SetHint("second hint", false);
    EXPECT_EQ(button.toolTip().toolCount(), 1);
    EXPECT_EQ(button.toolTip().toolText(button.handle(), 1), "second hint");
    RECT tool = button.toolTip().toolRect(button.handle(), 1);
    EXPECT_TRUE(EqualRect(&tool, &before));
}

TEST_F(ImageButtonTest, ParentBackgroundShowsThroughAndIsRenewedOnColourChange) {
    ImageButton& button = dialog.bare;
    button.UseParentBackground(false);
    RECT r = clientOf(button.handle());
    Surface s(r.right, r.bottom);
    draw(button, s, 0);
    EXPECT_EQ(s.at(r.right / 2, r.bottom / 2), RGB(10, 200, 30));

    // The dialog repaints in another colour: the snapshot stays until the
    // system colours change.
    dialog.setSurface(RGB(200, 40, 40));
    RedrawWindow(dialog.handle(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW | RDW_UPDATENOW);
    Surface cached(r.right, r.bottom);
    draw(button, cached, 0);
    EXPECT_EQ(cached.at(r.right / 2, r.bottom / 2), RGB(10, 200, 30));
    SendMessageA(button.handle(), WM_SYSCOLORCHANGE, 0, 0);
    Surface renewed(r.right, r.bottom);
    draw(button, renewed, 0);
    EXPECT_EQ(renewed.at(r.right / 2, r.bottom / 2), RGB(200, 40, 40));
}

TEST_F(ImageButtonTest, InHighContrastAFramedFaceInTheSystemsButtonColours) {
    HighContrastTheme theme;
    ImageButton& button = dialog.bare;
    RECT r = clientOf(button.handle());
    {
        Surface s(r.right, r.bottom);
        draw(button, s, 0);
        EXPECT_EQ(s.at(r.right / 2, r.bottom / 2), GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(s.at(0, 0), GetSysColor(COLOR_BTNTEXT));
        EXPECT_EQ(s.at(r.right - 1, r.bottom - 1), GetSysColor(COLOR_BTNTEXT));
    }
    hover(button);
    Surface s(r.right, r.bottom);
    draw(button, s, 0);
    EXPECT_EQ(s.at(0, 0), GetSysColor(COLOR_HIGHLIGHT));
}

TEST(HighContrast, ADialogFollowsAThemeChangeAtOnce) {
    controls::ColouredDialog<ButtonDialog> dialog;
    ASSERT_TRUE(dialog.create());
    dialog.third.UseParentBackground(false);
    ShowWindow(dialog.handle(), SW_SHOW);
    ASSERT_TRUE(testing_support::waitUntilPainted(dialog.handle()));
    HWND third = dialog.third.handle();
    // Inside the frame, off the caption: the face.
    EXPECT_EQ(shownAt(third, 2, 2), controls::DialogColours::surface);
    HDC dc = CreateCompatibleDC(nullptr);
    {
        HighContrastTheme theme;
        SendMessageA(dialog.handle(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        EXPECT_TRUE(waitUntil([&] { return shownAt(third, 2, 2) == GetSysColor(COLOR_BTNFACE); }));
        LRESULT surface =
            SendMessageA(dialog.handle(), WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(dialog.handle()));
        EXPECT_EQ(surface, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
        EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
        LRESULT text = SendMessageA(dialog.handle(), WM_CTLCOLORSTATIC,
                                    reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(third));
        EXPECT_EQ(text, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)));
        EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
    }
    // Off again: the dialog's own colours come back with the next change.
    SendMessageA(dialog.handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(
        waitUntil([&] { return shownAt(third, 2, 2) == controls::DialogColours::surface; }));
    SendMessageA(dialog.handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(third));
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    DeleteDC(dc);
}
