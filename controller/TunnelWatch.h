#pragma once

#include "framework/WindowTimer.h"

#include <windows.h>

#include <functional>
#include <utility>

namespace controller {

// Watches the tunnel while the address is hidden and no workflow runs:
// reads Ready once a second on the window's timer and tells the first time
// it is no longer 1, then stops until started again. It restarts nothing.
class TunnelWatch {
public:
    static constexpr UINT_PTR timerId = 1;
    static constexpr UINT periodMs = 1000;

    explicit TunnelWatch(std::function<DWORD()> readReady) : readReady_(std::move(readReady)) {}

    // Starts reading for `window`, whose WM_TIMER goes to tunnelDropped().
    void start(HWND window) { timer_.start(window, periodMs); }
    void stop() { timer_.stop(); }
    bool watching() const { return timer_.running(); }
    // For the window's WM_TIMER `id`: true when it is this watch's and Ready
    // has dropped, which stops the watch.
    bool tunnelDropped(UINT_PTR id);

private:
    std::function<DWORD()> readReady_;
    framework::WindowTimer timer_{timerId};
};

} // namespace controller
