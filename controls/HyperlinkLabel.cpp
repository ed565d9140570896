#include "controls/HyperlinkLabel.h"

#include "controls/HighContrast.h"
#include "controls/LinkAccessible.h"
#include "controls/LinkOpening.h"
#include "framework/Dpi.h"

namespace controls {

namespace {
// The help program's hand cursor, where the system has one.
const WORD helpHandCursor = 106;

int width(const RECT& r) {
    return r.right - r.left;
}
int height(const RECT& r) {
    return r.bottom - r.top;
}
} // namespace

HyperlinkLabel::HyperlinkLabel() {
    onMessage(framework::reflected(WM_CTLCOLORSTATIC), &HyperlinkLabel::onCtlColor);
    onReflectedCommand(STN_CLICKED, &HyperlinkLabel::onClicked);
    onMessage(WM_SETCURSOR, &HyperlinkLabel::onSetCursor);
    onMessage(WM_MOUSEMOVE, &HyperlinkLabel::onMouseMove);
    onMessage(WM_TIMER, &HyperlinkLabel::onTimer);
    onMessage(WM_ERASEBKGND, &HyperlinkLabel::onEraseBackground);
    onMessage(WM_DESTROY, &HyperlinkLabel::onDestroy);
    onMessage(WM_GETDLGCODE, &HyperlinkLabel::onGetDlgCode);
    onMessage(WM_KEYDOWN, &HyperlinkLabel::onKeyDown);
    onMessage(WM_SETFOCUS, &HyperlinkLabel::onFocusChange);
    onMessage(WM_KILLFOCUS, &HyperlinkLabel::onFocusChange);
    onMessage(WM_PAINT, &HyperlinkLabel::onPaint);
    onMessage(WM_GETOBJECT, &HyperlinkLabel::onGetObject);
    onMessage(LinkAccessible::openMessage, &HyperlinkLabel::onOpenRequest);
    onMessage(framework::dpiChangedAfterParentMessage, &HyperlinkLabel::onDpiChanged);
}

HyperlinkLabel::~HyperlinkLabel() {
    if (!hasWindow())
        return;
    KillTimer(handle(), hoverTimerId);
    setFont(originalFont_);
}

void HyperlinkLabel::onAttached() {
    // Without SS_NOTIFY a static sees no mouse and reports no clicks; a
    // link is reached with Tab like a button.
    SetWindowLongPtrA(handle(), GWL_STYLE,
                      GetWindowLongPtrA(handle(), GWL_STYLE) | SS_NOTIFY | WS_TABSTOP);
    if (url_.empty())
        url_ = text();
    if (text().empty())
        setText(url_);
    createFonts();
    FitToText();
    LoadHandCursor();
    // A mode chosen before the window existed takes effect now; the plain
    // font is a copy of the one the control has.
    if (underlineMode_ == underlineAlways)
        setFont(underlineFont_.get());
    RECT client;
    GetClientRect(handle(), &client);
    toolTip_.create(handle());
    toolTip_.addTool(handle(), toolId, client, url_);
}

void HyperlinkLabel::createFonts() {
    originalFont_ = reinterpret_cast<HFONT>(SendMessageA(handle(), WM_GETFONT, 0, 0));
    createFontsLike(originalFont_);
}

void HyperlinkLabel::createFontsLike(HFONT like) {
    HGDIOBJ font = like;
    if (font == nullptr)
        font = GetStockObject(DEFAULT_GUI_FONT);
    if (font == nullptr)
        font = GetStockObject(ANSI_VAR_FONT);
    LOGFONTA description{};
    GetObjectA(font, sizeof description, &description);
    normalFont_.reset(CreateFontIndirectA(&description));
    description.lfUnderline = TRUE;
    underlineFont_.reset(CreateFontIndirectA(&description));
}

void HyperlinkLabel::LoadHandCursor() {
    if (linkCursor_)
        return;
    char directory[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryA(directory, sizeof directory);
    if (length > 0 && length < sizeof directory) {
        std::string path = std::string(directory) + "\\winhlp32.exe";
        // Only the program's resources are wanted: loaded as data, none of
        // its code runs.
        framework::Module help(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        HCURSOR hand = help ? LoadCursorA(help.get(), MAKEINTRESOURCEA(helpHandCursor)) : nullptr;
        if (hand != nullptr)
            linkCursor_.reset(CopyIcon(hand));
    }
    if (!linkCursor_)
        linkCursor_.reset(CopyIcon(LoadCursorA(nullptr, IDC_HAND)));
}

void HyperlinkLabel::SetLink(const std::string& url) {
    url_ = url;
    if (!hasWindow())
        return;
    FitToText();
    toolTip_.updateTipText(handle(), toolId, url_);
}

void HyperlinkLabel::SetLinkColors(COLORREF link, COLORREF visited, COLORREF hover) {
    linkColour_ = link;
    visitedColour_ = visited;
    hoverColour_ = hover == highlightColour ? GetSysColor(COLOR_HIGHLIGHT) : hover;
    repaint();
}

void HyperlinkLabel::SetVisitedState(bool visited) {
    visited_ = visited;
    repaint();
}

void HyperlinkLabel::SetUnderlineMode(int mode) {
    if (mode == underlineMode_)
        return;
    if (hasWindow()) {
        setFont(mode == underlineAlways ? underlineFont_.get() : normalFont_.get());
        repaint();
    }
    underlineMode_ = mode;
}

COLORREF HyperlinkLabel::textColour() const {
    if (highContrastOn())
        return GetSysColor(COLOR_HOTLIGHT);
    if (hovering_)
        return hoverColour_;
    return visited_ ? visitedColour_ : linkColour_;
}

void HyperlinkLabel::FitToText() {
    if (!hasWindow())
        return;
    RECT window, client;
    GetWindowRect(handle(), &window);
    MapWindowPoints(nullptr, GetParent(handle()), reinterpret_cast<POINT*>(&window), 2);
    GetClientRect(handle(), &client);
    // Measured underlined: the text may be shown either way.
    std::string caption = text();
    SIZE extent{};
    HDC dc = GetDC(handle());
    HGDIOBJ previous = SelectObject(dc, underlineFont_.get());
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(handle(), dc);
    RECT fitted = FitRect(window, SIZE{client.right, client.bottom}, extent,
                          GetWindowLongPtrA(handle(), GWL_STYLE));
    SetWindowPos(handle(), nullptr, fitted.left, fitted.top, width(fitted), height(fitted),
                 SWP_NOZORDER);
}

RECT HyperlinkLabel::FitRect(const RECT& window, SIZE client, SIZE text, LONG_PTR style) {
    RECT fitted = window;
    int wantedWidth = text.cx + (width(window) - client.cx);
    int wantedHeight = text.cy + (height(window) - client.cy);
    if (style & SS_CENTERIMAGE) {
        int half = (height(window) - wantedHeight) / 2;
        fitted.top += half;
        fitted.bottom -= half;
    } else {
        fitted.bottom = fitted.top + wantedHeight;
    }
    // The alignment is the static's type, a value rather than flags: the
    // other types (simple, no word wrap, owner-drawn) keep their left edge.
    LONG_PTR type = style & SS_TYPEMASK;
    if (type == SS_CENTER) {
        int half = (width(window) - wantedWidth) / 2;
        fitted.left += half;
        fitted.right -= half;
    } else if (type == SS_RIGHT) {
        fitted.left = fitted.right - wantedWidth;
    } else {
        fitted.right = fitted.left + wantedWidth;
    }
    return fitted;
}

bool HyperlinkLabel::preTranslateMessage(MSG& msg) {
    if (toolTip_.exists())
        toolTip_.relayEvent(msg);
    return Control::preTranslateMessage(msg);
}

void HyperlinkLabel::setFont(HFONT font) {
    SendMessageA(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void HyperlinkLabel::repaint() {
    if (hasWindow())
        InvalidateRect(handle(), nullptr, TRUE);
}

// --- messages ---------------------------------------------------------------

framework::MessageResult HyperlinkLabel::onCtlColor(WPARAM wParam, LPARAM) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, textColour());
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

framework::MessageResult HyperlinkLabel::onSetCursor(WPARAM, LPARAM) {
    if (!linkCursor_)
        return FALSE;
    SetCursor(linkCursor_.get());
    return TRUE;
}

framework::MessageResult HyperlinkLabel::onMouseMove(WPARAM, LPARAM) {
    if (!hovering_) {
        hovering_ = true;
        if (underlineMode_ == underlineWhileHovering)
            setFont(underlineFont_.get());
        repaint();
        // Static controls get no leave notification of their own: a timer
        // looks for the mouse outside.
        SetTimer(handle(), hoverTimerId, hoverTimerPeriod, nullptr);
    }
    return std::nullopt;
}

framework::MessageResult HyperlinkLabel::onTimer(WPARAM, LPARAM) {
    // Where the mouse is now. A timer message's own position is that of the
    // last input this thread saw, which under Wine stays behind when the
    // mouse leaves for another program's window.
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(handle(), &point);
    RECT client;
    GetClientRect(handle(), &client);
    if (!PtInRect(&client, point)) {
        hovering_ = false;
        KillTimer(handle(), hoverTimerId);
        if (underlineMode_ != underlineAlways)
            setFont(normalFont_.get());
        repaint();
    }
    return std::nullopt;
}

framework::MessageResult HyperlinkLabel::onEraseBackground(WPARAM wParam, LPARAM) {
    RECT client;
    GetClientRect(handle(), &client);
    // On the theme's window colour, as the dialog is in a high-contrast
    // theme.
    FillRect(reinterpret_cast<HDC>(wParam), &client,
             GetSysColorBrush(highContrastOn() ? COLOR_WINDOW : COLOR_BTNFACE));
    return TRUE;
}

framework::MessageResult HyperlinkLabel::onDestroy(WPARAM, LPARAM) {
    KillTimer(handle(), hoverTimerId);
    return std::nullopt;
}

framework::MessageResult HyperlinkLabel::onGetDlgCode(WPARAM wParam, LPARAM lParam) {
    LRESULT code = defaultProc(WM_GETDLGCODE, wParam, lParam);
    // Enter and Space are the link's own while it has the focus: the dialog
    // would otherwise press its default button with Enter.
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    if (message != nullptr && message->message == WM_KEYDOWN &&
        (message->wParam == VK_RETURN || message->wParam == VK_SPACE))
        code |= DLGC_WANTMESSAGE;
    return code;
}

framework::MessageResult HyperlinkLabel::onKeyDown(WPARAM key, LPARAM flags) {
    // Bit 30: the key was down before, an auto-repeat that opens nothing
    // more.
    if ((key != VK_RETURN && key != VK_SPACE) || (flags & (1 << 30)) != 0)
        return std::nullopt;
    onClicked();
    return 0;
}

framework::MessageResult HyperlinkLabel::onFocusChange(WPARAM, LPARAM) {
    repaint();
    return std::nullopt;
}

framework::MessageResult HyperlinkLabel::onPaint(WPARAM wParam, LPARAM lParam) {
    const bool focused = GetFocus() == handle();
    // The focus rectangle is drawn by inverting: the whole control is
    // painted afresh under it, or a partial repaint would invert parts of
    // it twice.
    if (focused)
        InvalidateRect(handle(), nullptr, TRUE);
    LRESULT result = defaultProc(WM_PAINT, wParam, lParam);
    if (focused) {
        RECT client;
        GetClientRect(handle(), &client);
        HDC dc = GetDC(handle());
        DrawFocusRect(dc, &client);
        ReleaseDC(handle(), dc);
    }
    return result;
}

framework::MessageResult HyperlinkLabel::onGetObject(WPARAM wParam, LPARAM lParam) {
    if (static_cast<LONG>(lParam) != OBJID_CLIENT)
        return std::nullopt;
    LinkAccessible* link = LinkAccessible::create(handle(), url_, visited_);
    if (link == nullptr)
        return std::nullopt;
    LRESULT result = LresultFromObject(__uuidof(IAccessible), wParam, link);
    link->Release();
    return result;
}

framework::MessageResult HyperlinkLabel::onDpiChanged(WPARAM, LPARAM) {
    // The dialog has a font for the new scale; the label's two are copies
    // of the old one.
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(GetParent(handle()), WM_GETFONT, 0, 0));
    // Held by the window until it has the new one.
    framework::Font oldNormal = std::move(normalFont_), oldUnderline = std::move(underlineFont_);
    createFontsLike(dialogFont);
    bool underlined = underlineMode_ == underlineAlways ||
                      (underlineMode_ == underlineWhileHovering && hovering_);
    setFont(underlined ? underlineFont_.get() : normalFont_.get());
    FitToText();
    RECT client;
    GetClientRect(handle(), &client);
    toolTip_.setToolRect(handle(), toolId, client);
    return 0;
}

framework::MessageResult HyperlinkLabel::onOpenRequest(WPARAM, LPARAM) {
    onClicked();
    return 0;
}

void HyperlinkLabel::onClicked() {
    hovering_ = false;
    int result = OpenLink(url_, SW_SHOW);
    // Repainted either way, so a failed open shows the unvisited colour.
    SetVisitedState(result > 32);
    if (result <= 32) {
        MessageBeep(MB_ICONEXCLAMATION);
        ShowOpenError(result);
    }
}

} // namespace controls
