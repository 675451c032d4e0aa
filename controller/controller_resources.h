// Resource identifiers of Controller.exe.
#pragma once

#define IDR_MAINFRAME 128
#define IDD_CONTROLLER_DIALOG 102
#define IDI_STATUS_NOK 131
#define IDI_STATUS_UND 132
#define IDI_STATUS_OK 133
#define IDR_TRAY_MENU 134

// The tray icon's identifier and the commands of the tray menu.
#define ID_TRAY_ICON 32771
#define ID_AGENT_HELP 32772
#define ID_AGENT_SHOW 32773
#define ID_AGENT_HIDE 32774
#define ID_AGENT_EXIT 32775
