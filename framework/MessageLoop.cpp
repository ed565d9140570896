#include "framework/MessageLoop.h"

#include "framework/Window.h"

namespace framework {

namespace {
bool isDialog(HWND hwnd) {
    // Dialogs made from templates belong to the predefined class #32770.
    return GetClassLongPtrA(hwnd, GCW_ATOM) == 32770;
}

bool preTranslate(MSG& msg) {
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    for (HWND hwnd = msg.hwnd; hwnd != nullptr; hwnd = GetParent(hwnd)) {
        Window* window = Window::fromHandle(hwnd);
        if (window != nullptr && window->preTranslateMessage(msg))
            return true;
        if (hwnd == root)
            break;
    }
    return root != nullptr && isDialog(root) && IsDialogMessageA(root, &msg);
}
} // namespace

void MessageLoop::process(MSG& msg) {
    if (msg.hwnd != nullptr && preTranslate(msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

bool MessageLoop::processPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        process(msg);
    }
    return true;
}

} // namespace framework
