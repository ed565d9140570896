#include "controls/ImageButton.h"

#include "controls/HighContrast.h"

#include "framework/Dialog.h"

#include <commctrl.h>

#include <algorithm>

namespace controls {

namespace {
const UINT_PTR hintToolId = 1;
const int maxTipWidth = 400;
const UINT typeMask = 0x1F;

int width(const RECT& r) {
    return r.right - r.left;
}
int height(const RECT& r) {
    return r.bottom - r.top;
}

// A frame `t` pixels thick: top and left in `topLeft`, right and bottom in
// `bottomRight`.
void drawFrame(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight, int t) {
    int x = r.left, y = r.top, w = width(r), h = height(r);
    auto fill = [dc](int left, int top, int cx, int cy, COLORREF colour) {
        // ExtTextOut with an opaque rectangle fills without a brush.
        RECT area{left, top, left + cx, top + cy};
        SetBkColor(dc, colour);
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
    };
    fill(x, y, w - t, t, topLeft);
    fill(x, y, t, h - t, topLeft);
    fill(x + w - t, y, t, h, bottomRight);
    fill(x, y + h - t, w, t, bottomRight);
}
} // namespace

ImageButton::ImageButton() : textColour_(GetSysColor(COLOR_BTNTEXT)) {
    onMessage(framework::reflected(WM_DRAWITEM), &ImageButton::onDrawItem);
    onMessage(framework::reflected(WM_COMMAND), &ImageButton::onClicked);
    onMessage(framework::reflected(WM_CTLCOLORBTN), &ImageButton::onCtlColor);
    onMessage(WM_MOUSEMOVE, &ImageButton::onMouseMove);
    onMessage(WM_MOUSELEAVE, &ImageButton::onMouseLeave);
    onMessage(WM_KILLFOCUS, &ImageButton::onKillFocus);
    onMessage(WM_ACTIVATE, &ImageButton::onActivate);
    onMessage(WM_CANCELMODE, &ImageButton::onCancelMode);
    onMessage(WM_ENABLE, &ImageButton::onEnable);
    onMessage(WM_SYSCOLORCHANGE, &ImageButton::onSysColorChange);
    onMessage(WM_GETDLGCODE, &ImageButton::onGetDlgCode);
    onMessage(BM_SETSTYLE, &ImageButton::onSetStyle);
    onMessage(BM_GETCHECK, &ImageButton::onGetCheck);
    onMessage(BM_SETCHECK, &ImageButton::onSetCheck);
    onMessage(framework::dpiChangedAfterParentMessage, &ImageButton::onDpiChanged);
}

ImageButton::~ImageButton() {
    dropSnapshot();
    icon_.reset();
    toolTip_.destroy();
}

void ImageButton::onAttached() {
    LONG_PTR style = GetWindowLongPtrA(handle(), GWL_STYLE);
    if ((style & 0xFF & typeMask) == BS_DEFPUSHBUTTON)
        isDefault_ = true;
    SetWindowLongPtrA(handle(), GWL_STYLE,
                      (style & ~static_cast<LONG_PTR>(typeMask)) | BS_OWNERDRAW);
    SetWindowPos(handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

UINT ImageButton::dpi() const {
    return framework::Dialog::dpiOf(handle());
}

int ImageButton::AssignIcon(WORD iconId) {
    // The resource's image nearest the size at this scale: drawn as it is,
    // not stretched from another size.
    iconId_ = iconId;
    const int size = framework::scaled(iconSize, dpi());
    HICON loaded =
        static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId),
                                      IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    icon_.reset();
    iconWidth_ = iconHeight_ = 0;
    if (loaded != nullptr) {
        icon_.reset(loaded);
        ICONINFO info{};
        if (!GetIconInfo(loaded, &info)) {
            icon_.reset();
            return 1;
        }
        // An icon's hot spot lies at its centre.
        iconWidth_ = 2 * static_cast<int>(info.xHotspot);
        iconHeight_ = 2 * static_cast<int>(info.yHotspot);
        if (info.hbmMask != nullptr)
            DeleteObject(info.hbmMask);
        if (info.hbmColor != nullptr)
            DeleteObject(info.hbmColor);
    }
    repaint();
    return 0;
}

int ImageButton::ShowFocusRect(bool show, bool repaintNow) {
    showFocusRect_ = show;
    if (repaintNow)
        repaint();
    return 0;
}

void ImageButton::SetHint(const char* text, bool activate) {
    if (text == nullptr)
        return;
    ensureToolTip();
    if (toolTip_.toolCount() == 0) {
        RECT client;
        GetClientRect(handle(), &client);
        toolTip_.addTool(handle(), hintToolId, client, text);
    }
    toolTip_.updateTipText(handle(), hintToolId, text);
    toolTip_.activate(activate);
}

void ImageButton::UseParentBackground(bool repaintNow) {
    transparent_ = true;
    dropSnapshot();
    if (repaintNow)
        repaint();
}

bool ImageButton::preTranslateMessage(MSG& msg) {
    ensureToolTip();
    toolTip_.relayEvent(msg);
    // A double click acts as two clicks: the second press is a plain press,
    // so the button sends BN_CLICKED again instead of BN_DOUBLECLICKED.
    if (msg.message == WM_LBUTTONDBLCLK)
        msg.message = WM_LBUTTONDOWN;
    return Control::preTranslateMessage(msg);
}

RECT ImageButton::PlaceIcon(bool hasCaption, const RECT& item, RECT& captionRect, bool pressed,
                            int iconWidth, int iconHeight, UINT dpi) {
    RECT iconRect = item;
    const int margin = framework::scaled(iconMargin, dpi);
    if (hasCaption) {
        iconRect.left += margin;
        captionRect.left += iconWidth + margin;
    } else {
        iconRect.left += (width(item) - iconWidth) / 2;
    }
    iconRect.top += (height(item) - iconHeight) / 2;
    if (pressed)
        OffsetRect(&iconRect, framework::scaled(pressShift.x, dpi),
                   framework::scaled(pressShift.y, dpi));
    return iconRect;
}

RECT ImageButton::CentreCaption(const RECT& bounds, const RECT& measured) {
    RECT centred = measured;
    OffsetRect(&centred, (width(bounds) - width(measured)) / 2,
               (height(bounds) - height(measured)) / 2);
    return centred;
}

void ImageButton::ensureToolTip() {
    if (toolTip_.exists())
        return;
    // No extra style bits: the tips show only while the dialog is active.
    toolTip_.create(handle());
    toolTip_.activate(false);
    toolTip_.setMaxTipWidth(maxTipWidth);
}

void ImageButton::repaint() {
    InvalidateRect(handle(), nullptr, TRUE);
}

void ImageButton::EndHover() {
    if (!hovering_)
        return;
    hovering_ = false;
    repaint();
}

void ImageButton::dropSnapshot() {
    if (backgroundDC_ && previousBitmap_ != nullptr)
        SelectObject(backgroundDC_.get(), previousBitmap_);
    previousBitmap_ = nullptr;
    backgroundBitmap_.reset();
    backgroundDC_.reset();
}

// --- painting ---------------------------------------------------------------

framework::MessageResult ImageButton::onDrawItem(WPARAM, LPARAM lParam) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    // Every request redraws the whole button, whatever its action.
    pressed_ = (item.itemState & ODS_SELECTED) != 0;
    focused_ = (item.itemState & ODS_FOCUS) != 0;
    disabled_ = (item.itemState & ODS_DISABLED) != 0;
    HDC dc = item.hDC;
    SetBkMode(dc, TRANSPARENT);
    // The dialog's own colours are the theme's then: a face of the
    // dialog's surface would not stand out from it.
    if (highContrastOn())
        FillRect(dc, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    else if (transparent_)
        PaintParentBackground(dc);
    PaintBorder(dc, item.rcItem);
    std::string caption = text();
    RECT captionRect = item.rcItem;
    if (icon_)
        PaintIcon(dc, !caption.empty(), item.rcItem, captionRect);
    if (!caption.empty())
        PaintCaption(dc, caption, captionRect);
    if (focused_ && showFocusRect_) {
        RECT focus = item.rcItem;
        const int inset = framework::scaled(focusInset, dpi());
        InflateRect(&focus, -inset, -inset);
        DrawFocusRect(dc, &focus);
    }
    return TRUE;
}

void ImageButton::PaintParentBackground(HDC dc) {
    HWND parent = GetParent(handle());
    HDC parentDC = GetDC(parent);
    RECT client, place;
    GetClientRect(handle(), &client);
    GetWindowRect(handle(), &place);
    ScreenToClient(parent, reinterpret_cast<POINT*>(&place.left));
    ScreenToClient(parent, reinterpret_cast<POINT*>(&place.right));
    if (!backgroundDC_) {
        backgroundDC_.reset(CreateCompatibleDC(parentDC));
        backgroundBitmap_.reset(CreateCompatibleBitmap(parentDC, width(client), height(client)));
        previousBitmap_ = SelectObject(backgroundDC_.get(), backgroundBitmap_.get());
        BitBlt(backgroundDC_.get(), 0, 0, width(client), height(client), parentDC, place.left,
               place.top, SRCCOPY);
    }
    BitBlt(dc, 0, 0, width(client), height(client), backgroundDC_.get(), 0, 0, SRCCOPY);
    ReleaseDC(parent, parentDC);
}

void ImageButton::PaintBorder(HDC dc, const RECT& item) {
    COLORREF saved = GetBkColor(dc);
    const int thickness = std::max(1, framework::scaled(1, dpi()));
    if (highContrastOn()) {
        COLORREF frame = GetSysColor(pressed_ || hovering_ ? COLOR_HIGHLIGHT : COLOR_BTNTEXT);
        drawFrame(dc, item, frame, frame, thickness);
    } else if (pressed_)
        drawFrame(dc, item, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT),
                  thickness);
    else if (hovering_)
        drawFrame(dc, item, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW),
                  thickness);
    SetBkColor(dc, saved);
}

void ImageButton::PaintIcon(HDC dc, bool hasCaption, const RECT& item, RECT& captionRect) {
    RECT iconRect =
        PlaceIcon(hasCaption, item, captionRect, pressed_, iconWidth_, iconHeight_, dpi());
    DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon_.get()), 0, iconRect.left,
               iconRect.top, width(iconRect), height(iconRect),
               DST_ICON | (disabled_ ? DSS_DISABLED : DSS_NORMAL));
}

void ImageButton::PaintCaption(HDC dc, const std::string& caption, RECT& captionRect) {
    if (pressed_)
        OffsetRect(&captionRect, framework::scaled(pressShift.x, dpi()),
                   framework::scaled(pressShift.y, dpi()));
    RECT bounds = captionRect;
    DrawTextA(dc, caption.c_str(), -1, &captionRect, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    captionRect = CentreCaption(bounds, captionRect);
    SetBkMode(dc, TRANSPARENT);
    if (disabled_ && highContrastOn()) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextA(dc, caption.c_str(), -1, &captionRect, DT_WORDBREAK | DT_CENTER);
    } else if (disabled_) {
        // Embossed: a highlight copy one pixel down-right, the shadow on top.
        OffsetRect(&captionRect, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextA(dc, caption.c_str(), -1, &captionRect, DT_WORDBREAK | DT_CENTER);
        OffsetRect(&captionRect, -1, -1);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        DrawTextA(dc, caption.c_str(), -1, &captionRect, DT_WORDBREAK | DT_CENTER);
    } else {
        SetTextColor(dc, textColour_);
        DrawTextA(dc, caption.c_str(), -1, &captionRect, DT_WORDBREAK | DT_CENTER);
    }
}

// --- messages ---------------------------------------------------------------

framework::MessageResult ImageButton::onClicked(WPARAM wParam, LPARAM) {
    // The click is the parent's to handle; the button only takes the focus,
    // which a click with the mouse gives a flat button too.
    if (HIWORD(wParam) == BN_CLICKED)
        SetFocus(handle());
    return std::nullopt;
}

framework::MessageResult ImageButton::onCtlColor(WPARAM, LPARAM) {
    // The platform erases an owner-drawn button with the brush its parent
    // names; a hollow brush leaves the dialog's pixels for the snapshot.
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

framework::MessageResult ImageButton::onMouseMove(WPARAM wParam, LPARAM lParam) {
    LRESULT result = defaultProc(WM_MOUSEMOVE, wParam, lParam);
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(handle(), &point);
    HWND under = WindowFromPoint(point);
    // A drag that enters with the left button held does not highlight.
    if ((wParam & MK_LBUTTON) && !hovering_)
        return result;
    if (under == handle()) {
        if (!hovering_) {
            hovering_ = true;
            repaint();
            TRACKMOUSEEVENT track{};
            track.cbSize = sizeof track;
            track.dwFlags = TME_LEAVE;
            track.hwndTrack = handle();
            _TrackMouseEvent(&track);
        }
    } else {
        EndHover();
    }
    return result;
}

framework::MessageResult ImageButton::onMouseLeave(WPARAM, LPARAM) {
    EndHover();
    return 0;
}

framework::MessageResult ImageButton::onKillFocus(WPARAM wParam, LPARAM lParam) {
    LRESULT result = defaultProc(WM_KILLFOCUS, wParam, lParam);
    EndHover();
    return result;
}

framework::MessageResult ImageButton::onActivate(WPARAM wParam, LPARAM lParam) {
    LRESULT result = defaultProc(WM_ACTIVATE, wParam, lParam);
    if (LOWORD(wParam) == WA_INACTIVE)
        EndHover();
    return result;
}

framework::MessageResult ImageButton::onCancelMode(WPARAM wParam, LPARAM lParam) {
    LRESULT result = defaultProc(WM_CANCELMODE, wParam, lParam);
    EndHover();
    return result;
}

framework::MessageResult ImageButton::onEnable(WPARAM wParam, LPARAM lParam) {
    LRESULT result = defaultProc(WM_ENABLE, wParam, lParam);
    if (!wParam) {
        // A disabled control keeps no focus: hand it on in tab order, even
        // when this button did not have it.
        HWND parent = GetParent(handle());
        HWND next = GetNextDlgTabItem(parent, handle(), FALSE);
        SetFocus(next != nullptr && next != handle() ? next : parent);
        EndHover();
    }
    return result;
}

framework::MessageResult ImageButton::onSysColorChange(WPARAM wParam, LPARAM lParam) {
    LRESULT result = defaultProc(WM_SYSCOLORCHANGE, wParam, lParam);
    dropSnapshot();
    textColour_ = GetSysColor(COLOR_BTNTEXT);
    repaint();
    return result;
}

framework::MessageResult ImageButton::onGetDlgCode(WPARAM wParam, LPARAM lParam) {
    LRESULT code = defaultProc(WM_GETDLGCODE, wParam, lParam);
    return code | (isDefault_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
}

framework::MessageResult ImageButton::onSetStyle(WPARAM wParam, LPARAM lParam) {
    UINT type = static_cast<UINT>(wParam) & typeMask;
    if (type == BS_DEFPUSHBUTTON)
        isDefault_ = true;
    else if (type == BS_PUSHBUTTON)
        isDefault_ = false;
    // The dialog manager moves the default state with BM_SETSTYLE; the
    // button must stay owner-drawn through it.
    return defaultProc(BM_SETSTYLE, (wParam & ~static_cast<WPARAM>(typeMask)) | BS_OWNERDRAW,
                       lParam);
}

framework::MessageResult ImageButton::onDpiChanged(WPARAM, LPARAM) {
    // Its dialog has moved and sized it for the new scale already.
    dropSnapshot();
    if (iconId_ != 0)
        AssignIcon(iconId_);
    if (toolTip_.exists() && toolTip_.toolCount() > 0) {
        RECT client;
        GetClientRect(handle(), &client);
        toolTip_.setToolRect(handle(), hintToolId, client);
    }
    return 0;
}

framework::MessageResult ImageButton::onGetCheck(WPARAM, LPARAM) {
    return 0;
}

framework::MessageResult ImageButton::onSetCheck(WPARAM, LPARAM) {
    return 0;
}

} // namespace controls
