#pragma once

#include <windows.h>

namespace framework {

// The scale that sizes in pixels are given for: 100 %.
constexpr UINT baseDpi = 96;

// The messages of a change of scale (WM_DPICHANGED to a top-level window,
// then WM_DPICHANGED_AFTERPARENT to each of its controls), which the
// headers of the Windows 7 API this program is built against do not name.
constexpr UINT dpiChangedMessage = 0x02E0;
constexpr UINT dpiChangedAfterParentMessage = 0x02E3;

// `pixels` at 96 DPI, at `dpi`.
inline int scaled(int pixels, UINT dpi) {
    return MulDiv(pixels, static_cast<int>(dpi), static_cast<int>(baseDpi));
}

// The scale of the monitor that `window` is on, as the system tells a
// program that is aware of each monitor's scale; where the system cannot
// say (before Windows 10), the scale of the whole desktop.
UINT windowDpi(HWND window);

// A system metric (SM_CXICON and the like) at `dpi`.
int systemMetric(int index, UINT dpi);

// Tells the system that `dialog` lays itself out again when its scale
// changes: the system then moves and resizes nothing of it by itself.
// Nothing where the system does not know of such a change.
void keepOwnDpiLayout(HWND dialog);

} // namespace framework
