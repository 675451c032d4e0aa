// Controller's icon in the notification area: one icon of the dialog window, reporting mouse
// events with WM_TRAYNOTIFY, with the tip "Tolvane Quorin Agent".
#pragma once

#include <windows.h>

inline constexpr UINT WM_TRAYNOTIFY = WM_APP + 100;

// The shell's registered "TaskbarCreated" message, which it sends to every top-level window
// when it makes its taskbar again (after a restart of the shell): the notification area is
// then empty and every program adds its icon again. Controller runs elevated and the shell
// does not, so the message is let through the window's message filter. 0 when it cannot be
// registered.
UINT RegisterTaskbarCreated(HWND window);

// Passes one Shell_NotifyIcon message (NIM_ADD, NIM_MODIFY, NIM_DELETE) for the window's
// icon; icon may be null for NIM_DELETE.
BOOL NotifyTrayIcon(HWND window, DWORD message, HICON icon);
