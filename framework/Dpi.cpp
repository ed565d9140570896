#include "framework/Dpi.h"

namespace framework {

namespace {
// Looked up at run time: these calls arrived with Windows 10 and would keep
// the program from starting on an older system.
template <class Function> Function user32(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

UINT desktopDpi() {
    HDC screen = GetDC(nullptr);
    UINT dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
    ReleaseDC(nullptr, screen);
    return dpi != 0 ? dpi : baseDpi;
}
} // namespace

UINT windowDpi(HWND window) {
    static const auto forWindow = user32<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    if (forWindow != nullptr && window != nullptr) {
        if (UINT dpi = forWindow(window))
            return dpi;
    }
    return desktopDpi();
}

int systemMetric(int index, UINT dpi) {
    static const auto forDpi = user32<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    if (forDpi != nullptr)
        return forDpi(index, dpi);
    return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(desktopDpi()));
}

void keepOwnDpiLayout(HWND dialog) {
    // DDC_DISABLE_ALL: neither the dialog's size nor its controls' fonts and
    // places are changed by the system.
    static const auto behaviour =
        user32<BOOL(WINAPI*)(HWND, DWORD, DWORD)>("SetDialogDpiChangeBehavior");
    if (behaviour != nullptr)
        behaviour(dialog, 0x0001, 0x0001);
}

} // namespace framework
