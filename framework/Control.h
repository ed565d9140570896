#pragma once

#include "framework/Window.h"

namespace framework {

// A control object attached to an existing control of a dialog by
// subclassing. Messages to the control go through the object's table first
// and then to the control's own window procedure; notifications that the
// parent reflects arrive as reflected(message).
class Control : public Window {
public:
    ~Control() override;

    // Subclasses control `id` of `dialog`; attaching an attached control is
    // a no-op. False when the dialog has no such control.
    bool attach(HWND dialog, int id);
    bool isAttached() const { return handle() != nullptr; }
    int id() const { return GetDlgCtrlID(handle()); }

    // Offers a notification that the parent received from this control.
    MessageResult reflect(UINT message, WPARAM wParam, LPARAM lParam) {
        return dispatch(reflected(message), wParam, lParam);
    }

protected:
    // Runs once the control is attached, before any reflected message.
    virtual void onAttached() {}
    // The control's own window procedure: what "default processing" means
    // for a control.
    LRESULT defaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void detach();

    WNDPROC original_ = nullptr;
};

} // namespace framework
