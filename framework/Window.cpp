#include "framework/Window.h"

#include "framework/Resources.h"

#include <exception>

namespace framework {

namespace {
// The property that holds the object behind a window.
const char* const objectProperty = "Velquin.WindowObject";
} // namespace

Window::~Window() {
    if (hwnd_ != nullptr && fromHandle(hwnd_) == this)
        unbind();
}

Window* Window::fromHandle(HWND hwnd) {
    if (hwnd == nullptr)
        return nullptr;
    return static_cast<Window*>(GetPropA(hwnd, objectProperty));
}

bool Window::preTranslateMessage(MSG&) {
    return false;
}

std::string Window::textOf(HWND hwnd) {
    int length = GetWindowTextLengthA(hwnd);
    std::string text(length + 1, '\0');
    int copied = GetWindowTextA(hwnd, text.data(), length + 1);
    text.resize(copied > 0 ? copied : 0);
    return text;
}

std::string Window::text() const {
    return textOf(hwnd_);
}

void Window::setText(const std::string& text) {
    SetWindowTextA(hwnd_, text.c_str());
}

void Window::enable(bool enabled) {
    EnableWindow(hwnd_, enabled ? TRUE : FALSE);
}

bool Window::isEnabled() const {
    return IsWindowEnabled(hwnd_) != FALSE;
}

MessageResult Window::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return route(message, wParam, lParam);
    } catch (const std::exception& error) {
        // The Internet library's failures arrive here by design; anything
        // else is reported the same way rather than ending the process.
        messageBox(error.what(), MB_OK | MB_ICONEXCLAMATION);
        return 0;
    } catch (...) {
        // Nothing may unwind through the system's code that called us.
        messageBox("An unexpected error occurred.", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
}

MessageResult Window::route(UINT message, WPARAM wParam, LPARAM lParam) {
    return messages_.dispatch(message, wParam, lParam);
}

void Window::bind(HWND hwnd) {
    hwnd_ = hwnd;
    SetPropA(hwnd, objectProperty, this);
}

void Window::unbind() {
    if (hwnd_ != nullptr)
        RemovePropA(hwnd_, objectProperty);
    hwnd_ = nullptr;
}

} // namespace framework
