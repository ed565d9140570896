#pragma once

#include <windows.h>

#include <functional>

namespace framework {

// Waits that keep the calling thread's windows alive: while they wait, the
// thread's messages go through MessageLoop as in any loop of the framework,
// so the windows repaint, move, answer sent messages and take the user's
// input. A handler that waits this way can therefore be entered again by
// the messages it lets through (see Dialog::BusyScope).
class PumpingWait {
public:
    // Waits up to `timeoutMs` (INFINITE: no limit) for `object` to be
    // signalled, or only for the time when `object` is null; true when it
    // was signalled. A WM_QUIT that arrives ends the processing of messages
    // for the rest of the wait and is posted again for the outer loop.
    static bool waitFor(HANDLE object, DWORD timeoutMs);

    // Runs `work` on a thread of its own and waits for it to end, as
    // waitFor does; an exception that `work` throws is thrown here. When no
    // thread can be started, `work` runs on the calling thread.
    static void run(const std::function<void()>& work);
};

} // namespace framework
