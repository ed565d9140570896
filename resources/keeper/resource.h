// Resource ids of Velquin-Keeper.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDS_UNKNOWN_ERROR 102
#define IDD_KEEPER 102
#define IDR_MAINFRAME 128

#define IDC_COMMAND 1000
#define IDC_OUTPUT 1001
#define IDC_RUN 1002
#define IDC_CLEAR 1003
#define IDC_COMMAND_LABEL 1004

// System-menu command of the About item; the low four bits are the
// system's own, so only the rest is compared.
#define IDM_ABOUTBOX 0x0010
