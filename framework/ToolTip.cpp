#include "framework/ToolTip.h"

#include <commctrl.h>

namespace framework {

namespace {
// The record's size as version 5 of the common controls knows it: newer
// sizes are refused there, and nothing here needs the later fields.
TOOLINFOA toolInfo(HWND window, UINT_PTR id) {
    TOOLINFOA info{};
    info.cbSize = TTTOOLINFOA_V2_SIZE;
    info.hwnd = window;
    info.uId = id;
    return info;
}
} // namespace

bool ToolTip::create(HWND owner, DWORD style) {
    destroy();
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&classes);
    hwnd_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | style, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    return hwnd_ != nullptr;
}

void ToolTip::destroy() {
    if (exists())
        DestroyWindow(hwnd_);
    hwnd_ = nullptr;
}

void ToolTip::activate(bool active) {
    SendMessageA(hwnd_, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

void ToolTip::setMaxTipWidth(int pixels) {
    SendMessageA(hwnd_, TTM_SETMAXTIPWIDTH, 0, pixels);
}

int ToolTip::toolCount() const {
    return static_cast<int>(SendMessageA(hwnd_, TTM_GETTOOLCOUNT, 0, 0));
}

bool ToolTip::addTool(HWND window, UINT_PTR id, const RECT& rect, const std::string& text) {
    TOOLINFOA info = toolInfo(window, id);
    info.uFlags = 0; // no TTF_SUBCLASS: the owner relays its mouse messages
    info.rect = rect;
    info.lpszText = const_cast<char*>(text.c_str());
    return SendMessageA(hwnd_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info)) != FALSE;
}

void ToolTip::updateTipText(HWND window, UINT_PTR id, const std::string& text) {
    TOOLINFOA info = toolInfo(window, id);
    info.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(hwnd_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&info));
}

std::string ToolTip::toolText(HWND window, UINT_PTR id) const {
    // The ANSI request copies at most 80 characters; the wide one takes the
    // buffer's size.
    wchar_t buffer[1024] = {};
    TOOLINFOW info{};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = window;
    info.uId = id;
    info.lpszText = buffer;
    SendMessageW(hwnd_, TTM_GETTEXTW, sizeof buffer / sizeof buffer[0],
                 reinterpret_cast<LPARAM>(&info));
    char text[2048] = {};
    WideCharToMultiByte(CP_ACP, 0, buffer, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

RECT ToolTip::toolRect(HWND window, UINT_PTR id) const {
    TOOLINFOA info = toolInfo(window, id);
    if (!SendMessageA(hwnd_, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&info)))
        return RECT{};
    return info.rect;
}

void ToolTip::setToolRect(HWND window, UINT_PTR id, const RECT& rect) {
    TOOLINFOA info = toolInfo(window, id);
    info.rect = rect;
    SendMessageA(hwnd_, TTM_NEWTOOLRECTA, 0, reinterpret_cast<LPARAM>(&info));
}

void ToolTip::relayEvent(const MSG& msg) {
    SendMessageA(hwnd_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
}

} // namespace framework
