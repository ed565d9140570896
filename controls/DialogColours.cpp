#include "controls/DialogColours.h"

#include "controls/HighContrast.h"

namespace controls {

namespace {
framework::MessageResult brushOr(const framework::Brush& brush, framework::MessageResult base) {
    if (brush)
        return reinterpret_cast<LRESULT>(brush.get());
    return base;
}
} // namespace

DialogColours::DialogColours()
    : staticBrush_(CreateSolidBrush(surface)), dialogBrush_(CreateSolidBrush(surface)) {}

framework::MessageResult DialogColours::dialogSurface(HDC dc, framework::MessageResult base) const {
    if (highContrastOn()) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_WINDOW));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    SetTextColor(dc, RGB(0, 255, 0));
    SetBkColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return brushOr(dialogBrush_, base);
}

framework::MessageResult DialogColours::staticControl(HDC dc, framework::MessageResult base) const {
    if (highContrastOn()) {
        if (base)
            return base;
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return brushOr(staticBrush_, base);
}

namespace {
BOOL CALLBACK tellColourChange(HWND child, LPARAM) {
    SendMessageA(child, WM_SYSCOLORCHANGE, 0, 0);
    return TRUE;
}
} // namespace

void repaintForTheme(HWND dialog) {
    EnumChildWindows(dialog, &tellColourChange, 0);
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

} // namespace controls
