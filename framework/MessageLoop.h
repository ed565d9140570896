#pragma once

#include <windows.h>

namespace framework {

// The one way the framework's loops hand a message on: first the
// pre-translate step of every framework window from the addressee up to its
// top-level window, then the dialog keyboard interface (Tab, Enter, Esc,
// mnemonics) when that window is a dialog, then translation and dispatch.
class MessageLoop {
public:
    static void process(MSG& msg);

    // Processes every message already queued for this thread, without
    // waiting; false when WM_QUIT was among them (it is posted again).
    static bool processPending();
};

} // namespace framework
