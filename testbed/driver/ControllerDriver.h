#pragma once

#include <windows.h>

#include <string>

namespace testbed {

// What the controller's window shows.
struct ControllerTexts {
    std::string realIp;
    std::string protectedBy;
    std::string status;
};

// Drives a running controller from another process as a user would: finds
// its window, reads its labels and presses its buttons.
class ControllerDriver {
public:
    // Waits up to `timeoutMs` for the controller's window to be shown.
    bool attach(unsigned timeoutMs);
    HWND window() const { return window_; }
    // Read without sending the window a message, so this works while a
    // workflow keeps the window's thread busy.
    ControllerTexts texts() const;
    // Presses button `id` and waits up to `timeoutMs` until its workflow has
    // run to its end; false if it did not end in time.
    bool press(int id, unsigned timeoutMs);
    // Presses button `id` and returns at once.
    void pressLater(int id);

private:
    WPARAM click(int id) const;
    HWND window_ = nullptr;
};

} // namespace testbed
