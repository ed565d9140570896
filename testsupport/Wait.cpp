#include "testsupport/Wait.h"

#include "framework/MessageLoop.h"

namespace testing_support {

bool waitUntil(const std::function<bool()>& condition, unsigned timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        framework::MessageLoop::processPending();
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {
bool painted(HWND window) {
    return GetUpdateRect(window, nullptr, FALSE) == FALSE;
}

BOOL CALLBACK childPainted(HWND child, LPARAM allPainted) {
    if (!painted(child))
        *reinterpret_cast<bool*>(allPainted) = false;
    return TRUE;
}
} // namespace

bool waitUntilPainted(HWND window, unsigned timeoutMs) {
    return waitUntil(
        [window] {
            if (!IsWindowVisible(window) || !painted(window))
                return false;
            bool allPainted = true;
            EnumChildWindows(window, &childPainted, reinterpret_cast<LPARAM>(&allPainted));
            return allPainted;
        },
        timeoutMs);
}

} // namespace testing_support
