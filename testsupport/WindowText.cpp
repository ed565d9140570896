#include "testsupport/WindowText.h"

namespace testing_support {

std::string windowTextNoWait(HWND hwnd) {
    wchar_t wide[4096] = {};
    int length = InternalGetWindowText(hwnd, wide, sizeof wide / sizeof wide[0]);
    if (length <= 0)
        return {};
    char text[4096 * 2] = {};
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, text, sizeof text, nullptr, nullptr);
    return std::string(text, bytes > 0 ? bytes : 0);
}

} // namespace testing_support
