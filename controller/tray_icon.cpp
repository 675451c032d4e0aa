#include "tray_icon.h"

#include <shellapi.h>

#include <cwchar>

#include "controller_resources.h"

#if !defined(_WIN64)
static_assert(NOTIFYICONDATAW_V3_SIZE == 952, "the version-3 structure of a 32-bit program");
#endif

UINT RegisterTaskbarCreated(HWND window)
{
    UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    if (message)
        ChangeWindowMessageFilterEx(window, message, MSGFLT_ALLOW, nullptr);
    return message;
}

BOOL NotifyTrayIcon(HWND window, DWORD message, HICON icon)
{
    NOTIFYICONDATAW data = {};
    data.cbSize = NOTIFYICONDATAW_V3_SIZE;
    data.hWnd = window;
    data.uID = ID_TRAY_ICON;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_TRAYNOTIFY;
    data.hIcon = icon;
    wcsncpy(data.szTip, L"Tolvane Quorin Agent", ARRAYSIZE(data.szTip) - 1);
    return Shell_NotifyIconW(message, &data);
}
