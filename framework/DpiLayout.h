#pragma once

#include "framework/Handle.h"

#include <windows.h>

#include <vector>

namespace framework {

// A dialog's layout at one scale and how it goes to another: the places of
// its controls, its client size and its font, as they were when the dialog
// was first scaled, are mapped from there each time in the dialog's own
// units (the font's average character width and height, as a template's
// units are), so that going back and forth loses nothing to rounding.
class DpiLayout {
public:
    // Lays `dialog` out for `to` DPI (it was laid out for `from`), with its
    // window's top-left corner where the system suggests (`suggested`, on
    // the screen): its font, which every control that had the dialog's font
    // gets, its controls' places and sizes, and its own size.
    void apply(HWND dialog, UINT from, UINT to, const RECT& suggested);

    // The dialog's font since the first change; null before.
    HFONT font() const { return font_.get(); }

private:
    struct Place {
        HWND control;
        RECT rect;
    };
    void capture(HWND dialog);

    std::vector<Place> places_;
    SIZE capturedClient_{};
    SIZE capturedUnits_{};
    UINT capturedDpi_ = 0;
    LOGFONTA capturedFont_{};
    Font font_;
};

} // namespace framework
