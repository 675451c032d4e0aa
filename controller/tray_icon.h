// Controller's icon in the notification area: one icon of the dialog window, reporting mouse
// events with WM_TRAYNOTIFY, with the tip "Tolvane Quorin Agent".
#pragma once

#include <windows.h>

inline constexpr UINT WM_TRAYNOTIFY = WM_APP + 100;

// Passes one Shell_NotifyIcon message (NIM_ADD, NIM_MODIFY, NIM_DELETE) for the window's
// icon; icon may be null for NIM_DELETE.
BOOL NotifyTrayIcon(HWND window, DWORD message, HICON icon);
