#include "controller_dlg.h"

#include <shellapi.h>
#include <windowsx.h>

#include <cwchar>

#include "agent_service_start.h"
#include "com_ptr.h"
#include "controller_resources.h"
#include "dispatch_call.h"
#include "heap_helpers.h"
#include "main_page.h"
#include "tray_icon.h"

namespace {

const wchar_t kWindowTitle[] = L"Tolvane Quorin Agent";
const wchar_t kHelpPage[] = L"https://www.tolvane.com/help/quorin-agent/";

}  // namespace

UINT CControllerDlg::s_exitMessage = 0;
UINT CControllerDlg::s_terminatedMessage = 0;
UINT CControllerDlg::s_taskbarCreatedMessage = 0;

TOL_BEGIN_MESSAGE_MAP(CControllerDlg, CDHtmlDialog)
TOL_ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDown)
TOL_ON_MESSAGE(WM_LBUTTONUP, OnLButtonUp)
TOL_ON_MESSAGE(WM_NCHITTEST, OnNcHitTest)
TOL_ON_MESSAGE(WM_TRAYNOTIFY, OnTrayNotify)
TOL_ON_REGISTERED_MESSAGE(CControllerDlg::s_exitMessage, OnControllerExit)
TOL_ON_REGISTERED_MESSAGE(CControllerDlg::s_taskbarCreatedMessage, OnTaskbarCreated)
TOL_ON_MESSAGE(WM_DESTROY, OnDestroy)
TOL_ON_MESSAGE(WM_CLOSE, OnClose)
TOL_END_MESSAGE_MAP()

TOL_BEGIN_DHTML_EVENT_MAP(CControllerDlg)
TOL_DHTML_EVENT_ONCLICK(L"ButtonOK", OnButtonOK)
TOL_DHTML_EVENT_ONCLICK(L"ButtonCancel", OnButtonCancel)
TOL_DHTML_EVENT_ONCLICK(L"HideButton", OnHideButton)
TOL_DHTML_EVENT_ONCLICK(L"MinimizeButton", OnMinimizeButton)
TOL_DHTML_EVENT_ONMOUSEDOWN(L"TController", OnTControllerMouseDown)
TOL_DHTML_EVENT_ONCLICK(L"statusOK", OnStatusOK)
TOL_DHTML_EVENT_ONCLICK(L"statusNOK", OnStatusNOK)
TOL_DHTML_EVENT_ONCLICK(L"statusUND", OnStatusUND)
TOL_END_DHTML_EVENT_MAP()

CControllerDlg::CControllerDlg()
    : CDHtmlDialog(IDD_CONTROLLER_DIALOG),
      m_hIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

BOOL CControllerDlg::OnInitDialog()
{
    CDHtmlDialog::OnInitDialog();
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    s_taskbarCreatedMessage = RegisterTaskbarCreated(m_hWnd);
    SetTrayIcon(kTrayUndefined, NIM_ADD);
    SetWindowTextW(m_hWnd, kWindowTitle);
    RegisterMessages();
    wchar_t* page = PrepareMainPage(m_hWnd);
    m_firstLoadPending = true;
    m_runClicked = false;
    StartAgentService();  // the page shows whatever state its script finds
    if (page) {
        Navigate(page);
        FreeHeapBlock(page);
    }
    return TRUE;
}

void CControllerDlg::RegisterMessages()
{
    s_terminatedMessage = RegisterWindowMessageW(L"WM_TOLCONTROLLER_TERMINATED");
    s_exitMessage = RegisterWindowMessageW(L"WM_TOLCONTROLLER_EXIT");
    if (!s_exitMessage) {
        wchar_t text[64];
        swprintf(text, 64, L"error: %d", static_cast<int>(GetLastError()));
        MessageBoxW(m_hWnd, text, nullptr, MB_OK);
    }
}

void CControllerDlg::OnDocumentComplete(IDispatch* browser, const wchar_t* url)
{
    CDHtmlDialog::OnDocumentComplete(browser, url);
    if (m_firstLoadPending) {
        CComPtr<IDispatch> run;
        if (GetElement(L"runButton", &run) == S_OK) {
            InvokeByName(run, L"click", DISPATCH_METHOD, nullptr, 0, nullptr);
            m_runClicked = true;
        }
        m_firstLoadPending = false;
    }
    m_runClicked = false;
}

BOOL CControllerDlg::OnCommand(WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case ID_AGENT_HELP:
        OpenHelpPage();
        return TRUE;
    case ID_AGENT_SHOW:
        ShowAndUpdate(SW_SHOW);
        return TRUE;
    case ID_AGENT_HIDE:
        ShowAndUpdate(SW_HIDE);
        return TRUE;
    case ID_AGENT_EXIT:
        DeleteTrayIcon();
        PostQuitMessage(0);
        return TRUE;
    default:
        return CDHtmlDialog::OnCommand(wParam, lParam);
    }
}

LRESULT CControllerDlg::OnLButtonDown(WPARAM, LPARAM)
{
    m_dragging = true;
    return Default();
}

LRESULT CControllerDlg::OnLButtonUp(WPARAM, LPARAM)
{
    m_dragging = false;
    return Default();
}

LRESULT CControllerDlg::OnNcHitTest(WPARAM, LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    if (PtInRect(&client, point) && m_dragging)
        return HTCAPTION;
    return Default();
}

LRESULT CControllerDlg::OnTrayNotify(WPARAM, LPARAM lParam)
{
    switch (LOWORD(lParam)) {
    case WM_LBUTTONDOWN:
        ShowAndUpdate(SW_SHOW);
        break;
    case WM_RBUTTONDOWN: {
        HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAY_MENU));
        if (!menu)
            break;
        POINT cursor = {};
        GetCursorPos(&cursor);
        SetForegroundWindow(m_hWnd);
        TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, m_hWnd,
                       nullptr);
        // Lets the menu close when the user clicks elsewhere next time.
        PostMessageW(m_hWnd, WM_NULL, 0, 0);
        DestroyMenu(menu);
        break;
    }
    default:
        break;
    }
    return 0;
}

LRESULT CControllerDlg::OnControllerExit(WPARAM, LPARAM)
{
    DestroyWindow(m_hWnd);
    return 0;
}

LRESULT CControllerDlg::OnDestroy(WPARAM wParam, LPARAM lParam)
{
    DeleteTrayIcon();
    CDHtmlDialog::OnDestroy(wParam, lParam);
    if (s_terminatedMessage)
        PostMessageW(HWND_BROADCAST, s_terminatedMessage, 0, 0);
    return 0;
}

LRESULT CControllerDlg::OnClose(WPARAM, LPARAM)
{
    DeleteTrayIcon();
    PostQuitMessage(0);
    return 0;
}

// The shell restarted with an empty notification area: the icon goes back in its state.
LRESULT CControllerDlg::OnTaskbarCreated(WPARAM, LPARAM)
{
    SetTrayIcon(m_trayState, NIM_ADD);
    return 0;
}

HRESULT CControllerDlg::OnButtonOK(IDispatch*)
{
    OnOK();
    return S_OK;
}

HRESULT CControllerDlg::OnButtonCancel(IDispatch*)
{
    OnCancel();
    return S_OK;
}

HRESULT CControllerDlg::OnHideButton(IDispatch*)
{
    ShowAndUpdate(SW_HIDE);
    return S_OK;
}

HRESULT CControllerDlg::OnMinimizeButton(IDispatch*)
{
    ShowAndUpdate(SW_MINIMIZE);
    return S_OK;
}

HRESULT CControllerDlg::OnTControllerMouseDown(IDispatch*)
{
    DWORD position = GetMessagePos();
    SendMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION,
                 MAKELPARAM(GET_X_LPARAM(position), GET_Y_LPARAM(position)));
    return S_OK;
}

HRESULT CControllerDlg::OnStatusOK(IDispatch*)
{
    SetTrayIcon(kTrayOK, NIM_MODIFY);
    return S_OK;
}

HRESULT CControllerDlg::OnStatusNOK(IDispatch*)
{
    SetTrayIcon(kTrayNotOK, NIM_MODIFY);
    return S_OK;
}

HRESULT CControllerDlg::OnStatusUND(IDispatch*)
{
    SetTrayIcon(kTrayUndefined, NIM_MODIFY);
    return S_OK;
}

void CControllerDlg::SetTrayIcon(int state, DWORD message)
{
    UINT id = state == kTrayUndefined ? IDI_STATUS_UND
              : state == kTrayOK      ? IDI_STATUS_OK
              : state == kTrayNotOK   ? IDI_STATUS_NOK
                                      : 0;
    if (!id)
        return;
    m_trayState = state;
    HICON icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    NotifyTrayIcon(m_hWnd, message, icon);
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void CControllerDlg::DeleteTrayIcon()
{
    NotifyTrayIcon(m_hWnd, NIM_DELETE, nullptr);
}

void CControllerDlg::ShowAndUpdate(int command)
{
    ShowWindow(m_hWnd, command);
    UpdateWindow(m_hWnd);
}

void CControllerDlg::OpenHelpPage()
{
    ShellExecuteW(m_hWnd, L"open", kHelpPage, nullptr, nullptr, SW_SHOWMAXIMIZED);
}
