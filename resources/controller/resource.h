// Resource ids of Velquin, the controller: the one list of the program's
// dialog templates, icons, strings, menus and control ids.
#pragma once

// Dialog templates.
#define IDD_ABOUTBOX 100
#define IDD_VELQUIN_DIALOG 102
#define IDD_PRIVACY 149
#define IDD_TROUBLESHOOT 155

// Icons (32x32, 256 colours), drawn by scripts/draw_icons.py.
#define IDR_MAINFRAME 128
#define IDI_NEW_IP 138
#define IDI_GO 139
#define IDI_RESTORE 140
#define IDI_PRIVACY 141
#define IDI_HELP 143
#define IDI_MINIMIZE 145
#define IDI_EXIT 146
#define IDI_STATUS 148
#define IDI_TROUBLESHOOT 153

// The notification-area icon's menu: one pop-up, "Options".
#define IDR_TRAY_MENU 147
#define ID_SHOW_INTERFACE 32771
#define ID_TRAY_EXIT 32772

// Troubleshooting dialog (template 155); its "Save Settings" is IDOK.
#define IDC_TIMEOUT 1030
#define IDC_RETRY 1031

// Privacy cleaner (template 149); "Clean" is IDOK and "Done" IDCANCEL.
#define IDC_CLEAN_STATUS 1006
#define IDC_CLEAN_CACHE 1014
#define IDC_CLEAN_COOKIES 1015
#define IDC_CLEAN_HISTORY 1016
#define IDC_CLEAN_TYPED_URLS 1017
#define IDC_CLEAN_RECENT_DOCS 1019
#define IDC_CLEAN_RUN_HISTORY 1020
#define IDC_CLEAN_RECYCLE_BIN 1021
// The group of the other browsers found for the user (Edge, Chrome,
// Firefox), below the two groups of the platform's own stores.
#define IDC_BROWSERS_GROUP 1022
#define IDC_CLEAN_BROWSER_CACHE 1023
#define IDC_CLEAN_BROWSER_COOKIES 1024
#define IDC_CLEAN_BROWSER_HISTORY 1025

// Main window (template 102).
#define IDC_HIDE_IP 1001
#define IDC_REAL_IP 1002
#define IDC_PROTECTED_BY 1003
#define IDC_NEW_IP 1004
#define IDC_RESTORE 1005
#define IDC_STATUS 1006
#define IDC_ADDRESSES 1007
#define IDC_PRIVACY 1008
#define IDC_HELP_BUTTON 1010
#define IDC_MINIMIZE 1011
#define IDC_EXIT 1012
#define IDC_LINK 1013
// The tunnel's start-up, shown below the status text while a workflow waits
// for the tunnel.
#define IDC_PROGRESS 1040
// The status line's icon: information, or the system's warning icon while
// the status is a warning.
#define IDC_STATUS_ICON 1041

// Strings.
#define IDS_SOCKETS_FAILED 103

// The About box (template IDD_ABOUTBOX) and its system-menu item.
#define IDS_ABOUTBOX 101
#define IDM_ABOUTBOX 0x0010
