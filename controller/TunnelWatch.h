#pragma once

#include "framework/WindowTimer.h"

#include <windows.h>

#include <functional>
#include <utility>

namespace controller {

// Watches the protection while the address is hidden and no workflow runs:
// once a second on the window's timer it reads Ready and whether the
// active connection still points at the local proxy (a VPN that connects
// after the Hide brings a connection of its own), tells the first time
// either fails, then stops until started again. It restarts nothing.
class TunnelWatch {
public:
    static constexpr UINT_PTR timerId = 1;
    static constexpr UINT periodMs = 1000;

    enum class Finding {
        none,
        // Ready is no longer 1.
        tunnelDown,
        // The active connection no longer sends its traffic to the proxy.
        connectionUnprotected,
    };

    TunnelWatch(std::function<DWORD()> readReady, std::function<bool()> connectionProtected)
        : readReady_(std::move(readReady)), connectionProtected_(std::move(connectionProtected)) {}

    // Starts reading for `window`, whose WM_TIMER goes to check().
    void start(HWND window) { timer_.start(window, periodMs); }
    void stop() { timer_.stop(); }
    bool watching() const { return timer_.running(); }
    // For the window's WM_TIMER `id`: what failed, when it is this watch's
    // timer; a finding stops the watch.
    Finding check(UINT_PTR id);

private:
    std::function<DWORD()> readReady_;
    std::function<bool()> connectionProtected_;
    framework::WindowTimer timer_{timerId};
};

} // namespace controller
