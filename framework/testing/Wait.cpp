#include "framework/testing/Wait.h"

#include "framework/MessageLoop.h"

#include <windows.h>

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

} // namespace testing_support
