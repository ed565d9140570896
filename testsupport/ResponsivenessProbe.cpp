#include "testsupport/ResponsivenessProbe.h"

namespace testing_support {

ResponsivenessProbe::ResponsivenessProbe(HWND window)
    : window_(window), started_(GetTickCount()), thread_([this] { run(); }) {}

void ResponsivenessProbe::stop() {
    stopping_ = true;
    // The window's own thread usually stops the probe: it keeps answering
    // until the probe's last message is through, or that message would wait
    // for it, and its wait would count against the window.
    while (!finished_) {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_SENDMESSAGE);
    }
    if (thread_.joinable())
        thread_.join();
}

void ResponsivenessProbe::run() {
    while (!stopping_) {
        DWORD started = GetTickCount();
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result) == 0)
            ++misses_;
        else
            ++answers_;
        if (GetTickCount() - started > longest_) {
            longest_ = GetTickCount() - started;
            longestAt_ = static_cast<int>(started - started_);
        }
        Sleep(20); // the probe's own pace, not a wait for a condition
    }
    finished_ = true;
}

} // namespace testing_support
