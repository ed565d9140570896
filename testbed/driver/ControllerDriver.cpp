#include "testbed/driver/ControllerDriver.h"

#include "testsupport/Wait.h"
#include "testsupport/WindowText.h"
#include "resources/controller/resource.h"

namespace testbed {

namespace {
const char* const title = "Velquin";
} // namespace

bool ControllerDriver::attach(unsigned timeoutMs) {
    return testing_support::waitUntil(
        [this] {
            window_ = FindWindowA(nullptr, title);
            return window_ != nullptr && IsWindowVisible(window_);
        },
        timeoutMs);
}

ControllerTexts ControllerDriver::texts() const {
    auto text = [this](int id) {
        return testing_support::windowTextNoWait(GetDlgItem(window_, id));
    };
    return {text(IDC_REAL_IP), text(IDC_PROTECTED_BY), text(IDC_STATUS)};
}

WPARAM ControllerDriver::click(int id) const {
    return MAKEWPARAM(id, BN_CLICKED);
}

bool ControllerDriver::press(int id, unsigned timeoutMs) {
    // The button's command runs its whole workflow before the window's
    // thread answers, so the send returns when the workflow has ended.
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window_, WM_COMMAND, click(id),
                               reinterpret_cast<LPARAM>(GetDlgItem(window_, id)), SMTO_NORMAL,
                               timeoutMs, &result) != 0;
}

void ControllerDriver::pressLater(int id) {
    PostMessageA(window_, WM_COMMAND, click(id), reinterpret_cast<LPARAM>(GetDlgItem(window_, id)));
}

} // namespace testbed
