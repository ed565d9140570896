#pragma once

#include "framework/Control.h"

#include <string>

namespace framework {

// A list box control with the few operations the programs use.
class ListBox : public Control {
public:
    // Goes straight to the list box's own procedure: through the attached
    // one, every line would cost a look-up of this object by the window's
    // property, which under Wine is a round trip to its server, and no
    // handler of ours wants to see the addition.
    int addString(const std::string& text) {
        return static_cast<int>(
            defaultProc(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    int count() const { return static_cast<int>(SendMessageA(handle(), LB_GETCOUNT, 0, 0)); }
    std::string item(int index) const {
        LRESULT length = SendMessageA(handle(), LB_GETTEXTLEN, index, 0);
        if (length == LB_ERR)
            return {};
        std::string text(length + 1, '\0');
        LRESULT copied =
            SendMessageA(handle(), LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied == LB_ERR ? 0 : copied);
        return text;
    }
    void reset() { SendMessageA(handle(), LB_RESETCONTENT, 0, 0); }
    // Turns repainting off for a run of changes, or back on with a repaint.
    void setRedraw(bool redraw) {
        SendMessageA(handle(), WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
        if (redraw)
            InvalidateRect(handle(), nullptr, TRUE);
    }
};

} // namespace framework
