#pragma once

#include <windows.h>

namespace framework {

// A timer of one window that sends it WM_TIMER with `id` every period while
// it runs; stopped when stopped, restarted or destroyed. The window must
// outlive the running timer, or be destroyed (which ends its timers) first.
class WindowTimer {
public:
    explicit WindowTimer(UINT_PTR id) : id_(id) {}
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;
    ~WindowTimer() { stop(); }

    // Runs the timer for `window`, replacing any earlier run; false when the
    // system refused it.
    bool start(HWND window, UINT periodMs);
    void stop();
    bool running() const { return window_ != nullptr; }
    UINT_PTR id() const { return id_; }

private:
    UINT_PTR id_;
    HWND window_ = nullptr;
};

} // namespace framework
