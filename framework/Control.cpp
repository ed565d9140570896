#include "framework/Control.h"

namespace framework {

Control::~Control() {
    detach();
}

bool Control::attach(HWND dialog, int id) {
    if (isAttached())
        return true;
    HWND hwnd = GetDlgItem(dialog, id);
    if (hwnd == nullptr)
        return false;
    bind(hwnd);
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
    onAttached();
    return true;
}

void Control::detach() {
    if (!isAttached())
        return;
    SetWindowLongPtrA(handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    unbind();
}

LRESULT Control::defaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(original_, handle(), message, wParam, lParam);
}

LRESULT CALLBACK Control::subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<Control*>(fromHandle(hwnd));
    if (message == WM_NCDESTROY) {
        WNDPROC original = self->original_;
        self->detach();
        return CallWindowProcA(original, hwnd, message, wParam, lParam);
    }
    if (MessageResult result = self->dispatch(message, wParam, lParam))
        return *result;
    return self->defaultProc(message, wParam, lParam);
}

} // namespace framework
