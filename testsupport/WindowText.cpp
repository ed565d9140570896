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

std::vector<std::string> listBoxLines(HWND list) {
    std::vector<std::string> lines;
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    // Another process's list hands its items over as wide text.
    for (int i = 0; i < count; ++i) {
        wchar_t text[1024] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        char narrow[1024] = {};
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
        lines.push_back(narrow);
    }
    return lines;
}

} // namespace testing_support
