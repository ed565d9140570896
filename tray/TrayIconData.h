#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstddef>

namespace tray {

// The notification-area record in the shell's layout with a 128-byte tooltip
// and the balloon fields, and nothing after them (no item GUID, no balloon
// icon): 488 bytes in the 32-bit program. The shell reads as much of the
// record as cbSize says, so this is the prefix of NOTIFYICONDATAA that it
// knows by that size. The item GUID and the balloon's own icon are not used.
struct TrayIconData {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[128];
    DWORD dwState;
    DWORD dwStateMask;
    CHAR szInfo[256];
    UINT uTimeout;
    CHAR szInfoTitle[64];
    DWORD dwInfoFlags;

    // What the shell's own record looks like from the start.
    NOTIFYICONDATAA* asShellRecord() { return reinterpret_cast<NOTIFYICONDATAA*>(this); }
};

// The shell takes the record for NOTIFYICONDATAA: every field must sit where
// the shell's record has it, and the size must be one it recognises.
static_assert(sizeof(TrayIconData) == NOTIFYICONDATAA_V2_SIZE);
static_assert(offsetof(TrayIconData, hWnd) == offsetof(NOTIFYICONDATAA, hWnd));
static_assert(offsetof(TrayIconData, uCallbackMessage) ==
              offsetof(NOTIFYICONDATAA, uCallbackMessage));
static_assert(offsetof(TrayIconData, hIcon) == offsetof(NOTIFYICONDATAA, hIcon));
static_assert(offsetof(TrayIconData, szTip) == offsetof(NOTIFYICONDATAA, szTip));
static_assert(offsetof(TrayIconData, szInfo) == offsetof(NOTIFYICONDATAA, szInfo));
static_assert(offsetof(TrayIconData, dwInfoFlags) == offsetof(NOTIFYICONDATAA, dwInfoFlags));
#ifndef _WIN64
static_assert(sizeof(TrayIconData) == 488);
#endif

} // namespace tray
