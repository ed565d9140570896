#pragma once

#include "framework/MessageMap.h"

#include <windows.h>

#include <string>

namespace framework {

// The object behind a window: holds the handle, finds the object from the
// handle (through a window property, so controls keep their user data), and
// routes messages through the object's message table. Dialogs and attached
// controls derive from it.
class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND handle() const { return hwnd_; }
    static Window* fromHandle(HWND hwnd);

    // Called by the message loop, before translation and dispatch, for each
    // message addressed to this window or to a window inside it; true means
    // the message has been dealt with and goes no further.
    virtual bool preTranslateMessage(MSG& msg);

    std::string text() const;
    void setText(const std::string& text);
    void enable(bool enabled);
    bool isEnabled() const;
    static std::string textOf(HWND hwnd);

protected:
    // Entries of the message table, in the order a handler list reads.
    template <class T> void onMessage(UINT message, MessageResult (T::*handler)(WPARAM, LPARAM)) {
        T* self = static_cast<T*>(this);
        messages_.add(message,
                      [self, handler](WPARAM w, LPARAM l) { return (self->*handler)(w, l); });
    }
    template <class T> void onCommand(int id, void (T::*handler)(), UINT code = BN_CLICKED) {
        T* self = static_cast<T*>(this);
        messages_.addCommand(WM_COMMAND, id, code, [self, handler] { (self->*handler)(); });
    }
    // A command notification that the parent reflects back to this control.
    template <class T> void onReflectedCommand(UINT code, void (T::*handler)()) {
        T* self = static_cast<T*>(this);
        messages_.addCommand(reflected(WM_COMMAND), MessageMap::anyId, code,
                             [self, handler] { (self->*handler)(); });
    }

    // Runs the message through route() and keeps exceptions inside: one
    // that left a window procedure would end the process.
    MessageResult dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // The object's own routing; the default is the message table.
    virtual MessageResult route(UINT message, WPARAM wParam, LPARAM lParam);

    void bind(HWND hwnd);
    void unbind();

private:
    HWND hwnd_ = nullptr;
    MessageMap messages_;
};

} // namespace framework
