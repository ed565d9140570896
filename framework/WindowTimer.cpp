#include "framework/WindowTimer.h"

namespace framework {

bool WindowTimer::start(HWND window, UINT periodMs) {
    stop();
    if (SetTimer(window, id_, periodMs, nullptr) == 0)
        return false;
    window_ = window;
    return true;
}

void WindowTimer::stop() {
    if (window_ == nullptr)
        return;
    KillTimer(window_, id_);
    window_ = nullptr;
}

} // namespace framework
