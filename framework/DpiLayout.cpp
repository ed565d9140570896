#include "framework/DpiLayout.h"

#include "framework/Dpi.h"

namespace framework {

namespace {
// A dialog's units in pixels for `font`: the average width of the letters
// and the height of a line, as the system measures a template's font.
SIZE dialogUnits(HFONT font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SIZE letters{};
    GetTextExtentPoint32A(dc, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &letters);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

LONG map(LONG value, LONG to, LONG from) {
    return from != 0 ? MulDiv(value, to, from) : value;
}
} // namespace

void DpiLayout::capture(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        places_.push_back({child, rect});
    }
    RECT client;
    GetClientRect(dialog, &client);
    capturedClient_ = {client.right, client.bottom};
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    if (font == nullptr)
        font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GetObjectA(font, sizeof capturedFont_, &capturedFont_);
    capturedUnits_ = dialogUnits(font);
}

void DpiLayout::apply(HWND dialog, UINT from, UINT to, const RECT& suggested) {
    if (capturedDpi_ == 0) {
        capture(dialog);
        capturedDpi_ = from;
    }
    LOGFONTA description = capturedFont_;
    description.lfHeight = map(capturedFont_.lfHeight, to, capturedDpi_);
    description.lfWidth = map(capturedFont_.lfWidth, to, capturedDpi_);
    Font font(CreateFontIndirectA(&description));
    if (!font)
        return;
    const SIZE units = dialogUnits(font.get());
    auto x = [&](LONG value) { return map(value, units.cx, capturedUnits_.cx); };
    auto y = [&](LONG value) { return map(value, units.cy, capturedUnits_.cy); };

    // The controls still have the font the dialog answers with, which
    // stays alive until each has the new one.
    const HFONT oldFont = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
    Font previous = std::move(font_);
    font_ = std::move(font);

    RECT window{0, 0, x(capturedClient_.cx), y(capturedClient_.cy)};
    AdjustWindowRectEx(&window, static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
    SetWindowPos(dialog, nullptr, suggested.left, suggested.top, window.right - window.left,
                 window.bottom - window.top, SWP_NOZORDER | SWP_NOACTIVATE);
    for (const Place& place : places_) {
        if (!IsWindow(place.control))
            continue;
        const RECT& r = place.rect;
        SetWindowPos(place.control, nullptr, x(r.left), y(r.top), x(r.right) - x(r.left),
                     y(r.bottom) - y(r.top), SWP_NOZORDER | SWP_NOACTIVATE);
        if (reinterpret_cast<HFONT>(SendMessageA(place.control, WM_GETFONT, 0, 0)) == oldFont)
            SendMessageA(place.control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        // The controls that draw themselves learn the new scale after their
        // dialog has it.
        SendMessageA(place.control, dpiChangedAfterParentMessage, 0, 0);
    }
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

} // namespace framework
